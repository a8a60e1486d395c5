#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Executor.h"
#include "platform/Workspace.h"
#include "platform/x11/apps/DesktopEntries.h"

namespace brindlow {

class X11Desktop;

// Running applications = the pids behind the managed clients. The bundle id is
// the WM_CLASS class; the name comes from the application's .desktop entry.
class X11Workspace final : public Workspace {
  public:
    X11Workspace(X11Desktop& desktop, Executor& main);
    ~X11Workspace() override;

    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<RunningApplication> application(std::int32_t pid) const override;
    std::int32_t currentProcessID() const override;

    ObserverToken addObserver(WorkspaceEvent event, Handler handler) override;
    void removeObserver(ObserverToken token) override;

    // _NET_WM_ICON, else the WM_HINTS icon, else the icon its desktop entry names (matched by
    // WM_CLASS) as the themed-icon loader finds it; nothing when none gives one.
    std::optional<Image> applicationIcon(std::int32_t pid) const override;
    // Turns a desktop entry's icon (a theme name or a file) into pixels; the toolkit supplies it.
    using ThemedIconLoader = std::function<std::optional<Image>(const std::string& icon)>;
    void setThemedIconLoader(ThemedIconLoader loader) { themedIcons_ = std::move(loader); }
    std::optional<Image> symbolImage(const std::string& name) const override;

    std::optional<std::string> urlForApplication(const std::string& bundleID) const override;
    bool openApplication(const std::string& url) override;
    bool openURL(const std::string& url) override;
    std::optional<std::string> desktopImagePath(std::uint32_t screenNumber) const override;

  private:
    RunningApplication describe(std::int32_t pid, const std::string& wmClass) const;
    // The icon the application's desktop entry names, through the themed-icon loader.
    std::optional<Image> desktopEntryIcon(std::int32_t pid) const;

    X11Desktop& desktop_;
    Executor& main_;
    mutable DesktopEntries entries_;
    ThemedIconLoader themedIcons_;
    std::uint64_t subscription_ = 0;

    mutable std::mutex mutex_;
    struct Observer {
        WorkspaceEvent event;
        std::shared_ptr<Handler> handler;
    };
    std::map<ObserverToken, Observer> observers_;
    ObserverToken next_ = 1;
    // The last description of each application, for its terminate notification.
    std::map<std::int32_t, RunningApplication> lastSeen_;
};

// Starts a program detached from this process (double fork); false when it
// could not be started.
bool spawnDetached(const std::vector<std::string>& arguments);

}  // namespace brindlow
