#include <algorithm>

#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimState.h"

namespace brindlow {

// ---- SimWindow ----

std::int32_t SimWindow::pid() const {
    return desktop_->windowState(id_).pid;
}
std::uint32_t SimWindow::number() const {
    return desktop_->windowState(id_).number;
}
bool SimWindow::exists() const {
    return desktop_->windowAlive(desktop_->windowState(id_));
}
AXElementRef SimWindow::element() const {
    return desktop_->makeWindowElement(id_);
}
Rect SimWindow::frame() const {
    return desktop_->windowState(id_).frame;
}
std::optional<std::string> SimWindow::title() const {
    return desktop_->windowState(id_).title;
}
bool SimWindow::isAway() const {
    return desktop_->windowState(id_).away;
}

bool SimWindow::isMinimized() const {
    return desktop_->windowState(id_).minimized;
}
bool SimWindow::isFullScreen() const {
    return desktop_->windowState(id_).fullScreen;
}
bool SimWindow::isMaximized() const {
    return desktop_->windowState(id_).maximized;
}

bool SimWindow::isFocused() const {
    const auto& state = desktop_->windowState(id_);
    return desktop_->appState(state.pid).focused == id_;
}

std::vector<std::string> SimWindow::writes() const {
    return desktop_->windowState(id_).writes;
}
void SimWindow::clearWrites() const {
    desktop_->windowState(id_).writes.clear();
}

const SimWindow& SimWindow::setFrame(const Rect& frame) const {
    desktop_->userActs();
    auto& state = desktop_->windowState(id_);
    if (desktop_->windowAlive(state)) desktop_->setWindowFrame(state, frame);
    desktop_->pointerMayHaveEntered();
    return *this;
}

const SimWindow& SimWindow::setTitle(const std::optional<std::string>& title) const {
    auto& state = desktop_->windowState(id_);
    if (state.title == title) return *this;
    state.title = title;
    if (desktop_->windowAlive(state)) desktop_->notifyWindow(state, ax::titleChangedNotification);
    return *this;
}

const SimWindow& SimWindow::minimize(bool minimized) const {
    desktop_->userActs();
    auto& state = desktop_->windowState(id_);
    if (state.minimized == minimized || !desktop_->windowAlive(state)) return *this;
    const bool wasActive = desktop_->activeWindow() == id_;
    state.minimized = minimized;
    desktop_->notifyWindow(state, minimized ? ax::windowMiniaturizedNotification
                                            : ax::windowDeminiaturizedNotification);
    desktop_->focusNextIfActiveLeft(wasActive && minimized);
    desktop_->pointerMayHaveEntered();
    return *this;
}

const SimWindow& SimWindow::setAway(bool away) const {
    desktop_->userActs();
    auto& state = desktop_->windowState(id_);
    if (state.away == away || !desktop_->windowAlive(state)) return *this;
    const bool wasActive = desktop_->activeWindow() == id_;
    state.away = away;
    desktop_->notifyWindow(state, away ? ax::windowAwayNotification : ax::windowBackNotification);
    desktop_->focusNextIfActiveLeft(wasActive && away);
    desktop_->pointerMayHaveEntered();
    return *this;
}

const SimWindow& SimWindow::setFullScreen(bool on) const {
    desktop_->userActs();
    auto& state = desktop_->windowState(id_);
    if (state.fullScreen == on || !desktop_->windowAlive(state)) return *this;
    Rect target = state.frameBeforeFullScreen;
    if (on) {
        state.frameBeforeFullScreen = state.frame;
        target = state.frame;
        // The display under the window's centre, else the primary one.
        const Point center{state.frame.midX(), state.frame.midY()};
        const std::vector<ScreenInfo> screens = desktop_->screens();
        if (!screens.empty()) target = screens.front().frame;
        for (const ScreenInfo& screen : screens) {
            if (screen.frame.contains(center)) {
                target = screen.frame;
                break;
            }
        }
    }
    state.fullScreen = false;  // so the frame change goes through
    desktop_->setWindowFrame(state, target);
    state.fullScreen = on;
    return *this;
}

const SimWindow& SimWindow::setMaximized(bool on) const {
    auto& state = desktop_->windowState(id_);
    if (state.maximized == on || !desktop_->windowAlive(state)) return *this;
    Rect target = state.frameBeforeMaximized;
    if (on) {
        state.frameBeforeMaximized = state.frame;
        const Point center{state.frame.midX(), state.frame.midY()};
        const std::vector<ScreenInfo> screens = desktop_->screens();
        target = screens.empty() ? state.frame : screens.front().visibleFrame;
        for (const ScreenInfo& screen : screens)
            if (screen.frame.contains(center)) target = screen.visibleFrame;
    }
    state.maximized = false;  // so the frame change goes through
    desktop_->setWindowFrame(state, target);
    state.maximized = on;
    desktop_->notifyWindow(state, ax::windowMaximizedChangedNotification);
    return *this;
}

const SimWindow& SimWindow::focus() const {
    desktop_->userActs();
    auto& state = desktop_->windowState(id_);
    if (!desktop_->windowAlive(state)) return *this;
    desktop_->bringToFront(id_);
    desktop_->setFocusedWindow(desktop_->appState(state.pid), id_, true);
    return *this;
}

const SimWindow& SimWindow::raise() const {
    desktop_->userActs();
    desktop_->bringToFront(id_);
    desktop_->pointerMayHaveEntered();
    return *this;
}

void SimWindow::close() const {
    desktop_->userActs();
    const bool wasActive = desktop_->activeWindow() == id_;
    desktop_->destroyWindow(desktop_->windowState(id_), true);
    desktop_->focusNextIfActiveLeft(wasActive);
    desktop_->pointerMayHaveEntered();
}

const SimWindow& SimWindow::setSizeSettable(bool settable) const {
    desktop_->windowState(id_).sizeSettable = settable;
    return *this;
}

const SimWindow& SimWindow::setGeometryReadable(bool position, bool size) const {
    auto& state = desktop_->windowState(id_);
    state.positionReadable = position;
    state.sizeReadable = size;
    return *this;
}

const SimWindow& SimWindow::setLayer(std::int32_t layer) const {
    desktop_->windowState(id_).layer = layer;
    return *this;
}

const SimWindow& SimWindow::setServerBounds(const std::optional<Rect>& bounds) const {
    desktop_->windowState(id_).serverBounds = bounds;
    return *this;
}

const SimWindow& SimWindow::setMinimumSize(Size size) const {
    desktop_->windowState(id_).minimumSize = size;
    return *this;
}

const SimWindow& SimWindow::setMaximumSize(Size size) const {
    desktop_->windowState(id_).maximumSize = size;
    return *this;
}

const SimWindow& SimWindow::refuseSizes(bool refuse) const {
    desktop_->windowState(id_).refuseSizes = refuse;
    return *this;
}

const SimWindow& SimWindow::ignoreMoves(bool ignore) const {
    desktop_->windowState(id_).ignoreMoves = ignore;
    return *this;
}

const SimWindow& SimWindow::setLatency(double seconds) const {
    desktop_->windowState(id_).latency = seconds;
    return *this;
}

const SimWindow& SimWindow::failWrites(const std::string& attribute, AXError code) const {
    desktop_->windowState(id_).writeFailures[attribute] = code;
    return *this;
}

const SimWindow& SimWindow::failReads(const std::string& attribute, AXError code) const {
    desktop_->windowState(id_).readFailures[attribute] = code;
    return *this;
}

const SimWindow& SimWindow::failAction(const std::string& action, AXError code) const {
    desktop_->windowState(id_).actionFailures[action] = code;
    return *this;
}

const SimWindow& SimWindow::clearFailures() const {
    auto& state = desktop_->windowState(id_);
    state.readFailures.clear();
    state.writeFailures.clear();
    state.actionFailures.clear();
    state.vanishAfterWrites = -1;
    return *this;
}

const SimWindow& SimWindow::vanishAfterWrites(int writes) const {
    desktop_->windowState(id_).vanishAfterWrites = std::max(0, writes);
    return *this;
}

const SimWindow& SimWindow::onWrite(
    std::function<void(const SimWindow&, const std::string&)> hook) const {
    desktop_->windowState(id_).onWrite = std::move(hook);
    return *this;
}

// ---- SimApp ----

bool SimApp::isRunning() const {
    return desktop_->appState(pid_).running;
}
AXElementRef SimApp::element() const {
    return desktop_->applicationElement(pid_);
}

std::vector<SimWindow> SimApp::windows() const {
    std::vector<SimWindow> list;
    for (const WindowID id : desktop_->appState(pid_).windows) {
        if (desktop_->windowState(id).exists) list.emplace_back(desktop_, id);
    }
    return list;
}

std::optional<bool> SimApp::enhancedUserInterface() const {
    return desktop_->appState(pid_).enhancedUserInterface;
}

const SimApp& SimApp::activate() const {
    desktop_->activateApp(pid_);
    return *this;
}

void SimApp::quit() const {
    desktop_->quitApp(pid_);
}

const SimApp& SimApp::setLatency(double seconds) const {
    desktop_->appState(pid_).latency = seconds;
    return *this;
}

const SimApp& SimApp::refuseRegistrations(int count, AXError code) const {
    auto& state = desktop_->appState(pid_);
    state.refusedRegistrations = count;
    state.refusalCode = code;
    return *this;
}

const SimApp& SimApp::failWrites(const std::string& attribute, AXError code) const {
    desktop_->appState(pid_).writeFailures[attribute] = code;
    return *this;
}

const SimApp& SimApp::failReads(const std::string& attribute, AXError code) const {
    desktop_->appState(pid_).readFailures[attribute] = code;
    return *this;
}

const SimApp& SimApp::setEnhancedUserInterface(std::optional<bool> value) const {
    desktop_->appState(pid_).enhancedUserInterface = value;
    return *this;
}

const SimApp& SimApp::setWindowsReadable(bool readable) const {
    desktop_->appState(pid_).windowsReadable = readable;
    return *this;
}

}  // namespace brindlow
