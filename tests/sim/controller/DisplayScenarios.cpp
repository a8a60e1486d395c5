#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class Displays : public ControllerScenario {
  protected:
    SimApp editor;
    std::vector<SimWindow> leftWindows;
    std::vector<SimWindow> rightWindows;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
        for (int i = 0; i < 3; ++i)
            leftWindows.push_back(desktop.openWindow(
                editor,
                {.title = "l" + std::to_string(i), .frame = {100.0 + 40 * i, 100, 900, 600}}));
        for (int i = 0; i < 2; ++i)
            rightWindows.push_back(desktop.openWindow(
                editor,
                {.title = "r" + std::to_string(i), .frame = {2000.0 + 40 * i, 100, 900, 600}}));
        time.runUntilIdle();
        start(stillSettings());
        snapshots.clear();
    }
};

TEST_F(Displays, SwitchingADisplayOffReleasesItsWindowsOntoItAndSwitchingOnTilesThemAgain) {
    // Three half-width columns do not fit: one of them stands parked at the edge.
    AppSettings settings = stillSettings();
    settings.disabledDisplays = {"LEFT"};
    applySettings(settings);
    EXPECT_EQ(logLines("Display Left switched off").size(), 1u);
    EXPECT_FALSE(hasStrip("LEFT"));
    EXPECT_TRUE(hasStrip("RIGHT"));
    for (const SimWindow& window : leftWindows) {
        EXPECT_FALSE(managed(window.id()));
        // No window stays parked at the edge: each stands wholly on its display.
        EXPECT_TRUE(inside(window.frame(), kLeft)) << window.frame();
    }
    EXPECT_EQ(activeDisplay(), "RIGHT");
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().displays.size(), 1u);

    settings.disabledDisplays.clear();
    applySettings(settings);
    EXPECT_EQ(logLines("Display Left added").size(), 2u);  // at the start, and now
    EXPECT_EQ(stripWindows("LEFT").size(), 3u);
}

TEST_F(Displays, UnpluggingMovesItsColumnsBeforeTheFirstDisplaysRightPinnedBlock) {
    for (const Command::Kind kind :
         {Command::Kind::focusLast, Command::Kind::pinRight, Command::Kind::focusFirst})
        controller->perform(kind);
    time.runUntilIdle();
    snapshots.clear();
    const std::vector<WindowID> rightOrder = stripWindows("RIGHT");
    const WindowID pinned = stripWindows("LEFT").back();
    desktop.removeDisplay(right);
    time.runUntilIdle();
    EXPECT_EQ(logLines("Display Right disconnected").size(), 1u);
    const auto strip = columns();
    ASSERT_EQ(strip.size(), 5u);
    EXPECT_EQ(strip[2].front(), rightOrder[0]);
    EXPECT_EQ(strip[3].front(), rightOrder[1]);
    EXPECT_EQ(strip[4].front(), pinned);
    EXPECT_EQ(display().focusedIndex, 0);
    for (const SimWindow& window : rightWindows) EXPECT_TRUE(managed(window.id()));
}

TEST_F(Displays, StrayWindowsArePutBackOntoAConnectedDisplayAtQuit) {
    desktop.removeDisplay(right);
    desktop.removeDisplay(left);
    time.runUntilIdle();
    AppSettings settings = stillSettings();
    settings.disabledDisplays = {"BACK"};
    applySettings(settings);
    desktop.addDisplay({.name = "Back", .frame = kLeft, .uuid = "BACK"});  // switched off
    time.runUntilIdle();
    ASSERT_TRUE(latest().displays.empty());
    controller->beginStop(nullptr);
    time.runUntilIdle();
    for (const SimWindow& window : leftWindows) EXPECT_TRUE(inside(window.frame(), kLeft));
    for (const SimWindow& window : rightWindows) EXPECT_TRUE(inside(window.frame(), kLeft));
    EXPECT_EQ(logLines("Put 5 windows back before quitting").size(), 1u);
}

TEST_F(Displays, SettingsRelayoutOnlyWhenTheLayoutParametersChange) {
    AppSettings settings = stillSettings();
    settings.presetWidths = {0.5};
    settings.defaultWidth = 0.3;
    applySettings(settings);
    EXPECT_TRUE(snapshots.empty());
    EXPECT_TRUE(focusFrames.empty());

    settings.focusBorder = true;
    applySettings(settings);
    EXPECT_TRUE(snapshots.empty());
    EXPECT_EQ(focusFrames.size(), 1u);

    settings.gap = -3;  // the old gap was 12: this changes it to 0
    applySettings(settings);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].reason, SnapshotReason::structure());
}

TEST_F(Displays, ARuleThatFloatsAnAppDropsItsWindowsAndTilingAgainAdoptsThem) {
    AppSettings settings = stillSettings();
    settings.appRules = {{"org.example.editor", "Editor", AppBehavior::floating, std::nullopt}};
    applySettings(settings);
    EXPECT_EQ(logLines("Remove Editor '<private>': app rule: float").size(), 5u);
    EXPECT_TRUE(latest().allWindows().empty());
    settings.appRules = {{"org.example.editor", "Editor", AppBehavior::tile, 0.75}};
    applySettings(settings);
    EXPECT_EQ(latest().allWindows().size(), 5u);
    for (const ColumnSnapshot& column : display().columns)
        EXPECT_DOUBLE_EQ(column.widthFraction, 0.75);
}

// Four windows of one application that needs more height than half a display gives.
class TallWindowDisplays : public ControllerScenario {
  protected:
    SimApp tall;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        tall = desktop.launchApp({.name = "Tall", .bundleID = "org.example.tall"});
        for (int i = 0; i < 4; ++i)
            windows.push_back(desktop.openWindow(tall, {.title = "t" + std::to_string(i),
                                                        .frame = {100.0 + 40 * i, 100, 600, 500}}));
        time.runUntilIdle();
    }
};

TEST_F(TallWindowDisplays, EveryStackWithoutRoomIsSplitNotOnlyTheFirst) {
    // A saved session with two stacks of two, and a learned height that fits neither.
    writeSession({savedColumn({{"org.example.tall", "t0"}, {"org.example.tall", "t1"}}),
                  savedColumn({{"org.example.tall", "t2"}, {"org.example.tall", "t3"}})});
    writeLearnedHeights({{"org.example.tall", 700}});
    start(stillSettings());
    EXPECT_EQ(columns(),
              (std::vector<std::vector<WindowID>>{
                  {windows[0].id()}, {windows[1].id()}, {windows[2].id()}, {windows[3].id()}}));
    EXPECT_EQ(logLines("Unstacked Tall: no room for a real gap").size(), 2u);
}

TEST_F(TallWindowDisplays, WhenTheLastDisplayInUseGoesItsWindowsMoveOntoAConnectedOne) {
    start(stillSettings());
    AppSettings settings = stillSettings();
    settings.disabledDisplays = {"RIGHT"};
    applySettings(settings);
    desktop.removeDisplay(left);
    time.runUntilIdle();
    ASSERT_TRUE(latest().displays.empty());
    for (const SimWindow& window : windows)
        EXPECT_TRUE(inside(window.frame(), kRight)) << window.frame();

    settings.disabledDisplays.clear();
    applySettings(settings);
    EXPECT_EQ(stripWindows("RIGHT").size(), windows.size());
}

}  // namespace
}  // namespace brindlow::test
