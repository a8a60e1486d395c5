// What is done for one window manager's habit is done beside it and nowhere else: a plain window
// manager of the test client's takes over under the name of the one whose habit is tried, and
// shows what the requests did.
#include <gtest/gtest.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

class BesideAPlainWindowManager : public X11Fixture {
  protected:
    void TearDown() override {
        // Later tests need the session's window manager: a new one of its kind takes over.
        if (tookOver_) {
            plain_.reset();
            runProcess(freshWindowManagerCommand());
            EXPECT_TRUE(settle([&] { return windowManagerRuns(connection()); }));
            // Once it manages a new window, it has taken on the others too.
            EXPECT_EQ(runProcess({BRINDLOW_TESTCLIENT_PATH, "--probe"}).status, 0);
        }
        X11Fixture::TearDown();
    }

    // Takes over as a plain window manager named `name`, known to the registry by its traits.
    void takeOverAs(const std::string& name, std::vector<std::string> options = {}) {
        BRINDLOW_SKIP_UNLESS_REPLACEABLE(connection());
        tookOver_ = true;
        options.insert(options.begin(), {"--window-manager", name});
        plain_ = std::make_unique<TestClientProcess>(options);
        ASSERT_TRUE(plain_->ready()) << plain_->linesPassedOver();
        ASSERT_TRUE(settle([&] {
            return desktop().registry().hasWindowManager() &&
                   desktop().registry().windowManagerTraits().name == name;
        }));
    }

    // The root's children, bottom to top: the plain window manager frames nothing.
    std::vector<xcb_window_t> stacking() {
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(
            connection().xcb(), xcb_query_tree(connection().xcb(), connection().root()), nullptr));
        if (!tree) return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return {children, children + xcb_query_tree_children_length(tree.get())};
    }

    bool tookOver_ = false;
    std::unique_ptr<TestClientProcess> plain_;
};

// xfwm4 leaves a restack request undone but follows a restack of the frame itself: a window
// behind goes above the one asked for all the same.
TEST_F(BesideAPlainWindowManager, ARestackLeftUndoneIsMadeOnTheFrame) {
    takeOverAs("Xfwm4");
    if (HasFatalFailure() || IsSkipped()) return;
    ASSERT_FALSE(desktop().registry().windowManagerTraits().honoursRestack);
    TestClientProcess back({"--title", "back", "--unframed"});
    TestClientProcess front({"--title", "front", "--unframed"});
    ASSERT_TRUE(back.ready() && front.ready());
    ASSERT_TRUE(settle([&] {
        return desktop().registry().isClient(back.window()) &&
               desktop().registry().isClient(front.window());
    }));
    const auto above = [&] {
        const std::vector<xcb_window_t> order = stacking();
        const auto at = [&](xcb_window_t w) { return std::find(order.begin(), order.end(), w); };
        return at(back.window()) > at(front.window());
    };
    ASSERT_FALSE(above());
    ASSERT_EQ(desktop().stacking().restackAbove(back.window(), front.window()), axerror::success);
    EXPECT_TRUE(settle(above)) << "the window stayed behind";
}

// A parked window (less than half of it on the screen) that the window manager keeps in view is
// hidden only beside one known to pull windows back; openbox keeps a sliver of it in view, which
// is no pull, and so a window it shows whole is left alone, asked alone or in a batch.
struct Asked {
    const char* name;
    std::function<AXError(X11Desktop&, xcb_window_t, const Rect&)> move;
};

void PrintTo(const Asked& asked, std::ostream* out) {
    *out << asked.name;
}

class ClampedBesideOpenbox : public BesideAPlainWindowManager,
                             public ::testing::WithParamInterface<Asked> {};

