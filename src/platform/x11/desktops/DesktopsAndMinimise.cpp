// Minimising, and requests to move a window to another desktop: Brindlow's own, or someone
// else's.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/desktops/DesktopsAndMinimise.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

const Logger& parkingLog() {
    static const Logger logger = makeLogger("Parking");
    return logger;
}

}  // namespace

AXError DesktopsAndMinimise::setMinimized(xcb_window_t window, bool on, double timeout) {
    if (!on) return activation().activate(window, timeout);
    if (!registry().read(window)) return axerror::invalidElement;
    if (!registry().hasWindowManager()) {
        xcb_unmap_window(x_.xcb(), window);
        x_.sync();
        return axerror::success;
    }
    const AXError sent = waits().fence(window, timeout, [&] {
        activation().minimiseSent(window);
        const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), x_.atom("WM_CHANGE_STATE"), 1,
                                     &iconic);
    });
    // The window manager ended before it iconified the window: it is unmapped instead.
    if (!registry().hasWindowManager()) return setMinimized(window, on, timeout);
    return sent;
}

void DesktopsAndMinimise::iconifyRequested(xcb_window_t window) {
    bool shown = true;
    {
        std::lock_guard lock(d_.mutex);
        const auto own = d_.ownIconifying.find(window);
        if (own != d_.ownIconifying.end()) {
            if (--own->second == 0) d_.ownIconifying.erase(own);
            return;
        }
        // Hidden but still shown while it is the active window: minimised by the user now.
        if (d_.hideWhenInactive == window) d_.hideWhenInactive.reset();
        if (const auto known = d_.known.find(window); known != d_.known.end())
            shown = !known->second.minimized;
        // A window minimised already is hidden now: once shown again, it is no longer the user's.
        auto& hiddenSince = d_.minimisedByOthers.try_emplace(window, false).first->second;
        hiddenSince = hiddenSince || !shown;
    }
    activation().minimiseHeard(window, shown);
    // Someone else (the user, a taskbar, a command of ours) minimised a window already iconified
    // for parking: from now on it counts as minimised like any other.
    if (!d_.parked.isHidden(window) && !d_.parked.isShowing(window)) return;
    parkingLog().info("Parked window 0x%x minimised by the user", window);
    parking().forgetParked(window);
    registry().refreshWindow(window, false);
}

void DesktopsAndMinimise::mapToDesktop(xcb_window_t window, std::optional<std::uint32_t> desktop) {
    // Under the lock desktopRequested takes: a user's move heard before and not shown carried
    // out yet is sent here (the window manager may not have handled it when the desktop was
    // read), one heard after is sent again there, after this map.
    std::lock_guard lock(d_.mutex);
    if (const auto asked = d_.desktopAskedByOthers.notCarriedOut(window)) desktop = asked;
    // A client leaves the iconic state by mapping its window; the window manager does the rest.
    xcb_map_window(x_.xcb(), window);
    if (desktop) {
        ownDesktopRequests_.emplace(window, *desktop);
        xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, *desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }
    x_.flush();
    parkingLog().debug("Parked window 0x%x mapped back, to desktop %d", window,
                       desktop ? int(*desktop) : -1);
}

void DesktopsAndMinimise::desktopRequested(xcb_window_t window, std::uint32_t desktop) {
    // The window manager may have carried it out by the time it is heard.
    const std::optional<std::uint32_t> readNow =
        readCardinal(x_, window, x_.ewmh()->_NET_WM_DESKTOP);
    {
        std::lock_guard lock(d_.mutex);
        if (const auto own = ownDesktopRequests_.find(std::pair(window, desktop));
            own != ownDesktopRequests_.end()) {
            ownDesktopRequests_.erase(own);
            return;
        }
        d_.desktopAskedByOthers.asked(window, desktop, readNow);
        if (!d_.parked.isShowing(window)) return;
        // The request may reach the window manager before Brindlow's map, which then brings the
        // window to the current desktop (metacity, marco), or before the desktop Brindlow read
        // for it: asked once more, after both.
        ownDesktopRequests_.emplace(window, desktop);
        xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        x_.flush();
    }
    parkingLog().info("Window 0x%x sent to desktop %u as it was being shown: sent there again",
                      window, desktop);
}

void DesktopsAndMinimise::minimiseAgain(xcb_window_t window) {
    // The user's minimise may have reached the window manager before Brindlow's map, which
    // then showed the window again: asked once more, on the user's behalf (a window manager
    // leaves a window already minimised as it is).
    parkingLog().info("Parked window 0x%x minimised as it was being shown: minimised again",
                      window);
    const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
    xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), x_.atom("WM_CHANGE_STATE"), 1,
                                 &iconic);
    x_.flush();
}

}  // namespace brindlow
