#pragma once

// What the test client needs to look like a window that draws its own decorations (a toolkit's
// header bar and the transparent shadow around it), and to wait for a compositing manager.
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace brindlow::testclient {

inline xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    auto cookie = xcb_intern_atom(connection, 0, std::strlen(name), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// A visual with an alpha channel (depth 32), as toolkits draw their shadows with; none without.
inline std::optional<xcb_visualid_t> alphaVisual(xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
         xcb_depth_next(&depths)) {
        if (depths.data->depth != 32) continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) return visuals.data->visual_id;
    }
    return std::nullopt;
}

// The client-side-decorated window's invisible margin, as its toolkit publishes it.
inline void setMargin(xcb_connection_t* connection, xcb_window_t window,
                      const std::optional<std::vector<std::uint32_t>>& margin) {
    if (!margin) {
        xcb_delete_property(connection, window, internAtom(connection, "_GTK_FRAME_EXTENTS"));
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        internAtom(connection, "_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 32, 4,
                        margin->data());
}

// Paints a client-side-decorated window: transparent margin (the background), opaque inside.
inline void paintInside(xcb_connection_t* connection, xcb_window_t window, int width, int height,
                        const std::optional<std::vector<std::uint32_t>>& margin) {
    const std::vector<std::uint32_t> m = margin.value_or(std::vector<std::uint32_t>(4, 0));
    xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
    const int insideWidth = width - int(m[0] + m[1]), insideHeight = height - int(m[2] + m[3]);
    if (insideWidth <= 0 || insideHeight <= 0) return;
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    const uint32_t opaqueGrey = 0xffc0c0c0;
    xcb_create_gc(connection, gc, window, XCB_GC_FOREGROUND, &opaqueGrey);
    const xcb_rectangle_t inside{int16_t(m[0]), int16_t(m[2]), uint16_t(insideWidth),
                                 uint16_t(insideHeight)};
    xcb_poly_fill_rectangle(connection, window, gc, 1, &inside);
    xcb_free_gc(connection, gc);
}

// Waits until a compositing manager holds the screen's selection (_NET_WM_CM_Sn), at most
// `limitMs`: XFixes tells of each new owner of the selection; without XFixes, the MANAGER message
// an owner sends to the root as it takes a manager selection.
inline int awaitCompositor(xcb_connection_t* connection, xcb_window_t root, int screenNumber,
                           int limitMs = 10'000) {
    const xcb_atom_t selection =
        internAtom(connection, ("_NET_WM_CM_S" + std::to_string(screenNumber)).c_str());
    const std::uint32_t rootMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &rootMask);
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // The server answers XFixes requests only from a client that said which version it knows.
        std::free(xcb_xfixes_query_version_reply(
            connection,
            xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION,
                                     XCB_XFIXES_MINOR_VERSION),
            nullptr));
        xcb_xfixes_select_selection_input(connection, root, selection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    }
    // Asked after the events were chosen: an owner that comes meanwhile is told of by an event.
    const auto owned = [&] {
        auto reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool found = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        return found;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!owned()) {
        // Any event may be the one: the owner is asked again after each.
        xcb_generic_event_t* event = nullptr;
        while (!(event = xcb_poll_for_event(connection))) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || xcb_connection_has_error(connection)) {
                std::fprintf(stderr, "brindlow-testclient: no compositing manager runs\n");
                return 1;
            }
            pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&readable, 1, int(left));
        }
        std::free(event);
    }
    return 0;
}

}  // namespace brindlow::testclient
