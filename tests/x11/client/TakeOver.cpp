// What every window manager of the test client's does on taking over from the running one.
#include "TakeOver.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brindlow::test {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

namespace {

// The next event, or none once `deadline` has passed.
xcb_generic_event_t* nextEvent(xcb_connection_t* c,
                               std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c)) return event;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || xcb_connection_has_error(c)) return nullptr;
        pollfd readable{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&readable, 1, int(left));
    }
}

}  // namespace

xcb_window_t takeOverTheRoot(xcb_connection_t* c, xcb_window_t root, int screenNumber,
                             int limitMs) {
    const xcb_window_t own = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, own, root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t selection = internAtom(c, ("WM_S" + std::to_string(screenNumber)).c_str());
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const xcb_window_t previous = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(owner);
    // The one it replaces lets go of the root as it ends: its selection window and its frames
    // go then, and each of those events is a moment to try again.
    const std::uint32_t gone = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (previous != XCB_WINDOW_NONE)
        xcb_change_window_attributes(c, previous, XCB_CW_EVENT_MASK, &gone);
    const std::uint32_t children = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &children);
    xcb_set_selection_owner(c, own, selection, XCB_CURRENT_TIME);
    const std::uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                   XCB_EVENT_MASK_PROPERTY_CHANGE;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        xcb_generic_error_t* error = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &rootMask));
        if (!error) return own;
        std::free(error);
        // One that destroys its windows before it closes its connection lets go of the root
        // with no event left to hear: then the next look comes after a short while.
        const auto next =
            std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
        if (xcb_generic_event_t* event = nextEvent(c, next)) std::free(event);
        if (std::chrono::steady_clock::now() >= deadline) break;
    }
    std::fprintf(stderr, "brindlow-testclient: the window manager did not let go\n");
    return XCB_WINDOW_NONE;
}

RootMarks::RootMarks(xcb_connection_t* connection, xcb_window_t root, xcb_window_t own)
    : connection_(connection),
      root_(root),
      own_(own),
      check_(internAtom(connection, "_NET_SUPPORTING_WM_CHECK")),
      clientList_(internAtom(connection, "_NET_CLIENT_LIST")) {}

void RootMarks::publishCheck(const std::string& name) {
    writeCheck(own_);
    if (!name.empty())
        xcb_change_property(
            connection_, XCB_PROP_MODE_REPLACE, own_, internAtom(connection_, "_NET_WM_NAME"),
            internAtom(connection_, "UTF8_STRING"), 8, std::uint32_t(name.size()), name.data());
    writeCheck(root_);
}

void RootMarks::publishClients(const std::vector<xcb_window_t>& clients) {
    clients_ = clients;
    writeClients();
}

void RootMarks::putBackIfCleared(const xcb_generic_event_t& event) {
    if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
    const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
    if (change.window != root_ || change.state != XCB_PROPERTY_DELETE) return;
    if (change.atom == check_) writeCheck(root_);
    if (change.atom == clientList_) writeClients();
}

void RootMarks::writeCheck(xcb_window_t window) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, check_, XCB_ATOM_WINDOW, 32, 1,
                        &own_);
}

void RootMarks::writeClients() {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, clientList_, XCB_ATOM_WINDOW, 32,
                        std::uint32_t(clients_.size()), clients_.data());
}

}  // namespace brindlow::test
