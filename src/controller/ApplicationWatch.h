#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "controller/StripControllerEnvironment.h"
#include "controller/StripControllerState.h"
#include "platform/Log.h"
#include "windows/AppObserver.h"
#include "windows/AppRef.h"

namespace brindlow {

// Keeps the running applications observed: starts an application's observer (or keeps the one
// it has), tries a launched application again a while, and in the catch-up pass lets go of
// applications that quit and lists the windows of every observed one again. What it finds goes
// to its owner's hooks. Runs on the strip queue, on the state its owner keeps.
class ApplicationWatch {
  public:
    struct Hooks {
        // Runs `block` on the strip queue soon; any thread, also once the owner is gone.
        std::function<void(std::function<void()> block)> run;
        // Runs `block` on the strip queue `seconds` later.
        std::function<void(double seconds, std::function<void()> block)> runAfter;
        // One of an application's window events (strip queue).
        std::function<void(AppObserver::Event event, const AXElementRef& element, std::int32_t pid)>
            windowEvent;
        // Adopts a window; false when it is not tiled.
        std::function<bool(const AXElementRef& element, std::int32_t pid, bool focus)> add;
        std::function<void(std::int32_t pid)> appQuit;
    };

    // How often a launched application is tried again before giving up, and how far apart.
    static constexpr int kLaunchRetries = 9;
    static constexpr double kLaunchRetryDelay = 0.5;
    // An application that could not be observed, or listed its windows slowly, is left out of
    // the catch-up this long.
    static constexpr double kCatchUpBackoff = 30.0;
    static constexpr double kSlowListing = 0.25;

    ApplicationWatch(StripControllerState& state, const StripControllerEnvironment& env,
                     Hooks hooks);

    // Starts observing `app` (or keeps its observer); its windows, none when it cannot be observed.
    std::optional<std::vector<AXElementRef>> observe(const AppRef& app);
    // Observes a launched application and adopts its windows, trying again a while.
    void observeLaunched(const AppRef& app, int attempt);
    // Drops applications that quit, observes ones that were missed, adopts missed windows. True
    // when it ran and found nothing to do: no application came or went, no window was adopted
    // and no application waits out a back-off.
    bool catchUp(const std::vector<AppRef>& running);
    // Adopts every window of the observed applications that is not tiled yet; how many.
    int rescanWindows(bool respectingBackoff);

  private:
    double now() const { return clock_.now(); }

    StripControllerState& state_;
    const StripControllerEnvironment& env_;
    Clock& clock_;
    Hooks hooks_;
    Logger log_;
};

}  // namespace brindlow
