#include <fstream>

#include "ControllerScenario.h"
#include "settings/JSONFiles.h"

namespace brindlow::test {
namespace {

class Animation : public FiveWindowScenario {};

TEST_F(Animation, AFocusChangeScrollsOnTheDisplayClockAndLandsWithAFinalApply) {
    AppSettings settings;
    settings.focusBorder = true;
    start(settings);
    const WindowID last = stripWindows("LEFT").back();
    ASSERT_NE(state().displays.at("LEFT").strip.focusedWindowID(), last);
    snapshots.clear();
    focusFrames.clear();

    desktop.window(last).focus();
    time.runUntilIdle();
    const DisplayState& display = state().displays.at("LEFT");
    ASSERT_TRUE(display.animator.isAnimating());
    ASSERT_TRUE(link && link->isRunning());
    const double target = display.strip.scrollOffset;
    EXPECT_GT(target, 0);
    EXPECT_LT(display.displayedOffset, target);

    // While scrolling, the focus frames say so and the windows move through the movers.
    const int frames = animate();
    EXPECT_GT(frames, 5);
    EXPECT_LT(frames, 60);  // about 0.5 s at the default stiffness
    EXPECT_FALSE(link->isRunning());
    EXPECT_FALSE(state().displays.at("LEFT").animator.isAnimating());
    EXPECT_DOUBLE_EQ(state().displays.at("LEFT").displayedOffset, target);
    bool sawMoving = false;
    for (const auto& list : focusFrames)
        for (const FocusFrame& frame : list) sawMoving = sawMoving || frame.moving;
    EXPECT_TRUE(sawMoving);
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::quiet());  // the landing
    EXPECT_EQ(logLines("Animation: ").size(), 1u);
    // The landing placed the focused window exactly where the final layout wants it.
    EXPECT_EQ(desktop.window(last).frame(), placed(last));
}

TEST_F(Animation, FramesFasterThanTheQueueQueueOneTickWithTheNewestTime) {
    start(AppSettings{});
    desktop.window(stripWindows("LEFT").back()).focus();
    time.runUntilIdle();
    ASSERT_TRUE(link->isRunning());
    const size_t queued = stripQueue->pendingCount();
    link->tick(time.now() + 0.01);
    link->tick(time.now() + 0.02);
    link->tick(time.now() + 0.03);
    EXPECT_EQ(stripQueue->pendingCount(), queued + 1);
    time.runUntilIdle();
    EXPECT_DOUBLE_EQ(state().lastTick, time.now() + 0.03);
}

class SizeChecks : public ControllerScenario {};

TEST_F(SizeChecks, AWindowThatRefusesAWidthGetsARefusedWidthOnItsColumn) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimWindow wide =
        desktop.openWindow(editor, {.title = "wide", .frame = {100, 100, 1300, 600}});
    wide.setMinimumSize({1200, 100});
    time.runUntilIdle();
    start(stillSettings());
    time.advance(2.0);  // catch-up pass at 0.2 s, then the checks 0.25 s apart
    const Column& column = state().displays.at("LEFT").strip.columns.front();
    ASSERT_TRUE(column.refusedWidth.has_value());
    EXPECT_DOUBLE_EQ(column.refusedWidth->accepted, 1200);
    EXPECT_EQ(logLines("Editor needs 1200 points, not").size(), 1u);
}

TEST_F(SizeChecks, AStackedWindowThatStaysTallerTeachesItsMinimumHeight) {
    addTwoDisplays();
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    const SimWindow top = desktop.openWindow(term, {.title = "top", .frame = {100, 100, 800, 400}});
    desktop.openWindow(term, {.title = "bottom", .frame = {100, 500, 800, 400}});
    top.setMinimumSize({100, 700});
    time.runUntilIdle();
    // A saved session that stacks the two windows.
    SessionSnapshot session;
    DisplayDescriptor display{"LEFT", "Left", {}, 0};
    ColumnDescriptor column;
    column.windows = {{"org.example.term", "top"}, {"org.example.term", "bottom"}};
    column.weights = {1, 1};
    column.widthFraction = 0.5;
    display.columns = {column};
    session.displays = {display};
    writeJSON(session, folder.path() / "session.json");

    start(stillSettings());
    ASSERT_EQ(state().displays.at("LEFT").strip.columns.front().windows.size(), 2u);
    time.advance(2.0);
    EXPECT_DOUBLE_EQ(record(top.id()).minimumHeight.value_or(-1), 700);
    EXPECT_DOUBLE_EQ(state().learnedHeights.heightFor("org.example.term").value_or(-1), 700);
    EXPECT_EQ(logLines("Term needs 700 points of height, not").size(), 1u);
    const auto stored = readJSONValue(folder.path() / "minimum-heights.json");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ((*stored)["org.example.term"], 700);
    // The learned height enters the layout: the top window is laid out 700 tall now.
    EXPECT_GE(placed(top.id()).height, 700);

    // A later controller starts with the learned height.
    controller.reset();
    makeController();
    EXPECT_DOUBLE_EQ(controller->state().learnedHeights.heightFor("org.example.term").value_or(-1),
                     700);
}

TEST_F(SizeChecks, ACheckWhoseWindowVanishesWhenAskedAgainIsDropped) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimWindow wide =
        desktop.openWindow(editor, {.title = "wide", .frame = {100, 100, 1300, 600}});
    wide.refuseSizes();
    time.runUntilIdle();
    start(stillSettings());
    time.advance(0.2);          // the catch-up pass creates the width check
    wide.vanishAfterWrites(0);  // the next write finds the window gone
    time.advance(2.0);
    EXPECT_FALSE(state().windows.contains(wide.id()));
    EXPECT_TRUE(state().displays.at("LEFT").strip.columns.empty());
    EXPECT_TRUE(logLines("needs").empty());
}

}  // namespace
}  // namespace brindlow::test
