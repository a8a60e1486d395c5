#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Image.h"
#include "platform/ObserverToken.h"

namespace brindlow {

// How an application takes part in the desktop: only regular applications own
// windows that may be tiled.
enum class ActivationPolicy { regular, accessory, prohibited };

// One running application as the workspace sees it.
struct RunningApplication {
    std::int32_t pid = 0;
    std::optional<std::string> localizedName;
    std::optional<std::string> bundleID;  // x11: the WM_CLASS class
    ActivationPolicy activationPolicy = ActivationPolicy::regular;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// didDeactivate: the focus went to no window at all (x11: the active window became none); the
// application that had it is described.
enum class WorkspaceEvent { didLaunch, didTerminate, didActivate, didDeactivate };

// Running applications and what happens to them.
class Workspace {
  public:
    using Handler = std::function<void(const RunningApplication&)>;

    virtual ~Workspace() = default;

    // In the workspace's order (launch order). Any thread.
    virtual std::vector<RunningApplication> runningApplications() const = 0;
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    virtual std::optional<RunningApplication> application(std::int32_t pid) const = 0;
    // This process's own id.
    virtual std::int32_t currentProcessID() const = 0;

    // Launch, terminate, activate and deactivate notifications, delivered on the main
    // executor. A terminated application is described as it was last seen.
    virtual ObserverToken addObserver(WorkspaceEvent event, Handler handler) = 0;
    virtual void removeObserver(ObserverToken token) = 0;

    // The icon of the running application, when it has one.
    virtual std::optional<Image> applicationIcon(std::int32_t pid) const = 0;
    // A named system symbol image ("macwindow" stands for a generic window),
    // when the back end can draw it.
    virtual std::optional<Image> symbolImage(const std::string& name) const = 0;

    // Where the application with this bundle id is installed (x11: its .desktop
    // entry), or nothing.
    virtual std::optional<std::string> urlForApplication(const std::string& bundleID) const = 0;
    // Starts the application at that location; nothing waits for the launch.
    virtual bool openApplication(const std::string& url) = 0;
    virtual bool openURL(const std::string& url) = 0;
    // The desktop picture shown on a screen (by screen number), when known.
    virtual std::optional<std::string> desktopImagePath(std::uint32_t screenNumber) const = 0;
};

}  // namespace brindlow
