// The compositor watch follows the owner of _NET_WM_CM_S<screen>: a connection of the test's own
// plays the compositor that takes the selection, and loses it with its window or its connection.
#include <gtest/gtest.h>

#include "platform/x11/overlay/X11CompositorWatch.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

class CompositorWatchX11Test : public X11Fixture {
  protected:
    // A compositor's start: a window of its own that owns the selection.
    xcb_window_t takeSelection(X11Connection& compositor) {
        xcb_connection_t* c = compositor.xcb();
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, compositor.root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c, window, selection(compositor), XCB_CURRENT_TIME);
        compositor.sync();
        return window;
    }
    static xcb_atom_t selection(X11Connection& x) {
        return x.atom("_NET_WM_CM_S" + std::to_string(x.screenNumber()));
    }
};

TEST_F(CompositorWatchX11Test, FollowsTheSelectionOwnerAsItComesAndGoes) {
    X11CompositorWatch watch(connection(), main_);
    if (watch.running()) GTEST_SKIP() << "the window manager composites itself";
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

TEST_F(CompositorWatchX11Test, AWatchMadeWhileACompositorRunsSaysSoAtOnce) {
    auto compositor = X11Connection::open();
    ASSERT_TRUE(compositor);
    takeSelection(*compositor);
    X11CompositorWatch watch(connection(), main_);
    EXPECT_TRUE(watch.running());
}

}  // namespace
}  // namespace brindlow::test
