#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

namespace {
constexpr std::string_view kAppURLScheme = "sim-app://";

std::string derivedUUID(std::uint32_t number) {
    char text[40];
    std::snprintf(text, sizeof text, "5151D000-0000-4000-8000-%012X", number);
    return text;
}

bool originDiffers(const Rect& a, const Rect& b) {
    return a.x != b.x || a.y != b.y;
}
bool sizeDiffers(const Rect& a, const Rect& b) {
    return a.width != b.width || a.height != b.height;
}

// Finishes an element call: records it with the result it returns.
class CallRecorder {
  public:
    CallRecorder(std::vector<SimCall>& calls, SimCall call)
        : calls_(calls), call_(std::move(call)) {}
    AXError operator()(AXError code) {
        call_.result = code;
        calls_.push_back(call_);
        return code;
    }

  private:
    std::vector<SimCall>& calls_;
    SimCall call_;
};

// The failure a test planted for `name`, if any.
std::optional<AXError> plantedFailure(const std::map<std::string, AXError>& failures,
                                      std::string_view name) {
    const auto found = failures.find(std::string(name));
    if (found == failures.end()) return std::nullopt;
    return found->second;
}
}  // namespace

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
    if (leftButtonDown_ != down) lastPointerActivity_ = time_.now();
    leftButtonDown_ = down;
}

void SimDesktop::setPointerLocation(std::optional<Point> location) {
    if (pointerLocation_ != location) lastPointerActivity_ = time_.now();
    pointerLocation_ = location;
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

// ---- displays ----

std::uint32_t SimDesktop::addDisplay(const SimDisplaySpec& spec) {
    SimDisplaySpec display = spec;
    std::uint32_t number = spec.number.value_or(1);
    if (!spec.number) {
        while (displays_.count(number)) ++number;
    }
    display.number = number;
    displays_[number] = display;
    displayOrder_.erase(std::remove(displayOrder_.begin(), displayOrder_.end(), number),
                        displayOrder_.end());
    displayOrder_.push_back(number);
    postScreensChanged();
    return number;
}

void SimDesktop::removeDisplay(std::uint32_t number) {
    if (displays_.erase(number) == 0) return;
    displayOrder_.erase(std::remove(displayOrder_.begin(), displayOrder_.end(), number),
                        displayOrder_.end());
    postScreensChanged();
}

void SimDesktop::setDisplayFrames(std::uint32_t number, const Rect& frame,
                                  const std::optional<Rect>& visible) {
    auto found = displays_.find(number);
    if (found == displays_.end()) return;
    found->second.frame = frame;
    found->second.visible = visible;
    postScreensChanged();
}

std::vector<ScreenInfo> SimDesktop::screens() const {
    std::vector<ScreenInfo> list;
    for (const std::uint32_t number : displayOrder_) {
        const SimDisplaySpec& spec = displays_.at(number);
        ScreenInfo screen;
        if (spec.hasNumber) screen.number = number;
        screen.name = spec.name;
        screen.frame = spec.frame;
        screen.visibleFrame = spec.visible.value_or(spec.frame);
        if (spec.hasUUID) screen.uuid = spec.uuid.value_or(derivedUUID(number));
        screen.refreshRate = spec.refreshRate;
        list.push_back(std::move(screen));
    }
    return list;
}

ObserverToken SimDesktop::addChangeObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    screenObservers_[token] = std::move(handler);
    return token;
}

void SimDesktop::removeChangeObserver(ObserverToken token) {
    screenObservers_.erase(token);
}

void SimDesktop::postScreensChanged() {
    std::weak_ptr<bool> alive = alive_;
    for (const auto& [token, handler] : screenObservers_) {
        const ObserverToken id = token;
        main_.async([this, alive, id] {
            if (!alive.lock()) return;
            auto found = screenObservers_.find(id);
            if (found != screenObservers_.end() && found->second) found->second();
        });
    }
}

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

// ---- applications ----

