// The simulated desktop's windows: opening, stacking, focus, frames, notifications and the window
// list.

#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

namespace {
bool originDiffers(const Rect& a, const Rect& b) {
    return a.x != b.x || a.y != b.y;
}
bool sizeDiffers(const Rect& a, const Rect& b) {
    return a.width != b.width || a.height != b.height;
}
}  // namespace

ObserverToken SimDesktop::addStackingObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    stackingObservers_[token] = std::move(handler);
    return token;
}

void SimDesktop::removeStackingObserver(ObserverToken token) {
    stackingObservers_.erase(token);
}

void SimDesktop::postStackingChanged() {
    std::weak_ptr<bool> alive = alive_;
    for (const auto& [token, handler] : stackingObservers_) {
        const ObserverToken id = token;
        main_.async([this, alive, id] {
            if (!alive.lock()) return;
            auto found = stackingObservers_.find(id);
            if (found != stackingObservers_.end() && found->second) found->second();
        });
    }
}

// ---- windows ----

SimWindow SimDesktop::openWindow(const SimApp& owner, const SimWindowSpec& spec) {
    userActs();
    ++changes_;
    AppState& app = appState(owner.pid());
    auto window = std::make_unique<WindowState>();
    const WindowID id = nextWindowID_++;
    window->id = id;
    window->number = nextNumber_++;
    window->pid = app.pid;
    window->exists = app.running;
    window->title = spec.title;
    window->role = spec.role;
    window->subrole = spec.subrole;
    window->frame = spec.frame;
    window->sizeSettable = spec.sizeSettable;
    window->positionSettable = spec.positionSettable;
    window->minimumSize = spec.minimumSize;
    window->maximumSize = spec.maximumSize;
    window->layer = spec.layer;
    window->minimized = spec.minimized;
    window->fullScreen = spec.fullScreen;
    window->frameBeforeFullScreen = spec.frame;
    window->maximized = spec.maximized;
    window->margin = spec.margin;
    window->frameBeforeMaximized = spec.frame;
    window->latency = spec.latency;
    windows_[id] = std::move(window);
    app.windows.push_back(id);
    zOrder_.insert(zOrder_.begin(), id);
    if (spec.notify) notify(app.pid, 0, id, ax::windowCreatedNotification);
    // The window manager gives a new window the focus a moment after mapping it.
    const auto focusNew = [this, id] {
        if (WindowState* opened = liveWindow(id)) focusAsWindowManager(*opened);
    };
    if (spec.focus && timing_.on()) {
        if (!deferred(SimRequestKind::activate, focusNew)) asWindowManager(focusNew);
    } else if (spec.focus) {
        setFocusedWindow(app, id, spec.notify);
    }
    pointerMayHaveEntered();
    return SimWindow(this, id);
}

void SimDesktop::postEvent(const SimWindow& window, const std::string& notification) {
    const WindowState& state = windowState(window.id());
    const bool appLevel = notification == ax::windowCreatedNotification ||
                          notification == ax::focusedWindowChangedNotification;
    notify(state.pid, appLevel ? 0 : state.id, state.id, notification);
}

void SimDesktop::bringToFront(WindowID id) {
    auto found = std::find(zOrder_.begin(), zOrder_.end(), id);
    if (found == zOrder_.end()) return;
    zOrder_.erase(found);
    zOrder_.insert(zOrder_.begin(), id);
    postStackingChanged();
}

void SimDesktop::sendToBack(WindowID id) {
    auto found = std::find(zOrder_.begin(), zOrder_.end(), id);
    if (found == zOrder_.end()) return;
    zOrder_.erase(found);
    zOrder_.push_back(id);
    postStackingChanged();
}

void SimDesktop::destroyWindow(WindowState& window, bool notifyObservers) {
    ++changes_;
    if (!window.exists) return;
    window.exists = false;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), window.id), zOrder_.end());
    if (auto app = apps_.find(window.pid);
        app != apps_.end() && app->second->focused == window.id) {
        app->second->focused = 0;
    }
    if (notifyObservers) notify(window.pid, window.id, window.id, ax::elementDestroyedNotification);
}

void SimDesktop::setFocusedWindow(AppState& app, WindowID id, bool notifyObservers) {
    if (app.focused == id) return;
    app.focused = id;
    if (notifyObservers) notify(app.pid, 0, id, ax::focusedWindowChangedNotification);
}

void SimDesktop::setWindowFrame(WindowState& window, const Rect& frame) {
    ++changes_;
    const Rect old = window.frame;
    window.frame = frame;
    if (originDiffers(old, frame)) notifyWindow(window, ax::windowMovedNotification);
    if (sizeDiffers(old, frame)) notifyWindow(window, ax::windowResizedNotification);
}

void SimDesktop::notifyWindow(WindowState& window, std::string_view notification) {
    notify(window.pid, window.id, window.id, notification);
}

void SimDesktop::notify(std::int32_t pid, WindowID target, WindowID subject,
                        std::string_view notification) {
    auto found = observers_.find(pid);
    if (found == observers_.end()) return;
    if (!runningApp(pid)) return;
    auto& list = found->second;
    std::erase_if(list, [](const std::weak_ptr<SimObserver>& weak) { return weak.expired(); });
    for (const auto& weak : list) {
        auto observer = weak.lock();
        if (!observer->isScheduled() || !observer->wants(target, notification)) continue;
        AXElementRef element = subject != 0 ? makeWindowElement(subject) : applicationElement(pid);
        std::weak_ptr<SimObserver> receiver = observer;
        main_.async([receiver, element, name = std::string(notification)] {
            // A source removed from the main thread delivers nothing more.
            if (auto listener = receiver.lock(); listener && listener->isScheduled())
                listener->fire(element, name);
        });
    }
}

size_t SimDesktop::liveObserverCount(std::int32_t pid) const {
    auto found = observers_.find(pid);
    if (found == observers_.end()) return 0;
    size_t count = 0;
    for (const auto& weak : found->second) {
        if (auto observer = weak.lock(); observer && observer->isScheduled()) ++count;
    }
    return count;
}

std::vector<WindowListEntry> SimDesktop::onScreenWindows() const {
    std::vector<WindowListEntry> list;
    for (const WindowID id : zOrder_) {
        const WindowState& window = windowState(id);
        if (!windowAlive(window) || window.minimized || window.away) continue;
        const AppState& app = appState(window.pid);
        list.push_back(WindowListEntry{
            window.number, window.pid, window.layer, window.serverBounds.value_or(window.frame),
            app.info.localizedName.value_or(""), window.title.value_or(""), id});
    }
    return list;
}

}  // namespace brindlow
