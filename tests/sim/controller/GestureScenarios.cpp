#include "CommandScenario.h"

namespace brindlow::test {
namespace {

// Swipes on the left display's strip of half-width columns (gap and outer gap 0, so the snap
// offsets fall every 960 points).
class Gestures : public CommandScenario {
  protected:
    static AppSettings flat(bool animations = false) {
        AppSettings settings;
        settings.animationsEnabled = animations;
        settings.gap = 0;
        settings.outerGap = 0;
        return settings;
    }

    // Four columns, the first focused, the strip at 0.
    void openAtTheStart() {
        open(4, flat());
        focusWindow(id(0));
    }

    void swipe(double amount, double velocity, GestureUnit unit = GestureUnit::points) {
        controller->gestureBegan(Point{500, 500});
        controller->gestureChanged(amount, unit);
        controller->gestureEnded(velocity, unit);
        time.runUntilIdle();
    }
};

TEST_F(Gestures, UpdatesWaitingForTheQueueAreAppliedOnceWithTheNewestAmount) {
    openAtTheStart();
    controller->gestureBegan(Point{500, 500});
    time.runUntilIdle();
    const size_t before = stripQueue->pendingCount();
    controller->gestureChanged(-100, GestureUnit::points);
    controller->gestureChanged(-200, GestureUnit::points);
    controller->gestureChanged(-300, GestureUnit::points);
    EXPECT_EQ(stripQueue->pendingCount(), before + 1);
    time.runUntilIdle();
    EXPECT_DOUBLE_EQ(windows[0].frame().minX(), -300);  // moved with the fingers, unanimated
    EXPECT_DOUBLE_EQ(display().offset, 0);              // the target does not change while dragging
}

TEST_F(Gestures, TheSensitivityScalesTheFingersTravel) {
    AppSettings settings = flat();
    settings.gestureSensitivity = 2.0;
    open(4, settings);
    focusWindow(id(0));
    swipe(-250, 0);  // twice the travel: 500, nearer to 960 than to 0
    EXPECT_DOUBLE_EQ(display().offset, 960);
}

// The release coasts on the display clock and settles on the column nearest to where the fling
// projects, which takes the focus.
TEST_F(Gestures, AReleaseCoastsAndSettlesOnTheNearestColumnAndFocusesIt) {
    open(4, flat(true));
    animate();
    focusWindow(id(0));
    animate();
    snapshots.clear();
    // 300 points of travel alone settle back on 0; flung at 2000 pt/s it projects to 700.
    swipe(-300, -2000);
    EXPECT_GT(animate(), 1);
    EXPECT_DOUBLE_EQ(display().offset, 960);
    EXPECT_EQ(display().focusedIndex, 1);
    EXPECT_EQ(logLines("Swipe settled on column 2").size(), 1u);
    EXPECT_TRUE(std::any_of(snapshots.begin(), snapshots.end(), [](const StripSnapshot& shown) {
        return shown.reason == SnapshotReason::focus("LEFT");
    }));
    EXPECT_DOUBLE_EQ(windows[1].frame().minX(), 0);
    EXPECT_TRUE(windows[1].isFocused());
}

// A swipe cut short by the pause never ends on its own: resuming lays the strip out where it
// stands, and raises are no longer held back for a landing that will not come.
TEST_F(Gestures, PausingInTheMiddleOfASwipeStopsIt) {
    openAtTheStart();
    const Rect home = windows[0].frame();
    controller->gestureBegan(Point{500, 500});
    controller->gestureChanged(-100, GestureUnit::points);
    time.runUntilIdle();
    ASSERT_NE(windows[0].frame(), home);
    run(Command::Kind::togglePause);
    const Rect before = windows[0].frame();
    controller->gestureChanged(-700, GestureUnit::points);
    controller->gestureEnded(-3000, GestureUnit::points);
    time.runUntilIdle();
    EXPECT_EQ(windows[0].frame(), before);
    EXPECT_DOUBLE_EQ(display().offset, 0);
    run(Command::Kind::togglePause);
    EXPECT_EQ(windows[0].frame(), home);
    run(Command::Kind::focusRight);
    EXPECT_TRUE(windows[1].isFocused());
}

TEST_F(Gestures, ASecondSwipeOnAnotherDisplayFirstPutsTheFirstOneBack) {
    desktop.openWindow(term, {.title = "r", .frame = {2000, 100, 600, 400}});
    openAtTheStart();
    controller->gestureBegan(Point{500, 500});
    controller->gestureChanged(-700, GestureUnit::points);
    time.runUntilIdle();
    ASSERT_DOUBLE_EQ(windows[0].frame().minX(), -700);
    controller->gestureBegan(Point{2500, 500});  // the first swipe never ended
    time.runUntilIdle();
    EXPECT_DOUBLE_EQ(windows[0].frame().minX(), 0);
}

TEST_F(Gestures, NothingHappensWithoutABeginOrWhilePaused) {
    open(4, flat());
    const Rect before = windows[0].frame();
    controller->gestureChanged(-500, GestureUnit::points);
    controller->gestureEnded(-3000, GestureUnit::points);
    time.runUntilIdle();
    EXPECT_EQ(windows[0].frame(), before);
    run(Command::Kind::togglePause);
    swipe(-500, -3000);
    EXPECT_EQ(windows[0].frame(), before);
}

}  // namespace
}  // namespace brindlow::test
