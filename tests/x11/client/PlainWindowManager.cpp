// A window manager reduced to what the tests of a window manager's habits need: it takes over from
// the running one, names itself as asked, frames nothing, lists and maps the windows that ask to
// be mapped, carries out their configure requests and _NET_MOVERESIZE_WINDOW, iconifies on
// WM_CHANGE_STATE and leaves _NET_RESTACK_WINDOW undone. With `clampsIntoView` it keeps every
// window whole on the screen, as some pull a window moved off it back into view.
#include "PlainWindowManager.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace brindlow::test {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

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

struct Session {
    xcb_connection_t* c;
    xcb_screen_t* screen;
    bool clamps;
    std::vector<xcb_window_t> clients;

    xcb_atom_t atom(const char* name) const { return internAtom(c, name); }

    void publishClients() {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom("_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, std::uint32_t(clients.size()), clients.data());
    }

    void setState(xcb_window_t window, std::uint32_t state) {
        const std::uint32_t values[] = {state, XCB_WINDOW_NONE};
        const xcb_atom_t wmState = atom("WM_STATE");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, wmState, wmState, 32, 2, values);
    }

    // Moves and sizes `window` as asked (each of x, y, width, height only when `has` says so),
    // kept whole on the screen with `clamps`.
    void place(xcb_window_t window, std::uint16_t has, int x, int y, int width, int height) {
        auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        if (!geometry) return;
        if (!(has & XCB_CONFIG_WINDOW_X)) x = geometry->x;
        if (!(has & XCB_CONFIG_WINDOW_Y)) y = geometry->y;
        if (!(has & XCB_CONFIG_WINDOW_WIDTH)) width = geometry->width;
        if (!(has & XCB_CONFIG_WINDOW_HEIGHT)) height = geometry->height;
        std::free(geometry);
        if (clamps) {
            x = std::clamp(x, 0, std::max(0, int(screen->width_in_pixels) - width));
            y = std::clamp(y, 0, std::max(0, int(screen->height_in_pixels) - height));
        }
        const std::uint32_t values[] = {std::uint32_t(x), std::uint32_t(y),
                                        std::uint32_t(std::max(1, width)),
                                        std::uint32_t(std::max(1, height))};
        xcb_configure_window(c, window,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
    }

    void configureRequest(const xcb_configure_request_event_t& e) {
        place(e.window, e.value_mask, e.x, e.y, e.width, e.height);
        std::uint32_t values[2];
        std::uint16_t mask = 0;
        int n = 0;
        if (e.value_mask & XCB_CONFIG_WINDOW_SIBLING) {
            values[n++] = e.sibling;
            mask |= XCB_CONFIG_WINDOW_SIBLING;
        }
        if (e.value_mask & XCB_CONFIG_WINDOW_STACK_MODE) {
            values[n++] = e.stack_mode;
            mask |= XCB_CONFIG_WINDOW_STACK_MODE;
        }
        if (mask) xcb_configure_window(c, e.window, mask, values);
    }

    void clientMessage(const xcb_client_message_event_t& e) {
        const std::uint32_t* l = e.data.data32;
        if (e.type == atom("_NET_MOVERESIZE_WINDOW")) {
            // Bits 8 to 11 of the flags say which of x, y, width and height are given.
            const std::uint16_t has = std::uint16_t((l[0] >> 8) & 0xF);
            place(e.window, has, int(std::int32_t(l[1])), int(std::int32_t(l[2])), int(l[3]),
                  int(l[4]));
        } else if (e.type == atom("_NET_REQUEST_FRAME_EXTENTS")) {
            const std::uint32_t none[4] = {0, 0, 0, 0};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, e.window, atom("_NET_FRAME_EXTENTS"),
                                XCB_ATOM_CARDINAL, 32, 4, none);
        } else if (e.type == atom("WM_CHANGE_STATE") && l[0] == XCB_ICCCM_WM_STATE_ICONIC) {
            setState(e.window, XCB_ICCCM_WM_STATE_ICONIC);
            xcb_unmap_window(c, e.window);
        }
    }

    void mapRequest(xcb_window_t window) {
        if (std::find(clients.begin(), clients.end(), window) == clients.end()) {
            const std::uint32_t mask =
                XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
            clients.push_back(window);
            publishClients();
        }
        setState(window, XCB_ICCCM_WM_STATE_NORMAL);
        xcb_map_window(c, window);
    }

    void gone(xcb_window_t window) {
        const auto found = std::find(clients.begin(), clients.end(), window);
        if (found == clients.end()) return;
        clients.erase(found);
        publishClients();
    }
};

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

int plainWindowManager(xcb_connection_t* c, xcb_screen_t* screen, int screenNumber,
                       const std::string& name, bool clampsIntoView) {
    Session s{c, screen, clampsIntoView, {}};
    const xcb_window_t root = screen->root;
    const xcb_window_t own = takeOverTheRoot(c, root, screenNumber);
    if (own == XCB_WINDOW_NONE) return 1;
    const xcb_atom_t check = s.atom("_NET_SUPPORTING_WM_CHECK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, check, XCB_ATOM_WINDOW, 32, 1, &own);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, s.atom("_NET_WM_NAME"),
                        s.atom("UTF8_STRING"), 8, std::uint32_t(name.size()), name.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, check, XCB_ATOM_WINDOW, 32, 1, &own);
    s.publishClients();
    std::printf("ready\n");
    std::fflush(stdout);
    // Ends with its standard input, as the test's processes do.
    pollfd watched[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {0, POLLIN, 0}};
    for (;;) {
        xcb_flush(c);
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (xcb_connection_has_error(c)) return 3;
            poll(watched, 2, -1);
            char byte = 0;
            if ((watched[1].revents & (POLLIN | POLLHUP)) && read(0, &byte, 1) <= 0) return 0;
            continue;
        }
        switch (event->response_type & 0x7f) {
            case XCB_MAP_REQUEST:
                s.mapRequest(reinterpret_cast<xcb_map_request_event_t*>(event)->window);
                break;
            case XCB_CONFIGURE_REQUEST:
                s.configureRequest(*reinterpret_cast<xcb_configure_request_event_t*>(event));
                break;
            case XCB_CLIENT_MESSAGE:
                s.clientMessage(*reinterpret_cast<xcb_client_message_event_t*>(event));
                break;
            case XCB_DESTROY_NOTIFY:
                s.gone(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
                break;
            case XCB_PROPERTY_NOTIFY: {
                // The window manager replaced may clear its marks on the root after we took
                // over (metacity does as it goes): ours are put back.
                const auto& change = *reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (change.window != root || change.state != XCB_PROPERTY_DELETE) break;
                if (change.atom == check)
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, check, XCB_ATOM_WINDOW, 32,
                                        1, &own);
                else if (change.atom == s.atom("_NET_CLIENT_LIST"))
                    s.publishClients();
                break;
            }
            case XCB_SELECTION_CLEAR:
                // Replaced in turn: the session's own window manager comes back.
                std::free(event);
                return 0;
        }
        std::free(event);
    }
}

}  // namespace brindlow::test
