#include "CommandScenario.h"

namespace brindlow::test {
namespace {

// The editor's window "first" tiled and focused, the controller started.
class Tracking : public CommandScenario {
  protected:
    void SetUp() override {
        CommandScenario::SetUp();
        desktop.openWindow(editor,
                           {.title = "first", .frame = {100, 100, 700, 500}, .focus = true});
        time.runUntilIdle();
        start(stillSettings());
        snapshots.clear();
    }
};

TEST_F(Tracking, ANewWindowOfTheFrontmostAppIsAdoptedFocusedAfterTheFocusedColumn) {
    const SimWindow second =
        desktop.openWindow(editor, {.title = "second", .frame = {200, 200, 600, 400}});
    time.advance(0.1);
    EXPECT_FALSE(managed(second.id()));
    time.advance(0.1);
    ASSERT_TRUE(managed(second.id()));
    EXPECT_EQ(stripWindows("LEFT").back(), second.id());
    EXPECT_EQ(focusedWindow(), second.id());
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_EQ(logLines("Add Editor '<private>' at column 2 on Left").size(), 1u);
    ASSERT_GE(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[snapshots.size() - 2].reason, SnapshotReason::structure());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("LEFT"));
    // The second attempt at 0.8 s finds it adopted and does nothing.
    const size_t before = snapshots.size();
    time.advance(1.0);
    EXPECT_EQ(snapshots.size(), before);
}

TEST_F(Tracking, ClosedMinimizedAndFullScreenWindowsAreDroppedWithTheirReasons) {
    const SimWindow a = desktop.openWindow(term, {.title = "a", .frame = {200, 200, 600, 400}});
    const SimWindow b = desktop.openWindow(term, {.title = "b", .frame = {300, 200, 600, 400}});
    const SimWindow c = desktop.openWindow(term, {.title = "c", .frame = {400, 200, 600, 400}});
    time.advance(0.2);
    ASSERT_EQ(stripWindows("LEFT").size(), 4u);

    a.close();
    b.minimize();
    c.setFullScreen(true);
    time.advance(0.1);  // windows that leave for a while are gathered first
    EXPECT_EQ(stripWindows("LEFT").size(), 1u);
    EXPECT_EQ(logLines("Remove Term '<private>': closed").size(), 1u);
    EXPECT_EQ(logLines("Remove Term '<private>': minimized").size(), 1u);
    EXPECT_EQ(logLines("Remove Term '<private>': fullscreen").size(), 1u);

    b.minimize(false);
    time.advance(0.1);
    EXPECT_TRUE(managed(b.id()));
}

TEST_F(Tracking, LeavingFullScreenReturnsToTheRememberedPlaceOnce) {
    const SimWindow a = desktop.openWindow(term, {.title = "a", .frame = {200, 200, 600, 400}});
    time.advance(0.2);
    // To the front of the strip at 0.7 of the width, then full screen, which remembers that place.
    controller->jump(a.id());
    for (int i = 0; i < 4; ++i) controller->perform(Command::Kind::moveLeft);
    for (int i = 0; i < 2; ++i) controller->perform(Command::Kind::wider);
    controller->perform(Command::Kind::fullScreen);
    time.runUntilIdle();
    ASSERT_FALSE(managed(a.id()));
    a.setFullScreen(false);
    time.runUntilIdle();
    ASSERT_TRUE(managed(a.id()));
    EXPECT_EQ(columns().front(), (std::vector<WindowID>{a.id()}));
    EXPECT_DOUBLE_EQ(display().columns.front().widthFraction, 0.7);
    // Once: adopted again later (restored a while after a minimise), it takes the ordinary place
    // after the focus.
    run(Command::Kind::focusLast);
    a.minimize();
    time.advance(61);
    ASSERT_FALSE(managed(a.id()));
    a.minimize(false);
    time.advance(0.1);
    EXPECT_EQ(stripWindows("LEFT").back(), a.id());
}

TEST_F(Tracking, AQuittingAppDropsItsWindowsAndClosesOncePerDisplay) {
    for (int i = 0; i < 3; ++i)
        desktop.openWindow(term,
                           {.title = "t" + std::to_string(i), .frame = {2000, 200, 600, 400}});
    time.advance(0.2);
    ASSERT_EQ(stripWindows("RIGHT").size(), 3u);
    snapshots.clear();
    term.quit();
    time.runUntilIdle();
    EXPECT_EQ(logLines("Remove Term '<private>': app quit").size(), 3u);
    EXPECT_TRUE(stripWindows("RIGHT").empty());
    ASSERT_EQ(snapshots.size(), 2u);
    for (const StripSnapshot& snapshot : snapshots)
        EXPECT_EQ(snapshot.reason, SnapshotReason::structure());
}

TEST_F(Tracking, AnAppLaunchedLaterIsObservedAfterRetriesAndItsWindowsAdopted) {
    const SimApp late = desktop.launchApp({.name = "Late", .bundleID = "org.example.late"});
    late.refuseRegistrations(3);
    desktop.openWindow(late, {.title = "w", .frame = {300, 300, 500, 400}, .notify = false});
    time.runUntilIdle();
    EXPECT_EQ(stripWindows("LEFT").size(), 1u);
    time.advance(2.0);
    EXPECT_EQ(logLines("Observing Late").size(), 1u);
    EXPECT_EQ(stripWindows("LEFT").size(), 2u);
}

TEST_F(Tracking, FocusFollowsOnlyTheFrontmostAppAndTitlesStayCurrent) {
    const SimWindow second =
        desktop.openWindow(editor, {.title = "second", .frame = {200, 200, 600, 400}});
    const SimWindow background =
        desktop.openWindow(term, {.title = "bg", .frame = {2000, 200, 600, 400}});
    time.advance(0.2);
    // The background application's window is tiled on its display without taking the focus.
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{background.id()}));
    EXPECT_EQ(activeDisplay(), "LEFT");
    const WindowID first = stripWindows("LEFT").front();
    second.focus();  // already the strip's focus: no snapshot, but the app's focus moves too
    time.runUntilIdle();
    snapshots.clear();
    desktop.window(first).focus();
    time.runUntilIdle();
    EXPECT_EQ(focusedWindow(), first);
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("LEFT"));

    background.focus();  // a background application's own focus: not followed
    time.runUntilIdle();
    EXPECT_EQ(activeDisplay(), "LEFT");
    EXPECT_EQ(focusedWindow(), first);
    term.activate();  // now frontmost: its focused window becomes the focus
    time.runUntilIdle();
    EXPECT_EQ(activeDisplay(), "RIGHT");
    EXPECT_EQ(focusedWindow("RIGHT"), background.id());

    snapshots.clear();
    second.setTitle("renamed");
    time.runUntilIdle();
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].reason, SnapshotReason::quiet());
    EXPECT_EQ(shownWindow(second.id()).title, "renamed");
    second.setTitle("renamed");
    time.runUntilIdle();
    EXPECT_EQ(snapshots.size(), 1u);
}

