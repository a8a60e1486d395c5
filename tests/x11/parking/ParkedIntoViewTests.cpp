// The last resort of a quit that could not put the windows back in time: whatever parking left
// out of sight is shown again, all of it on the screen.
#include <gtest/gtest.h>

#include <string>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

using ParkedIntoView = X11Fixture;

// Parked past either edge with 10 points in sight, as the strip parks: off the screen where the
// window manager allows it, iconified where it keeps windows in view. Both come back whole.
TEST_F(ParkedIntoView, WindowsParkedPastEitherEdgeAreShownWhollyOnTheScreen) {
    TestClientProcess left({"--title", "parked left", "--size", "400x300"});
    TestClientProcess right({"--title", "parked right", "--size", "400x300"});
    ASSERT_TRUE(left.ready());
    ASSERT_TRUE(right.ready());
    const double width = connection().screen()->width_in_pixels;
    const std::vector<std::pair<xcb_window_t, Point>> parked = {
        {left.window(), Point(-390, 100)}, {right.window(), Point(width - 10, 100)}};
    for (const auto& [window, place] : parked) {
        ASSERT_TRUE(settle([&] { return desktop().registry().isClient(window); }));
        ASSERT_EQ(desktop().frameWriter().moveResize(window, place, Size(400, 300), 2.0),
                  axerror::success);
    }

    desktop().parking().bringParkedIntoView();
    for (const auto& [window, place] : parked) {
        std::optional<X11WindowFrame> now;
        EXPECT_TRUE(settle([&] {
            now = readFrames(connection(), {window}).front();
            const Rect outer = now ? now->outerFrame() : Rect{};
            return now && now->viewable && outer.x >= 0 && outer.maxX() <= width;
        })) << "at "
            << (now ? now->outerFrame() : Rect{}) << ", shown " << (now && now->viewable);
    }
}

}  // namespace
}  // namespace brindlow::test
