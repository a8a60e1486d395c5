#include "CommandScenario.h"

namespace brindlow::test {
namespace {

class Commands : public CommandScenario {};

// MARK: Dispatch, pause, focus and order

// A jump to the focused column still runs the focus tail: see TheFocusTailPublishes….
TEST_F(Commands, AJumpOutOfRangeDoesNothing) {
    open(2);
    run(Command::jumpTo(3));
    EXPECT_TRUE(snapshots.empty());
    EXPECT_EQ(logLines("Command jump(3)").size(), 1u);
    EXPECT_EQ(display().focusedIndex, 1);
}

TEST_F(Commands, AFocusBurstIsLaidOutOnceWhereItEndsAndTheNextCommandActsOnItsFocus) {
    open(4);
    for (int i = 0; i < 3; ++i) controller->perform(Command::Kind::focusLeft);
    controller->perform(Command::Kind::focusRight);
    time.runUntilIdle();
    EXPECT_EQ(display().focusedIndex, 1);
    EXPECT_EQ(logLines("Command focusLeft").size(), 3u);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("LEFT"));
    EXPECT_TRUE(windows[1].isFocused());
    EXPECT_EQ(windows[1].frame(), placed(id(1)));

    controller->perform(Command::Kind::focusLeft);
    controller->perform(Command::Kind::moveRight);
    time.runUntilIdle();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(1)}, {id(0)}, {id(2)}, {id(3)}}));
    EXPECT_EQ(display().focusedIndex, 1);
}

TEST_F(Commands, ApplicationSideCommandsAreLoggedAndIgnored) {
    open(2);
    const DisplaySnapshot before = display();
    for (const Command::Kind kind :
         {Command::Kind::toggleFocusBorder, Command::Kind::toggleDimInactive, Command::Kind::search,
          Command::Kind::overview, Command::Kind::showShortcuts})
        run(kind);
    EXPECT_EQ(display(), before);
    EXPECT_EQ(logLines("Command overview").size(), 1u);
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(Commands, WithoutADisplayNothingRunsOrIsLogged) {
    makeController();
    controller->start(stillSettings());
    desktop.removeDisplay(left);
    desktop.removeDisplay(right);
    time.runUntilIdle();
    LogSink::clear();
    run(Command::Kind::focusLeft);
    EXPECT_TRUE(logLines("Command").empty());
}

TEST_F(Commands, MovesSwapColumnsAndWindowsInAStack) {
    open(3);
    run(Command::Kind::moveLeft);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(2), id(1)}));
    EXPECT_EQ(display().focusedIndex, 1);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    run(Command::Kind::stackLeft);  // w2 onto w0
    ASSERT_EQ(columns().front(), (std::vector<WindowID>{id(0), id(2)}));
    run(Command::Kind::moveUp);
    EXPECT_EQ(columns().front(), (std::vector<WindowID>{id(2), id(0)}));
}

TEST_F(Commands, AnAutomaticallyTabbedColumnIsAStackAgainAfterAStructuralChange) {
    // A saved session whose second column was tabbed for lack of room.
    ColumnDescriptor tabs =
        savedColumn({{"org.example.editor", "w1"}, {"org.example.editor", "w2"}});
    tabs.isTabbed = true;
    tabs.autoTabbed = true;
    writeSession({savedColumn({{"org.example.editor", "w0"}}), tabs});
    open(3);
    ASSERT_TRUE(display().columns.at(1).isTabbed);
    run(Command::Kind::wider);
    EXPECT_EQ(logLines("Column 2: automatic tabs back to a stack").size(), 1u);
    for (const ColumnSnapshot& column : display().columns) EXPECT_FALSE(column.isTabbed);
}

