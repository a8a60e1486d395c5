// Layout application, the animation tick, the catch-up pass, size checks, snapshots, focus frames
// and the quit restore, pinned case by case on the sim desktop.
#include <cmath>
#include <cstdio>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class LayoutApplication : public FiveWindowScenario {
  protected:
    // Runs `block` on the strip queue and everything it sets off that is due now.
    void onQueue(std::function<void()> block) {
        controller->queue().async(std::move(block));
        time.runUntilIdle();
    }

    DisplayState& display(const std::string& uuid) {
        return controller->mutableState().displays.at(uuid);
    }

    // One display frame at the current virtual time.
    void tick() {
        ASSERT_TRUE(link && link->isRunning());
        link->tick(time.now());
        time.runUntilIdle();
    }

    void frame() {
        time.advance(1.0 / 60.0);
        tick();
    }

    static double base(double stiffness) {
        const double b0 = 6.2 / std::sqrt(std::max(stiffness, 10.0));
        return b0 >= 0.9 ? 0.9 : std::max(b0, 0.15);
    }

    struct Spans {
        double width = 0;
        std::vector<LayoutEngine::ColumnSpan> spans;
        double maxOffset = 0;
    };

    Spans spansOf(const std::string& uuid) {
        const DisplayState& shown = display(uuid);
        Spans result;
        const double gap = controller->state().settings.gap;
        const double outer = controller->state().settings.outerGap;
        result.width =
            LayoutEngine::viewport(shown.strip.columns, controller->geometry(uuid), gap, outer)
                .width;
        result.spans = LayoutEngine::columnSpans(shown.strip.columns, result.width, gap, outer);
        if (!result.spans.empty())
            result.maxOffset = std::max(
                0.0, result.spans.back().x + result.spans.back().width + outer - result.width);
        return result;
    }

    const StripController::State& state() const { return controller->state(); }
};

// MARK: Scroll-offset clamp

class ViewportClamp : public LayoutApplication {};

TEST_F(ViewportClamp, TheClampKeepsTheFocusedColumnInViewByTheCentringMode) {
    start(stillSettings());
    const double outer = state().settings.outerGap;
    const Spans spans = spansOf("LEFT");
    ASSERT_GE(spans.spans.size(), 5u);
    ASSERT_GT(spans.maxOffset, 0);
    const auto clampWith = [&](CenterMode mode, int focused, double offset) {
        double result = -1;
        onQueue([&] {
            controller->mutableState().settings.centerMode = mode;
            DisplayState& left = display("LEFT");
            left.strip.focusedIndex = focused;
            left.strip.scrollOffset = offset;
            controller->clampViewport("LEFT");
            result = left.strip.scrollOffset;
        });
        return result;
    };
    const auto span = [&](int i) { return spans.spans[size_t(i)]; };
    const auto centred = [&](int i) {
        return std::clamp(span(i).x + span(i).width / 2 - spans.width / 2, 0.0, spans.maxOffset);
    };

    // No focused column: back to the strip's left end.
    onQueue([&] {
        display("LEFT").strip.focusedIndex.reset();
        display("LEFT").strip.scrollOffset = 250;
        controller->clampViewport("LEFT");
    });
    EXPECT_DOUBLE_EQ(display("LEFT").strip.scrollOffset, 0);

    // never: a column left of the viewport lands at the left edge plus the outer gap.
    EXPECT_DOUBLE_EQ(clampWith(CenterMode::never, 2, span(2).x + 40), span(2).x - outer);
    // never: a column right of the viewport lands with its right edge plus outer gap at the
    // viewport's right edge.
    EXPECT_DOUBLE_EQ(clampWith(CenterMode::never, 3, 0),
                     std::min(span(3).x + span(3).width + outer - spans.width, spans.maxOffset));
    // onOverflow: a fully visible column leaves the offset alone; a half hidden one is centred.
    const double visible = span(1).x - outer - 5;
    ASSERT_GE(visible + spans.width, span(1).x + span(1).width + outer);
    EXPECT_DOUBLE_EQ(clampWith(CenterMode::onOverflow, 1, visible), visible);
    EXPECT_DOUBLE_EQ(clampWith(CenterMode::onOverflow, 3, 0), centred(3));
    // always: centred even when it was visible.
    EXPECT_DOUBLE_EQ(clampWith(CenterMode::always, 1, visible), centred(1));
}