SimApp SimDesktop::launchApp(const SimAppSpec& spec) {
    ++changes_;
    std::int32_t pid = spec.pid.value_or(nextPID_);
    if (!spec.pid) {
        while (apps_.count(pid) || pid == kOwnPID) ++pid;
        nextPID_ = pid + 1;
    }
    auto app = std::make_unique<AppState>();
    app->pid = pid;
    app->info = RunningApplication{pid, spec.name, spec.bundleID, spec.policy};
    app->enhancedUserInterface = spec.enhancedUserInterface;
    app->icon = spec.icon;
    apps_[pid] = std::move(app);
    launchOrder_.erase(std::remove(launchOrder_.begin(), launchOrder_.end(), pid),
                       launchOrder_.end());
    launchOrder_.push_back(pid);
    processes_[pid] = {1, spec.name.value_or("")};
    postWorkspace(WorkspaceEvent::didLaunch, apps_[pid]->info);
    if (spec.activate) activateApp(pid);
    return SimApp(this, pid);
}

void SimDesktop::quitApp(std::int32_t pid) {
    ++changes_;
    AppState* running = runningApp(pid);
    if (!running) return;
    AppState& app = *running;
    app.running = false;
    for (const WindowID id : app.windows) {
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    }
    launchOrder_.erase(std::remove(launchOrder_.begin(), launchOrder_.end(), pid),
                       launchOrder_.end());
    processes_.erase(pid);
    if (frontmost_ == pid) frontmost_.reset();
    postWorkspace(WorkspaceEvent::didTerminate, app.info);
}

void SimDesktop::activateApp(std::int32_t pid) {
    ++changes_;
    const AppState* app = runningApp(pid);
    if (!app) return;
    frontmost_ = pid;
    if (app->focused != 0) bringToFront(app->focused);
    postWorkspace(WorkspaceEvent::didActivate, app->info);
}

void SimDesktop::loseFocus() {
    ++changes_;
    if (!frontmost_) return;
    const RunningApplication app = appState(*frontmost_).info;
    frontmost_.reset();
    postWorkspace(WorkspaceEvent::didDeactivate, app);
}

void SimDesktop::installApp(const SimAppSpec& spec) {
    if (spec.bundleID) installed_[*spec.bundleID] = spec;
}

std::vector<RunningApplication> SimDesktop::runningApplications() const {
    std::vector<RunningApplication> list;
    for (const std::int32_t pid : launchOrder_) list.push_back(appState(pid).info);
    return list;
}

std::optional<RunningApplication> SimDesktop::frontmostApplication() const {
    if (!frontmost_) return std::nullopt;
    return appState(*frontmost_).info;
}

std::optional<RunningApplication> SimDesktop::application(std::int32_t pid) const {
    const AppState* app = runningApp(pid);
    if (!app) return std::nullopt;
    return app->info;
}

ObserverToken SimDesktop::addObserver(WorkspaceEvent event, Handler handler) {
    const ObserverToken token = nextToken_++;
    workspaceObservers_[token] = {event, std::move(handler)};
    return token;
}

void SimDesktop::removeObserver(ObserverToken token) {
    workspaceObservers_.erase(token);
}

void SimDesktop::postWorkspace(WorkspaceEvent event, const RunningApplication& app) {
    std::weak_ptr<bool> alive = alive_;
    for (const auto& [token, entry] : workspaceObservers_) {
        if (entry.first != event) continue;
        const ObserverToken id = token;
        main_.async([this, alive, id, app] {
            if (!alive.lock()) return;
            auto found = workspaceObservers_.find(id);
            if (found != workspaceObservers_.end() && found->second.second)
                found->second.second(app);
        });
    }
}

std::optional<Image> SimDesktop::applicationIcon(std::int32_t pid) const {
    const AppState* app = runningApp(pid);
    if (!app) return std::nullopt;
    return app->icon;
}

std::optional<Image> SimDesktop::symbolImage(const std::string& name) const {
    if (!symbolImages_) return std::nullopt;
    Image image;
    image.symbolName = name;
    return image;
}

std::optional<std::string> SimDesktop::urlForApplication(const std::string& bundleID) const {
    if (installed_.count(bundleID)) return std::string(kAppURLScheme) + bundleID;
    return std::nullopt;
}

