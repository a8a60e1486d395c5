// The real executable on the session's display: the focus border rings the focused xterm's frame
// directly above it, follows the focus, stays below windows raised over it and lets clicks
// through; under a compositor the dim darkens the other windows translucently; the indicator jumps
// on a click; a gap cover shows its slice of the root pixmap (frosted without one) and lets clicks
// through. With BRINDLOW_SCREENSHOT_DIR set, the indicator and covers are saved.
#include <atomic>

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

    xcb_window_t focused = XCB_WINDOW_NONE;
    xcb_window_t other = XCB_WINDOW_NONE;
    Pixel dimmed, lit;
    int ox = 0, oy = 0;
    EXPECT_TRUE(settle([&] {
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
    ASSERT_TRUE(settle([&] { return activeFrame() != XCB_WINDOW_NONE; }));
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
}

// A column where a window that refuses to shrink stacks over a short one and a 100-point top panel
// leaves the stack no room: the band between them is covered with the root pixmap's slice.
class GapCoverX11Test : public OverlayX11Test {
  protected:
    static constexpr int kBandTop = 578;  // 112 + half of the 932 points left for the two windows
    static constexpr int kSplitX = 480, kSplitY = 590;  // the picture's quadrants meet in the band
    static constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00,
                                   kYellow = 0xFFFF00;

    void TearDown() override {
        // The panel goes first: Brindlow then quits with its windows back in the full area.
        if (panel_ != XCB_WINDOW_NONE) xcb_destroy_window(c(), panel_);
        if (x11_) connection().sync();
        OverlayX11Test::TearDown();
        clients_.clear();
        if (pixmap_ != XCB_PIXMAP_NONE) {
            xcb_delete_property(c(), connection().root(), connection().atom("_XROOTPMAP_ID"));
            xcb_free_pixmap(c(), pixmap_);
            connection().sync();
        }
    }

    void publishPicture() {
        const std::uint32_t w = connection().screen()->width_in_pixels,
                            h = connection().screen()->height_in_pixels;
        pixmap_ = publishRootPixmap(int(w), int(h),
                                    {{0, 0, kSplitX, kSplitY, kRed},
                                     {kSplitX, 0, w - kSplitX, kSplitY, kBlue},
                                     {0, kSplitY, kSplitX, h - kSplitY, kGreen},
                                     {kSplitX, kSplitY, w - kSplitX, h - kSplitY, kYellow}});
    }

    void mapTopPanel(int height) {
        const xcb_screen_t* screen = connection().screen();
        panel_ = xcb_generate_id(c());
        const std::uint32_t background = screen->black_pixel;
        xcb_create_window(c(), XCB_COPY_FROM_PARENT, panel_, connection().root(), 0, 0,
                          screen->width_in_pixels, std::uint16_t(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          &background);
        const xcb_atom_t dock = connection().atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, panel_,
                            connection().atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
        std::uint32_t strut[12] = {};  // top edge, from x 0 to the screen's last column
        strut[2] = std::uint32_t(height);
        strut[9] = std::uint32_t(screen->width_in_pixels - 1);
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, panel_,
                            connection().atom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                            strut);
        xcb_map_window(c(), panel_);
        connection().sync();
    }

    std::optional<nlohmann::json> firstDisplay() {
        const auto json = listing();
        if (!json || (*json)["displays"].empty()) return std::nullopt;
        return (*json)["displays"][0];
    }

    void stackTheTwoClients() {
        clients_.push_back(std::make_unique<TestClientProcess>(
            std::vector<std::string>{"--title", "tall", "--class", "Tall", "--size", "400x880",
                                     "--min", "400x880", "--refuse"}));
        clients_.push_back(std::make_unique<TestClientProcess>(
            std::vector<std::string>{"--title", "short", "--class", "Short", "--size", "400x200"}));
        for (const auto& client : clients_) ASSERT_TRUE(client->ready());
        startBrindlow({{"gap", 24}, {"outerGap", 12}});
        ASSERT_FALSE(HasFatalFailure());
        std::optional<nlohmann::json> display;
        ASSERT_TRUE(settle([&] {
            display = firstDisplay();
            return display && (*display)["columns"].size() == 2 &&
                   topLevelOf(clients_[1]->window()) == activeFrame();
        })) << "the two windows were not tiled with the short one focused";
        // The short window goes into the tall one's column, whichever side that lies on.
        ASSERT_EQ(tool({(*display)["focused"] == 2 ? "stack-left" : "stack-right"}).status, 0);
        ASSERT_TRUE(settle([&] {
            display = firstDisplay();
            return display && (*display)["columns"].size() == 1;
        })) << "the short window was not stacked";
        // Stacked, the tall window refuses its share of the height; once Brindlow has learned
        // that, the stack fits the full screen and stays.
        const std::filesystem::path learned = data_.path() / "Brindlow" / "minimum-heights.json";
        ASSERT_TRUE(settle([&] {
            std::ifstream file(learned);
            const auto json = nlohmann::json::parse(file, nullptr, false);
            return !json.is_discarded() && !json.empty();
        })) << "the tall window's minimum height was not learned";
        display = firstDisplay();
        ASSERT_TRUE(display && (*display)["columns"].size() == 1);
    }

    // Brindlow's 24-point-high window at the band's top, directly above the tall window's frame.
    xcb_window_t settledCover() {
        xcb_window_t cover = XCB_WINDOW_NONE;
        settle([&] {
            cover = XCB_WINDOW_NONE;
            for (xcb_window_t w : overlays()) {
                const auto g = geometry(w);
                if (g && g->height == 24 && g->y == kBandTop) cover = w;
            }
            const xcb_window_t tall = topLevelOf(clients_[0]->window());
            return cover != XCB_WINDOW_NONE && stackIndex(cover) == stackIndex(tall) + 1;
        });
        return cover;
    }

    bool shows(int x, int y, std::uint32_t rgb) {
        const Pixel p = pixel(x, y);
        return std::uint32_t(p.red << 16 | p.green << 8 | p.blue) == rgb;
    }

    std::vector<std::unique_ptr<TestClientProcess>> clients_;
    xcb_window_t panel_ = XCB_WINDOW_NONE;
    xcb_pixmap_t pixmap_ = XCB_PIXMAP_NONE;
};

TEST_F(GapCoverX11Test, TheBandShowsTheRootPixmapsSliceAndLetsClicksThroughToTheWindowBelow) {
    publishPicture();
    stackTheTwoClients();
    ASSERT_FALSE(HasFatalFailure());
    mapTopPanel(100);

    const xcb_window_t cover = settledCover();
    ASSERT_NE(cover, XCB_WINDOW_NONE) << "no cover directly above the tall window in the band";
    const XGeometry band = *geometry(cover);
    ASSERT_LT(band.x, kSplitX - 10);
    ASSERT_GT(band.x + band.width, kSplitX + 10);
    // The picture's four quadrants meet inside the band, at their own screen position.
    EXPECT_TRUE(settle([&] {
        return shows(kSplitX - 10, kSplitY - 6, kRed) && shows(kSplitX + 10, kSplitY - 6, kBlue) &&
               shows(kSplitX - 10, kSplitY + 6, kGreen) &&
               shows(kSplitX + 10, kSplitY + 6, kYellow);
    })) << "the cover does not show the picture's slice at its place";
    screenshot("gap-cover-picture");

    // Without a picture the cover is frosted: a dark fill over the tall window's white.
    const int x = kSplitX - 100, y = kBandTop + 12;
    xcb_delete_property(c(), connection().root(), connection().atom("_XROOTPMAP_ID"));
    connection().sync();
    Pixel frosted;
    EXPECT_TRUE(settle([&] {
        frosted = pixel(x, y);
        return frosted.red < 60 && frosted.green < 60 && frosted.blue < 60 &&
               frosted.blue >= frosted.red;
    })) << "after the picture went, the cover shows "
        << frosted.red << "," << frosted.green << "," << frosted.blue;
    EXPECT_EQ(settledCover(), cover);
    screenshot("gap-cover-frosted");

    // A click on the cover reaches the tall window under it.
    const xcb_window_t tall = clients_[0]->window();
    const std::uint32_t pressMask = XCB_EVENT_MASK_BUTTON_PRESS;
    xcb_change_window_attributes(c(), tall, XCB_CW_EVENT_MASK, &pressMask);
    std::atomic<int> presses = 0;
    const std::uint64_t listener = connection().addListener([&](const xcb_generic_event_t& e) {
        if ((e.response_type & 0x7f) == XCB_BUTTON_PRESS &&
            reinterpret_cast<const xcb_button_press_event_t&>(e).event == tall)
            ++presses;
    });
    connection().sync();
    EXPECT_TRUE(xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
    EXPECT_TRUE(settle([&] { return presses > 0; }))
        << "the click did not reach the window below the cover";
    connection().removeListener(listener);
}

}  // namespace
}  // namespace brindlow::test
