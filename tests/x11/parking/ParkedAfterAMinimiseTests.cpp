// A layout planned before the strip heard of the user's minimise reaches parking late: the window
// stays minimised, the user's, however late.
#include <gtest/gtest.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <string>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

using ParkedAfterAMinimise = X11Fixture;

TEST_F(ParkedAfterAMinimise, AWindowTheUserMinimisedStaysTheirs) {
    TestClientProcess other({"--title", "other"});
    TestClientProcess minimised({"--title", "minimised"});
    const AXElementRef element = windowElement(minimised);
    ASSERT_TRUE(windowElement(other) && element);
    ASSERT_EQ(runProcess({"xdotool", "windowminimize", std::to_string(minimised.window())}).status,
              0);
    ASSERT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == true; }));

    desktop().parking().hideParked({minimised.window()});
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    EXPECT_EQ(get<bool>(element, ax::minimized), true);
    // Not marked as parking's either: a later run would take it for parked and show it again.
    EXPECT_FALSE(
        readCardinal(connection(), minimised.window(), connection().atom("_BRINDLOW_PARKED")));
}

// Parked while it is the active window, it stays shown until the focus moves on; minimised
// meanwhile by the window manager on its own (its key, which sends no request that anybody
// hears: only its marks on the window tell), it is the user's minimise, not parking's. Kept as
// parking's, the strip never heard of the minimise, and the scroll back showed the window again.
TEST_F(ParkedAfterAMinimise, TheActiveWindowMinimisedBeforeItsHidingIsTheUsers) {
    if (!desktop().registry().windowManagerTraits().keepsWindowsOnScreen)
        GTEST_SKIP() << "the window manager lets windows off the screen: nothing is iconified";
    TestClientProcess other({"--title", "other", "--size", "400x300"});
    TestClientProcess active({"--title", "active", "--size", "400x300"});
    const AXElementRef element = windowElement(active);
    ASSERT_TRUE(windowElement(other) && element);
    const xcb_window_t window = active.window();
    ASSERT_EQ(runProcess({"xdotool", "windowactivate", "--sync", std::to_string(window)}).status,
              0);
    ASSERT_TRUE(settle([&] { return get<bool>(element, ax::main) == true; }));
    // Parked past the left edge: pulled back into view, it is to be iconified, once inactive.
    ASSERT_EQ(desktop().frameWriter().moveResize(window, Point(-390, 100), Size(400, 300), 2.0),
              axerror::success);
    ASSERT_TRUE(desktop().parking().parkedFrame(window));
    ASSERT_EQ(get<bool>(element, ax::minimized), false);

    // As the window manager marks a window it minimised itself.
    const xcb_atom_t wmState = connection().atom("WM_STATE");
    const std::uint32_t iconic[] = {XCB_ICCCM_WM_STATE_ICONIC, XCB_WINDOW_NONE};
    xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, window, wmState, wmState, 32, 2,
                        iconic);
    const xcb_atom_t hidden = connection().ewmh()->_NET_WM_STATE_HIDDEN;
    xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, window,
                        connection().ewmh()->_NET_WM_STATE, XCB_ATOM_ATOM, 32, 1, &hidden);
    connection().flush();
    EXPECT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == true; }, 5.0));

    // No longer parking's: the focus moving on will not hide it, nor a scroll show it.
    EXPECT_FALSE(desktop().parking().parkedFrame(window));
}

}  // namespace
}  // namespace brindlow::test
