// The focus a window mapped back from parking took goes back to the window that had it, beside a
// window manager that focuses a window leaving the iconic state, when the user's minimise of that
// window is on its way to the window manager too.
#include <gtest/gtest.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <atomic>
#include <ostream>
#include <string>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

struct ReturnCase {
    const char* name;
    bool minimisedOnTheWay;  // the user's minimise reached the server just before the hand-back
};

void PrintTo(const ReturnCase& row, std::ostream* out) {
    *out << row.name;
}

class FocusReturn : public X11Fixture, public ::testing::WithParamInterface<ReturnCase> {
  protected:
    void TearDown() override {
        if (pointer_)
            xdotool(
                {"mousemove", std::to_string(int(pointer_->x)), std::to_string(int(pointer_->y))});
        X11Fixture::TearDown();
    }
    std::optional<Point> pointer_;
};

// The window manager names the window mapped back active while the user's minimise of the window
// that had the focus waits for it: the focus is not handed back to that window, which stays
// minimised. Without a minimise the focus is handed back.
TEST_P(FocusReturn, NeverUndoesTheUsersMinimiseOnItsWay) {
    const WindowManagerTraits traits = runningWindowManagerTraits(connection());
    if (!traits.keepsWindowsOnScreen || !traits.focusesMappedBack)
        GTEST_SKIP() << "beside " << traits.name
                     << ": parking maps no window back that the window manager would focus";
    if (const auto pointer = platform_.pointer ? platform_.pointer() : std::nullopt)
        pointer_ = pointer->location;
    TestClientProcess parked({"--title", "returned-from", "--size", "400x300"});
    TestClientProcess worked({"--title", "returned-to"});
    const AXElementRef element = windowElement(worked);
    ASSERT_TRUE(windowElement(parked) && element);
    const xcb_window_t from = parked.window(), to = worked.window();
    const Rect inView(120, 90, 700, 500);
    ASSERT_EQ(desktop().frameWriter().moveResizeAll(
                  {{from, inView}, {to, Rect(1000, 90, 600, 400)}}, 2.0),
              axerror::success);
    // Over the window worked in, for a window manager whose focus follows the pointer.
    xcb_warp_pointer(connection().xcb(), XCB_WINDOW_NONE, connection().root(), 0, 0, 0, 0, 1300,
                     290);
    connection().sync();
    ASSERT_EQ(element->performAction(ax::raiseAction), axerror::success);
    ASSERT_TRUE(settle([&] { return desktop().registry().activeWindow() == to; }));
    const auto state = [&](xcb_window_t window) {
        const auto snapshot = readWindow(connection(), window);
        return snapshot ? snapshot->wmState.value_or(0) : 0u;
    };
    ASSERT_EQ(desktop().frameWriter().moveResizeAll({{from, Rect(3000, 90, 700, 500)}}, 2.0),
              axerror::success);
    ASSERT_TRUE(settle([&] { return state(from) == XCB_ICCCM_WM_STATE_ICONIC; }))
        << "not iconified for parking";
    ASSERT_EQ(desktop().frameWriter().moveResizeAll({{from, inView}}, 2.0), axerror::success);
    ASSERT_TRUE(settle([&] { return state(from) == XCB_ICCCM_WM_STATE_NORMAL; }))
        << "not mapped back";
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    ASSERT_EQ(readActiveWindow(connection()), to) << "the window mapped back took the focus";

    // Brindlow's marker before the hand-back, seen here after Brindlow's own listener ran, and
    // the hand-back itself on its way to the window manager.
    std::atomic<bool> marked = false, handedBack = false;
    const xcb_atom_t markerType = connection().atom("_BRINDLOW_FOCUS_HAND_BACK");
    const xcb_atom_t activeType = connection().ewmh()->_NET_ACTIVE_WINDOW;
    const auto listener = connection().addListener([&](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7F) != XCB_CLIENT_MESSAGE) return;
        const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
        if (message.type == markerType) marked = true;
        if (message.type == activeType && message.window == to) handedBack = true;
    });
    {
        WindowManagerHeld manager(connection());
        if (!manager.held()) {
            connection().removeListener(listener);
            GTEST_SKIP() << "the window manager's process is not known";
        }
        if (GetParam().minimisedOnTheWay) {
            // As xdotool's windowminimize does.
            const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
            xcb_ewmh_send_client_message(connection().xcb(), to, connection().root(),
                                         connection().atom("WM_CHANGE_STATE"), 1, &iconic);
            connection().sync();
        }
        // The window manager focusing the window it was asked to map back, as it publishes it
        // (stopped, it is written here for it): soon enough after the map to answer it.
        xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, connection().root(),
                            connection().ewmh()->_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 32, 1, &from);
        EXPECT_TRUE(settle([&] { return marked.load(); }, 5.0)) << "no focus to hand back";
        // Whatever Brindlow sent for the marker is on the server now, after the minimise.
        connection().sync();
    }
    connection().removeListener(listener);
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const bool minimised = GetParam().minimisedOnTheWay;
    EXPECT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == minimised; }));
    // Whatever of ours came after is handled too.
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    EXPECT_EQ(state(to) == XCB_ICCCM_WM_STATE_ICONIC, minimised) << "WM_STATE " << state(to);
    // The window manager still takes that window for the active one (it never saw the other
    // focused): the hand-back changes nothing it says.
    if (!minimised) {
        EXPECT_TRUE(handedBack) << "the focus was not handed back";
    } else {
        // Not handed back: the focus is taken where the window manager has it.
        EXPECT_TRUE(settle(
            [&] { return desktop().registry().activeWindow() == readActiveWindow(connection()); }));
    }
}

INSTANTIATE_TEST_SUITE_P(MappedBack, FocusReturn,
                         ::testing::Values(ReturnCase{"AfterTheUsersMinimiseOnItsWay", true},
                                           ReturnCase{"WithNothingInItsWay", false}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