// The focus tail takes the badge off before it publishes, whatever the raise does later.
TEST_F(Commands, TheFocusTailPublishesTheFocusedWindowWithoutItsBadge) {
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

TEST_F(Commands, ARaiseDuringAScrollWaitsForTheLanding) {
    AppSettings settings;  // animations on
    open(4, settings);
    ASSERT_TRUE(windows[3].isFocused());
    run(Command::Kind::focusFirst);
    ASSERT_TRUE(link->isRunning());
    EXPECT_FALSE(windows[0].isFocused());
    animate();
    EXPECT_TRUE(windows[0].isFocused());
}

TEST_F(Commands, PausingStopsEveryAnimationAndResumingLaysOutAgain) {
    AppSettings settings;  // animations on
    open(4, settings);
    run(Command::Kind::focusFirst);
    ASSERT_TRUE(link->isRunning());
    run(Command::Kind::togglePause);
    EXPECT_EQ(logLines("Paused").size(), 1u);
    ASSERT_FALSE(snapshots.empty());
    EXPECT_TRUE(snapshots.back().paused);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    std::vector<Rect> frames;
    for (const SimWindow& window : windows) frames.push_back(window.frame());
    LogSink::clear();
    // Neither the glide, nor a window that opens, nor a command moves anything while paused.
    desktop.openWindow(editor, {.title = "late", .frame = {300, 200, 700, 500}});
    run(Command::Kind::focusRight);
    time.advance(3.0);
    animate();
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i].frame(), frames[i]);
    EXPECT_TRUE(logLines("Command").empty());

    windows[0].setFrame({5, 5, 300, 300});
    run(Command::Kind::togglePause);
    EXPECT_FALSE(latest().paused);
    animate();
    EXPECT_NE(windows[0].frame(), (Rect{5, 5, 300, 300}));  // tiled again
}

// MARK: Widths and centring

TEST_F(Commands, CycleWidthWalksThePresetsAndStopsWhenNothingChanges) {
    open(2);
    ASSERT_DOUBLE_EQ(focusedColumn().widthFraction, 0.5);
    run(Command::Kind::cycleWidth);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 2.0 / 3.0);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    AppSettings settings = stillSettings();
    settings.presetWidths = {0.4};
    controller->updateSettings(settings);
    time.runUntilIdle();
    run(Command::Kind::cycleWidth);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.4);
    snapshots.clear();
    run(Command::Kind::cycleWidth);  // the only preset again: nothing changes, nothing is published
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(Commands, WiderNarrowerAndFullWidthChangeTheFocusedColumn) {
    open(2);
    const double before = windows[1].frame().width;
    run(Command::Kind::wider);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.6);
    EXPECT_GT(windows[1].frame().width, before);
    run(Command::Kind::fullWidth);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 1.0);
    EXPECT_DOUBLE_EQ(windows[1].frame().width, 1920);  // the whole viewport
    run(Command::Kind::narrower);
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.9);
}

TEST_F(Commands, CenterScrollsOnceAndOnlyItsLandingPublishes) {
    open(4);
    focusWindow(id(1));
    snapshots.clear();
    const double before = display().offset;
    run(Command::Kind::center);
    EXPECT_NEAR(windows[1].frame().midX(), 960, 1.0);
    // One quiet picture of where the windows now stand, as an animated landing gives.
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::quiet());
    EXPECT_NE(display().offset, before);
    EXPECT_EQ(placed(id(1)), windows[1].frame());
}

// MARK: Stacks, tabs and heights

TEST_F(Commands, StackingBuildsAStackAndAFullColumnOnlyLogs) {
    open(4);
    run(Command::Kind::stackLeft);  // w3 joins w2
    focusWindow(id(1));
    run(Command::Kind::stackRight);  // w1 joins them
    ASSERT_EQ(columns().size(), 2u);
    EXPECT_EQ(columns()[1], (std::vector<WindowID>{id(2), id(3), id(1)}));
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("LEFT"));
    // A third window makes the stack full: w0 cannot join it.
    focusWindow(id(0));
    const DisplaySnapshot before = display();
    run(Command::Kind::stackRight);
    EXPECT_EQ(display(), before);
    EXPECT_EQ(logLines("Stack: nothing to add, or the column already holds 3 windows").size(), 1u);
    EXPECT_TRUE(messages.empty());
}

