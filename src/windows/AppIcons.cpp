#include "windows/AppIcons.h"

namespace brindlow {

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

}  // namespace brindlow
