#include "windows/AppIcons.h"

namespace brindlow {

AppIconCache::AppIconCache(Workspace& workspace) : workspace_(workspace) {
    terminations_ = workspace_.addObserver(WorkspaceEvent::didTerminate,
                                           [this](const RunningApplication& application) {
                                               std::lock_guard lock(mutex_);
                                               cache_.erase(application.pid);
                                           });
}

AppIconCache::~AppIconCache() {
    workspace_.removeObserver(terminations_);
}

Image AppIconCache::icon(std::int32_t pid) {
    {
        std::lock_guard lock(mutex_);
        if (auto found = cache_.find(pid); found != cache_.end()) return found->second;
    }
    Image image;
    if (auto own = workspace_.applicationIcon(pid); own && !own->isEmpty()) {
        image = std::move(*own);
    } else if (auto symbol = workspace_.symbolImage(kFallbackSymbol)) {
        image = std::move(*symbol);
    }
    std::lock_guard lock(mutex_);
    return cache_.emplace(pid, std::move(image)).first->second;
}

std::size_t AppIconCache::size() const {
    std::lock_guard lock(mutex_);
    return cache_.size();
}

}  // namespace brindlow