TEST_F(ViewportClamp, PinnedAndFullWidthFocusedColumnsAreLimitedToTheLargestOffset) {
    start(stillSettings());
    onQueue([&] { display("LEFT").strip.columns[2].isFullWidth = true; });
    const Spans spans = spansOf("LEFT");
    double result = -1;
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.focusedIndex = 2;
        left.strip.scrollOffset = 0;
        controller->clampViewport("LEFT");
        result = left.strip.scrollOffset;
    });
    // The full-width column's own x, without the outer gap.
    EXPECT_DOUBLE_EQ(result, std::min(spans.spans[2].x, spans.maxOffset));

    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.columns[2].isFullWidth = false;
        left.strip.columns[4].pin = Pin::right;
    });
    const Spans pinned = spansOf("LEFT");
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.focusedIndex = 4;
        left.strip.scrollOffset = 1.0e6;  // a column closed at the end of the strip
        controller->clampViewport("LEFT");
        result = left.strip.scrollOffset;
    });
    EXPECT_DOUBLE_EQ(result, pinned.maxOffset);
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.scrollOffset = 3;
        controller->clampViewport("LEFT");
        result = left.strip.scrollOffset;
    });
    EXPECT_DOUBLE_EQ(result, std::min(3.0, pinned.maxOffset));
}

// MARK: Relayout and apply

class RelayoutAndApply : public LayoutApplication {};

TEST_F(RelayoutAndApply, WithAnimationsOffEveryChangeJumpsAndClearsTheEasesAndTheGlide) {
    start(stillSettings());
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.scrollEase = Ease{0, 100, 0, time.now(), 0.3};
        left.glideEase = Ease{0, 1000, 0, time.now(), 0.3};
        left.glideFrom = std::map<WindowID, Rect>{};
        left.animating = true;
        left.velocity = 40;
        left.strip.scrollOffset = 200;
        controller->relayout("LEFT");
    });
    const DisplayState& left = display("LEFT");
    EXPECT_FALSE(left.animating);
    EXPECT_FALSE(left.scrollEase || left.glideEase || left.glideFrom);
    EXPECT_DOUBLE_EQ(left.velocity, 0);
    EXPECT_DOUBLE_EQ(left.displayedOffset, 200);
    for (const Placement& placement : left.lastLayout.placements)
        EXPECT_EQ(desktop.window(placement.windowID).frame(), placement.frame);
}

TEST_F(RelayoutAndApply, ANarrowGapMakesNoGapStrips) {
    AppSettings settings = stillSettings();
    settings.gap = 1.5;
    start(settings);
    for (const auto& [uuid, display] : state().displays) EXPECT_TRUE(display.gapStrips.empty());
}

TEST_F(RelayoutAndApply, ASlowApplicationIsSentTheFrameItShouldHaveWhenItsMoveLands) {
    start(AppSettings{});
    std::vector<double> leads;
    const StripController::Predictor recording = [&](double lead) {
        leads.push_back(lead);
        return std::make_pair(display("LEFT").strip.scrollOffset, 0.0);
    };
    // A fast application gets no lead.
    onQueue([&] {
        controller->applyLayout("LEFT", StripController::ApplyOptions::frame(
                                            display("LEFT").displayedOffset, recording));
    });
    EXPECT_TRUE(leads.empty());

    // Once its moves are known to take long, at most 0.3 s of lead, predicted once per apply.
    editor.setLatency(0.4);
    onQueue([&] {
        controller->applyLayout(
            "LEFT", StripController::ApplyOptions::frame(display("LEFT").displayedOffset + 300));
    });
    onQueue([&] {
        controller->applyLayout("LEFT", StripController::ApplyOptions::frame(
                                            display("LEFT").displayedOffset, recording));
    });
    ASSERT_EQ(leads.size(), 1u);
    EXPECT_NEAR(leads.front(), 0.3, 1e-9);
}

