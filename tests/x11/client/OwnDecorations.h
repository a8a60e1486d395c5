#pragma once

// What the test client needs to look like a window that draws its own decorations (a toolkit's
// header bar and the transparent shadow around it), and to wait for a compositing manager.
#include <unistd.h>
#include <xcb/xcb.h>

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

// Waits until a compositing manager holds the screen's selection (_NET_WM_CM_Sn).
inline int awaitCompositor(xcb_connection_t* connection, int screenNumber) {
    const xcb_atom_t selection =
        internAtom(connection, ("_NET_WM_CM_S" + std::to_string(screenNumber)).c_str());
    const auto owned = [&] {
        auto reply = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool found = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        return found;
    };
    // Its owner announces itself on the root (MANAGER) only now and then: asked every 50 ms.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (owned()) return 0;
        usleep(50 * 1000);
    }
    std::fprintf(stderr, "brindlow-testclient: no compositing manager runs\n");
    return 1;
}

}  // namespace brindlow::testclient
