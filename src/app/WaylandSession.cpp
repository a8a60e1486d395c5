#include "app/WaylandSession.h"

#include <cstdlib>

namespace brindlow {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

SessionEnvironment SessionEnvironment::current() {
    return {variable("XDG_SESSION_TYPE"), variable("WAYLAND_DISPLAY")};
}

bool isWaylandSession(const SessionEnvironment& environment) {
    return environment.sessionType == "wayland" || !environment.waylandDisplay.empty();
}

std::string waylandRefusal(const std::string& display) {
    return "brindlow: this is a Wayland session, and " + display +
           " is its XWayland server: Brindlow could reach only the windows of X11 applications "
           "there, and arrange none of the others. Brindlow needs an X11 session: choose one "
           "(\"Xorg\", \"X11\") at the login screen.\n";
}

}  // namespace brindlow