// A command the strip cannot take: the strip stays as it was and the message says why.
struct Refusal {
    std::string name = {};
    std::map<std::string, double> learnedHeights = {};
    std::vector<Command::Kind> before = {};
    Command::Kind refused = Command::Kind::stackLeft;
    std::string title = {};
    std::string detail = {};  // empty: not checked
    double needed = 0;        // 0: not checked
    double available = 0;     // 0: not checked
};

class Refusals : public CommandScenario, public testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, LeaveTheStripAndSayWhy) {
    const Refusal& refusal = GetParam();
    writeLearnedHeights(refusal.learnedHeights);
    open(2);
    for (const Command::Kind kind : refusal.before) run(kind);
    const std::vector<Rect> frames = {windows[0].frame(), windows[1].frame()};
    messages.clear();
    snapshots.clear();
    run(refusal.refused);
    EXPECT_TRUE(snapshots.empty());
    EXPECT_EQ(frames, (std::vector<Rect>{windows[0].frame(), windows[1].frame()}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, refusal.title);
    if (!refusal.detail.empty()) {
        EXPECT_EQ(messages[0].detail, refusal.detail);
    }
    if (refusal.needed > 0) {
        EXPECT_EQ(messages[0].needed, refusal.needed);
    }
    if (refusal.available > 0) {
        EXPECT_EQ(messages[0].available, refusal.available);
    }
    EXPECT_EQ(logLines("Message: " + refusal.title).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Refusals,
    testing::Values(
        // Two windows of 600 points and a gap of 12, in 1080 points less the outer gap above.
        Refusal{.name = "StackWithoutRoom",
                .learnedHeights = {{"org.example.editor", 600}},
                .refused = Command::Kind::stackLeft,
                .title = "Can't stack these Editor windows",
                .detail = "With a real gap between them they need more height than the screen "
                          "has, so they stay side by side.",
                .needed = 600 + 600 + 12,
                .available = 1068},
        Refusal{.name = "TabsWithoutAStack",
                .refused = Command::Kind::toggleTabbed,
                .title = "Tabs need a stack"},
        Refusal{.name = "TallerWithoutAStack",
                .refused = Command::Kind::taller,
                .title = "Taller and shorter need a stack"},
        Refusal{.name = "ShorterOnTabs",
                .before = {Command::Kind::stackLeft, Command::Kind::toggleTabbed},
                .refused = Command::Kind::shorter,
                .title = "Taller and shorter need a stack",
                .detail = "Stack two or three windows in one column first, then change their "
                          "heights."},
        // The other window's minimum swallows all but one point of the step: as if nothing
        // changed.
        Refusal{.name = "TallerByUnderTwoPoints",
                .learnedHeights = {{"org.example.editor", 521}},
                .before = {Command::Kind::stackLeft},
                .refused = Command::Kind::taller,
                .title = "Editor can't get taller here",
                .detail = "The other windows in this stack can't get any shorter."}),
    [](const testing::TestParamInfo<Refusal>& row) { return row.param.name; });

TEST_F(Commands, PopsTakeTheActiveWindowOutBesideTheStack) {
    open(3);
    run(Command::Kind::stackLeft);
    ASSERT_EQ(columns().size(), 2u);
    run(Command::Kind::popRight);
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(1)}, {id(2)}}));
    EXPECT_EQ(display().focusedIndex, 2);
    run(Command::Kind::stackLeft);
    run(Command::Kind::popLeft);
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(2)}, {id(1)}}));
    EXPECT_EQ(display().focusedIndex, 1);
}

TEST_F(Commands, ShorterExplainsItsLimitAndEqualizingEvensTheRows) {
    open(2);
    run(Command::Kind::stackLeft);
    for (int i = 0; i < 10; ++i) run(Command::Kind::shorter);
    EXPECT_EQ(messages.back().title, "Editor can't get shorter here");
    run(Command::Kind::equalizeHeights);
    EXPECT_DOUBLE_EQ(windows[0].frame().height, windows[1].frame().height);
}

