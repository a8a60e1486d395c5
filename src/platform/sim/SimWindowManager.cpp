// The simulated window manager's timing: our requests answered late and out of order, the user's
// actions after the requests sent before them, and the focus a window takes when it comes under a
// resting pointer.

#include <algorithm>
#include <utility>

#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimState.h"

namespace brindlow {

void SimDesktop::setWindowManagerTiming(SimWindowManagerTiming timing) {
    timing_ = std::move(timing);
    timingRandom_.seed(timing_.seed);
    underPointer_ = windowUnderPointer();
}

std::optional<WindowID> SimDesktop::activeWindow() const {
    if (!frontmost_) return std::nullopt;
    const AppState* app = runningApp(*frontmost_);
    if (!app || app->focused == 0) return std::nullopt;
    const WindowState& window = windowState(app->focused);
    if (!windowAlive(window) || window.minimized || window.away) return std::nullopt;
    return window.id;
}

bool SimDesktop::deferred(SimRequestKind kind, std::function<void()> request) {
    if (answering_ || !timing_.on()) return false;
    double delay = timing_.of(kind);
    if (timing_.spread > 0)
        delay += std::uniform_real_distribution<double>(0, timing_.spread)(timingRandom_);
    if (delay <= 0) return false;
    // One client's requests of a kind are read in the order they came: the spread delays an
    // answer, never past a later one of its kind. Answers of different kinds overtake each other.
    double due = time_.now() + delay;
    if (const auto last = lastDue_.find(kind); last != lastDue_.end())
        due = std::max(due, last->second);
    lastDue_[kind] = due;
    delay = due - time_.now();
    pending_.push_back({due, ++requestOrder_, std::move(request)});
    std::weak_ptr<bool> alive = alive_;
    main_.asyncAfter(delay, [this, alive] {
        if (alive.lock()) answerUntil(time_.now());
    });
    return true;
}

void SimDesktop::answerUntil(double time) {
    if (answering_) return;
    for (;;) {
        auto next = std::min_element(pending_.begin(), pending_.end(), [](auto& a, auto& b) {
            return std::pair(a.due, a.order) < std::pair(b.due, b.order);
        });
        if (next == pending_.end() || next->due > time) return;
        std::function<void()> request = std::move(next->request);
        pending_.erase(next);
        answering_ = true;
        request();
        answering_ = false;
        pointerMayHaveEntered();
    }
}

void SimDesktop::userActs() {
    if (answering_) return;
    // The window manager has read every request sent before the user's action.
    double last = time_.now();
    for (const PendingRequest& request : pending_) last = std::max(last, request.due);
    answerUntil(last);
}

void SimDesktop::asWindowManager(const std::function<void()>& change) {
    const bool was = answering_;
    answering_ = true;
    change();
    answering_ = was;
}

WindowID SimDesktop::windowUnderPointer() const {
    if (!pointerLocation_) return 0;
    for (const WindowID id : zOrder_) {
        const WindowState& window = windowState(id);
        if (!windowAlive(window) || window.minimized || window.away || window.layer != 0) continue;
        if (window.frame.contains(*pointerLocation_)) return id;
    }
    return 0;
}

void SimDesktop::pointerMayHaveEntered() {
    if (!timing_.on() || traits_.focusModel != FocusModel::followsPointer) return;
    const WindowID under = windowUnderPointer();
    if (under == underPointer_) return;
    underPointer_ = under;
    // Sloppy focus: the pointer over no window leaves the focus where it was.
    if (under == 0) return;
    const auto focusEntered = [this, under] {
        WindowState* window = liveWindow(under);
        if (!window || window->minimized || window->away || windowUnderPointer() != under) return;
        focusAsWindowManager(*window);
    };
    if (!deferred(SimRequestKind::activate, focusEntered)) asWindowManager(focusEntered);
}

void SimDesktop::afterOurMove() {
    if (!deferred(SimRequestKind::moveResize, [] {})) pointerMayHaveEntered();
}

void SimDesktop::focusAsWindowManager(WindowState& window) {
    bringToFront(window.id);
    AppState& app = appState(window.pid);
    setFocusedWindow(app, window.id, true);
    if (frontmost_ != app.pid) activateApp(app.pid);
}

void SimDesktop::focusNextIfActiveLeft(bool wasActive) {
    if (!timing_.on() || !wasActive) return;
    const auto focusNext = [this] {
        if (activeWindow()) return;
        for (const WindowID id : zOrder_) {
            WindowState& window = *windows_.at(id);
            if (!windowAlive(window) || window.minimized || window.away || window.layer != 0)
                continue;
            focusAsWindowManager(window);
            return;
        }
    };
    if (!deferred(SimRequestKind::activate, focusNext)) asWindowManager(focusNext);
}

}  // namespace brindlow
