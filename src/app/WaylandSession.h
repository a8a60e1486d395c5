#pragma once

#include <string>

namespace brindlow {

// What the environment says of the graphical session the process was started in.
struct SessionEnvironment {
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY

    static SessionEnvironment current();
};

// A Wayland session: the login manager says so, or a Wayland compositor is there to connect to.
bool isWaylandSession(const SessionEnvironment& environment);

// Said at start in a Wayland session, when the X server there is XWayland, its X11 server for
// older applications: no client may arrange the others' windows, and XWayland shows only those
// of X11 applications. (A nested X server of its own, such as Xephyr, is a whole X11 desktop.)
std::string waylandRefusal(const std::string& display);

// Added after "cannot open the X display" in a Wayland session.
inline constexpr const char* kWaylandNoXNote =
    "; this is a Wayland session, and Brindlow needs an X11 session";

}  // namespace brindlow