TEST_F(Commands, ARefusalNamesEachApplicationOnceJoinedWithAnd) {
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

// Two stacked windows share 1080 points less two outer gaps and one gap: 522 each. A taller step
// the other window's minimum of 520 still lets through by two points shows and is kept (at 521 it
// is refused: see Refusals/TallerByUnderTwoPoints).
TEST_F(Commands, ATallerStepOfTwoPointsIsKept) {
    writeLearnedHeights({{"org.example.editor", 520}});
    open(2);
    run(Command::Kind::stackLeft);  // w1 below w0, the active row
    ASSERT_DOUBLE_EQ(windows[1].frame().height, 522);
    run(Command::Kind::taller);
    EXPECT_TRUE(messages.empty());
    EXPECT_DOUBLE_EQ(windows[1].frame().height, 524);
    EXPECT_DOUBLE_EQ(windows[0].frame().height, 520);
}

// MARK: Displays, floating and full screen

TEST_F(Commands, SendToNextDisplayWrapsAndUsesTheRuleWidth) {
    AppSettings settings = stillSettings();
    settings.appRules = {{"org.example.editor", "Editor", AppBehavior::tile, 0.75}};
    open(2, settings);
    run(Command::Kind::sendToNextDisplay);
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{id(1)}));
    EXPECT_DOUBLE_EQ(display("RIGHT").columns[0].widthFraction, 0.75);
    EXPECT_EQ(activeDisplay(), "RIGHT");
    EXPECT_TRUE(inside(windows[1].frame(), kRight));
    EXPECT_EQ(logLines("Move Editor to display Right").size(), 1u);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("RIGHT"));
    run(Command::Kind::sendToNextDisplay);  // from the last display to the first
    EXPECT_EQ(stripWindows("RIGHT"), std::vector<WindowID>{});
    EXPECT_EQ(stripWindows("LEFT").size(), 2u);
}

TEST_F(Commands, MovingPastTheEndCrossesDisplaysBesideThePinnedBlocks) {
    open(2);
    const SimWindow pinned =
        desktop.openWindow(term, {.title = "p", .frame = {2000, 100, 600, 400}});
    time.advance(0.2);
    controller->jump(pinned.id());
    run(Command::Kind::pinLeft);
    controller->jump(id(1));
    time.runUntilIdle();
    run(Command::Kind::moveRight);  // w1 is the last column on the left display
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{pinned.id(), id(1)}));
    EXPECT_EQ(display("RIGHT").focusedIndex, 1);
    run(Command::Kind::moveLeft);  // back before the left display's right-pinned block (none)
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1)}));
}

TEST_F(Commands, CrossingIsOffWithTheSetting) {
    AppSettings settings = stillSettings();
    settings.focusCrossesDisplays = false;
    desktop.openWindow(term, {.title = "r", .frame = {2000, 100, 600, 400}});
    open(2, settings);
    run(Command::Kind::moveRight);
    run(Command::Kind::focusRight);
    EXPECT_EQ(stripWindows("LEFT").size(), 2u);
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_TRUE(snapshots.empty());
}

// The badge goes with the focus step itself, not only once the raise comes back as a focus
// event: the focus snapshot of the crossing already shows the window without it.
TEST_F(Commands, FocusCrossesToTheNextDisplayAndClearsTheBadgeThere) {
    const SimWindow other =
        desktop.openWindow(term, {.title = "r", .frame = {2000, 100, 600, 400}});
    open(2);
    giveBadge(other.id());
    run(Command::Kind::focusRight);
    EXPECT_EQ(activeDisplay(), "RIGHT");
    EXPECT_FALSE(badged().contains(other.id()));
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("RIGHT"));
    const auto crossing =
        std::find_if(snapshots.begin(), snapshots.end(), [](const StripSnapshot& snapshot) {
            return snapshot.reason == SnapshotReason::focus("RIGHT");
        });
    ASSERT_NE(crossing, snapshots.end());
    const WindowSnapshot& shown = crossing->displays.at(1).columns.at(0).windows.at(0);
    EXPECT_EQ(shown.id, other.id());
    EXPECT_FALSE(shown.hasBadge);
    EXPECT_TRUE(other.isFocused());
}

