// The simulated desktop's applications (the workspace) and process table.

#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

namespace {
constexpr std::string_view kAppURLScheme = "sim-app://";
}  // namespace

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
    userActs();
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
    userActs();
    ++changes_;
    const AppState* app = runningApp(pid);
    if (!app) return;
    frontmost_ = pid;
    if (app->focused != 0) bringToFront(app->focused);
    postWorkspace(WorkspaceEvent::didActivate, app->info);
}

void SimDesktop::loseFocus() {
    userActs();
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

}  // namespace brindlow