bool SimDesktop::openApplication(const std::string& url) {
    if (url.rfind(kAppURLScheme, 0) != 0) return false;
    auto found = installed_.find(url.substr(kAppURLScheme.size()));
    if (found == installed_.end()) return false;
    for (const std::int32_t pid : launchOrder_) {
        if (appState(pid).info.bundleID == found->first) return true;  // already running
    }
    launchApp(found->second);
    return true;
}

// Nothing is opened here: every URL counts as handed on.
bool SimDesktop::openURL(const std::string& /*url*/) {
    return true;
}

std::optional<std::string> SimDesktop::desktopImagePath(std::uint32_t screenNumber) const {
    if (!displays_.count(screenNumber)) return std::nullopt;
    return "/sim/desktop-" + std::to_string(screenNumber) + ".png";
}

// ---- processes ----

void SimDesktop::setProcess(std::int32_t pid, std::int32_t parent, const std::string& name) {
    processes_[pid] = {parent, name};
}

std::optional<std::int32_t> SimDesktop::parentProcessID(std::int32_t pid) const {
    auto found = processes_.find(pid);
    if (found == processes_.end()) return std::nullopt;
    return found->second.first;
}

std::optional<std::string> SimDesktop::processName(std::int32_t pid) const {
    auto found = processes_.find(pid);
    if (found == processes_.end()) return std::nullopt;
    return found->second.second;
}

// ---- windows ----

