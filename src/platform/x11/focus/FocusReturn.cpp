// Giving back the focus a window took as it was mapped back from parking.
#include <xcb/xcb_ewmh.h>

#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/focus/FocusReturn.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

const Logger& parkingLog() {
    static const Logger logger = makeLogger("Parking");
    return logger;
}

}  // namespace

void FocusReturn::handFocusBack(xcb_window_t from, xcb_window_t to) {
    parkingLog().info("Window 0x%x took the focus as it was mapped back; returning it to 0x%x",
                      from, to);
    sendHandBackMarker(focusHandBack_.plan(from, to));
}

void FocusReturn::sendHandBackMarker(std::uint32_t marker) {
    // Back to us after every event the server sent before it.
    x_.sendToSelf(handBackMarkers_, handBackAtom_, marker);
    x_.flush();
}

void FocusReturn::handBackHeard(const xcb_client_message_event_t& message) {
    if (message.format != 32) return;
    const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
    if (message.type == ewmh._NET_CURRENT_DESKTOP) {
        const auto dropped = focusHandBack_.desktopSwitchRequested(message.data.data32[0]);
        if (!dropped) return;
        // The focus stays where the window manager put it: it is taken as it is now.
        parkingLog().info("Focus not returned to 0x%x: the desktop is being switched", dropped->to);
        registry().refreshActive();
    } else if (message.type == ewmh._NET_ACTIVE_WINDOW) {
        // Ours by its look: the hand-back below. Coming after the user's minimise of the window,
        // it would show it again.
        if (message.data.data32[0] == XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER &&
            message.data.data32[1] == XCB_CURRENT_TIME)
            activation().activationHeard(message.window);
        if (const auto marker =
                focusHandBack_.activationHeard(message.data.data32[2], message.window)) {
            parkingLog().info("A desktop switch came before the focus went back: asked again");
            sendHandBackMarker(*marker);
        }
    } else if (message.window == handBackMarkers_ && message.type == handBackAtom_) {
        const FocusHandBack::Due due = focusHandBack_.markerArrived(message.data.data32[0]);
        // The window the focus was due back to may have been minimised, closed or sent away
        // by the user since, or be on its way to that: it is not brought back, and the focus is
        // taken where the window manager put it.
        if (due.handBack && !activation().returnFocus(due.handBack->to, due.handBack->from)) {
            parkingLog().info("Focus not returned to 0x%x: no longer shown", due.handBack->to);
            registry().refreshActive();
        }
        if (due.desktop)
            xcb_ewmh_request_change_current_desktop(x_.ewmh(), x_.screenNumber(), *due.desktop,
                                                    XCB_CURRENT_TIME);
        x_.flush();
    }
}

FocusReturn::FocusReturn(X11Connection& connection, DesktopRecords& records,
                         const DesktopParts& parts, xcb_window_t markers)
    : DesktopPart(connection, records, parts),
      handBackMarkers_(markers),
      handBackAtom_(connection.atom("_BRINDLOW_FOCUS_HAND_BACK")) {}

void FocusReturn::destroyMarkers() {
    xcb_destroy_window(x_.xcb(), handBackMarkers_);
}

}  // namespace brindlow
