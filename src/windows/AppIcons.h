#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/Image.h"
#include "platform/Workspace.h"

namespace brindlow {

// Application icons by process id. A lookup is cached while the application runs, the fallback
// too: a later icon change is not noticed. An application that terminates is forgotten, so
// short-lived applications do not pile up and a reused process id gets its own icon.
// Main thread.
class AppIconCache {
  public:
    static constexpr const char* kFallbackSymbol = "macwindow";

    explicit AppIconCache(Workspace& workspace);
    ~AppIconCache();
    AppIconCache(const AppIconCache&) = delete;
    AppIconCache& operator=(const AppIconCache&) = delete;

    // The application's icon; else the generic window symbol; else the empty image.
    Image icon(std::int32_t pid);

    // How many icons are kept.
    std::size_t size() const;

  private:
    Workspace& workspace_;
    ObserverToken terminations_;
    mutable std::mutex mutex_;
    std::map<std::int32_t, Image> cache_;
};

}  // namespace brindlow