SimWindow SimDesktop::openWindow(const SimApp& owner, const SimWindowSpec& spec) {
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
    window->frameBeforeMaximized = spec.frame;
    window->latency = spec.latency;
    windows_[id] = std::move(window);
    app.windows.push_back(id);
    zOrder_.insert(zOrder_.begin(), id);
    if (spec.notify) notify(app.pid, 0, id, ax::windowCreatedNotification);
    if (spec.focus) setFocusedWindow(app, id, spec.notify);
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

// ---- accessibility ----

bool SimDesktop::isProcessTrusted(bool) {
    return trusted_;
}

std::optional<std::vector<FrameWriteResult>> SimDesktop::setFrames(
    std::span<const FrameWrite> writes, double) {
    if (!batchWrites_) return std::nullopt;
    const auto readFrame = [](const AXElementRef& element) -> std::optional<Rect> {
        AXValue position, size;
        if (element->copyAttributeValue(ax::position, position) != axerror::success ||
            element->copyAttributeValue(ax::size, size) != axerror::success)
            return std::nullopt;
        const Point* origin = std::get_if<Point>(&position);
        const Size* extent = std::get_if<Size>(&size);
        if (!origin || !extent) return std::nullopt;
        return Rect(*origin, *extent);
    };
    std::vector<FrameWriteResult> results;
    for (const FrameWrite& write : writes) {
        FrameWriteResult result;
        result.before = readFrame(write.element);
        const bool resizes = !result.before || result.before->size() != write.frame.size();
        const auto keep = [&](AXError code) {
            if (result.error == axerror::success) result.error = code;
        };
        if (resizes) keep(write.element->setAttributeValue(ax::size, write.frame.size()));
        keep(write.element->setAttributeValue(ax::position, write.frame.origin()));
        if (resizes) keep(write.element->setAttributeValue(ax::size, write.frame.size()));
        result.written = true;
        result.after = readFrame(write.element);
        results.push_back(result);
    }
    return results;
}

AXElementRef SimDesktop::applicationElement(std::int32_t pid) {
    return std::make_shared<SimElement>(this, alive_, pid, 0);
}

AXError SimDesktop::createObserver(std::int32_t pid, AXObserverCallback callback,
                                   std::shared_ptr<AXObserver>& observer) {
    if (!trusted_) return axerror::apiDisabled;
    auto created = std::make_shared<SimObserver>(this, alive_, pid, std::move(callback));
    observers_[pid].push_back(created);
    observer = created;
    return axerror::success;
}

bool SimDesktop::spend(std::int32_t pid, WindowID window, double timeout) {
    double latency = 0;
    if (auto app = apps_.find(pid); app != apps_.end()) latency = app->second->latency;
    if (window != 0) {
        if (auto found = windows_.find(window);
            found != windows_.end() && found->second->latency >= 0) {
            latency = found->second->latency;
        }
    }
    if (latency <= 0) return true;
    if (latency > timeout) {
        time_.clock().advance(timeout);
        return false;
    }
    time_.clock().advance(latency);
    return true;
}

AXError SimDesktop::readAttribute(std::int32_t pid, WindowID window, std::string_view name,
                                  AXValue& value, double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::read, pid, window, std::string(name), {}, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        AppState& state = *app;
        if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
        if (name == ax::role) {
            value = std::string(ax::applicationRole);
        } else if (name == ax::title) {
            if (!state.info.localizedName) return finish(axerror::noValue);
            value = *state.info.localizedName;
        } else if (name == ax::windows || name == ax::children) {
            if (!state.windowsReadable) return finish(axerror::cannotComplete);
            std::vector<AXElementRef> list;
            for (const WindowID id : state.windows) {
                if (std::as_const(*this).windowState(id).exists)
                    list.push_back(makeWindowElement(id));
            }
            value = std::move(list);
        } else if (name == ax::focusedWindow || name == ax::mainWindow) {
            if (state.focused == 0 || !std::as_const(*this).windowState(state.focused).exists)
                return finish(axerror::noValue);
            value = makeWindowElement(state.focused);
        } else if (name == ax::frontmost) {
            value = frontmost_ == pid;
        } else if (name == ax::hidden) {
            value = false;
        } else if (name == ax::enhancedUserInterface) {
            if (!state.enhancedUserInterface) return finish(axerror::attributeUnsupported);
            value = *state.enhancedUserInterface;
        } else {
            return finish(axerror::attributeUnsupported);
        }
        return finish(axerror::success);
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    WindowState& state = *found;
    if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
    const auto optionalText = [&](const std::optional<std::string>& text) {
        if (!text) return axerror::noValue;
        value = *text;
        return axerror::success;
    };
    if (name == ax::role) return finish(optionalText(state.role));
    if (name == ax::subrole) return finish(optionalText(state.subrole));
    if (name == ax::title) return finish(optionalText(state.title));
    if (name == ax::position) {
        if (!state.positionReadable) return finish(axerror::noValue);
        value = state.frame.origin();
    } else if (name == ax::size) {
        if (!state.sizeReadable) return finish(axerror::noValue);
        value = state.frame.size();
    } else if (name == ax::minimized) {
        value = state.minimized;
    } else if (name == ax::away) {
        value = state.away;
    } else if (name == ax::fullScreen) {
        value = state.fullScreen;
    } else if (name == ax::maximized) {
        value = state.maximized;
    } else if (name == ax::main || name == ax::focused) {
        value = std::as_const(*this).appState(pid).focused == window;
    } else {
        return finish(axerror::attributeUnsupported);
    }
    return finish(axerror::success);
}

AXError SimDesktop::settable(std::int32_t pid, WindowID window, std::string_view name, bool& result,
                             double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::settable, pid, window, std::string(name), {}, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        result = name == ax::frontmost ||
                 (name == ax::enhancedUserInterface && app->enhancedUserInterface);
        return finish(axerror::success);
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    const WindowState& state = *found;
    if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
    if (name == ax::size) {
        result = state.sizeSettable;
    } else if (name == ax::position) {
        result = state.positionSettable;
    } else {
        result = name == ax::minimized || name == ax::fullScreen || name == ax::maximized ||
                 name == ax::main || name == ax::focused;
    }
    return finish(axerror::success);
}

AXError SimDesktop::writeAttribute(std::int32_t pid, WindowID window, std::string_view name,
                                   const AXValue& value, double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::write, pid, window, std::string(name), value, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        return finish(applyAppWrite(*app, name, value));
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    WindowState& state = *found;
    state.writes.push_back(std::string(name));
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    if (state.vanishAfterWrites == 0) {
        destroyWindow(state, true);
        return finish(axerror::invalidElement);
    }
    if (state.vanishAfterWrites > 0) --state.vanishAfterWrites;
    const AXError code = applyWindowWrite(state, name, value);
    finish(code);
    if (code == axerror::success && state.onWrite) {
        auto hook = state.onWrite;
        hook(SimWindow(this, window), std::string(name));
    }
    return code;
}

AXError SimDesktop::applyWindowWrite(WindowState& window, std::string_view name,
                                     const AXValue& value) {
    ++changes_;
    if (const auto failure = plantedFailure(window.writeFailures, name)) return *failure;
    if (name == ax::stackedAbove) {
        const auto* sibling = std::get_if<AXElementRef>(&value);
        if (!sibling || !*sibling) return axerror::illegalArgument;
        const auto above = std::find(zOrder_.begin(), zOrder_.end(), (*sibling)->identity());
        if (above == zOrder_.end()) return axerror::invalidElement;
        const WindowID id = window.id;
        const WindowID siblingID = *above;
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
        zOrder_.insert(std::find(zOrder_.begin(), zOrder_.end(), siblingID), id);
        postStackingChanged();
        return axerror::success;
    }
    if (name == ax::position) {
        const Point* point = std::get_if<Point>(&value);
        if (!point || !std::isfinite(point->x) || !std::isfinite(point->y))
            return axerror::illegalArgument;
        if (!window.positionSettable) return axerror::attributeUnsupported;
        if (window.ignoreMoves || window.fullScreen || window.maximized) return axerror::success;
        setWindowFrame(window, Rect(*point, window.frame.size()));
        return axerror::success;
    }
    if (name == ax::size) {
        const Size* size = std::get_if<Size>(&value);
        if (!size || !std::isfinite(size->width) || !std::isfinite(size->height)) {
            return axerror::illegalArgument;
        }
        if (!window.sizeSettable) return axerror::attributeUnsupported;
        if (window.refuseSizes || window.fullScreen || window.maximized) return axerror::success;
        const Size kept{
            std::clamp(size->width, window.minimumSize.width, window.maximumSize.width),
            std::clamp(size->height, window.minimumSize.height, window.maximumSize.height)};
        setWindowFrame(window, Rect(window.frame.origin(), kept));
        return axerror::success;
    }
    const bool* flag = std::get_if<bool>(&value);
    if (name == ax::minimized) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).minimize(*flag);
        return axerror::success;
    }
    if (name == ax::fullScreen) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).setFullScreen(*flag);
        return axerror::success;
    }
    if (name == ax::maximized) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).setMaximized(*flag);
        return axerror::success;
    }
    if (name == ax::main || name == ax::focused) {
        if (!flag) return axerror::illegalArgument;
        if (*flag) setFocusedWindow(appState(window.pid), window.id, true);
        return axerror::success;
    }
    return axerror::attributeUnsupported;
}