TEST_P(ClampedBesideOpenbox, AParkedWindowKeptInViewIsNotHidden) {
    takeOverAs("Openbox", {"--clamps-into-view"});
    if (HasFatalFailure() || IsSkipped()) return;
    ASSERT_FALSE(desktop().registry().windowManagerTraits().keepsWindowsOnScreen);
    TestClientProcess client({"--title", "parked", "--size", "400x300", "--unframed"});
    ASSERT_TRUE(client.ready());
    const xcb_window_t window = client.window();
    ASSERT_TRUE(settle([&] { return desktop().registry().isClient(window); }));
    // 20 points of it on the screen; the window manager keeps it whole, at x 1520.
    ASSERT_EQ(GetParam().move(desktop(), window, Rect(1900, 100, 400, 300)), axerror::success);
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const auto shown = desktop().registry().read(window);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->mapped) << "hidden";
    EXPECT_EQ(shown->wmState, XCB_ICCCM_WM_STATE_NORMAL);
    EXPECT_EQ(shown->outerFrame(), Rect(1520, 100, 400, 300));
}

INSTANTIATE_TEST_SUITE_P(
    AloneOrInABatch, ClampedBesideOpenbox,
    ::testing::Values(
        Asked{"alone",
              [](X11Desktop& desktop, xcb_window_t window, const Rect& frame) {
                  return desktop.frameWriter().moveResize(window, frame.origin(), frame.size(),
                                                          5.0);
              }},
        Asked{"batch",
              [](X11Desktop& desktop, xcb_window_t window, const Rect& frame) {
                  return desktop.frameWriter().setFrames({{window, frame}}, 5.0).front().error;
              }}),
    [](const auto& asked) { return std::string(asked.param.name); });

// Beside a window manager that focuses new windows, its focus for a map may come a moment after it
// shows the window (metacity under a compositor, once the window has drawn). A new window parked
// meanwhile is not iconified before that focus: it would lose it to a window the window manager
// picks instead. One that is never focused goes out of sight all the same.
struct MapFocus {
    const char* name;
    bool focusedLate;
};

void PrintTo(const MapFocus& focus, std::ostream* out) {
    *out << focus.name;
}

class ANewWindowParkedBesideMetacity : public BesideAPlainWindowManager,
                                       public ::testing::WithParamInterface<MapFocus> {};

TEST_P(ANewWindowParkedBesideMetacity, KeepsTheFocusTheWindowManagerGivesItsMap) {
    takeOverAs("Metacity", {"--clamps-into-view"});
    if (HasFatalFailure() || IsSkipped()) return;
    ASSERT_TRUE(desktop().registry().windowManagerTraits().focusesNewWindows);
    TestClientProcess client({"--title", "new", "--size", "400x300", "--unframed"});
    ASSERT_TRUE(client.ready());
    const xcb_window_t window = client.window();
    ASSERT_TRUE(settle([&] { return desktop().registry().isClient(window); }));

    std::promise<void> parking;
    std::future<void> parked = std::async(std::launch::async, [&] {
        parking.set_value();
        desktop().parking().hideParked({window});
    });
    parking.get_future().wait();
    // The plain window manager focuses nothing: the test gives the map's late focus.
    if (GetParam().focusedLate) {
        xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, connection().root(),
                            connection().ewmh()->_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 32, 1,
                            &window);
        connection().flush();
    }
    parked.wait();
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const auto shown = desktop().registry().read(window);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->wmState,
              GetParam().focusedLate ? XCB_ICCCM_WM_STATE_NORMAL : XCB_ICCCM_WM_STATE_ICONIC);
    xcb_delete_property(connection().xcb(), connection().root(),
                        connection().ewmh()->_NET_ACTIVE_WINDOW);
    connection().flush();
}

INSTANTIATE_TEST_SUITE_P(FocusedOrNot, ANewWindowParkedBesideMetacity,
                         ::testing::Values(MapFocus{"FocusedAMomentLater", true},
                                           MapFocus{"NeverFocused", false}),
                         [](const auto& focus) { return std::string(focus.param.name); });

}  // namespace
}  // namespace brindlow::test
