// The strip controller through its entry points on the sim desktop: a focused column a swipe drags
// off the display has no focus frame to show, a display gone mid-swipe takes the swipe along, and
// the catch-up pass times its back-off from its own start.
#include "sim/controller/ControllerScenario.h"

namespace brindlow::test {
namespace {

class StripControllerEntries : public FiveWindowScenario {};

// Dragged 2000 points along, the focused first column is parked off the left edge: its display's
// focus frame says the strip moves and carries no rectangle for the border.
TEST_F(StripControllerEntries, AFocusedColumnDraggedOffTheDisplayHasNoFocusFrame) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    ASSERT_FALSE(focusFrames.empty());
    ASSERT_TRUE(focusFrames.back().at(0).frame);
    controller->gestureBegan(Point{500, 500});
    controller->gestureChanged(-2000, GestureUnit::points);
    time.runUntilIdle();
    ASSERT_LE(windows[0].frame().maxX(), 10);  // parked, 10 points left on the display
    ASSERT_FALSE(focusFrames.empty());
    const std::vector<FocusFrame>& latest = focusFrames.back();
    const auto leftFrame = std::find_if(latest.begin(), latest.end(), [](const FocusFrame& frame) {
        return frame.displayUUID == "LEFT";
    });
    ASSERT_NE(leftFrame, latest.end());
    EXPECT_TRUE(leftFrame->moving);
    EXPECT_FALSE(leftFrame->frame);
    EXPECT_FALSE(leftFrame->windowNumber);
    // The other display's strip stands still.
    ASSERT_EQ(latest.size(), 2u);
    EXPECT_FALSE(latest[leftFrame == latest.begin() ? 1 : 0].moving);
}

// A display that goes away during a swipe that never ended takes the swipe with it: focus follows
// the mouse again on the display that is left.
TEST_F(StripControllerEntries, ADisplayRemovedMidSwipeLeavesNoSwipeBehind) {
    AppSettings settings = stillSettings();
    settings.focusFollowsMouse = true;
    start(settings);
    controller->gestureBegan(Point{2500, 500});
    time.runUntilIdle();
    desktop.removeDisplay(right);
    controller->screensMayHaveChanged();
    time.runUntilIdle();
    const Rect second = placed(windows[1].id());
    ASSERT_TRUE(inside(second, kLeft));
    controller->focusWindow(Point{second.midX(), second.midY()});
    time.runUntilIdle();
    EXPECT_EQ(focusedWindow(), windows[1].id());
}

// A catch-up pass skips an application whose back-off outlasts the start of the pass, even when
// a slow application earlier in the same pass takes it past the back-off's end: the window the
// second application opened without telling is arranged by the next pass, not by this one.
// (Passes also run every 3 s from the start; the two passes of the test fall between them.)
TEST_F(StripControllerEntries, ARescanBackOffIsCountedAgainstThePassStart) {
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    time.runUntilIdle();
    const double started = time.now();
    start(stillSettings());
    time.advance(1.5);
    // Slow once (0.3 s for its window list): Term is left alone for 30 s from then.
    term.setLatency(0.3);
    controller->catchUpTick();
    time.runUntilIdle();
    const double backOffEnds = time.now() + 30.0;
    term.setLatency(0);
    const SimWindow quiet = desktop.openWindow(term, {.title = "quiet", .notify = false});
    const auto arranged = [&] {
        for (const char* uuid : {"LEFT", "RIGHT"})
            for (const WindowID id : stripWindows(uuid))
                if (id == quiet.id()) return true;
        return false;
    };
    // Half a second before the back-off ends, a pass finds the editor taking 0.9 s.
    time.advance(backOffEnds - 0.5 - time.now());
    editor.setLatency(0.9);
    controller->catchUpTick();
    time.runUntilIdle();
    ASSERT_GT(time.now(), backOffEnds);
    ASSERT_LT(time.now(), started + 33.0);
    EXPECT_FALSE(arranged());
    editor.setLatency(0);
    controller->catchUpTick();
    time.runUntilIdle();
    EXPECT_TRUE(arranged());
}

}  // namespace
}  // namespace brindlow::test
