#include "controller/ApplicationWatch.h"

#include <set>

#include "windows/AX.h"

namespace brindlow {

ApplicationWatch::ApplicationWatch(StripControllerState& state,
                                   const StripControllerEnvironment& env, Hooks hooks)
    : state_(state),
      env_(env),
      clock_(*env.platform.clock),
      hooks_(std::move(hooks)),
      log_(makeLogger("StripController")) {}

std::optional<std::vector<AXElementRef>> ApplicationWatch::observe(const AppRef& app) {
    std::shared_ptr<AppObserver> observer;
    const auto existing = state_.observers.find(app.pid);
    if (existing != state_.observers.end()) {
        observer = existing->second;
    } else {
        AXElementRef element = env_.platform.accessibility->applicationElement(app.pid);
        element->setMessagingTimeout(1.0);
        const std::int32_t pid = app.pid;
        // Events arrive on other threads; `run` does nothing once the owner is gone, and the
        // watch lives as long as its owner.
        auto handler = [run = hooks_.run, this, pid](AppObserver::Event event,
                                                     const AXElementRef& subject) {
            run([this, event, subject, pid] { hooks_.windowEvent(event, subject, pid); });
        };
        observer = AppObserver::create(app.pid, element, std::move(handler), env_.platform);
        if (!observer->start()) return std::nullopt;
    }
    state_.observers[app.pid] = observer;
    state_.apps[app.pid] = app;
    std::vector<AXElementRef> windows =
        AppObserver::windows(observer->appElement()).value_or(std::vector<AXElementRef>{});
    if (observer->isObserving())
        for (const AXElementRef& window : windows) observer->watch(window);
    return windows;
}

void ApplicationWatch::observeLaunched(const AppRef& app, int attempt) {
    if (state_.observers.contains(app.pid)) return;
    if (const std::optional<std::vector<AXElementRef>> windows = observe(app)) {
        log_.info("Observing %{public}s", app.name);
        for (const AXElementRef& window : *windows) hooks_.add(window, app.pid, true);
        return;
    }
    if (attempt <= kLaunchRetries) {
        hooks_.runAfter(kLaunchRetryDelay,
                        [this, app, attempt] { observeLaunched(app, attempt + 1); });
    } else {
        log_.error("Gave up observing %{public}s", app.name);
    }
}

bool ApplicationWatch::catchUp(const std::vector<AppRef>& running) {
    if (!state_.started || state_.paused || state_.swipedDisplay() || state_.anyDisplayAnimating())
        return false;

    std::set<std::int32_t> runningPIDs;
    for (const AppRef& app : running) runningPIDs.insert(app.pid);
    std::vector<std::int32_t> quit;
    for (const auto& [pid, app] : state_.apps)
        if (!runningPIDs.contains(pid)) quit.push_back(pid);
    for (const std::int32_t pid : quit) hooks_.appQuit(pid);

    const double time = now();
    std::erase_if(state_.catchUpBackoff, [&](const auto& entry) {
        return !runningPIDs.contains(entry.first) || entry.second <= time;
    });
    bool observedAny = false;
    for (const AppRef& app : running) {
        if (state_.observers.contains(app.pid) || state_.catchUpBackoff.contains(app.pid)) continue;
        observedAny = true;
        const std::optional<std::vector<AXElementRef>> windows = observe(app);
        if (!windows) {
            state_.catchUpBackoff[app.pid] = time + kCatchUpBackoff;
            continue;
        }
        log_.info("Catch-up: now observing %{public}s", app.name);
        for (const AXElementRef& window : *windows) hooks_.add(window, app.pid, false);
    }
    const int adopted = rescanWindows(true);
    if (adopted > 0) log_.info("Catch-up: arranged %ld window(s) that were missed", long(adopted));
    return quit.empty() && !observedAny && adopted == 0 && state_.catchUpBackoff.empty();
}

int ApplicationWatch::rescanWindows(bool respectingBackoff) {
    int count = 0;
    // A pause is judged against the start of the pass, not against the time slow listings
    // before it have used up.
    const double passStart = now();
    // A copy: adopting lays the strip out again, which may drop vanished windows' applications.
    const auto observers = state_.observers;
    for (const auto& [pid, observer] : observers) {
        if (respectingBackoff) {
            const auto backoff = state_.catchUpBackoff.find(pid);
            if (backoff != state_.catchUpBackoff.end() && backoff->second > passStart) continue;
        }
        const double started = now();
        const std::optional<std::vector<AXElementRef>> listing =
            AX::elementsAttribute(observer->appElement(), ax::windows);
        const std::vector<AXElementRef> windows = listing.value_or(std::vector<AXElementRef>{});
        std::set<WindowID> listed;
        for (const AXElementRef& window : windows) {
            if (window) listed.insert(window->identity());
            if (hooks_.add(window, pid, false)) ++count;
        }
        // A listing that failed says nothing about which windows are gone.
        if (listing) state_.verdicts.keepOnly(pid, listed);
        if (respectingBackoff && now() - started > kSlowListing)
            state_.catchUpBackoff[pid] = now() + kCatchUpBackoff;
    }
    return count;
}

}  // namespace brindlow
