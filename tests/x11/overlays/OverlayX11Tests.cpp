// The real executable on the session's display: the focus border rings the focused xterm's frame
// directly above it, follows the focus, stays below windows raised over it and lets clicks
// through; under a compositor the dim darkens the other windows translucently; the indicator jumps
// on a click and grows, whole, for a new column; the badge dot has room for its shadow only under a
// compositor. With BRINDLOW_SCREENSHOT_DIR set, the indicator and the dots are saved.
#include "platform/x11/X11Properties.h"
#include "x11/e2e/AppOnDisplay.h"

namespace brindlow::test {
namespace {

constexpr int kBorder = 10;  // wider than the gap, so the ring overlaps the next column

struct XGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const XGeometry&, const XGeometry&) = default;
};

class OverlayX11Test : public AppOnDisplay {
  protected:
    void TearDown() override {
        AppOnDisplay::TearDown();
        compositor_.reset();
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

    xcb_window_t activeFrame() {
        const auto active = cardinal(connection().root(), "_NET_ACTIVE_WINDOW");
        return active ? topLevelOf(*active) : xcb_window_t(XCB_WINDOW_NONE);
    }

    // The overlay that rings `frame`: its geometry is the frame grown by the border width.
    xcb_window_t borderAround(xcb_window_t frame) {
        const auto g = geometry(frame);
        if (!g) return XCB_WINDOW_NONE;
        const XGeometry wanted{g->x - kBorder, g->y - kBorder, g->width + 2 * kBorder,
                               g->height + 2 * kBorder};
        for (xcb_window_t w : overlays())
            if (geometry(w) == wanted) return w;
        return XCB_WINDOW_NONE;
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

    void startCompositor() {
        compositor_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"picom", "--config", "/dev/null", "--backend", "xrender"});
        const std::string selection = "_NET_WM_CM_S" + std::to_string(connection().screenNumber());
        ASSERT_TRUE(settle([&] {
            XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
                c(), xcb_get_selection_owner(c(), connection().atom(selection)), nullptr));
            return owner && owner->owner != XCB_WINDOW_NONE;
        })) << "picom did not start";
    }

    // The border rings the active frame, directly above it, once the layout settled.
    xcb_window_t settledBorder() {
        xcb_window_t border = XCB_WINDOW_NONE;
        xcb_window_t frame = XCB_WINDOW_NONE;
        settle([&] {
            frame = activeFrame();
            border = borderAround(frame);
            return border != XCB_WINDOW_NONE && stackIndex(border) == stackIndex(frame) + 1;
        });
        return border;
    }

    std::unique_ptr<ChildProcess> compositor_;
};

const nlohmann::json kBorderSettings = {
    {"focusBorder", true}, {"focusBorderWidth", 10}, {"focusBorderColor", "#FF0000"}, {"gap", 4}};

// The ring lets clicks through to the neighbour's edge under it, then rings the neighbour, which
// got the focus; a window raised over it stays above it.
TEST_F(OverlayX11Test, TheBorderRingsTheFocusedXtermFollowsTheFocusAndLetsClicksThrough) {
    startXterms(3);
    startBrindlow(kBorderSettings);
    ASSERT_FALSE(HasFatalFailure());
    const xcb_window_t border = settledBorder();
    ASSERT_NE(border, XCB_WINDOW_NONE) << "no border directly above the focused frame";
    const xcb_window_t focused = activeFrame();
    const XGeometry frame = *geometry(focused);
    // Red in the ring above the frame's top edge, the xterm's own white inside.
    const Pixel ring = pixel(frame.x + frame.width / 2, frame.y - kBorder / 2);
    EXPECT_GT(ring.red, 200);
    EXPECT_LT(ring.green, 60);
    EXPECT_GT(pixel(frame.x + frame.width / 2, frame.y + frame.height / 2).green, 200);

    int x = 0;
    xcb_window_t neighbour = XCB_WINDOW_NONE;
    for (xcb_window_t client : clients()) {
        const xcb_window_t top = topLevelOf(client);
        const auto g = geometry(top);
        if (top == focused || !g) continue;
        if (g->x >= frame.x + frame.width && g->x < frame.x + frame.width + kBorder) {
            neighbour = top;
            x = g->x + 2;
        } else if (g->x + g->width <= frame.x && g->x + g->width > frame.x - kBorder) {
            neighbour = top;
            x = g->x + g->width - 3;
        }
    }
    ASSERT_NE(neighbour, XCB_WINDOW_NONE) << "no column next to the focused one";
    const int y = frame.y + frame.height / 2;
    ASSERT_EQ(pixel(x, y).red, 255) << "the ring does not cover the neighbour's edge";
    // The hand comes from the focused window, as a user's does: the pointer may already stand on
    // the neighbour's edge (the display's middle), and a window manager that focuses on entering
    // and not on a click hears nothing from a pointer that does not move.
    ASSERT_TRUE(
        xdotool({"mousemove", std::to_string(frame.x + frame.width / 2), std::to_string(y)}));
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
    EXPECT_TRUE(settle([&] { return activeFrame() == neighbour; }))
        << "the click did not reach the window below the border";
    ASSERT_TRUE(settle([&] {
        return activeFrame() == neighbour && borderAround(neighbour) == border &&
               stackIndex(border) == stackIndex(neighbour) + 1;
    })) << "the border did not follow the focus";

    ASSERT_TRUE(xdotool({"windowraise", std::to_string(focused)}));
    EXPECT_TRUE(settle([&] {
        return stackIndex(focused) > stackIndex(border) &&
               stackIndex(border) == stackIndex(neighbour) + 1;
    })) << "raised "
        << stackIndex(focused) << ", border " << stackIndex(border) << ", focused "
        << stackIndex(neighbour);
}

