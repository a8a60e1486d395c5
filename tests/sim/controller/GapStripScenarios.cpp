// The gap strips a layout publishes: a band inside a stack where a window that cannot shrink
// intrudes, ordered above that window's window-server number.
#include <algorithm>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class GapStrips : public ControllerScenario, public testing::WithParamInterface<double> {
  protected:
    SimWindow tall;
    SimWindow small;
    ManualExecutor tallApp{time, "org.example.tall.events"};

    // A window that cannot be shorter than 880 points and snaps back to 400×880 a moment after
    // every resize, beside a short focused window of another application.
    void SetUp() override {
        ControllerScenario::SetUp();
        left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
        tall =
            desktop.openWindow(desktop.launchApp({.name = "Tall", .bundleID = "org.example.tall"}),
                               {.title = "tall", .frame = {100, 100, 400, 880}});
        small = desktop.openWindow(
            desktop.launchApp({.name = "Small", .bundleID = "org.example.small", .activate = true}),
            {.title = "small", .frame = {600, 100, 400, 200}, .focus = true});
        tall.onWrite([this](const SimWindow& window, const std::string& attribute) {
            if (attribute != "AXSize" || window.frame().width == 400) return;
            tallApp.async([window] { window.setFrame(Rect(window.frame().origin(), {400, 880})); });
        });
        time.runUntilIdle();
        writeLearnedHeights({{"org.example.tall", 880}});
    }

    // The latest published picture of the display.
    const DisplaySnapshot& shown() const { return latest().displays.front(); }

    // The tall window stacked under the small one on a display a 100-point panel then shortens,
    // so that the stack no longer fits and the tall window intrudes into the gap.
    void stackWithoutRoom() {
        AppSettings settings;
        settings.gap = GetParam();
        start(settings);
        animate();
        time.advance(2.0);  // the catch-up pass and the size checks
        ASSERT_EQ(columns()[0], std::vector<WindowID>{tall.id()});
        ASSERT_EQ(focusedWindow(), small.id());
        run(Command::Kind::stackLeft);
        animate();
        time.advance(2.0);
        ASSERT_EQ(columns().size(), 1u);

        // The window server already shows the window at its own width when the layout reads
        // the window list, while the frame read back right after the move still has the width
        // it was given.
        tall.setServerBounds(Rect{12, 112, 400, 880});
        desktop.setDisplayFrames(left, kLeft, Rect{0, 100, 1920, 980});
        time.runUntilIdle();
        snapshots.clear();
        animate();
    }
};

// With a gap under two points there is no band worth covering.
TEST_P(GapStrips, AWindowThatSnapsBackToItsOwnWidthStillGetsItsBandAboveItsWindowNumber) {
    ASSERT_NO_FATAL_FAILURE(stackWithoutRoom());
    // The landing that brings the band is published once, not once more with nothing new.
    EXPECT_EQ(std::adjacent_find(snapshots.begin(), snapshots.end()), snapshots.end());
    const std::vector<GapStrip>& strips = shown().gapStrips;
    if (GetParam() < 2) {
        EXPECT_TRUE(strips.empty());
        return;
    }
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips.front().above, tall.number());
    // The 466-point upper slot's foot, as wide as the column: the width the window snaps back to
    // was learned when the settling pass sent it again.
    EXPECT_EQ(strips.front().rect, Rect(12, 578, 400, 24));
}

// While tiling is paused the windows are the user's to move: no cover stands over a gap.
TEST_P(GapStrips, APauseEmptiesTheCoversAndTheResumeBringsThemBack) {
    ASSERT_NO_FATAL_FAILURE(stackWithoutRoom());
    const std::vector<GapStrip> before = shown().gapStrips;
    run(Command::Kind::togglePause);
    ASSERT_TRUE(latest().paused);
    EXPECT_TRUE(shown().gapStrips.empty());
    run(Command::Kind::togglePause);
    animate();
    EXPECT_EQ(shown().gapStrips, before);
    EXPECT_EQ(before.size(), GetParam() < 2 ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Gaps, GapStrips, testing::Values(24.0, 1.5));

}  // namespace
}  // namespace brindlow::test
