// Layout application, the animation tick, the catch-up pass, snapshots, focus frames, the quit
// restore and the display clock, driven through the controller's entry points on the sim desktop.
#include <cmath>
#include <cstdio>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class LayoutApplication : public FiveWindowScenario {
  protected:
    // One display frame 1/60 s later.
    void frame() {
        ASSERT_TRUE(link && link->isRunning());
        time.advance(1.0 / 60.0);
        link->tick(time.now());
        time.runUntilIdle();
    }

    void expectWindowsWhereLaidOut(const std::string& uuid) {
        for (const Placement& placement : display(uuid).lastLayout.placements)
            EXPECT_EQ(desktop.window(placement.windowID).frame(), placement.frame);
    }
};

// MARK: Relayout and apply

class RelayoutAndApply : public LayoutApplication {};

TEST_F(RelayoutAndApply, WithAnimationsOffEveryChangeJumpsAndClearsTheEasesAndTheGlide) {
    start(AppSettings{});
    run(Command::Kind::focusLast);
    frame();
    ASSERT_TRUE(display("LEFT").animator.isAnimating());
    applySettings(stillSettings());
    run(Command::Kind::focusFirst);
    const DisplayState& left = display("LEFT");
    EXPECT_FALSE(left.animator.isAnimating());
    EXPECT_FALSE(left.animator.scrollEase() || left.animator.glide());
    EXPECT_DOUBLE_EQ(left.animator.velocity(), 0);
    EXPECT_DOUBLE_EQ(left.displayedOffset, 0);
    expectWindowsWhereLaidOut("LEFT");
}

TEST_F(RelayoutAndApply, ANarrowGapMakesNoGapStrips) {
    AppSettings settings = stillSettings();
    settings.gap = 1.5;
    start(settings);
    for (const auto& [uuid, shown] : state().displays) EXPECT_TRUE(shown.gapStrips.empty());
}

// MARK: Animation

class ScrollAnimation : public LayoutApplication {};

TEST_F(ScrollAnimation, ARetargetInFlightContinuesFromWhereTheWindowsStandWithItsSpeed) {
    start(AppSettings{});
    run(Command::Kind::focusLast);
    for (int i = 0; i < 6; ++i) frame();
    const double standing = display("LEFT").displayedOffset;
    const double speed = display("LEFT").animator.velocity();
    ASSERT_GT(speed, 100);
    run(Command::Kind::focusFirst);
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, standing);
    frame();
    const std::optional<Ease> ease = display("LEFT").animator.scrollEase();
    ASSERT_TRUE(ease.has_value());
    EXPECT_DOUBLE_EQ(ease->from, standing);
    EXPECT_DOUBLE_EQ(ease->to, 0);
    // The new ease starts at the speed the windows had, limited by its own distance.
    EXPECT_GT(ease->velocity, 0);
    EXPECT_LE(ease->velocity, speed);
    animate();
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, 0);
}

// A stiffness of 100 gives a base of 0.62 s and a glide of 0.682 s: 41 frames at 60 Hz.
TEST_F(ScrollAnimation, AGlideWithoutScrollRunsItsOwnDurationAndThenLands) {
    AppSettings settings;
    settings.springStiffness = 100;
    start(settings);
    ASSERT_DOUBLE_EQ(display("LEFT").strip.scrollOffset, 0);
    run(Command::Kind::narrower);
    ASSERT_TRUE(display("LEFT").animator.glide());
    ASSERT_TRUE(display("LEFT").animator.isAnimating());
    frame();
    ASSERT_TRUE(display("LEFT").animator.glide());
    const std::optional<Ease> glide = display("LEFT").animator.glide()->ease;
    ASSERT_TRUE(glide.has_value());
    EXPECT_NEAR(glide->duration, 0.682, 1e-9);
    EXPECT_DOUBLE_EQ(glide->to, 1000);
    EXPECT_FALSE(display("LEFT").animator.scrollEase().has_value());
    EXPECT_NEAR(animate(), 41, 2);
    EXPECT_FALSE(display("LEFT").animator.glide());
    expectWindowsWhereLaidOut("LEFT");
}

TEST_F(ScrollAnimation, TwoDisplaysAnimateInTheSameTicksAndTheClockStopsAfterBoth) {
    const SimApp other = desktop.launchApp({.name = "Other", .bundleID = "org.example.other"});
    for (int i = 0; i < 4; ++i)
        desktop.openWindow(
            other, {.title = "r" + std::to_string(i), .frame = {2000.0 + 20 * i, 100, 900, 600}});
    time.runUntilIdle();
    start(AppSettings{});
    ASSERT_FALSE(stripWindows("RIGHT").empty());
    // The focused window leaves the left strip for the right one: both change at once.
    run(Command::Kind::sendToNextDisplay);
    ASSERT_TRUE(display("LEFT").animator.isAnimating());
    ASSERT_TRUE(display("RIGHT").animator.isAnimating());
    ASSERT_EQ(link->startCount(), 1);
    animate();
    EXPECT_FALSE(display("LEFT").animator.isAnimating() || display("RIGHT").animator.isAnimating());
    EXPECT_EQ(link->stopCount(), 1);
    EXPECT_EQ(logLines("Animation: ").size(), 2u);
}