TEST_F(Tracking, TheCatchUpAdoptsMissedWindowsButNotWhilePaused) {
    const SimWindow missed = desktop.openWindow(
        term, {.title = "quiet", .frame = {2100, 100, 500, 400}, .notify = false});
    time.runUntilIdle();
    EXPECT_FALSE(managed(missed.id()));
    controller->perform(Command::Kind::togglePause);
    time.advance(3.5);
    EXPECT_FALSE(managed(missed.id()));
    controller->perform(Command::Kind::togglePause);  // resuming re-scans every observed app
    time.runUntilIdle();
    EXPECT_TRUE(managed(missed.id()));

    const SimWindow again = desktop.openWindow(
        term, {.title = "again", .frame = {2100, 100, 500, 400}, .notify = false});
    time.advance(3.5);
    EXPECT_TRUE(managed(again.id()));
    EXPECT_EQ(logLines("Catch-up: arranged 1 window(s) that were missed").size(), 1u);
}

TEST_F(Tracking, WindowsOpenedJustBeforeACatchUpStandInTheOrderTheyWereOpened) {
    // The catch-up passes every 3 s from the start: the terminal's window opens 50 ms before one,
    // the editor's 20 ms later, and the pass adopts both, the editor's application first.
    time.advance(2.95);
    const SimWindow older =
        desktop.openWindow(term, {.title = "older", .frame = {200, 200, 600, 400}, .focus = true});
    time.advance(0.02);
    const SimWindow newer = desktop.openWindow(
        editor, {.title = "newer", .frame = {300, 200, 600, 400}, .focus = true});
    time.advance(0.05);
    EXPECT_EQ(logLines("Catch-up: arranged 2 window(s) that were missed").size(), 1u);
    time.advance(1.0);
    const std::vector<WindowID> tiled = stripWindows("LEFT");
    ASSERT_EQ(tiled.size(), 3u);
    EXPECT_EQ(tiled[1], older.id());
    EXPECT_EQ(tiled[2], newer.id());
    EXPECT_EQ(focusedWindow(), newer.id());
}

// Each case sets up its own applications before the controller starts.
class AppObservation : public ControllerScenario {};

TEST_F(AppObservation, AnAppObservedOnlyAtTheStartsRetryKeepsItsWindowsInAStrip) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimApp early = desktop.launchApp({.name = "Early", .bundleID = "org.example.early"});
    early.refuseRegistrations(1);
    const SimWindow a = desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}});
    const SimWindow e = desktop.openWindow(early, {.title = "e", .frame = {300, 100, 700, 500}});
    time.runUntilIdle();
    start(stillSettings());
    time.advance(1.0);
    // Each window once, in the left strip.
    const std::vector<WindowID> tiled = stripWindows("LEFT");
    EXPECT_EQ(std::multiset<WindowID>(tiled.begin(), tiled.end()),
              (std::multiset<WindowID>{a.id(), e.id()}));
    EXPECT_TRUE(stripWindows("RIGHT").empty());
}

}  // namespace
}  // namespace brindlow::test
