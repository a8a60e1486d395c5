// The fixture of the overlay tests on the session's display: the real executable, the root's
// children and their stacking, frames, pixels, a compositor started on request.
#pragma once

#include <xcb/composite.h>

#include <cstdlib>
#include <sstream>

#include "platform/x11/connection/X11Properties.h"
#include "x11/e2e/AppOnDisplay.h"

namespace brindlow::test {

inline constexpr int kBorder = 10;      // wider than the gap, so the ring overlaps the next column
inline constexpr int kPillHeight = 58;  // the indicator's

struct XGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const XGeometry&, const XGeometry&) = default;
};

class OverlayX11Test : public AppOnDisplay {
  protected:
    void TearDown() override {
        AppOnDisplay::TearDown();
        compositor_.reset();
        if (pointerBefore_)
            xdotool({"mousemove", std::to_string(pointerBefore_->first),
                     std::to_string(pointerBefore_->second)});
    }

    xcb_connection_t* c() { return connection().xcb(); }

    std::vector<xcb_window_t> rootChildren() {  // bottom to top
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c(), xcb_query_tree(c(), connection().root()), nullptr));
        if (!tree) return {};
        auto* children = xcb_query_tree_children(tree.get());
        return {children, children + xcb_query_tree_children_length(tree.get())};
    }

    xcb_window_t topLevelOf(xcb_window_t window) {
        return topLevelAncestor(connection(), window).value_or(XCB_WINDOW_NONE);
    }

    std::optional<XGeometry> geometry(xcb_window_t window) {
        XcbReply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(c(), xcb_get_geometry(c(), window), nullptr));
        if (!g) return std::nullopt;
        return XGeometry{g->x, g->y, g->width, g->height};
    }

    std::optional<std::uint32_t> cardinal(xcb_window_t window, const char* name) {
        return readCardinal(connection(), window, connection().atom(name));
    }

    // Brindlow's own windows that are on screen, bottom to top.
    std::vector<xcb_window_t> overlays() {
        std::vector<xcb_window_t> found;
        if (!brindlow_) return found;
        for (xcb_window_t w : rootChildren()) {
            XcbReply<xcb_get_window_attributes_reply_t> a(
                xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), w), nullptr));
            if (!a || !a->override_redirect || a->map_state != XCB_MAP_STATE_VIEWABLE) continue;
            if (cardinal(w, "_NET_WM_PID") == std::uint32_t(brindlow_->pid())) found.push_back(w);
        }
        return found;
    }

    xcb_window_t activeClient() {
        return cardinal(connection().root(), "_NET_ACTIVE_WINDOW").value_or(XCB_WINDOW_NONE);
    }
    xcb_window_t activeFrame() {
        const xcb_window_t active = activeClient();
        return active ? topLevelOf(active) : xcb_window_t(XCB_WINDOW_NONE);
    }

    // The frame as the user sees it: the client and the decorations the window manager
    // announces. The window manager's own top-level window may reach further (invisible resize
    // edges) or carry an X border.
    // Beside a window manager that focuses under the pointer, the pointer goes to the middle of
    // the client, which keeps the focus there: wherever an earlier test left the pointer, the
    // focus would otherwise follow it. Elsewhere the pointer stays where it is. The pointer goes
    // back where it stood when the test ends, so that the tests after it find it as before.
    void restPointerOn(xcb_window_t client) {
        if (sessionWindowManager() != "jwm" && sessionWindowManager() != "fvwm") return;
        rememberPointer();
        const auto shown = visibleFrame(client);
        ASSERT_TRUE(shown);
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(shown->x + shown->width / 2),
                             std::to_string(shown->y + shown->height / 2)}));
        ASSERT_TRUE(settle([&] { return activeClient() == client; }));
    }

    // Where the pointer stands now is where it goes back when the test ends.
    void rememberPointer() {
        XcbReply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c(), xcb_query_pointer(c(), connection().root()), nullptr));
        if (pointer) pointerBefore_ = std::make_pair(int(pointer->root_x), int(pointer->root_y));
    }

    std::optional<XGeometry> visibleFrame(xcb_window_t client) {
        const auto frame = client ? frameOf(client) : std::nullopt;
        if (!frame) return std::nullopt;
        return XGeometry{int(frame->x), int(frame->y), int(frame->width), int(frame->height)};
    }

    // The overlay that rings `client`'s frame: its geometry is the frame grown by the border width.
    xcb_window_t borderAround(xcb_window_t client) {
        const auto g = visibleFrame(client);
        if (!g) return XCB_WINDOW_NONE;
        const XGeometry wanted{g->x - kBorder, g->y - kBorder, g->width + 2 * kBorder,
                               g->height + 2 * kBorder};
        for (xcb_window_t w : overlays())
            if (geometry(w) == wanted) return w;
        return XCB_WINDOW_NONE;
    }

    // The indicator on the screen now (the last of our windows as tall as its pill), with its
    // geometry.
    struct Indicator {
        xcb_window_t window = XCB_WINDOW_NONE;
        XGeometry pill;
    };
    std::optional<Indicator> indicator() {
        std::optional<Indicator> found;
        for (xcb_window_t w : overlays())
            if (const auto g = geometry(w); g && g->height == kPillHeight) found = Indicator{w, *g};
        return found;
    }

    // With `count` xterms tiled and the indicator at the bottom, the first column focused at the
    // left edge and then the one right of it: the indicator shows. `firstFrame`, when asked for,
    // is the first column's frame.
    void focusRightToShowTheIndicator(int count, Indicator& shown,
                                      xcb_window_t* firstFrame = nullptr) {
        startXterms(count);
        startBrindlow({{"indicatorPosition", "bottom"}});
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(tool({"focus-first"}).status, 0);
        // Once the first column has landed at the left edge and has the focus: the window manager
        // may have focused the last xterm started, at first.
        ASSERT_TRUE(settle([&] {
            const auto active = visibleFrame(activeClient());
            return active && active->x == 12;
        })) << "the first column did not take the focus at the left edge";
        const xcb_window_t first = activeFrame();
        if (firstFrame) *firstFrame = first;
        ASSERT_EQ(tool({"focus-right"}).status, 0);
        std::optional<Indicator> found;
        ASSERT_TRUE(settle([&] {
            found = indicator();
            return found && activeFrame() != first;
        })) << "no indicator after focus-right";
        shown = *found;
    }

    std::ptrdiff_t stackIndex(xcb_window_t window) {
        const auto children = rootChildren();
        return std::find(children.begin(), children.end(), window) - children.begin();
    }

    struct Pixel {
        int red = 0, green = 0, blue = 0;
    };
    Pixel pixel(int x, int y) {
        XcbReply<xcb_get_image_reply_t> image(
            xcb_get_image_reply(c(),
                                xcb_get_image(c(), XCB_IMAGE_FORMAT_Z_PIXMAP, connection().root(),
                                              std::int16_t(x), std::int16_t(y), 1, 1, ~0u),
                                nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < 4) return {};
        const std::uint8_t* bgrx = xcb_get_image_data(image.get());
        return {bgrx[2], bgrx[1], bgrx[0]};
    }

    std::vector<xcb_window_t> clients() {
        return readWindowList(connection(), connection().root(),
                              connection().atom("_NET_CLIENT_LIST"));
    }

    // Some window managers composite themselves (metacity, marco); picom then leaves.
    bool compositorRuns() {
        const std::string selection = "_NET_WM_CM_S" + std::to_string(connection().screenNumber());
        XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c(), xcb_get_selection_owner(c(), connection().atom(selection)), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }

    // Whether a compositor draws `window` (a viewable top-level): only a redirected window has
    // a pixmap of its own to name. Some hold the selection and draw nothing (KWin refusing a
    // software renderer).
    bool redirected(xcb_window_t window) {
        std::free(xcb_composite_query_version_reply(c(), xcb_composite_query_version(c(), 0, 4),
                                                    nullptr));
        const xcb_pixmap_t pixmap = xcb_generate_id(c());
        xcb_generic_error_t* error =
            xcb_request_check(c(), xcb_composite_name_window_pixmap_checked(c(), window, pixmap));
        if (error) {
            std::free(error);
            return false;
        }
        xcb_free_pixmap(c(), pixmap);
        return true;
    }

    void startCompositor() {
        if (compositorRuns()) return;
        compositor_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"picom", "--config", "/dev/null", "--backend", "xrender"});
        ASSERT_TRUE(settle([&] { return compositorRuns(); })) << "picom did not start";
    }

    // Whether the border stands directly above `frame`. Metacity puts every override-redirect
    // window that is stacked among its frames back above all of them (its own restack requests
    // on our windows): there the border can only be somewhere above.
    bool borderOn(xcb_window_t border, xcb_window_t frame) {
        if (sessionWindowManager() == "metacity") return stackIndex(border) > stackIndex(frame);
        return stackIndex(border) == stackIndex(frame) + 1;
    }

    // The border rings the active window's frame, directly above it, once the layout settled.
    xcb_window_t settledBorder() {
        xcb_window_t border = XCB_WINDOW_NONE;
        settle([&] {
            const xcb_window_t client = activeClient();
            border = borderAround(client);
            return border != XCB_WINDOW_NONE && borderOn(border, topLevelOf(client));
        });
        return border;
    }

    // For failure messages: the frames and our windows, with their places in the stacking order.
    std::string scene() {
        std::ostringstream text;
        const auto line = [&](const char* what, xcb_window_t w, std::optional<XGeometry> g) {
            text << "\n  " << what << " 0x" << std::hex << w << std::dec << " at " << stackIndex(w);
            if (g) text << ": " << g->x << "," << g->y << " " << g->width << "x" << g->height;
        };
        const xcb_window_t active = activeClient();
        for (xcb_window_t client : clients()) {
            line(client == active ? "active frame" : "frame", topLevelOf(client),
                 geometry(topLevelOf(client)));
            line("  seen", client, visibleFrame(client));
        }
        for (xcb_window_t w : overlays()) line("ours", w, geometry(w));
        return text.str();
    }

    // Asks the window manager to raise `client` as a pager would, raises its frame directly and
    // asks as the client would: window managers honour one or another (xfwm4 only the client's,
    // and focuses it too).
    void raise(xcb_window_t client) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = client;
        message.type = connection().atom("_NET_RESTACK_WINDOW");
        message.data.data32[0] = 2;  // from a pager
        message.data.data32[1] = XCB_WINDOW_NONE;
        message.data.data32[2] = XCB_STACK_MODE_ABOVE;
        xcb_send_event(c(), 0, connection().root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c(), topLevelOf(client), XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_configure_window(c(), client, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        connection().sync();
    }

    // The top-level window the pointer is over, as the server finds it.
    xcb_window_t underPointer() {
        XcbReply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c(), xcb_query_pointer(c(), connection().root()), nullptr));
        return pointer ? pointer->child : xcb_window_t(XCB_WINDOW_NONE);
    }

    // Where the pointer stood before restPointerOn() moved it.
    std::optional<std::pair<int, int>> pointerBefore_;
    std::unique_ptr<ChildProcess> compositor_;
};

}  // namespace brindlow::test
