// The simulated desktop: construction, the platform it hands out, input, and its records.

#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

SimDesktop::SimDesktop(VirtualTime& time)
    : time_(time), main_(time, "com.vemto.brindlow.main"), alive_(std::make_shared<bool>(true)) {
    processes_[kOwnPID] = {1, "brindlow"};
    processes_[1] = {0, "init"};
}

SimDesktop::~SimDesktop() = default;

Platform SimDesktop::platform() {
    Platform platform;
    platform.accessibility = this;
    platform.windowList = this;
    platform.workspace = this;
    platform.screens = this;
    platform.processes = this;
    platform.main = &main_;
    platform.clock = &time_.clock();
    VirtualTime* time = &time_;
    platform.makeSerialQueue = [time](const std::string& label) -> std::shared_ptr<Executor> {
        return std::make_shared<ManualExecutor>(*time, label);
    };
    std::weak_ptr<bool> alive = alive_;
    platform.dragButtonDown = [this, alive] { return alive.lock() && leftButtonDown_; };
    platform.pointerActivity = this;
    platform.windowManagerTraits = [this, alive] {
        return alive.lock() ? traits_ : WindowManagerTraits{};
    };
    platform.pointer = [this, alive]() -> std::optional<PointerState> {
        if (!alive.lock() || !pointerLocation_) return std::nullopt;
        return PointerState{*pointerLocation_, leftButtonDown_};
    };
    return platform;
}

void SimDesktop::setLeftMouseButtonDown(bool down) {
    if (leftButtonDown_ != down) handActed();
    leftButtonDown_ = down;
}

void SimDesktop::setPointerLocation(std::optional<Point> location) {
    userActs();
    if (pointerLocation_ != location) handActed();
    pointerLocation_ = location;
    pointerMayHaveEntered();
}

void SimDesktop::handActed() {
    ++handChanges_;
    if (handLatency_ <= 0) {
        lastPointerActivity_ = time_.now();
        handHeard_ = handChanges_;
        return;
    }
    // Heard, with the time it is heard at, after the changes made before it.
    handHeardBy_ = std::max(handHeardBy_, time_.now() + handLatency_);
    std::weak_ptr<bool> alive = alive_;
    main_.asyncAfter(handHeardBy_ - time_.now(), [this, alive] {
        if (!alive.lock()) return;
        lastPointerActivity_ = time_.now();
        ++handHeard_;
        while (!handWaits_.empty() && handWaits_.front().first <= handHeard_) {
            main_.async(std::move(handWaits_.front().second));
            handWaits_.pop_front();
        }
    });
}

bool SimDesktop::afterHeardUpToNow(std::function<void()> then) {
    std::weak_ptr<bool> alive = alive_;
    auto answer = [alive, then = std::move(then)] {
        if (alive.lock()) then();
    };
    if (handHeard_ >= handChanges_)
        main_.async(std::move(answer));
    else
        handWaits_.emplace_back(handChanges_, std::move(answer));
    return true;
}

// ---- records ----

// Whoever may change a record counts as a change, so changeCount() never misses one; reads go
// through the const accessors.
SimDesktop::WindowState& SimDesktop::windowState(WindowID id) {
    ++changes_;
    return *windows_.at(id);
}
const SimDesktop::WindowState& SimDesktop::windowState(WindowID id) const {
    return *windows_.at(id);
}
SimDesktop::AppState& SimDesktop::appState(std::int32_t pid) {
    ++changes_;
    return *apps_.at(pid);
}
const SimDesktop::AppState& SimDesktop::appState(std::int32_t pid) const {
    return *apps_.at(pid);
}

bool SimDesktop::windowAlive(const WindowState& window) const {
    return window.exists && runningApp(window.pid);
}

SimDesktop::AppState* SimDesktop::runningApp(std::int32_t pid) const {
    auto app = apps_.find(pid);
    return app != apps_.end() && app->second->running ? app->second.get() : nullptr;
}

SimDesktop::WindowState* SimDesktop::liveWindow(WindowID id) {
    auto window = windows_.find(id);
    return window != windows_.end() && windowAlive(*window->second) ? window->second.get()
                                                                    : nullptr;
}

AXElementRef SimDesktop::makeWindowElement(WindowID id) {
    return std::make_shared<SimElement>(this, alive_, std::as_const(*this).windowState(id).pid, id);
}

}  // namespace brindlow
