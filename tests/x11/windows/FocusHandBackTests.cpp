// The focus handed back by a window of ours (the settings window that the window manager focused
// as it opened) to the window that had it, beside the session's window manager, when the user's
// minimise of that window is on its way to the window manager too.
#include <gtest/gtest.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <ostream>
#include <string>

#include "platform/PanelDesktop.h"
#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

struct HandBackCase {
    const char* name;
    bool minimisedOnTheWay;  // the user's minimise reached the server just before the hand-back
};

void PrintTo(const HandBackCase& row, std::ostream* out) {
    *out << row.name;
}

class FocusHandBack : public X11Fixture, public ::testing::WithParamInterface<HandBackCase> {};

// The window manager gets the user's minimise first, then our hand-back, which would show the
// window again: it stays minimised. Without a minimise the hand-back focuses the window.
TEST_P(FocusHandBack, NeverUndoesTheUsersMinimiseOnItsWay) {
    TestClientProcess other({"--title", "other"});
    TestClientProcess handed({"--title", "handed"});
    const AXElementRef element = windowElement(handed);
    ASSERT_TRUE(windowElement(other) && element);
    ASSERT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == false; }));
    {
        WindowManagerHeld manager(connection());
        if (!manager.held()) GTEST_SKIP() << "the window manager's process is not known";
        if (GetParam().minimisedOnTheWay) {
            // As xdotool's windowminimize does; processed by the server once the round trip
            // answers, before anything Brindlow sends after.
            const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
            xcb_ewmh_send_client_message(connection().xcb(), handed.window(), connection().root(),
                                         connection().atom("WM_CHANGE_STATE"), 1, &iconic);
            connection().sync();
        }
        // Read shown still: the window manager has handled nothing yet.
        platform_.panelDesktop->handFocusBack(handed.window());
        connection().sync();
    }
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const bool minimised = GetParam().minimisedOnTheWay;
    EXPECT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == minimised; }));
    // Whatever of ours came after is handled too.
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const auto snapshot = readWindow(connection(), handed.window());
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->wmState == XCB_ICCCM_WM_STATE_ICONIC, minimised)
        << "WM_STATE " << snapshot->wmState.value_or(0);
    if (!minimised) {
        EXPECT_TRUE(settle([&] { return readActiveWindow(connection()) == handed.window(); }));
    }
}

INSTANTIATE_TEST_SUITE_P(HandBacks, FocusHandBack,
                         ::testing::Values(HandBackCase{"AfterTheUsersMinimiseOnItsWay", true},
                                           HandBackCase{"WithNothingInItsWay", false}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