TEST_F(OverlayX11Test, WithACompositorTheDimDarkensOtherWindowsTranslucently) {
    startCompositor();
    ASSERT_FALSE(HasFatalFailure());
    startXterms(2);
    startBrindlow({{"dimInactive", true}, {"dimAmount", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    // Some window managers focus no new window (fvwm, whose focus follows a pointer that stands
    // over neither): the user picks one.
    ASSERT_EQ(tool({"focus-first"}).status, 0);

    xcb_window_t focused = XCB_WINDOW_NONE;
    xcb_window_t other = XCB_WINDOW_NONE;
    Pixel dimmed, lit;
    int ox = 0, oy = 0;
    ASSERT_TRUE(settle([&] {
        focused = activeFrame();
        for (xcb_window_t client : clients())
            if (topLevelOf(client) != focused) other = topLevelOf(client);
        const auto f = geometry(focused);
        const auto o = geometry(other);
        if (!f || !o) return false;
        // Where the other xterm shows (the part not under the focused one).
        ox = o->x < f->x ? o->x + 20 : o->x + o->width - 20;
        oy = o->y + o->height / 2;
        dimmed = pixel(ox, oy);
        lit = pixel(f->x + f->width / 2, f->y + f->height / 2);
        return dimmed.green > 90 && dimmed.green < 170 && lit.green > 230;
    })) << "dimmed "
        << dimmed.red << "," << dimmed.green << "," << dimmed.blue << " lit " << lit.green;
    // The dim is click-through: a click on the dimmed xterm focuses it.
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(ox), std::to_string(oy), "click", "1"}));
    EXPECT_TRUE(settle([&] { return activeFrame() == other; }));
}

TEST_F(OverlayX11Test, TheIndicatorAppearsAfterFocusRightAndAClickOnAnIconJumps) {
    startXterms(3);
    startBrindlow({{"indicatorPosition", "bottom"}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    // Once the first column has landed at the left edge and has the focus: the window manager
    // may have focused the last xterm started, at first.
    ASSERT_TRUE(settle([&] {
        const auto active = geometry(activeFrame());
        return active && active->x == 12;
    })) << "the first column did not take the focus at the left edge";
    const xcb_window_t first = activeFrame();
    ASSERT_EQ(tool({"focus-right"}).status, 0);

    std::optional<XGeometry> pill;
    ASSERT_TRUE(settle([&] {
        for (xcb_window_t w : overlays()) {
            const auto g = geometry(w);
            if (g && g->height == 58) pill = g;
        }
        return pill && activeFrame() != first;
    })) << "no indicator after focus-right";
    EXPECT_GT(pill->y, 900);
    screenshot("indicator");

    // The first cell lies 46 wide in the left part of the centred content.
    ASSERT_TRUE(xdotool(
        {"mousemove", std::to_string(pill->x + 50), std::to_string(pill->y + 29), "click", "1"}));
    EXPECT_TRUE(settle([&] { return activeFrame() == first; }))
        << "the click on the first icon did not jump to the first column";

    // One more column while it shows: the pill grows, drawn to its right end.
    startXterm("e2e-xterm-4");
    Pixel end;
    EXPECT_TRUE(settle([&] {
        for (xcb_window_t w : overlays())
            if (const auto g = geometry(w); g && g->height == 58 && g->width > pill->width)
                end = pixel(g->x + g->width - 10, g->y + 29);
        return end.red > 20 && end.red < 70;
    })) << "the wider pill ends in "
        << end.red << "," << end.green << "," << end.blue;
    screenshot("indicator-wider");
}

// The badge dot casts its shadow only where a compositor blends: its window then reaches 12
// pixels past the 16-pixel dot on every side.
class DotShadowX11Test : public OverlayX11Test, public ::testing::WithParamInterface<bool> {};

TEST_P(DotShadowX11Test, TheDotsWindowHasRoomForTheShadowOnlyWithACompositor) {
    const bool compositor = GetParam();
    if (compositor) startCompositor();
    ASSERT_FALSE(HasFatalFailure());
    startXterms(2);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    // Both terminals finish a command; the focused one is not badged.
    for (const char* title : {"e2e-xterm-1", "e2e-xterm-2"}) {
        const std::string pid = std::to_string(xtermTitled(title)->process->pid());
        ASSERT_EQ(tool({"notify", "done", "--pid", pid, "--cmd", "make", "--status", "0"}).status,
                  0);
    }
    // A window of that size whose middle shows the red disc (once painted).
    const int side = compositor ? 16 + 2 * 12 : 16;
    std::optional<XGeometry> dot;
    Pixel centre;
    EXPECT_TRUE(settle([&] {
        for (xcb_window_t w : overlays()) {
            const auto g = geometry(w);
            if (!g || g->width != side || g->height != side) continue;
            dot = g;
            centre = pixel(g->x + side / 2, g->y + side / 2);
            if (centre.red > 200 && centre.green < 100) return true;
        }
        return false;
    })) << (dot ? "the dot's window shows no red disc" : "no dot window of that size");
    screenshot(compositor ? "dot-shadow" : "dot-plain");
}

INSTANTIATE_TEST_SUITE_P(Compositor, DotShadowX11Test, ::testing::Bool(),
                         [](const auto& testInfo) { return testInfo.param ? "Picom" : "None"; });

}  // namespace
}  // namespace brindlow::test
