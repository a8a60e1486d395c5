#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>

#include "controller/DisplayLinkDriver.h"
#include "platform/Executor.h"
#include "platform/Platform.h"

namespace brindlow {

// Everything the strip controller reaches outside itself. Injected so that scenarios run on the
// sim desktop in virtual time.
struct StripControllerEnvironment {
    // Accessibility, window list, workspace, screens, process table, the main queue, the media
    // clock and the factory of the move and raise queues.
    Platform platform;
    // The strip queue, "com.vemto.brindlow.strip".
    std::shared_ptr<Executor> stripQueue;
    // Makes the display clock's link; none when it cannot be made.
    DisplayLinkDriver::LinkFactory makeDisplayLink;
    // Where "session.json" and "minimum-heights.json" live.
    std::filesystem::path storageFolder;
    // Runs `count` jobs, concurrently where it can, and returns when all ran. Default: one thread
    // per job beyond the first. Tests on the single-threaded sim desktop pass a sequential loop.
    std::function<void(size_t count, const std::function<void(size_t)>& job)> concurrentPerform;

    // Whether the user holds a button the window manager drags windows with (false where the
    // platform cannot tell).
    bool dragButtonDown() const { return platform.dragButtonDown && platform.dragButtonDown(); }
    // What the running window manager does; where the platform cannot tell, traits that leave
    // every handler to judge by what it sees.
    WindowManagerTraits windowManagerTraits() const {
        return platform.windowManagerTraits ? platform.windowManagerTraits()
                                            : WindowManagerTraits::unknownWindowManager("unknown");
    }
};

}  // namespace brindlow
