#include "platform/x11/apps/X11InstanceSelection.h"

#include <unistd.h>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow {

X11InstanceSelection::X11InstanceSelection(X11Connection& connection)
    : x_(connection), name_("_BRINDLOW_S" + std::to_string(connection.screenNumber())) {}

X11InstanceSelection::~X11InstanceSelection() {
    if (!window_) return;
    // The server drops the selection with its owner window.
    xcb_destroy_window(x_.xcb(), window_);
    x_.flush();
}

bool X11InstanceSelection::acquire() {
    if (window_) return true;
    xcb_connection_t* c = x_.xcb();
    const xcb_atom_t selection = x_.atom(name_);
    const auto ownerOf = [&]() -> xcb_window_t {
        XcbReply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
        return reply ? reply->owner : XCB_NONE;
    };
    if (const xcb_window_t owner = ownerOf(); owner != XCB_NONE) {
        ownerPID_ = readCardinal(x_, owner, x_.ewmh()->_NET_WM_PID);
        return false;
    }

    // An input-only window that nobody sees, named and with our process id so
    // that a second instance can say which one runs.
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x_.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x_.ewmh()->_NET_WM_PID, XCB_ATOM_CARDINAL,
                        32, 1, &pid);
    const char title[] = "Brindlow";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_set_selection_owner(c, window, selection, XCB_CURRENT_TIME);
    if (const xcb_window_t owner = ownerOf(); owner != window) {
        // Another instance took it in the same moment.
        ownerPID_ =
            owner == XCB_NONE ? std::nullopt : readCardinal(x_, owner, x_.ewmh()->_NET_WM_PID);
        xcb_destroy_window(c, window);
        x_.flush();
        return false;
    }
    window_ = window;

    // Tell the screen's clients that a manager took the selection.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = x_.root();
    message.type = x_.ewmh()->MANAGER;
    message.data.data32[0] = XCB_CURRENT_TIME;
    message.data.data32[1] = selection;
    message.data.data32[2] = window;
    xcb_send_event(c, 0, x_.root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    x_.flush();
    return true;
}

}  // namespace brindlow
