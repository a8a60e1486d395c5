#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class StartAndStop : public ControllerScenario {};

TEST_F(StartAndStop, TilesTheWindowsOfEveryDisplayAndPublishesOneSnapshot) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimApp term =
        desktop.launchApp({.name = "Term", .bundleID = "org.example.term", .activate = true});
    const SimWindow a = desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}});
    const SimWindow b = desktop.openWindow(editor, {.title = "b", .frame = {300, 200, 700, 500}});
    const SimWindow c =
        desktop.openWindow(term, {.title = "c", .frame = {2100, 100, 700, 500}, .focus = true});
    time.runUntilIdle();

    start(stillSettings());
    start(stillSettings());  // a second start does nothing

    EXPECT_EQ(stripWindows("LEFT").size(), 2u);
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{c.id()}));
    EXPECT_EQ(activeDisplay(), "RIGHT");  // the frontmost application's focused window
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].reason, SnapshotReason::structure());
    ASSERT_EQ(snapshots[0].displays.size(), 2u);
    EXPECT_EQ(snapshots[0].displays[0].id, "LEFT");
    EXPECT_TRUE(snapshots[0].displays[1].isActive);
    EXPECT_EQ(logLines("Start: 3 windows on 2 displays").size(), 1u);
    // Every window now stands inside its display's usable area at half its width.
    for (const SimWindow& window : {a, b}) EXPECT_LE(window.frame().width, 1920 / 2);
    EXPECT_TRUE(inside(c.frame(), kRight));
    for (const WindowSnapshot& window : snapshots[0].allWindows())
        EXPECT_EQ(desktop.window(window.id).frame(), window.frame);
}

TEST_F(StartAndStop, WindowsOnNoDisplayInUseAndFloatingRulesAreNotAdopted) {
    addTwoDisplays();
    AppSettings settings = stillSettings();
    settings.disabledDisplays = {"RIGHT"};
    settings.appRules = {{"org.example.float", "Float", AppBehavior::floating, std::nullopt},
                         {"org.example.float", "Float", AppBehavior::tile, 0.75}};
    const SimApp floating = desktop.launchApp({.name = "Float", .bundleID = "org.example.float"});
    const SimApp editor = desktop.launchApp({.name = "Editor"});  // no bundle identifier
    desktop.openWindow(floating, {.title = "f", .frame = {100, 100, 700, 500}});
    const SimWindow offDisplay =
        desktop.openWindow(editor, {.title = "x", .frame = {2000, 100, 700, 500}});
    const SimWindow kept =
        desktop.openWindow(editor, {.title = "y", .frame = {100, 100, 700, 500}});
    const Rect before = offDisplay.frame();
    start(settings);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{kept.id()}));
    EXPECT_FALSE(hasStrip("RIGHT"));
    EXPECT_EQ(offDisplay.frame(), before);
    EXPECT_EQ(logLines("Start: 2 windows on 1 displays").size(), 1u);
}

TEST_F(StartAndStop, QuittingPutsEveryWindowBackAndNothingMovesAfterwards) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    std::vector<SimWindow> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(desktop.openWindow(
            editor, {.title = "e" + std::to_string(i), .frame = {100.0 + 50 * i, 100, 900, 600}}));
    windows.push_back(desktop.openWindow(term, {.title = "t", .frame = {2200, 300, 600, 400}}));
    std::vector<Rect> originals;
    for (const SimWindow& window : windows) originals.push_back(window.frame());
    AppSettings settings;
    start(settings);
    // Four half-width columns do not fit: some are parked beside the display.
    const std::vector<WindowSnapshot> shown = latest().allWindows();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                            [](const WindowSnapshot& window) { return window.isParked; }));

    bool done = false;
    controller->beginStop([&] { done = true; });
    EXPECT_TRUE(controller->isStopped());
    time.runUntilIdle();
    ASSERT_TRUE(done);
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i].frame(), originals[i]) << i;
    EXPECT_EQ(logLines("Put 5 windows back before quitting").size(), 1u);

    // Timers, events and commands after the stop move nothing.
    const SimWindow late =
        desktop.openWindow(editor, {.title = "late", .frame = {50, 50, 500, 400}});
    controller->perform(Command::Kind::focusRight);
    controller->updateSettings(AppSettings{});
    time.advance(10);
    time.runUntilIdle();
    for (size_t i = 0; i < windows.size(); ++i) EXPECT_EQ(windows[i].frame(), originals[i]) << i;
    EXPECT_EQ(late.frame(), (Rect{50, 50, 500, 400}));
    EXPECT_FALSE(managed(late.id()));
}

TEST_F(StartAndStop, EnhancedInterfaceIsSwitchedBackOnAtQuit) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp(
        {.name = "Editor", .bundleID = "org.example.editor", .enhancedUserInterface = true});
    desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}});
    start(stillSettings());
    EXPECT_EQ(editor.enhancedUserInterface(), false);
    controller->beginStop(nullptr);
    time.runUntilIdle();
    EXPECT_EQ(editor.enhancedUserInterface(), true);
}

}  // namespace
}  // namespace brindlow::test