TEST_F(RelayoutAndApply, HalfwayThroughAGlideSlowResizersSlideAtTheirFinalSize) {
    start(AppSettings{});
    time.advance(3.0);
    const WindowID id = stripWindows("LEFT").front();
    const auto glideHalfway = [&] {
        Rect sent;
        onQueue([&] {
            DisplayState& left = display("LEFT");
            Rect target;
            for (const Placement& placement : left.lastLayout.placements)
                if (placement.windowID == id) target = placement.frame;
            const Rect old{target.x + 100, target.y + 40, target.width - 200, target.height - 80};
            left.glideFrom = std::map<WindowID, Rect>{{id, old}};
            controller->applyLayout(
                "LEFT", StripController::ApplyOptions::frame(left.displayedOffset, nullptr, 500.0));
            for (const Placement& placement : left.lastLayout.placements)
                if (placement.windowID == id) sent = placement.frame;
            left.glideFrom.reset();
        });
        return sent;
    };
    Rect target;
    for (const Placement& placement : display("LEFT").lastLayout.placements)
        if (placement.windowID == id) target = placement.frame;
    // A quick application: position and size both halfway.
    EXPECT_EQ(glideHalfway(),
              (Rect{target.x + 50, target.y + 20, target.width - 100, target.height - 40}));

    // Once its resizes are known to be slow, only the position glides.
    editor.setLatency(0.05);
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.columns[0].widthFraction = 0.3;
        controller->applyLayout("LEFT", StripController::ApplyOptions::frame(left.displayedOffset));
        left.strip.columns[0].widthFraction = 0.5;
        controller->applyLayout("LEFT", StripController::ApplyOptions::frame(left.displayedOffset));
    });
    for (const Placement& placement : display("LEFT").lastLayout.placements)
        if (placement.windowID == id) target = placement.frame;
    EXPECT_EQ(glideHalfway(), (Rect{target.x + 50, target.y + 20, target.width, target.height}));
}

// MARK: Animation

class ScrollAnimation : public LayoutApplication {};

TEST_F(ScrollAnimation, AScrollEaseLastsByItsDistanceAtTheSpringStiffness) {
    start(AppSettings{});
    const double b = base(300);
    for (const double distance : {100.0, 3000.0}) {
        onQueue([&] {
            DisplayState& left = display("LEFT");
            left.strip.scrollOffset = left.displayedOffset + distance;
            controller->relayout("LEFT");
        });
        ASSERT_TRUE(display("LEFT").animating);
        const double from = display("LEFT").displayedOffset;
        frame();
        const std::optional<Ease> ease = display("LEFT").scrollEase;
        ASSERT_TRUE(ease.has_value());
        const double expected = std::min(distance / 2500 + 0.8, 1.5) * b;
        EXPECT_NEAR(ease->duration, expected, 1e-9) << distance;
        EXPECT_DOUBLE_EQ(ease->from, from);
        EXPECT_DOUBLE_EQ(ease->velocity, 0);
        EXPECT_DOUBLE_EQ(ease->start, time.now());
        animate();
        EXPECT_FALSE(display("LEFT").animating);
    }
    EXPECT_NEAR(std::min(100.0 / 2500 + 0.8, 1.5) * b, 0.301, 0.001);
}

