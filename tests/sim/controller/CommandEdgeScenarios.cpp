// Command behaviour the controller itself decides: the focus tail, raises during a scroll, pausing
// animations, stack and height refusals, and a float queued behind a glide.
#include "CommandScenario.h"

namespace brindlow::test {
namespace {

class CommandEdges : public CommandScenario {};

// MARK: Dispatch and raises

// The focus tail takes the badge off before it publishes, whatever the raise does later.
TEST_F(CommandEdges, TheFocusTailPublishesTheFocusedWindowWithoutItsBadge) {
    open(3);
    term.activate();  // the editor's windows are not in front: each can get a badge
    time.runUntilIdle();
    for (const int column : {3, 1}) {  // the focused column, then another
        giveBadge(id(column - 1));
        snapshots.clear();
        run(Command::jumpTo(column));
        ASSERT_FALSE(snapshots.empty());
        const StripSnapshot& first = snapshots.front();
        EXPECT_EQ(first.reason, SnapshotReason::focus("LEFT"));
        const WindowSnapshot& window =
            first.displays.at(0).columns.at(size_t(column - 1)).windows.at(0);
        EXPECT_EQ(window.id, id(column - 1));
        EXPECT_FALSE(window.hasBadge) << "column " << column;
    }
}

TEST_F(CommandEdges, ARaiseDuringAScrollWaitsForTheLanding) {
    AppSettings settings;  // animations on
    open(4, settings);
    ASSERT_TRUE(windows[3].isFocused());
    run(Command::Kind::focusFirst);
    ASSERT_TRUE(link->isRunning());
    EXPECT_FALSE(windows[0].isFocused());
    animate();
    EXPECT_TRUE(windows[0].isFocused());
}

TEST_F(CommandEdges, PausingStopsEveryAnimationAndPublishesThePausedState) {
    AppSettings settings;
    open(4, settings);
    run(Command::Kind::focusFirst);
    ASSERT_TRUE(link->isRunning());
    snapshots.clear();
    focusFrames.clear();
    run(Command::Kind::togglePause);
    std::vector<Rect> frames;
    for (const SimWindow& window : windows) frames.push_back(window.frame());
    animate();
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i].frame(), frames[i]);
    ASSERT_FALSE(snapshots.empty());
    EXPECT_TRUE(snapshots.back().paused);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    // A window that opens while paused moves nothing either.
    desktop.openWindow(editor, {.title = "late", .frame = {300, 200, 700, 500}});
    time.advance(3.0);
    animate();
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i].frame(), frames[i]);
}

// MARK: Stacks, tabs and heights

TEST_F(CommandEdges, ARefusalNamesEachApplicationOnceJoinedWithAnd) {
    writeLearnedHeights({{"org.example.editor", 700}, {"org.example.term", 700}});
    open(1);
    const SimWindow other = desktop.openWindow(term, {.title = "t", .frame = {600, 100, 600, 400}});
    time.advance(1);
    ASSERT_EQ(columns().size(), 2u);
    focusWindow(other.id());
    run(Command::Kind::stackLeft);
    ASSERT_EQ(messages.size(), 1u);
    const std::string first = columns()[0][0] == id(0) ? "Editor" : "Term";
    const std::string second = first == "Editor" ? "Term" : "Editor";
    EXPECT_EQ(messages[0].title, "Can't stack " + first + " and " + second);
}

// A height change the minimum heights swallow almost entirely does not show: it is refused as
// if nothing changed. Two points or more show and are kept. Two stacked windows on 1080 points
// less two outer gaps and one gap are 522 each.
class TallerStep : public CommandScenario, public testing::WithParamInterface<double> {};

TEST_P(TallerStep, UnderTwoPointsIsRefusedAndTwoOrMoreIsKept) {
    const double minimum = GetParam();
    writeLearnedHeights({{"org.example.editor", minimum}});
    open(2);
    run(Command::Kind::stackLeft);  // w1 below w0, the active row
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0), id(1)}}));
    ASSERT_DOUBLE_EQ(windows[0].frame().height, 522);
    ASSERT_DOUBLE_EQ(windows[1].frame().height, 522);
    messages.clear();
    run(Command::Kind::taller);
    if (minimum > 520) {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, "Editor can't get taller here");
        EXPECT_EQ(messages[0].detail, "The other windows in this stack can't get any shorter.");
        EXPECT_DOUBLE_EQ(windows[1].frame().height, 522);
    } else {
        EXPECT_TRUE(messages.empty());
        EXPECT_DOUBLE_EQ(windows[1].frame().height, 524);
        EXPECT_DOUBLE_EQ(windows[0].frame().height, 520);
    }
}

INSTANTIATE_TEST_SUITE_P(Minimums, TallerStep, testing::Values(521.0, 520.0));

// MARK: Floating

// The float arrives while a glide's move for that window still waits in its application's move
// queue: that move must not pull it back into its old column.
TEST_F(CommandEdges, AFloatQueuedBehindAGlideStepIsNotSnappedBack) {
    AppSettings settings;  // animations on
    open(2, settings);
    run(Command::Kind::narrower);
    ASSERT_TRUE(link && link->isRunning());
    // A few frames into the glide, so that its next frame is not where the window already is.
    animate(3);
    time.advance(1.0 / 60.0);
    link->tick(time.now());  // the glide's next frames are handed to the move queue...
    controller->perform(Command::Kind::toggleFloat);  // ...behind the float
    time.runUntilIdle();
    animate();
    time.advance(3);
    EXPECT_FALSE(managed(id(1)));
    // Centred on the 1920×1080 display.
    EXPECT_NEAR(windows[1].frame().midX(), 960, 1);
    EXPECT_NEAR(windows[1].frame().midY(), 540, 1);
}

}  // namespace
}  // namespace brindlow::test
