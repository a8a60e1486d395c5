// Command behaviour at the edges: dispatch, raises during a scroll, widths, centring, stacks and
// heights with their refusals, and the commands that cross displays, float or go full screen.
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

// MARK: Widths and centring

TEST_F(CommandEdges, NarrowerAtTheNarrowestCountsOnlyWhenItClearsARefusedWidth) {
    open(2);
    // A window that will not go below 400 points: at a tenth of the width its refusal is learned.
    windows[1].setMinimumSize({400, 100});
    for (int i = 0; i < 4; ++i) run(Command::Kind::narrower);  // 0.5 down to 0.1
    time.advance(3.0);
    ASSERT_DOUBLE_EQ(focusedColumn().widthFraction, 0.1);
    ASSERT_EQ(logLines("Editor needs 400 points, not").size(), 1u);
    snapshots.clear();
    run(Command::Kind::narrower);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.1);
    EXPECT_LT(placed(id(1)).width, 400);  // the refusal is forgotten
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    // Nothing left to clear: the same step changes nothing and publishes nothing.
    snapshots.clear();
    run(Command::Kind::narrower);
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(CommandEdges, AWidthStepOfZeroOrLessActsAsOneHundredth) {
    AppSettings settings = stillSettings();
    settings.widthStep = 0;
    open(2, settings);
    run(Command::Kind::wider);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.51);
    settings.widthStep = -0.3;
    applySettings(settings);
    run(Command::Kind::narrower);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.5);
}

TEST_F(CommandEdges, CentringAlignsAFullWidthColumnLeftAndLeavesAFittingStripAtZero) {
    open(4);
    focusWindow(id(2));
    run(Command::Kind::fullWidth);
    run(Command::Kind::center);
    const Rect frame = windows[2].frame();
    EXPECT_NEAR(frame.minX(), 0, 1.0);
    EXPECT_DOUBLE_EQ(frame.width, 1920);
}

// MARK: Stacks, tabs and heights

class ShortDisplayCommands : public CommandEdges {
  protected:
    // A left display whose usable height plus the room below it is 600 points.
    void shorten() {
        desktop.setDisplayFrames(left, Rect(0, 0, 1920, 612), std::nullopt);
        time.runUntilIdle();
        controller->screensMayHaveChanged();
        time.runUntilIdle();
    }
};

TEST_F(ShortDisplayCommands, AThirdWindowStacksWhenTheMinimumsFit) {
    open(3);
    shorten();
    run(Command::Kind::stackLeft);
    focusWindow(id(0));
    run(Command::Kind::stackRight);  // 3 x 100 + 2 x 12 = 324 fits in 600
    ASSERT_EQ(columns().size(), 1u);
    EXPECT_EQ(columns()[0].size(), 3u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShortDisplayCommands, AThirdWindowIsRefusedWithNeededAndAvailableHeights) {
    writeLearnedHeights({{"org.example.editor", 300}});
    open(3);
    run(Command::Kind::stackLeft);  // w2 below w1, while the display is tall enough
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(1), id(2)}}));
    shorten();
    run(Command::Kind::focusLeft);
    const DisplaySnapshot before = strip();
    snapshots.clear();
    messages.clear();
    run(Command::Kind::stackRight);
    EXPECT_EQ(strip(), before);
    EXPECT_TRUE(snapshots.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Can't stack these Editor windows");
    EXPECT_EQ(messages[0].detail,
              "With a real gap between them they need more height than the screen has, so they "
              "stay side by side.");
    EXPECT_EQ(messages[0].needed, 924);
    EXPECT_EQ(messages[0].available, 600);
}

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
        EXPECT_DOUBLE_EQ(windows[1].frame().height, 522);
    } else {
        EXPECT_TRUE(messages.empty());
        EXPECT_DOUBLE_EQ(windows[1].frame().height, 524);
        EXPECT_DOUBLE_EQ(windows[0].frame().height, 520);
    }
}

INSTANTIATE_TEST_SUITE_P(Minimums, TallerStep, testing::Values(521.0, 520.0));

// MARK: Displays, floating and full screen

TEST_F(CommandEdges, WithOneDisplaySendingToTheNextDoesNothing) {
    desktop.removeDisplay(right);
    open(2);
    const DisplaySnapshot before = strip();
    run(Command::Kind::sendToNextDisplay);
    EXPECT_EQ(strip(), before);
    EXPECT_TRUE(logLines("Move ").empty());
}

TEST_F(CommandEdges, ASentWindowLandsRightAfterTheTargetsFocusedColumn) {
    desktop.openWindow(term, {.title = "a", .frame = {2000, 100, 600, 400}});
    desktop.openWindow(term, {.title = "b", .frame = {2100, 100, 600, 400}});
    open(2);
    ASSERT_EQ(stripWindows("RIGHT").size(), 2u);
    controller->jump(columns("RIGHT")[0][0]);
    run(Command::Kind::focusLeft);  // back to the left display
    ASSERT_EQ(strip("RIGHT").focusedIndex, 0);
    const WindowID first = columns("RIGHT")[0][0];
    const WindowID second = columns("RIGHT")[1][0];
    run(Command::Kind::sendToNextDisplay);
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{first, id(1), second}));
    EXPECT_EQ(strip("RIGHT").focusedIndex, 1);
    EXPECT_TRUE(windows[1].isFocused());
}

TEST_F(CommandEdges, WithThreeDisplaysTheRightmostSendsToTheLeftmost) {
    desktop.addDisplay({.name = "Far", .frame = {3840, 0, 1920, 1080}, .uuid = "FAR"});
    const SimWindow far = desktop.openWindow(term, {.title = "f", .frame = {4000, 100, 600, 400}});
    open(1);
    ASSERT_TRUE(hasStrip("FAR"));
    far.focus();
    term.activate();
    time.runUntilIdle();
    ASSERT_EQ(activeDisplay(), "FAR");
    run(Command::Kind::sendToNextDisplay);
    EXPECT_EQ(stripWindows("FAR"), std::vector<WindowID>{});
    EXPECT_EQ(stripWindows("LEFT").size(), 2u);
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_EQ(logLines("Move Term to display Left").size(), 1u);
}

TEST_F(CommandEdges, MovingLeftAcrossLandsBeforeTheRightPinnedBlockAtTheDefaultWidth) {
    const SimWindow other =
        desktop.openWindow(term, {.title = "r", .frame = {2000, 100, 600, 400}});
    open(3);
    run(Command::Kind::pinRight);
    other.focus();
    term.activate();
    time.runUntilIdle();
    ASSERT_EQ(activeDisplay(), "RIGHT");
    run(Command::Kind::narrower);
    run(Command::Kind::narrower);
    ASSERT_DOUBLE_EQ(strip("RIGHT").columns[0].widthFraction, 0.3);
    run(Command::Kind::moveLeft);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1), other.id(), id(2)}));
    EXPECT_EQ(strip().focusedIndex, 2);
    EXPECT_DOUBLE_EQ(strip().columns[2].widthFraction, 0.5);
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_EQ(stripWindows("RIGHT"), std::vector<WindowID>{});
}

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