TEST_F(ScrollAnimation, TheSummaryLineNamesFramesTimeAndTheSlowestMoves) {
    start(AppSettings{});
    run(Command::Kind::focusLast);
    animate();
    const std::vector<std::string> lines = logLines("Animation: ");
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines.front();
    int frames = 0, fps = 0, slowest = 0;
    double seconds = 0;
    char rest[200] = {};
    ASSERT_EQ(std::sscanf(line.c_str(),
                          "Animation: %d frames in %lf s (%d fps), slowest move while gliding %d "
                          "ms%199[^\n]",
                          &frames, &seconds, &fps, &slowest, rest),
              5)
        << line;
    EXPECT_GT(frames, 0);
    // The seconds with exactly two decimals.
    const size_t secondsEnd = line.find(" s (");
    EXPECT_EQ(line[secondsEnd - 3], '.') << line;
    const std::string tail = rest;
    EXPECT_TRUE(tail.starts_with(", final resize ") || tail.starts_with(" (Editor), final resize "))
        << line;
    EXPECT_TRUE(tail.ends_with(" ms (Editor)")) << line;
}

TEST_F(ScrollAnimation, AStoppedControllerTicksNoMore) {
    start(AppSettings{});
    run(Command::Kind::focusLast);
    frame();
    controller->beginStop(nullptr);
    time.runUntilIdle();
    EXPECT_FALSE(link->isRunning());
    std::map<WindowID, Rect> after;
    for (const SimWindow& window : windows) after[window.id()] = window.frame();
    link->start();  // a stray frame from the platform
    link->tick(time.now() + 0.1);
    time.runUntilIdle();
    for (const SimWindow& window : windows) EXPECT_EQ(window.frame(), after[window.id()]);
}

// MARK: Catch-up pass

TEST_F(LayoutApplication, TwoChangesWithinAFifthOfASecondGetOneCatchUpPass) {
    start(stillSettings());
    time.advance(3.0);
    const double first = time.now();
    run(Command::Kind::narrower);
    ASSERT_TRUE(display("LEFT").settlePending);
    time.advance(0.1);
    run(Command::Kind::narrower);
    // The pass runs 0.2 s after the first change; nothing is scheduled by the second one.
    time.advance(first + 0.2 - time.now() - 1e-6);
    EXPECT_TRUE(display("LEFT").settlePending);
    time.advance(2e-6);
    EXPECT_FALSE(display("LEFT").settlePending);
    time.advance(1.0);
    EXPECT_FALSE(display("LEFT").settlePending);
}

// MARK: Snapshots and focus frames

class SnapshotsAndFocusFrames : public LayoutApplication {};

TEST_F(SnapshotsAndFocusFrames, WhilePausedFocusFramesGoOutEmptyOnce) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    focusFrames.clear();
    run(Command::Kind::togglePause);
    run(Command::Kind::focusRight);  // paused: nothing moves, nothing is published again
    ASSERT_EQ(focusFrames.size(), 1u);
    EXPECT_TRUE(focusFrames.front().empty());
    ASSERT_FALSE(snapshots.empty());
    EXPECT_TRUE(snapshots.back().paused);
}

TEST_F(SnapshotsAndFocusFrames, FocusFramesSayWhichDisplayMoves) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    focusFrames.clear();
    controller->gestureBegan({500, 500});
    controller->gestureChanged(0.1, GestureUnit::trackpadWidth);
    time.runUntilIdle();
    ASSERT_FALSE(focusFrames.empty());
    ASSERT_EQ(focusFrames.back().size(), 2u);
    EXPECT_EQ(focusFrames.back()[0].displayUUID, "LEFT");
    EXPECT_TRUE(focusFrames.back()[0].moving);
    EXPECT_FALSE(focusFrames.back()[1].moving);
    EXPECT_EQ(focusFrames.back()[1].screen, kRight);
    EXPECT_FALSE(focusFrames.back()[1].frame.has_value());  // an empty strip
}

TEST_F(SnapshotsAndFocusFrames, SnapshotColumnsReportFullWidthAsOne) {
    start(stillSettings());
    run(Command::Kind::fullWidth);
    ASSERT_FALSE(snapshots.empty());
    const DisplaySnapshot& left = snapshots.back().displays.at(0);
    EXPECT_DOUBLE_EQ(left.columns.at(size_t(*left.focusedIndex)).widthFraction, 1.0);
}

// MARK: Putting windows back

TEST_F(LayoutApplication, AtQuitParkedAndLaterWindowsArePutBackOnScreen) {
    start(stillSettings());
    const SimWindow later = desktop.openWindow(
        editor, {.title = "later", .frame = {300, 200, 700, 500}, .focus = true});
    time.advance(1.0);
    ASSERT_TRUE(state().windows.contains(later.id()));
    ASSERT_FALSE(record(later.id()).originalFrame.has_value());
    ASSERT_TRUE(anyParked());
    controller->beginStop(nullptr);
    time.runUntilIdle();
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(windows[i].frame(), (Rect{100.0 + 30 * double(i), 100, 900, 600}));
    EXPECT_TRUE(inside(later.frame(), kLeft)) << later.frame().x;
    const std::vector<std::string> lines = logLines("Put ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.front(), "Put 6 windows back before quitting");
}

// MARK: The display clock

TEST_F(LayoutApplication, WhenNoDisplayLinkCouldBeMadeTheNextAnimationStartTriesAgain) {
    int linksRefused = 0;
    StripControllerEnvironment refusing = environment();
    refusing.makeDisplayLink =
        [&linksRefused,
         makeLink = std::move(refusing.makeDisplayLink)]() -> std::unique_ptr<DisplayLink> {
        if (linksRefused < 1) {
            ++linksRefused;
            return nullptr;
        }
        return makeLink();
    };
    controller = std::make_unique<StripController>(std::move(refusing));
    start(AppSettings{});
    run(Command::Kind::focusLast);
    EXPECT_EQ(linksRefused, 1);
    EXPECT_EQ(link, nullptr);
    // The focus moves on while no frame has come: this start makes the link and runs it.
    run(Command::Kind::focusLeft);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isRunning());
    animate();
    EXPECT_FALSE(display("LEFT").animator.isAnimating());
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, display("LEFT").strip.scrollOffset);
}

}  // namespace
}  // namespace brindlow::test
