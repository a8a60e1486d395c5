#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/Image.h"
#include "platform/Workspace.h"

namespace brindlow {

// Application icons by process id. A lookup is cached for the life of the
// cache, the fallback too: a later icon change or a reused process id is not
// noticed. Main thread.
class AppIconCache {
  public:
    static constexpr const char* kFallbackSymbol = "macwindow";

    explicit AppIconCache(const Workspace& workspace) : workspace_(workspace) {}

    // The application's icon; else the generic window symbol; else the empty image.
    Image icon(std::int32_t pid);

  private:
    const Workspace& workspace_;
    std::mutex mutex_;
    std::map<std::int32_t, Image> cache_;
};

}  // namespace brindlow