TEST_F(ScrollAnimation, ARetargetInFlightContinuesFromWhereTheWindowsStandWithItsSpeed) {
    start(AppSettings{});
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.scrollOffset = left.displayedOffset + 800;
        controller->relayout("LEFT");
    });
    for (int i = 0; i < 6; ++i) frame();
    const double standing = display("LEFT").displayedOffset;
    const double speed = display("LEFT").velocity;
    ASSERT_GT(speed, 100);
    // The focus moves on: a short hop back, so the speed is limited to 2.5 × distance / duration.
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.scrollOffset = standing + 10;
        controller->relayout("LEFT");
    });
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, standing);
    frame();
    const std::optional<Ease> ease = display("LEFT").scrollEase;
    ASSERT_TRUE(ease.has_value());
    EXPECT_DOUBLE_EQ(ease->from, standing);
    EXPECT_DOUBLE_EQ(ease->to, standing + 10);
    const double duration = (10.0 / 2500 + 0.8) * base(300);
    EXPECT_NEAR(ease->duration, duration, 1e-9);
    EXPECT_NEAR(ease->velocity, std::min(speed, 2.5 * 10 / duration), 1e-9);
    animate();
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, standing + 10);
}

TEST_F(ScrollAnimation, ATargetWithinHalfAPointLandsAtOnceWithoutASummary) {
    start(AppSettings{});
    snapshots.clear();
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.scrollOffset = left.displayedOffset + 0.3;
        controller->startAnimation("LEFT");
    });
    tick();
    EXPECT_FALSE(display("LEFT").animating);
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, display("LEFT").strip.scrollOffset);
    EXPECT_FALSE(link->isRunning());
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::quiet());
    EXPECT_TRUE(logLines("Animation: ").empty());
    EXPECT_FALSE(state().animationStats.contains("LEFT"));
}

TEST_F(ScrollAnimation, AGlideWithoutScrollRunsItsOwnDurationAndThenLands) {
    start(AppSettings{});
    const double b = base(300);
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.columns[0].widthFraction = 0.3;
        controller->relayout("LEFT");
    });
    ASSERT_TRUE(display("LEFT").glideFrom.has_value());
    ASSERT_TRUE(display("LEFT").animating);
    frame();
    const std::optional<Ease> glide = display("LEFT").glideEase;
    ASSERT_TRUE(glide.has_value());
    EXPECT_NEAR(glide->duration, std::max(1.1 * b, 0.05), 1e-9);
    EXPECT_DOUBLE_EQ(glide->to, 1000);
    EXPECT_FALSE(display("LEFT").scrollEase.has_value());
    const int frames = animate();
    EXPECT_NEAR(frames, int(std::ceil(1.1 * b * 60)), 2);
    EXPECT_FALSE(display("LEFT").glideFrom.has_value());
    EXPECT_DOUBLE_EQ(display("LEFT").glideProgress, 0);
    for (const Placement& placement : display("LEFT").lastLayout.placements)
        EXPECT_EQ(desktop.window(placement.windowID).frame(), placement.frame);
}

TEST_F(ScrollAnimation, TwoDisplaysAnimateInTheSameTicksAndTheClockStopsAfterBoth) {
    const SimApp other = desktop.launchApp({.name = "Other", .bundleID = "org.example.other"});
    for (int i = 0; i < 4; ++i)
        desktop.openWindow(
            other, {.title = "r" + std::to_string(i), .frame = {2000.0 + 20 * i, 100, 900, 600}});
    time.runUntilIdle();
    start(AppSettings{});
    ASSERT_FALSE(stripWindows("RIGHT").empty());
    onQueue([&] {
        display("LEFT").strip.scrollOffset = display("LEFT").displayedOffset + 200;
        controller->relayout("LEFT");
        display("RIGHT").strip.scrollOffset = display("RIGHT").displayedOffset + 1500;
        controller->relayout("RIGHT");
    });
    ASSERT_EQ(link->startCount(), 1);
    bool leftLandedFirst = false;
    while (link->isRunning()) {
        frame();
        if (!display("LEFT").animating && display("RIGHT").animating) leftLandedFirst = true;
    }
    EXPECT_TRUE(leftLandedFirst);
    EXPECT_EQ(link->stopCount(), 1);
    EXPECT_EQ(logLines("Animation: ").size(), 2u);
}

