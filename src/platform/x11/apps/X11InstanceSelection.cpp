#include "platform/x11/apps/X11InstanceSelection.h"

#include <unistd.h>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow {

namespace {

constexpr std::string_view kShowSettings = "_BRINDLOW_SHOW_SETTINGS";

void sendShowSettings(X11Connection& x, xcb_window_t to, xcb_window_t named) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = to;
    message.type = x.atom(kShowSettings);
    message.data.data32[0] = named;
    // No event mask: the message goes to the client that made the window.
    xcb_send_event(x.xcb(), 0, to, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    x.flush();
}

}  // namespace

X11InstanceSelection::X11InstanceSelection(X11Connection& connection)
    : x_(connection), name_("_BRINDLOW_S" + std::to_string(connection.screenNumber())) {}

X11InstanceSelection::~X11InstanceSelection() {
    onShowSettingsRequest(nullptr);
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
        owner_ = owner;
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
        owner_ = owner;
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

bool X11InstanceSelection::askOwnerToShowSettings(double limit) {
    if (window_ || !owner_) return false;
    xcb_connection_t* c = x_.xcb();
    // The answer comes to a window of ours.
    const xcb_window_t asker = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, asker, x_.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t type = x_.atom(kShowSettings);
    const bool answered = x_.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
            const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
            return message.window == asker && message.type == type;
        },
        limit,
        [&] {
            sendShowSettings(x_, owner_, asker);
            return false;
        });
    xcb_destroy_window(c, asker);
    x_.flush();
    return answered;
}

void X11InstanceSelection::onShowSettingsRequest(ShowRequest request) {
    // Interned here, so that the event thread finds it cached.
    x_.atom(kShowSettings);
    std::uint64_t old = 0;
    bool listen = false;
    {
        std::lock_guard lock(requestMutex_);
        request_ = std::move(request);
        listen = request_ && !listener_;
        if (!request_) std::swap(old, listener_);
    }
    // Outside the lock: the event thread holds the listeners' lock while it takes ours.
    if (old) x_.removeListener(old);
    if (!listen) return;
    const std::uint64_t added =
        x_.addListener([this](const xcb_generic_event_t& event) { onEvent(&event); });
    std::lock_guard lock(requestMutex_);
    listener_ = added;
}

void X11InstanceSelection::answerShowSettingsRequest(std::uint32_t asker) {
    sendShowSettings(x_, asker, window_);
}

void X11InstanceSelection::onEvent(const void* raw) {
    const auto& event = *static_cast<const xcb_generic_event_t*>(raw);
    if (!window_ || (event.response_type & 0x7F) != XCB_CLIENT_MESSAGE) return;
    const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
    if (message.window != window_ || message.type != x_.atom(kShowSettings)) return;
    ShowRequest request;
    {
        std::lock_guard lock(requestMutex_);
        request = request_;
    }
    if (request) request(message.data.data32[0]);
}

}  // namespace brindlow
