// The focus frames follow the focus wherever the controller takes it up: a focus the user moved
// to the other display, and every raise, framed again once the window manager has restacked.
#include "CommandScenario.h"

namespace brindlow::test {
namespace {

class FocusFrames : public CommandScenario {
  protected:
    static AppSettings bordered() {
        AppSettings settings = stillSettings();
        settings.focusBorder = true;
        return settings;
    }
};

// The right display's strip already has its window focused: following the user there changes no
// strip, yet the frames must say which display has the focus now.
TEST_F(FocusFrames, AFocusFollowedOntoTheOtherDisplayIsFramed) {
    const SimWindow there =
        desktop.openWindow(term, {.title = "there", .frame = {2100, 100, 700, 500}});
    open(1, bordered());
    time.advance(1.0);
    ASSERT_EQ(activeDisplay(), "LEFT");
    ASSERT_EQ(focusedWindow("RIGHT"), there.id());
    arrivals.clear();
    focusFrames.clear();
    desktop.app(term.pid()).activate();
    there.focus();
    time.runUntilIdle();
    ASSERT_EQ(activeDisplay(), "RIGHT");
    ASSERT_FALSE(arrivals.empty());
    EXPECT_EQ(arrivals.back(), 'f') << arrivals;
    ASSERT_FALSE(focusFrames.empty());
    EXPECT_EQ(focusFrames.back().size(), 2u);
}

// A raise is framed once the window manager has restacked (50 ms) and again for a slow one
// (250 ms), with nothing else changing in between.
struct RaiseCase {
    const char* name;
    double from;  // seconds after the raise
    double to;
};

class FramesAfterARaise : public FocusFrames, public ::testing::WithParamInterface<RaiseCase> {};

TEST_P(FramesAfterARaise, ArriveWithoutAnyOtherChange) {
    open(3, bordered());
    time.advance(1.0);
    run(Command::Kind::focusLeft);  // raises the newly focused window
    time.advance(GetParam().from);
    arrivals.clear();
    time.advance(GetParam().to - GetParam().from);
    EXPECT_EQ(arrivals, "f");
}

INSTANTIATE_TEST_SUITE_P(Delays, FramesAfterARaise,
                         ::testing::Values(RaiseCase{"WhenRestacked", 0.0, 0.1},
                                           RaiseCase{"WhenASlowManagerRestacked", 0.1, 0.3}),
                         [](const ::testing::TestParamInfo<RaiseCase>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
}  // namespace brindlow::test
