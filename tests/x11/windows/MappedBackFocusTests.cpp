// What the running window manager does with a window mapped back from the iconic state, as
// Brindlow maps back a parked window: its traits say whether it gives that window the focus.
#include "platform/x11/connection/X11Properties.h"
#include "x11/e2e/AppProcess.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

class MappedBack : public X11Fixture {
  protected:
    void TearDown() override {
        if (pointer_)
            xdotool(
                {"mousemove", std::to_string(int(pointer_->x)), std::to_string(int(pointer_->y))});
        X11Fixture::TearDown();
    }
    std::optional<Point> pointer_;
};

TEST_F(MappedBack, TakesTheFocusExactlyWhereTheTraitsSaySo) {
    // Beside a window manager that focuses under the pointer, the pointer rests away from both.
    if (const auto pointer = platform_.pointer ? platform_.pointer() : std::nullopt)
        pointer_ = pointer->location;
    ASSERT_TRUE(xdotool({"mousemove", "1900", "1070"}));
    TestClientProcess kept({"--title", "mapped-back-kept", "--at", "100,100", "--size", "400x300"});
    TestClientProcess parked(
        {"--title", "mapped-back-parked", "--at", "600,100", "--size", "400x300"});
    ASSERT_TRUE(kept.ready() && parked.ready());
    const xcb_window_t a = kept.window(), b = parked.window();
    ASSERT_TRUE(settle(
        [&] { return desktop().registry().isClient(a) && desktop().registry().isClient(b); }));
    const auto state = [&](xcb_window_t window) {
        const auto snapshot = readWindow(connection(), window);
        return snapshot ? snapshot->wmState.value_or(0) : 0u;
    };
    ASSERT_TRUE(xdotool({"windowminimize", std::to_string(b)}));
    ASSERT_TRUE(settle([&] { return state(b) == 3; })) << "not iconified";
    ASSERT_TRUE(xdotool({"windowactivate", std::to_string(a)}));
    ASSERT_TRUE(settle([&] { return readActiveWindow(connection()) == a; }));
    // Mapped back by a client other than its own, as Brindlow does.
    xcb_map_window(connection().xcb(), b);
    connection().flush();
    ASSERT_TRUE(settle([&] { return state(b) == 1; })) << "not mapped back";
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const bool expected = runningWindowManagerTraits(connection()).focusesMappedBack;
    // A window manager that focuses it may say so a moment after it shows it.
    settle([&] { return (readActiveWindow(connection()) == b) == expected; }, 1.0);
    EXPECT_EQ(readActiveWindow(connection()) == b, expected)
        << sessionWindowManager() << ": the traits say it "
        << (expected ? "focuses" : "does not focus") << " a window mapped back";
}

}  // namespace
}  // namespace brindlow::test
