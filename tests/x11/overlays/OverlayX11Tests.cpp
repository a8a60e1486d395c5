// The real executable on the session's display: the focus border rings the focused xterm's frame
// directly above it, follows the focus, stays below windows raised over it and lets clicks
// through; under a compositor the dim darkens the other windows translucently; the badge dot has
// room for its shadow only under a compositor. With BRINDLOW_SCREENSHOT_DIR set, the dots are
// saved.
#include "x11/overlays/OverlayX11Fixture.h"

namespace brindlow::test {
namespace {

const nlohmann::json kBorderSettings = {{"focusBorder", true},
                                        {"focusBorderWidth", kBorder},
                                        {"focusBorderColor", "#FF0000"},
                                        {"gap", 4}};

// The ring lets clicks through to the neighbour's edge under it, then rings the neighbour, which
// got the focus; a window raised over it stays above it.
TEST_F(OverlayX11Test, TheBorderRingsTheFocusedXtermFollowsTheFocusAndLetsClicksThrough) {
    startXterms(3);
    startBrindlow(kBorderSettings);
    ASSERT_FALSE(HasFatalFailure());
    const xcb_window_t border = settledBorder();
    ASSERT_NE(border, XCB_WINDOW_NONE) << "no border directly above the focused frame" << scene();
    const xcb_window_t focused = activeClient();
    const XGeometry frame = *visibleFrame(focused);
    // Red in the ring above the frame's top edge once faded in (a window manager's compositor
    // blends the fade), the xterm's own white inside.
    Pixel ring;
    EXPECT_TRUE(settle([&] {
        ring = pixel(frame.x + frame.width / 2, frame.y - kBorder / 2);
        return ring.red > 200 && ring.green < 60;
    })) << "the ring shows "
        << ring.red << "," << ring.green << "," << ring.blue;
    // Without a compositor the xterm repaints what the ring's shape uncovered.
    EXPECT_TRUE(settle([&] {
        return pixel(frame.x + frame.width / 2, frame.y + frame.height / 2).green > 200;
    })) << "the inside of the ring is not the xterm's";

    // Where the ring covers the neighbour's edge: from the ring's outer side (its outermost
    // pixels blended where a compositor runs) towards the frame.
    std::vector<int> overlap;
    xcb_window_t neighbour = XCB_WINDOW_NONE;
    for (xcb_window_t client : clients()) {
        const auto g = visibleFrame(client);
        if (client == focused || !g) continue;
        const int right = frame.x + frame.width;
        if (g->x >= right && g->x < right + kBorder) {
            neighbour = client;
            for (int x = right + kBorder - 2; x >= g->x; --x) overlap.push_back(x);
        } else if (g->x + g->width <= frame.x && g->x + g->width > frame.x - kBorder) {
            neighbour = client;
            for (int x = frame.x - kBorder + 1; x < g->x + g->width; ++x) overlap.push_back(x);
        }
    }
    ASSERT_NE(neighbour, XCB_WINDOW_NONE) << "no column next to the focused one" << scene();
    const xcb_window_t neighbourFrame = topLevelOf(neighbour);
    const int y = frame.y + frame.height / 2;
    // The hand comes from the focused window, as a user's does: the pointer may already stand on
    // the neighbour's edge (the display's middle), and a window manager that focuses on entering
    // and not on a click hears nothing from a pointer that does not move.
    ASSERT_TRUE(
        xdotool({"mousemove", std::to_string(frame.x + frame.width / 2), std::to_string(y)}));
    // The server finds no window of ours under the ring: the pointer is over the neighbour, or
    // over the window manager's invisible resize edge of the focused frame where it is wider than
    // the ring's overlap (KWin, metacity: a click there resizes, ring or not).
    int x = 0;
    for (int candidate : overlap) {
        // A compositor may repaint this part of the ring later than its top.
        ASSERT_TRUE(settle([&] { return pixel(candidate, y).red > 200; }))
            << "the ring does not cover the neighbour's edge at " << candidate;
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(candidate), std::to_string(y)}));
        const xcb_window_t under = underPointer();
        ASSERT_NE(under, border) << "the ring takes the pointer at " << candidate;
        if (under == neighbourFrame) {
            x = candidate;
            break;
        }
    }
    if (!x) {
        // Then the neighbour is clicked beside the ring.
        x = overlap.front() < frame.x ? overlap.front() - 30 : overlap.front() + 30;
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(x), std::to_string(y)}));
        ASSERT_EQ(underPointer(), neighbourFrame)
            << "the pointer at " << x << " is not over the neighbour";
    }
    ASSERT_TRUE(xdotool({"click", "1"}));
    EXPECT_TRUE(settle([&] { return activeClient() == neighbour; }))
        << "the click did not reach the window below the border";
    ASSERT_TRUE(settle([&] {
        return activeClient() == neighbour && borderAround(neighbour) == border &&
               borderOn(border, neighbourFrame);
    })) << "the border did not follow the focus";

    BRINDLOW_SKIP_BESIDE("it puts the border back above every frame, a raised one too", "metacity");
    // Raised: the raised window stays above the border (a window manager that focuses it as well
    // takes the border with the focus).
    const xcb_window_t raised = topLevelOf(focused);
    raise(focused);
    if (!settle([&] { return stackIndex(raised) > stackIndex(neighbourFrame); }, 2.0))
        GTEST_SKIP() << "the window manager raised no window on request (marco)";
    EXPECT_TRUE(settle([&] {
        if (activeClient() == focused)
            return borderAround(focused) == border && stackIndex(border) == stackIndex(raised) + 1;
        return stackIndex(raised) > stackIndex(border) &&
               stackIndex(border) == stackIndex(neighbourFrame) + 1;
    })) << "raised "
        << stackIndex(raised) << ", border " << stackIndex(border) << ", focused "
        << stackIndex(neighbourFrame);
}