TEST_F(ScrollAnimation, TheSummaryLineNamesFramesTimeAndTheSlowestMoves) {
    start(AppSettings{});
    onQueue([&] {
        display("LEFT").strip.scrollOffset = display("LEFT").displayedOffset + 400;
        controller->relayout("LEFT");
    });
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

TEST_F(ScrollAnimation, AnEmptyStripLandsWithFinalResizeNone) {
    start(AppSettings{});
    ASSERT_TRUE(stripWindows("RIGHT").empty());
    onQueue([&] {
        display("RIGHT").strip.scrollOffset = 300;
        controller->relayout("RIGHT");
    });
    animate();
    const std::vector<std::string> lines = logLines("Animation: ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find(", final resize none"), std::string::npos) << lines.front();
}

TEST_F(ScrollAnimation, AStoppedControllerTicksNoMore) {
    start(AppSettings{});
    onQueue([&] {
        display("LEFT").strip.scrollOffset = display("LEFT").displayedOffset + 400;
        controller->relayout("LEFT");
    });
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

// MARK: Catch-up pass and size checks

class CatchUpAndSizeChecks : public LayoutApplication {};

TEST_F(CatchUpAndSizeChecks, TwoChangesWithinAFifthOfASecondGetOneCatchUpPass) {
    start(stillSettings());
    time.advance(3.0);
    const double first = time.now();
    onQueue([&] {
        display("LEFT").strip.scrollOffset += 100;
        controller->relayout("LEFT");
    });
    ASSERT_TRUE(display("LEFT").settlePending);
    time.advance(0.1);
    onQueue([&] {
        display("LEFT").strip.scrollOffset += 100;
        controller->relayout("LEFT");
    });
    // The pass runs 0.2 s after the first change; nothing is scheduled by the second one.
    time.advance(first + 0.2 - time.now() - 1e-6);
    EXPECT_TRUE(display("LEFT").settlePending);
    time.advance(2e-6);
    EXPECT_FALSE(display("LEFT").settlePending);
    time.advance(1.0);
    EXPECT_FALSE(display("LEFT").settlePending);
}

TEST_F(CatchUpAndSizeChecks, SizeChecksEndWhileTheDisplayAnimatesOrIsSwiped) {
    start(stillSettings());
    time.advance(3.0);
    const WindowID id = stripWindows("LEFT").front();
    desktop.window(id).refuseSizes();
    const Rect sent = desktop.window(id).frame().insetBy(100, 0);
    for (const bool animating : {true, false}) {
        onQueue([&] {
            display("LEFT").animating = animating;
            controller->mutableState().gestureUUID =
                animating ? std::nullopt : std::optional<std::string>("LEFT");
            const double live = desktop.window(id).frame().width;
            controller->checkSize("LEFT",
                                  {{id, StripController::Dimension::width, sent, live, true}}, 0);
        });
        time.advance(2.0);
        EXPECT_FALSE(display("LEFT").strip.columns.front().refusedWidth.has_value());
        EXPECT_TRUE(logLines("needs").empty());
    }
}

TEST_F(CatchUpAndSizeChecks,
       AHeightThatKeepsChangingIsNeverLearnedAndTheChecksStopAfterFourPasses) {
    start(stillSettings());
    time.advance(3.0);
    const WindowID id = stripWindows("LEFT").front();
    const SimWindow window = desktop.window(id);
    // The application's own resizes are not followed here: only the checks look at the window.
    onQueue([&] { controller->mutableState().observers.at(editor.pid())->stop(); });
    const Rect live = window.frame();
    const Rect sent{live.x, live.y, live.width, 500};
    window.setFrame({live.x, live.y, live.width, 600});
    time.runUntilIdle();
    onQueue([&] {
        controller->scheduleSizeCheck(
            "LEFT", {{id, StripController::Dimension::height, sent, 590, false}}, 0);
    });
    // Before each of the four passes the window has grown by another 5 points.
    for (int pass = 0; pass < 4; ++pass) {
        window.setFrame({live.x, live.y, live.width, 600.0 + 5 * pass});
        time.advance(0.25);
    }
    // Then it holds still: a fifth pass would ask again and a sixth would learn.
    time.advance(2.0);
    EXPECT_FALSE(record(id).minimumHeight.has_value());
    EXPECT_TRUE(logLines("needs").empty());
    EXPECT_EQ(window.frame().height, 615);
}

TEST_F(CatchUpAndSizeChecks, AStackedWindowThatHoldsStillIsAskedOnceMoreThenLearned) {
    start(stillSettings());
    time.advance(3.0);
    const WindowID id = stripWindows("LEFT").front();
    const SimWindow window = desktop.window(id);
    onQueue([&] { controller->mutableState().observers.at(editor.pid())->stop(); });
    const Rect live = window.frame();
    const Rect sent{live.x, live.y, live.width, 500};
    window.setFrame({live.x, live.y, live.width, 600}).refuseSizes();
    time.runUntilIdle();
    window.clearWrites();
    onQueue([&] {
        controller->scheduleSizeCheck(
            "LEFT", {{id, StripController::Dimension::height, sent, 600, false}}, 0);
    });
    time.advance(0.25);  // unchanged against what was observed: asked again
    EXPECT_FALSE(window.writes().empty());
    EXPECT_FALSE(record(id).minimumHeight.has_value());
    time.advance(0.25);  // still 600: learned
    ASSERT_TRUE(record(id).minimumHeight.has_value());
    EXPECT_DOUBLE_EQ(record(id).minimumHeight.value_or(-1), 600);
    EXPECT_EQ(logLines("Editor needs 600 points of height, not 500").size(), 1u);
}

// MARK: Snapshots and focus frames

class SnapshotsAndFocusFrames : public LayoutApplication {};

TEST_F(SnapshotsAndFocusFrames, WhilePausedSnapshotsHaveNoGapStripsAndFocusFramesGoOutEmptyOnce) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    focusFrames.clear();
    onQueue([&] {
        display("LEFT").gapStrips = {GapStrip{{10, 10, 12, 300}, 7}};
        controller->mutableState().paused = true;
        controller->publishFocusFrames();
        controller->publishFocusFrames();
        controller->publishSnapshot(SnapshotReason::structure());
    });
    ASSERT_EQ(focusFrames.size(), 1u);
    EXPECT_TRUE(focusFrames.front().empty());
    ASSERT_FALSE(snapshots.empty());
    EXPECT_TRUE(snapshots.back().paused);
    for (const DisplaySnapshot& display : snapshots.back().displays)
        EXPECT_TRUE(display.gapStrips.empty());
}

TEST_F(SnapshotsAndFocusFrames, FocusFramesSayWhichDisplayMovesAndHaveNoFrameForAParkedWindow) {
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    focusFrames.clear();
    onQueue([&] {
        controller->mutableState().gestureUUID = "LEFT";
        controller->publishFocusFrames();
    });
    ASSERT_EQ(focusFrames.size(), 1u);
    ASSERT_EQ(focusFrames.back().size(), 2u);
    EXPECT_EQ(focusFrames.back()[0].displayUUID, "LEFT");
    EXPECT_TRUE(focusFrames.back()[0].moving);
    EXPECT_FALSE(focusFrames.back()[1].moving);
    EXPECT_EQ(focusFrames.back()[1].screen, kRight);
    EXPECT_FALSE(focusFrames.back()[1].frame.has_value());  // an empty strip

    // Focus on a parked column: a frame for the display, but no window rectangle.
    onQueue([&] {
        controller->mutableState().gestureUUID.reset();
        DisplayState& left = display("LEFT");
        for (size_t i = 0; i < left.lastLayout.placements.size(); ++i) {
            const Placement& placement = left.lastLayout.placements[i];
            if (!placement.isParked) continue;
            const auto location = left.strip.locate(placement.windowID);
            left.strip.focusedIndex = location->column;
            break;
        }
        controller->publishFocusFrames();
    });
    const FocusFrame& left = focusFrames.back()[0];
    EXPECT_EQ(left.screen, kLeft);
    EXPECT_FALSE(left.frame.has_value());
    EXPECT_FALSE(left.windowNumber.has_value());
}

TEST_F(SnapshotsAndFocusFrames, SnapshotColumnsReportFullWidthAndColumnsWithoutManagedWindows) {
    start(stillSettings());
    onQueue([&] {
        DisplayState& left = display("LEFT");
        left.strip.columns[0].isFullWidth = true;
        left.strip.columns[0].widthFraction = 0.4;
        left.strip.columns[1].windows = {999999};
        left.strip.columns[1].activeIndex = 0;
    });
    StripSnapshot snapshot;
    onQueue([&] { snapshot = controller->makeSnapshot(SnapshotReason::quiet()); });
    ASSERT_EQ(snapshot.displays.size(), 2u);
    EXPECT_DOUBLE_EQ(snapshot.displays[0].columns[0].widthFraction, 1.0);
    const ColumnSnapshot& empty = snapshot.displays[0].columns[1];
    EXPECT_TRUE(empty.windows.empty());
    EXPECT_EQ(empty.id(), 0u);
    EXPECT_EQ(empty.activeWindow(), nullptr);
    EXPECT_EQ(snapshot.reason, SnapshotReason::quiet());
}

// MARK: Putting windows back

class QuitRestore : public LayoutApplication {};

TEST_F(QuitRestore, AtQuitParkedAndLaterWindowsArePutBackOnScreen) {
    start(stillSettings());
    const SimWindow later = desktop.openWindow(
        editor, {.title = "later", .frame = {300, 200, 700, 500}, .focus = true});
    time.advance(1.0);
    ASSERT_TRUE(state().windows.contains(later.id()));
    ASSERT_FALSE(record(later.id()).originalFrame.has_value());
    bool anyParked = false;
    for (const Placement& placement : display("LEFT").lastLayout.placements)
        anyParked = anyParked || placement.isParked;
    ASSERT_TRUE(anyParked);
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

class DisplayClock : public LayoutApplication {
  protected:
    int linksRefused = 0;

    // The platform cannot make a display link the first `refusals` times.
    void makeControllerRefusingLinks(int refusals) {
        StripControllerEnvironment refusing = environment();
        refusing.makeDisplayLink =
            [this, refusals,
             makeLink = std::move(refusing.makeDisplayLink)]() -> std::unique_ptr<DisplayLink> {
            if (linksRefused < refusals) {
                ++linksRefused;
                return nullptr;
            }
            return makeLink();
        };
        controller = std::make_unique<StripController>(std::move(refusing));
    }
};

TEST_F(DisplayClock, WhenNoDisplayLinkCouldBeMadeTheNextAnimationStartTriesAgain) {
    makeControllerRefusingLinks(1);
    start(AppSettings{});
    onQueue([&] {
        display("LEFT").strip.scrollOffset = display("LEFT").displayedOffset + 400;
        controller->relayout("LEFT");
    });
    EXPECT_EQ(linksRefused, 1);
    EXPECT_EQ(link, nullptr);
    // The focus moves on while no frame has come: this start makes the link and runs it.
    onQueue([&] {
        display("LEFT").strip.scrollOffset = display("LEFT").displayedOffset + 600;
        controller->relayout("LEFT");
    });
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isRunning());
    animate();
    EXPECT_FALSE(display("LEFT").animating);
    EXPECT_DOUBLE_EQ(display("LEFT").displayedOffset, display("LEFT").strip.scrollOffset);
}

}  // namespace
}  // namespace brindlow::test
