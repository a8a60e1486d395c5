#include "platform/x11/apps/X11Workspace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/X11Desktop.h"
#include "platform/x11/windows/X11HintsIcon.h"

namespace brindlow {

X11Workspace::X11Workspace(X11Desktop& desktop, Executor& main) : desktop_(desktop), main_(main) {
    subscription_ = desktop_.subscribers().subscribeApps([this](const X11AppEvent& event) {
        WorkspaceEvent kind =
            event.kind == X11AppEvent::Kind::launched      ? WorkspaceEvent::didLaunch
            : event.kind == X11AppEvent::Kind::terminated  ? WorkspaceEvent::didTerminate
            : event.kind == X11AppEvent::Kind::deactivated ? WorkspaceEvent::didDeactivate
                                                           : WorkspaceEvent::didActivate;
        RunningApplication app;
        if (auto info = desktop_.registry().application(event.pid)) {
            app = describe(event.pid, info->wmClass);
        } else {
            std::lock_guard lock(mutex_);
            auto found = lastSeen_.find(event.pid);
            app = found != lastSeen_.end() ? found->second : RunningApplication{event.pid, {}, {}};
        }
        std::vector<std::shared_ptr<Handler>> handlers;
        {
            std::lock_guard lock(mutex_);
            if (kind == WorkspaceEvent::didTerminate) {
                lastSeen_.erase(event.pid);
            } else {
                lastSeen_[event.pid] = app;
            }
            for (auto& [token, observer] : observers_) {
                if (observer.event == kind) handlers.push_back(observer.handler);
            }
        }
        // Weakly held: an observer removed before the block runs hears nothing.
        for (auto& handler : handlers) {
            main_.async([weak = std::weak_ptr(handler), app] {
                if (auto live = weak.lock()) (*live)(app);
            });
        }
    });
    // Applications that ran before this workspace existed sent no launch
    // through it; remember them too, so their end is described like any other.
    for (const X11AppInfo& info : desktop_.registry().applications()) {
        RunningApplication app = describe(info.pid, info.wmClass);
        std::lock_guard lock(mutex_);
        lastSeen_.emplace(info.pid, std::move(app));
    }
}

X11Workspace::~X11Workspace() {
    desktop_.subscribers().unsubscribe(subscription_);
}

RunningApplication X11Workspace::describe(std::int32_t pid, const std::string& wmClass) const {
    RunningApplication app;
    app.pid = pid;
    if (!wmClass.empty()) app.bundleID = wmClass;
    auto entry = entries_.find(wmClass);
    app.localizedName = entry ? entry->name : wmClass;
    app.activationPolicy = ActivationPolicy::regular;
    return app;
}

std::vector<RunningApplication> X11Workspace::runningApplications() const {
    std::vector<RunningApplication> result;
    for (const X11AppInfo& info : desktop_.registry().applications()) {
        result.push_back(describe(info.pid, info.wmClass));
    }
    return result;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const {
    auto active = desktop_.registry().activeWindow();
    if (!active) return std::nullopt;
    auto pid = desktop_.registry().pidOf(*active);
    if (!pid) return std::nullopt;
    return application(*pid);
}

std::optional<RunningApplication> X11Workspace::application(std::int32_t pid) const {
    auto info = desktop_.registry().application(pid);
    if (!info) return std::nullopt;
    return describe(pid, info->wmClass);
}

std::int32_t X11Workspace::currentProcessID() const {
    return std::int32_t(getpid());
}

ObserverToken X11Workspace::addObserver(WorkspaceEvent event, Handler handler) {
    std::lock_guard lock(mutex_);
    observers_.emplace(next_, Observer{event, std::make_shared<Handler>(std::move(handler))});
    return next_++;
}

void X11Workspace::removeObserver(ObserverToken token) {
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

std::optional<Image> X11Workspace::applicationIcon(std::int32_t pid) const {
    std::vector<xcb_window_t> windows;
    if (auto focused = desktop_.registry().focusedWindowOf(pid)) windows.push_back(*focused);
    for (xcb_window_t w : desktop_.registry().clients()) {
        if (desktop_.registry().pidOf(w) == pid) windows.push_back(w);
    }
    X11Connection& x = desktop_.connection();
    std::optional<Image> own;
    for (xcb_window_t w : windows) {
        if ((own = readIcon(x, w))) break;
    }
    std::optional<Image> hinted;
    for (xcb_window_t w : windows) {
        if ((hinted = readHintsIcon(x, w))) break;
    }
    // Openbox writes a stand-in icon into _NET_WM_ICON of a window that brings no icon at all;
    // there the desktop entry's icon is the application's own and comes first.
    const bool maybeStandIn = own && !hinted && windowManagerName(x) == "Openbox";
    if (own && !maybeStandIn) return own;
    if (hinted) return hinted;
    if (auto themed = desktopEntryIcon(pid)) return themed;
    return own;
}

std::optional<Image> X11Workspace::desktopEntryIcon(std::int32_t pid) const {
    if (!themedIcons_) return std::nullopt;
    const auto info = desktop_.registry().application(pid);
    if (!info) return std::nullopt;
    const auto entry = entries_.find(info->wmClass);
    if (!entry || entry->icon.empty()) return std::nullopt;
    return themedIcons_(entry->icon);
}

std::optional<Image> X11Workspace::symbolImage(const std::string& name) const {
    Image image;
    image.symbolName = name;
    return image;
}

std::optional<std::string> X11Workspace::urlForApplication(const std::string& bundleID) const {
    auto entry = entries_.find(bundleID);
    if (!entry) return std::nullopt;
    return entry->path;
}

bool X11Workspace::openApplication(const std::string& url) {
    std::ifstream file(url);
    if (!file) return false;
    std::stringstream text;
    text << file.rdbuf();
    auto entry = parseDesktopEntry(text.str(), url);
    if (!entry || entry->exec.empty()) return false;
    return spawnDetached(execArguments(entry->exec));
}

bool X11Workspace::openURL(const std::string& url) {
    return spawnDetached({"xdg-open", url});
}

std::optional<std::string> X11Workspace::desktopImagePath(std::uint32_t) const {
    return std::nullopt;
}

namespace {

// Ignored signals and the signal mask survive exec: without this, a launched
// terminal would hand our ignored SIGPIPE on to its shells ("yes | head" would
// then print broken-pipe errors). Only async-signal-safe calls: runs after fork.
void restoreDefaultSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal == SIGKILL || signal == SIGSTOP) continue;
        sigaction(signal, &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

}  // namespace

bool spawnDetached(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // The middle process exits at once, so the program is nobody's zombie.
        setsid();
        if (fork() == 0) {
            restoreDefaultSignals();
            execvp(argv[0], argv.data());
            char failed = 1;
            (void)!write(pipeFds[1], &failed, 1);
        }
        _exit(0);
    }
    close(pipeFds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    char failed = 0;
    // The pipe closes without a byte when exec succeeded.
    bool execFailed = read(pipeFds[0], &failed, 1) == 1;
    close(pipeFds[0]);
    return !execFailed;
}

}  // namespace brindlow
