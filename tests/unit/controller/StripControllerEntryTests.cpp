// The strip controller through its entry points on the sim desktop: a pause drops raises, and
// a focused column a swipe drags off the display has no focus frame to show.
#include "sim/controller/ControllerScenario.h"

namespace brindlow::test {
namespace {

class StripControllerEntries : public FiveWindowScenario {};

// While paused nothing is raised: a restore, which lays the strips out again even then, leaves
// the window the user focused in front.
TEST_F(StripControllerEntries, ARaiseWhilePausedIsDropped) {
    start(stillSettings());
    ASSERT_EQ(display().strip.focusedWindowID(), windows[0].id());
    std::optional<SessionSnapshot> saved;
    controller->captureSnapshot([&saved](SessionSnapshot snapshot) { saved = snapshot; });
    time.runUntilIdle();
    ASSERT_TRUE(saved);
    controller->perform(Command::Kind::togglePause);
    time.runUntilIdle();
    desktop.app(editor.pid()).activate();
    windows[3].focus();
    time.runUntilIdle();
    controller->restoreLayout(*saved, nullptr);
    time.runUntilIdle();
    EXPECT_TRUE(windows[3].isFocused());
    EXPECT_FALSE(windows[0].isFocused());
}

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
    ASSERT_DOUBLE_EQ(display().displayedOffset, 2000);
    ASSERT_FALSE(focusFrames.empty());
    const std::vector<FocusFrame>& latest = focusFrames.back();
    const auto left = std::find_if(latest.begin(), latest.end(), [](const FocusFrame& frame) {
        return frame.displayUUID == "LEFT";
    });
    ASSERT_NE(left, latest.end());
    EXPECT_TRUE(left->moving);
    EXPECT_FALSE(left->frame);

    EXPECT_FALSE(left->windowNumber);
}

}  // namespace
}  // namespace brindlow::test