AXError SimDesktop::applyAppWrite(AppState& app, std::string_view name, const AXValue& value) {
    ++changes_;
    if (const auto failure = plantedFailure(app.writeFailures, name)) return *failure;
    const bool* flag = std::get_if<bool>(&value);
    if (name == ax::frontmost) {
        if (!flag) return axerror::illegalArgument;
        if (*flag && frontmost_ != app.pid) activateApp(app.pid);
        return axerror::success;
    }
    if (name == ax::enhancedUserInterface) {
        if (!app.enhancedUserInterface) return axerror::attributeUnsupported;
        if (!flag) return axerror::illegalArgument;
        app.enhancedUserInterface = *flag;
        return axerror::success;
    }
    return axerror::attributeUnsupported;
}

AXError SimDesktop::action(std::int32_t pid, WindowID window, std::string_view name,
                           double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::action, pid, window, std::string(name), {}, 0});
    if (window == 0)
        return finish(runningApp(pid) ? axerror::actionUnsupported : axerror::cannotComplete);
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    WindowState& state = *found;
    if (const auto failure = plantedFailure(state.actionFailures, name)) return finish(*failure);
    if (name == ax::lowerAction) {
        sendToBack(window);
        return finish(axerror::success);
    }
    if (name != ax::raiseAction) return finish(axerror::actionUnsupported);
    bringToFront(window);
    return finish(axerror::success);
}

}  // namespace brindlow
