// The compositor watch follows the owner of _NET_WM_CM_S<screen>: a connection of the test's own
// plays the compositor that takes the selection and redirects the windows, and loses it with its
// window or its connection. An owner that redirects nothing draws nothing: no compositor.
#include <gtest/gtest.h>
#include <xcb/composite.h>
#include <xcb/xfixes.h>

#include <atomic>

#include <cstdlib>

#include "platform/x11/overlay/X11CompositorWatch.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

class CompositorWatchX11Test : public X11Fixture {
  protected:
    // A compositor's start: a window of its own that owns the selection; a real one also
    // redirects the windows (until its connection goes) to draw them itself.
    xcb_window_t takeSelection(X11Connection& compositor, bool redirect = true) {
        xcb_connection_t* c = compositor.xcb();
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, compositor.root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c, window, selection(compositor), XCB_CURRENT_TIME);
        if (redirect) {
            std::free(xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4),
                                                        nullptr));
            xcb_composite_redirect_subwindows(c, compositor.root(), XCB_COMPOSITE_REDIRECT_MANUAL);
        }
        compositor.sync();
        return window;
    }
    // Someone holds the selection already (a window manager that composites, or says so).
    bool selectionTaken() {
        XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            connection().xcb(),
            xcb_get_selection_owner(connection().xcb(), selection(connection())), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }
    static xcb_atom_t selection(X11Connection& x) {
        return x.atom("_NET_WM_CM_S" + std::to_string(x.screenNumber()));
    }
};

TEST_F(CompositorWatchX11Test, FollowsTheSelectionOwnerAsItComesAndGoes) {
    if (selectionTaken()) GTEST_SKIP() << "the window manager composites itself";
    X11CompositorWatch watch(connection(), main_);
    int changes = 0;
    watch.addObserver([&] { ++changes; });

    auto compositor = X11Connection::open();
    ASSERT_TRUE(compositor);
    const xcb_window_t owner = takeSelection(*compositor);
    ASSERT_TRUE(main_.runUntil([&] { return watch.running(); }));
    EXPECT_EQ(changes, 1);

    // Its window destroyed: stopped.
    xcb_destroy_window(compositor->xcb(), owner);
    compositor->sync();
    ASSERT_TRUE(main_.runUntil([&] { return !watch.running(); }));
    EXPECT_EQ(changes, 2);

    // Started again, then its connection gone without a word.
    takeSelection(*compositor);
    ASSERT_TRUE(main_.runUntil([&] { return watch.running(); }));
    compositor.reset();
    ASSERT_TRUE(main_.runUntil([&] { return !watch.running(); }));
    EXPECT_EQ(changes, 4);
}

// Its windows stay where X draws them, transparent pixels black: the owner is no compositor until
// it redirects them (taken then, a moment after the selection).
TEST_F(CompositorWatchX11Test, AnOwnerThatRedirectsNoWindowIsNoCompositor) {
    if (selectionTaken()) GTEST_SKIP() << "the window manager holds the selection itself";
    X11CompositorWatch watch(connection(), main_);
    int changes = 0;
    watch.addObserver([&] { ++changes; });

    // Told after the watch heard of the owner: the watch's listener came first, and so does
    // what it queued.
    const int notify = xcb_get_extension_data(connection().xcb(), &xcb_xfixes_id)->first_event +
                       XCB_XFIXES_SELECTION_NOTIFY;
    std::atomic<bool> heard = false;
    const auto listener = connection().addListener([&](const X11Connection::Event& event) {
        if ((event.response_type & 0x7f) == notify) main_.async([&] { heard = true; });
    });
    auto holder = X11Connection::open();
    ASSERT_TRUE(holder);
    const xcb_window_t owner = takeSelection(*holder, /*redirect=*/false);
    ASSERT_TRUE(main_.runUntil([&] { return heard.load(); }));
    connection().removeListener(listener);
    EXPECT_FALSE(watch.running());
    xcb_destroy_window(holder->xcb(), owner);
    holder->sync();
    auto compositor = X11Connection::open();
    ASSERT_TRUE(compositor);
    takeSelection(*compositor);
    ASSERT_TRUE(main_.runUntil([&] { return watch.running(); }));
    // Only the owner that draws counted.
    EXPECT_EQ(changes, 1);
}

TEST_F(CompositorWatchX11Test, AWatchMadeWhileACompositorRunsSaysSoAtOnce) {
    auto compositor = X11Connection::open();
    ASSERT_TRUE(compositor);
    takeSelection(*compositor);
    X11CompositorWatch watch(connection(), main_);
    EXPECT_TRUE(watch.running());
}

}  // namespace
}  // namespace brindlow::test