TEST_F(Commands, FocusDoesNotCrossToAnEmptyStrip) {
    open(2);
    run(Command::Kind::focusRight);
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(Commands, FloatingCentresTheWindowAndKeepsItThereUntilTiledAgain) {
    open(2);
    run(Command::Kind::toggleFloat);
    EXPECT_FALSE(managed(id(1)));
    const Rect floated = windows[1].frame();
    EXPECT_EQ(floated.midX(), 960);
    EXPECT_EQ(logLines("Remove Editor '<private>': floated").size(), 1u);
    // Nothing pending moves it back, and a catch-up does not adopt it.
    time.advance(5);
    EXPECT_EQ(windows[1].frame(), floated);
    EXPECT_FALSE(managed(id(1)));

    windows[1].focus();
    time.runUntilIdle();
    run(Command::Kind::toggleFloat);
    EXPECT_TRUE(managed(id(1)));
    EXPECT_EQ(logLines("Unfloat window").size(), 1u);
}

// A float right behind a jump (a script, two quick shortcuts) reaches the controller before the
// window manager has handled the jump's raise, while it still names the floated window focused:
// the float is for the window the jump chose.
TEST_F(Commands, AFloatRightAfterAJumpFloatsTheJumpsWindow) {
    open(3);
    run(Command::Kind::toggleFloat);
    ASSERT_FALSE(managed(id(2)));
    controller->perform(Command::jumpTo(1));
    controller->perform(Command::Kind::toggleFloat);
    time.runUntilIdle();
    EXPECT_FALSE(managed(id(0)));
    EXPECT_FALSE(managed(id(2)));
    EXPECT_TRUE(logLines("Unfloat window").empty());
}

// The floated window keeps the focus; the column that takes its place in the strip does not get
// the border until the focus goes there.
TEST_F(Commands, AFloatedWindowKeepsTheFocusAndTheBorderLeavesTheStripUntilTheFocusComesBack) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    open(3, settings);
    ASSERT_TRUE(windows[2].isFocused());
    run(Command::Kind::toggleFloat);
    time.advance(1);
    ASSERT_FALSE(managed(id(2)));
    EXPECT_TRUE(windows[2].isFocused());
    ASSERT_FALSE(focusFrames.empty());
    const FocusFrame floated = focusFrames.back().at(0);
    EXPECT_EQ(floated.displayUUID, "LEFT");
    EXPECT_EQ(floated.frame, std::nullopt);
    EXPECT_EQ(floated.windowNumber, std::nullopt);
    // The other display keeps its own.
    EXPECT_EQ(focusFrames.back().size(), 2u);

    // The user clicks the column beside it: the border follows.
    windows[1].focus();
    time.advance(1);
    const FocusFrame back = focusFrames.back().at(0);
    ASSERT_TRUE(back.frame);
    EXPECT_EQ(*back.frame, windows[1].frame());

    // And back onto the floated window: gone from the strip again.
    windows[2].focus();
    time.advance(1);
    EXPECT_EQ(focusFrames.back().at(0).frame, std::nullopt);
    // A focus command takes it back into the strip.
    run(Command::Kind::focusLeft);
    time.advance(1);
    EXPECT_TRUE(focusFrames.back().at(0).frame);
}

// Where the window returns is Tracking.LeavingFullScreenReturnsToTheRememberedPlaceOnce.
TEST_F(Commands, FullScreenTogglesAndARefusedSwitchLeavesNoWayBack) {
    open(3);
    // A switch the window refuses leaves no way back behind.
    windows[2].failWrites("AXFullScreen", axerror::cannotComplete);
    run(Command::Kind::fullScreen);
    EXPECT_FALSE(windows[2].isFullScreen());
    EXPECT_TRUE(managed(id(2)));
    focusWindow(id(1));
    run(Command::Kind::fullScreen);
    EXPECT_TRUE(windows[1].isFullScreen());
    EXPECT_FALSE(managed(id(1)));
    // The command again switches it off, whatever display is active.
    run(Command::Kind::fullScreen);
    EXPECT_FALSE(windows[1].isFullScreen());
}

// The float arrives while a glide's move for that window still waits in its application's move
// queue: that move must not pull it back into its old column.
TEST_F(Commands, AFloatQueuedBehindAGlideStepIsNotSnappedBack) {
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
