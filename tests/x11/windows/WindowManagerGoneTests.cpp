// A window manager that stops answering and then ends: no wait for it outlives it, and what it
// left undone reaches the windows directly.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

// How the move is asked: alone, or as a batch of frames (as a layout and the quit ask).
struct Asked {
    const char* name;
    std::function<AXError(X11Desktop&, xcb_window_t, const Rect&, double)> move;
};
void PrintTo(const Asked& asked, std::ostream* out) {
    *out << asked.name;
}

class WindowManagerGone : public X11Fixture, public ::testing::WithParamInterface<Asked> {
  protected:
    void TearDown() override {
        // Later tests need the session's window manager: a new one of its kind takes over.
        if (tookOver_) {
            runProcess(freshWindowManagerCommand());
            EXPECT_TRUE(settle([&] { return windowManagerRuns(connection()); }));
            // Once it manages a new window, it has taken on the others too.
            EXPECT_EQ(runProcess({BRINDLOW_TESTCLIENT_PATH, "--probe"}).status, 0);
        }
        X11Fixture::TearDown();
    }

    bool tookOver_ = false;
};

// The move goes out to a window manager that answered before and now stalls; it is killed while
// the move waits for its answer (given half a minute). The wait ends with it, and the window
// gets the frame it was asked for without one.
TEST_P(WindowManagerGone, AMoveItNeverCarriedOutReachesTheWindowOnceItEnds) {
    BRINDLOW_SKIP_UNLESS_REPLACEABLE(connection());
    TestClientProcess client({"--title", "left behind", "--size", "400x300"});
    ASSERT_TRUE(client.ready());
    const xcb_window_t window = client.window();
    ASSERT_TRUE(settle([&] { return desktop().registry().isClient(window); }));

    tookOver_ = true;
    TestClientProcess stalling({"--stalling-window-manager", std::to_string(window)});
    ASSERT_TRUE(stalling.ready()) << stalling.linesPassedOver();
    ASSERT_TRUE(settle([&] {
        return desktop().registry().hasWindowManager() &&
               desktop().registry().clients() == std::vector<xcb_window_t>{window};
    }));
    // An activation's wait: the window manager is known to answer from now on.
    ASSERT_EQ(desktop().activation().activate(window, 5.0), axerror::success);

    const Rect target(200, 150, 500, 350);
    std::future<AXError> moved = std::async(
        std::launch::async, [&] { return GetParam().move(desktop(), window, target, 30.0); });
    ASSERT_TRUE(stalling.waitForLine("heard move")) << stalling.linesPassedOver();
    stalling.kill();
    EXPECT_EQ(moved.get(), axerror::success);
    const auto now = desktop().registry().read(window);
    ASSERT_TRUE(now);
    EXPECT_EQ(now->outerFrame(), target);
}

INSTANTIATE_TEST_SUITE_P(
    AloneOrInABatch, WindowManagerGone,
    ::testing::Values(
        Asked{"alone",
              [](X11Desktop& desktop, xcb_window_t window, const Rect& frame, double timeout) {
                  return desktop.frameWriter().moveResize(window, frame.origin(), frame.size(),
                                                          timeout);
              }},
        Asked{"batch",
              [](X11Desktop& desktop, xcb_window_t window, const Rect& frame, double timeout) {
                  return desktop.frameWriter().setFrames({{window, frame}}, timeout).front().error;
              }}),
    [](const ::testing::TestParamInfo<Asked>& asked) { return std::string(asked.param.name); });

}  // namespace
}  // namespace brindlow::test