TEST_F(OverlayX11Test, WithACompositorTheDimDarkensOtherWindowsTranslucently) {
    startCompositor();
    ASSERT_FALSE(HasFatalFailure());
    startXterms(2);
    if (!redirected(topLevelOf(xterms_.front().window)))
        GTEST_SKIP() << "the compositing manager draws no window: no dim";
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
        focused = activeClient();
        for (xcb_window_t client : clients())
            if (client != focused) other = client;
        const auto f = visibleFrame(focused);
        const auto o = visibleFrame(other);
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
    EXPECT_TRUE(settle([&] { return activeClient() == other; }));
}

// The floated window keeps the window manager's focus, and the border does not move on to the
// column that took its place: it goes until the focus is back in the strip.
TEST_F(OverlayX11Test, AfterAFloatTheBorderLeavesTheStripWhileTheFloatedWindowHasTheFocus) {
    startXterms(3);
    // Without animations: a strip that glides hides its border for the glide.
    nlohmann::json settings = kBorderSettings;
    settings["animationsEnabled"] = false;
    startBrindlow(settings);
    ASSERT_FALSE(HasFatalFailure());
    const xcb_window_t border = settledBorder();
    ASSERT_NE(border, XCB_WINDOW_NONE) << "no border directly above the focused frame" << scene();
    const xcb_window_t floated = activeClient();
    // The pointer rests on the window the user floats.
    restPointerOn(floated);
    ASSERT_FALSE(HasFatalFailure());
    const auto mapped = [&](xcb_window_t w) {
        XcbReply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), w), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    };

    ASSERT_EQ(tool({"float"}).status, 0);
    // The border window stays mapped while it slides to another window; it goes only when no
    // window of the strip has the focus.
    EXPECT_TRUE(settle([&] { return activeClient() == floated && !mapped(border); }))
        << "active 0x" << std::hex << activeClient() << " floated 0x" << floated << std::dec
        << scene();
    EXPECT_EQ(activeClient(), floated);

    // A focus command takes the focus and the border back into the strip, on the same window.
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    EXPECT_NE(settledBorder(), XCB_WINDOW_NONE) << scene();
    EXPECT_NE(activeClient(), floated);
}

// Nothing is toggled: the dim appears when picom starts during the run and goes when it stops.
TEST_F(OverlayX11Test, DimmingFollowsACompositorThatStartsAndStopsDuringTheRun) {
    if (compositorRuns()) GTEST_SKIP() << "the window manager composites itself";
    startXterms(2);
    startBrindlow({{"dimInactive", true}, {"dimAmount", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);

    xcb_window_t focused = XCB_WINDOW_NONE;
    int ox = 0, oy = 0;
    // The first column has the focus; the other xterm's white is undimmed: no compositor, no dim.
    ASSERT_TRUE(settle([&] {
        focused = activeClient();
        const auto f = visibleFrame(focused);
        for (xcb_window_t client : clients()) {
            const auto o = visibleFrame(client);
            if (client == focused || !o || !f || o->x < f->x) continue;
            ox = o->x + o->width - 20;
            oy = o->y + o->height / 2;
            return pixel(ox, oy).green > 230;
        }
        return false;
    })) << scene();
    const std::size_t shownBefore = overlays().size();

    startCompositor();
    ASSERT_FALSE(HasFatalFailure());
    Pixel dimmed;
    EXPECT_TRUE(settle(
        [&] {
            dimmed = pixel(ox, oy);
            return dimmed.green > 90 && dimmed.green < 170;
        },
        1.5))
        << "no dim a moment after the compositor started: " << dimmed.green << scene();
    EXPECT_GT(overlays().size(), shownBefore);
    EXPECT_EQ(activeClient(), focused);

    compositor_.reset();
    ASSERT_TRUE(settle([&] { return !compositorRuns(); })) << "picom did not stop";
    EXPECT_TRUE(settle([&] { return pixel(ox, oy).green > 230; }, 1.5))
        << "the dim stayed after the compositor stopped" << scene();
}

// The badge dot casts its shadow only where a compositor blends: its window then reaches 12
// pixels past the 16-pixel dot on every side. The dot itself lies inside the terminal's content.
class DotShadowX11Test : public OverlayX11Test, public ::testing::WithParamInterface<bool> {};

TEST_P(DotShadowX11Test, TheDotsWindowHasRoomForTheShadowOnlyWithACompositor) {
    if (GetParam()) startCompositor();
    ASSERT_FALSE(HasFatalFailure());
    // Without picom, the window manager's own compositor may still run.
    const bool compositor = compositorRuns();
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
    // The disc sits inside a badged terminal's content, clear of the title bar's buttons.
    ASSERT_TRUE(dot);
    const Rect disc(dot->x + (side - 16) / 2, dot->y + (side - 16) / 2, 16, 16);
    bool inside = false;
    for (const char* title : {"e2e-xterm-1", "e2e-xterm-2"}) {
        const auto client = desktop().registry().read(xtermTitled(title)->window);
        if (!client) continue;
        const Rect& content = client->clientFrame;
        inside = inside || (disc.minX() >= content.minX() && disc.maxX() <= content.maxX() &&
                            disc.minY() >= content.minY() && disc.maxY() <= content.maxY());
    }
    EXPECT_TRUE(inside) << "the dot at " << disc.x << "," << disc.y
                        << " lies outside both contents";
}

INSTANTIATE_TEST_SUITE_P(Compositor, DotShadowX11Test, ::testing::Bool(),
                         [](const auto& testInfo) { return testInfo.param ? "Picom" : "None"; });

}  // namespace
}  // namespace brindlow::test
