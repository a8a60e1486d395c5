#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

// Every managed window stands in exactly one strip.
void expectEveryWindowInAStrip(const StripController& controller) {
    const StripController::State& state = controller.state();
    for (const auto& [id, window] : state.windows) EXPECT_TRUE(controller.locate(id)) << id;
}

class ReviewTracking : public ControllerScenario {};

TEST_F(ReviewTracking, AnAppObservedOnlyAtTheStartsRetryKeepsItsWindowsInAStrip) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimApp early = desktop.launchApp({.name = "Early", .bundleID = "org.example.early"});
    early.refuseRegistrations(1);
    const SimWindow a = desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}});
    const SimWindow e = desktop.openWindow(early, {.title = "e", .frame = {300, 100, 700, 500}});
    time.runUntilIdle();
    start(stillSettings());
    time.advance(1.0);
    ASSERT_TRUE(state().observers.contains(early.pid()));
    ASSERT_TRUE(state().windows.contains(e.id()));
    expectEveryWindowInAStrip(*controller);
    const std::vector<WindowID> left = stripWindows("LEFT");
    EXPECT_NE(std::find(left.begin(), left.end(), e.id()), left.end());
    EXPECT_NE(std::find(left.begin(), left.end(), a.id()), left.end());
}

TEST_F(ReviewTracking, TheRescanJudgesBackOffAgainstTheTimeItStarted) {
    addTwoDisplays();
    const SimApp slow = desktop.launchApp({.name = "Slow", .bundleID = "org.example.slow"});
    const SimApp other = desktop.launchApp({.name = "Other", .bundleID = "org.example.other"});
    ASSERT_LT(slow.pid(), other.pid());  // the observer table is walked by process id
    desktop.openWindow(slow, {.title = "s", .frame = {100, 100, 700, 500}});
    desktop.openWindow(other, {.title = "o", .frame = {300, 100, 700, 500}});
    time.runUntilIdle();
    start(stillSettings());
    const SimWindow missed = desktop.openWindow(
        other, {.title = "missed", .frame = {2100, 100, 500, 400}, .notify = false});
    time.runUntilIdle();
    slow.setLatency(0.3);
    // Other's pause ends while Slow's listing runs: this pass still leaves Other alone.
    controller->mutableState().catchUpBackoff[other.pid()] = time.now() + 0.1;
    controller->catchUpTick();
    time.runUntilIdle();
    EXPECT_FALSE(state().windows.contains(missed.id()));
    EXPECT_TRUE(state().catchUpBackoff.contains(slow.pid()));  // its listing took over 0.25 s
}

TEST_F(ReviewTracking, FocusIsFollowedOnlyForTheFrontmostApp) {
    addTwoDisplays();
    const SimApp editor =
        desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor", .activate = true});
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    const SimWindow a =
        desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}, .focus = true});
    const SimWindow t = desktop.openWindow(term, {.title = "t", .frame = {300, 100, 700, 500}});
    time.runUntilIdle();
    start(stillSettings());
    ASSERT_EQ(state().displays.at("LEFT").strip.focusedWindowID(), a.id());
    snapshots.clear();

    t.focus();  // a background application's own focus: not followed
    time.runUntilIdle();
    EXPECT_EQ(state().displays.at("LEFT").strip.focusedWindowID(), a.id());
    EXPECT_TRUE(snapshots.empty());

    term.activate();  // now frontmost: its focused window becomes the strip's focus
    time.runUntilIdle();
    EXPECT_EQ(state().frontmostPID, term.pid());
    EXPECT_EQ(state().displays.at("LEFT").strip.focusedWindowID(), t.id());
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("LEFT"));
}

}  // namespace
}  // namespace brindlow::test
