// A window manager reduced to what the tests of a window manager's habits need: it takes over from
// the running one, names itself as asked, frames nothing, lists and maps the windows that ask to
// be mapped, carries out their configure requests and _NET_MOVERESIZE_WINDOW, iconifies on
// WM_CHANGE_STATE and leaves _NET_RESTACK_WINDOW undone. With `clampsIntoView` it keeps every
// window whole on the screen, as some pull a window moved off it back into view.
#include "PlainWindowManager.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TakeOver.h"

namespace brindlow::test {

namespace {

struct Session {
    xcb_connection_t* c;
    xcb_screen_t* screen;
    bool clamps;
    RootMarks marks;
    std::vector<xcb_window_t> clients;

    xcb_atom_t atom(const char* name) const { return internAtom(c, name); }

    void publishClients() { marks.publishClients(clients); }

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

int plainWindowManager(xcb_connection_t* c, xcb_screen_t* screen, int screenNumber,
                       const std::string& name, bool clampsIntoView) {
    const xcb_window_t root = screen->root;
    const xcb_window_t own = takeOverTheRoot(c, root, screenNumber);
    if (own == XCB_WINDOW_NONE) return 1;
    Session s{c, screen, clampsIntoView, RootMarks(c, root, own), {}};
    s.marks.publishCheck(name);
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
            case XCB_PROPERTY_NOTIFY:
                s.marks.putBackIfCleared(*event);
                break;
            case XCB_SELECTION_CLEAR:
                // Replaced in turn: the session's own window manager comes back.
                std::free(event);
                return 0;
        }
        std::free(event);
    }
}

}  // namespace brindlow::test
