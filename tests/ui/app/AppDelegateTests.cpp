#include "app/qt/AppDelegate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <memory>

#include "app/CommandLineTool.h"
#include "app/qt/AppRequestTarget.h"
#include "app/qt/CommandPerformer.h"
#include "app/qt/QtMainQueue.h"
#include "controller/StripController.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "overlays/BadgeOverlayController.h"
#include "overlays/FocusOverlayController.h"
#include "overlays/OverlayContents.h"
#include "overlays/WindowPresenter.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/ManualExecutor.h"
#include "platform/ManualUiScheduler.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/QtEvents.h"
#include "support/TempFolder.h"
#include "support/overlays/FakeSurfaces.h"
#include "ui/app/ReportingDesktop.h"
#include "unit/input/FakeHotKeys.h"

namespace brindlow::test {
namespace {

// The delegate on the sim desktop: the strip controller's queues run in
// virtual time, the delegate's own main queue and timers on the Qt loop.
class AppDelegateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSink::setStderrEnabled(false);
        main.attach();
        desktop.addDisplay({.name = "Screen", .uuid = "SCREEN"});
        const SimApp app = desktop.launchApp({.name = "Terminal", .activate = true});
        window = desktop.openWindow(app, {.title = "one", .focus = true});

        StripControllerEnvironment environment;
        environment.platform = desktop.platform();
        environment.stripQueue =
            std::make_shared<ManualExecutor>(time, StripController::kQueueLabel);
        environment.makeDisplayLink = [] { return std::make_unique<ManualDisplayLink>(); };
        environment.storageFolder = folder.path();
        environment.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
            for (size_t index = 0; index < count; ++index) job(index);
        };
        controller = std::make_unique<StripController>(std::move(environment));
        LayoutsStore::Environment layoutsEnvironment;
        layoutsEnvironment.main = &main;
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json",
                                                 std::move(layoutsEnvironment));
    }

    std::unique_ptr<AppDelegate> makeDelegate() {
        return std::make_unique<AppDelegate>(main, desktop.platform(), *controller, settings,
                                             *layouts, socketPath());
    }

    std::filesystem::path socketPath() const { return folder.path() / "brindlow.sock"; }

    // Runs the tool on a thread of its own while the Qt loop serves the main
    // queue, as the application's loop would.
    ToolRun tool(const std::vector<std::string>& args) {
        ToolEnvironment environment;
        environment.socketPath = socketPath();
        environment.callerPID = 1;
        environment.replyTimeoutSeconds = 2.0;
        auto run =
            std::async(std::launch::async, [&] { return runCommandLineTool(args, environment); });
        runEventsUntil(
            [&] { return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return run.get();
    }

    TempFolder folder;
    VirtualTime time;
    SimDesktop desktop{time};
    std::optional<SimWindow> window;
    QtMainQueue main;
    SettingsStore settings{folder.path() / "settings.json"};
    std::unique_ptr<StripController> controller;
    std::unique_ptr<LayoutsStore> layouts;
};

TEST_F(AppDelegateTest, StartUpWiresTheControllerListensAndStartsAtOnceWhenTheDisplayAnswers) {
    auto delegate = makeDelegate();
    EXPECT_EQ(AppDelegate::current(), nullptr);
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    EXPECT_EQ(AppDelegate::current(), delegate.get());
    EXPECT_TRUE(controller->onSnapshot && controller->onMessage && controller->onFocusFrames);
    // Without surfaces no overlay is made, and frames and messages are dropped.
    EXPECT_EQ(delegate->focusOverlay(), nullptr);
    EXPECT_EQ(delegate->toast(), nullptr);
    controller->onFocusFrames({FocusFrame{"D1", Rect(), Rect(10, 10, 80, 60), 42u, false}});
    controller->onMessage(ToastMessage{"a", "b", std::nullopt, std::nullopt});

    EXPECT_EQ(tool({"layout", "list"}).status, tool_status::done);

    // Granted at launch: started during launch, the timer never needed.
    EXPECT_TRUE(delegate->controllerStarted());
    EXPECT_FALSE(delegate->permissionTimerActive());
    time.runUntilIdle();
    ASSERT_EQ(delegate->snapshot().displays.size(), 1u);
    EXPECT_EQ(delegate->snapshot().displays[0].columns.size(), 1u);
    // A second instance leaves the live socket alone.
    EXPECT_EQ(makeDelegate()->applicationDidFinishLaunching(),
              AppDelegate::LaunchResult::alreadyRunning);
    EXPECT_EQ(tool({"layout", "list"}).status, tool_status::done);

    delegate.reset();
    EXPECT_EQ(AppDelegate::current(), nullptr);
}

TEST_F(AppDelegateTest, TheMenuTitleFollowsSnapshotsAndNoTrayHostIsSaidOnce) {
    LogSink::clear();
    // No welcome window: the settings window would wait for it to close.
    settings.update([](AppSettings& s) { s.firstRunDone = true; });
    auto delegate = makeDelegate();
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    time.runUntilIdle();
    // The offscreen platform has no tray host: once the grace for one to start is over, the log
    // says so once and the settings window shows (that it leaves the focus alone is for X to say).
    EXPECT_FALSE(delegate->trayHostFound().has_value());
    ASSERT_TRUE(runEventsUntil([&] { return delegate->trayHostFound().has_value(); },
                               AppDelegate::kTrayHostGrace + 5.0));
    EXPECT_FALSE(*delegate->trayHostFound());
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->window()->isVisible());
    int said = 0;
    for (const LogRecord& record : LogSink::recent())
        said += record.message.find("No system tray") != std::string::npos;
    EXPECT_EQ(said, 1);
    // One focused column of one: the title shows 1/1; the menu reaches the live delegate.
    EXPECT_EQ(delegate->menuBar().title(), " 1/1");
    findMenuItem(delegate->menuBar().rebuildMenu(), "Focus Border")->action();
    EXPECT_TRUE(settings.settings().focusBorder);

    EXPECT_NE(delegate->diagnosticsReport().find("\nStrips:\n  Screen: focus 1 of 1 [Terminal "),
              std::string::npos);
}

// Each menu item that opens the settings window opens its own page, also when the window is
// already open at the other one.
struct SettingsItem {
    const char* name;
    const char* title;
    const char* other;
    SettingsPageTab page;
};

class SettingsItemTest : public AppDelegateTest,
                         public ::testing::WithParamInterface<SettingsItem> {};

TEST_P(SettingsItemTest, OpensTheSettingsWindowAtItsPage) {
    settings.update([](AppSettings& s) { s.firstRunDone = true; });
    auto delegate = makeDelegate();
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    for (const char* title : {GetParam().other, GetParam().title}) {
        const MenuModel menu = delegate->menuBar().rebuildMenu();
        const MenuItem* item = findMenuItem(menu, title);
        ASSERT_NE(item, nullptr) << title;
        item->action();
    }
    ASSERT_NE(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(delegate->settingsWindow()->window()->isVisible());
    EXPECT_EQ(delegate->settingsWindow()->selected(), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(MenuItems, SettingsItemTest,
                         ::testing::Values(SettingsItem{"settings", "Settings…", "Manage Layouts…",
                                                        SettingsPageTab::general},
                                           SettingsItem{"manage_layouts", "Manage Layouts…",
                                                        "Settings…", SettingsPageTab::layouts}),
                         [](const auto& row) { return std::string(row.param.name); });

// A window command from the command line and a list asked for after it join the strip queue in
// that order, so the list shows the command's effect even before any snapshot does.
TEST_F(AppDelegateTest, AListAskedForAfterAWindowCommandShowsItsEffect) {
    desktop.openWindow(desktop.launchApp({.name = "Editor"}), {.title = "two", .focus = true});
    auto delegate = makeDelegate();
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    time.runUntilIdle();
    ASSERT_TRUE(runEventsUntil([&] { return delegate->snapshot().displays.size() == 1; }));
    ASSERT_EQ(delegate->snapshot().displays[0].focusedIndex, 0);

    CommandPerformer performer(settings, nullptr);
    AppRequestTarget target(performer, *controller, *layouts);
    target.queueWindowCommand(Command::Kind::focusRight);
    std::optional<std::string> listed;
    target.listJSON(false, [&](std::string json) { listed = std::move(json); });
    // Virtual time stands still: nothing has run yet, and the list does not answer ahead.
    EXPECT_EQ(listed, std::nullopt);
    time.runUntilIdle();
    ASSERT_TRUE(listed);
    EXPECT_NE(listed->find("\"focused\" : 2"), std::string::npos) << *listed;
}

TEST_F(AppDelegateTest, SettingsChangesAndOverlaySwitchesReachTheController) {
    auto delegate = makeDelegate();
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    time.runUntilIdle();

    settings.update([](AppSettings& s) {
        s.animationsEnabled = false;  // placed at once, without display-link frames
        s.outerGap = 31;
    });
    // A command-line switch hops to the main queue, then into the settings.
    EXPECT_EQ(tool({"focus-border"}).status, tool_status::done);
    ASSERT_TRUE(runEventsUntil([&] { return settings.settings().focusBorder; }));
    time.runUntilIdle();
    // The strip's one window now starts at the new outer gap.
    EXPECT_EQ(window->frame().origin(), (Point{31, 31}));
}

TEST_F(AppDelegateTest, GlobalShortcutsAreRegisteredAtStartAndPerformTheirCommands) {
    FakeHotKeys hotKeys;
    MemoryPreferences preferences;
    preferences.setObject("KeyboardShortcuts_focusBorder",
                          std::string(R"({"carbonKeyCode":96,"carbonModifiers":0})"));
    Platform platform = desktop.platform();
    platform.hotKeys = &hotKeys;
    platform.preferences = &preferences;
    auto delegate = std::make_unique<AppDelegate>(main, platform, *controller, settings, *layouts,
                                                  socketPath());
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    // The 50 defaults and the one set by hand.
    EXPECT_EQ(hotKeys.grabbed.size(), 51u);

    hotKeys.press(96, 0);
    EXPECT_TRUE(settings.settings().focusBorder);
    EXPECT_EQ(delegate->menuShortcuts()->text("jump3"), "Ctrl+Alt+3");

    delegate.reset();
    EXPECT_TRUE(hotKeys.grabbed.empty());
    EXPECT_FALSE(KeyboardShortcuts::displayText("focusLeft"));
}

TEST_F(AppDelegateTest, FocusFramesAndSnapshotsReachTheOverlaysWithTheCurrentSettings) {
    FakeSurfaceFactory surfaces;
    ManualUiScheduler scheduler;
    Platform platform = desktop.platform();
    platform.surfaces = &surfaces;
    platform.uiScheduler = &scheduler;
    settings.update([](AppSettings& s) { s.focusBorder = true; });
    AppDelegate delegate(main, platform, *controller, settings, *layouts, socketPath());
    ASSERT_NE(delegate.focusOverlay(), nullptr);
    ASSERT_NE(delegate.badgeOverlay(), nullptr);
    ASSERT_NE(delegate.toast(), nullptr);
    ASSERT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);

    controller->onFocusFrames(
        {FocusFrame{"D1", Rect(0, 0, 1920, 1080), Rect(10, 10, 800, 600), 42u, false}});
    const Surface* border = delegate.focusOverlay()->border("D1");
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->frame(), Rect(7, 7, 806, 606));

    WindowSnapshot badged;
    badged.id = 9;
    badged.hasBadge = true;
    badged.frame = Rect(10, 10, 800, 600);
    StripSnapshot snapshot;
    snapshot.displays = {DisplaySnapshot{}};
    snapshot.displays[0].frame = Rect(0, 0, 1920, 1080);
    snapshot.displays[0].columns = {ColumnSnapshot{}};
    snapshot.displays[0].columns[0].windows = {badged};
    controller->onSnapshot(snapshot);
    EXPECT_EQ(delegate.badgeOverlay()->dotCount(), 1u);
    EXPECT_EQ(delegate.snapshot(), snapshot);
}

// A hand-edited file beyond the pages' ranges: the first layout already uses the outer gap as
// written, and the width of -3, which means nothing, at its default.
TEST_F(AppDelegateTest, StoredSettingsAreUsedAsWrittenFromTheFirstLayout) {
    const std::filesystem::path file = folder.path() / "edited-settings.json";
    {
        std::ofstream out(file);
        out << R"({"outerGap": 70, "defaultWidth": -3, "animationsEnabled": false,)"
            << R"( "firstRunDone": true})";
    }
    SettingsStore edited(file);
    AppDelegate delegate(main, desktop.platform(), *controller, edited, *layouts, socketPath());
    ASSERT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    ASSERT_TRUE(delegate.controllerStarted());
    time.runUntilIdle();
    // Outer gaps of 70 and half the width between them (gaps of 12): 884 wide.
    EXPECT_EQ(window->frame(), Rect(70, 70, 884, 940));
    // The file keeps what the user wrote.
    EXPECT_EQ(edited.settings().outerGap, 70);
}

TEST_F(AppDelegateTest, TheBorderWidthColourAndDimFollowTheSettingsAtOnce) {
    FakeSurfaceFactory surfaces;
    ManualUiScheduler scheduler;
    Platform platform = desktop.platform();
    platform.surfaces = &surfaces;
    platform.uiScheduler = &scheduler;
    settings.update([](AppSettings& s) {
        s.focusBorder = true;
        s.dimInactive = true;
    });
    AppDelegate delegate(main, platform, *controller, settings, *layouts, socketPath());
    ASSERT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    controller->onFocusFrames(
        {FocusFrame{"D1", Rect(0, 0, 1920, 1080), Rect(10, 10, 800, 600), 42u, false}});
    const Surface* border = delegate.focusOverlay()->border("D1");
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->frame(), Rect(7, 7, 806, 606));

    // The slider moves from 3 to 10 with no focus change after it.
    settings.update([](AppSettings& s) {
        s.focusBorderWidth = 10;
        s.focusBorderColor = "#FF0000";
        s.dimAmount = 0.5;
    });
    EXPECT_EQ(border->frame(), Rect(0, 0, 820, 620));
    const BorderContent* content = delegate.focusOverlay()->borderContent("D1");
    EXPECT_EQ(content->width(), 10);
    EXPECT_EQ(content->color(), (Color{1, 0, 0, 1}));
    const auto* dim = static_cast<const FakeSurface*>(delegate.focusOverlay()->dim("D1"));
    ASSERT_NE(dim, nullptr);
    EXPECT_EQ(dim->background, (Color{0, 0, 0, 0.5}));
    // Beyond the page's range, the width is used as written.
    settings.update([](AppSettings& s) { s.focusBorderWidth = 25; });
    EXPECT_EQ(border->frame(), Rect(-15, -15, 850, 650));
}

// Input back ends that only record being switched on and off.
class RecordingTap : public EventTap {
  public:
    Started start(const Options& options, Handler) override {
        started = options;
        return {true, true};
    }
    void stop() override { started.reset(); }
    void repost(const std::vector<InputEvent>&) override {}
    std::optional<Options> started;
};

class RecordingMonitor : public MouseMonitor {
  public:
    bool start(std::function<void()>) override { return running = true; }
    void stop() override { running = false; }
    PointerState pointer() const override { return {}; }
    bool running = false;
};

// Waiting for the display: the timer runs, the socket answers, nothing listens to input; once it
// answers, the controller starts once and the input back ends follow the settings.
TEST_F(AppDelegateTest, WaitsForTheDisplayThenGesturesAndFocusFollowTheSettingsAndStopAtQuit) {
    RecordingTap tap;
    RecordingMonitor monitor;
    Platform platform = desktop.platform();
    platform.eventTap = &tap;
    platform.mouseMonitor = &monitor;
    settings.update([](AppSettings& s) {
        s.gesturesEnabled = true;
        s.gestureFingers = 7;
        s.twoFingerScroll = TwoFingerScroll::withKeys;
        s.focusFollowsMouse = true;
    });
    desktop.setTrusted(false);
    AppDelegate delegate(main, platform, *controller, settings, *layouts, socketPath());
    ASSERT_EQ(delegate.applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    EXPECT_FALSE(delegate.controllerStarted());
    EXPECT_TRUE(delegate.permissionTimerActive());
    EXPECT_FALSE(tap.started);
    EXPECT_FALSE(monitor.running);
    // The socket is up while waiting.
    EXPECT_EQ(tool({"layout", "list"}).status, tool_status::done);

    desktop.setTrusted(true);
    ASSERT_TRUE(runEventsUntil([&] { return delegate.controllerStarted(); }, 5.0));
    EXPECT_FALSE(delegate.permissionTimerActive());
    time.runUntilIdle();
    EXPECT_TRUE(runEventsUntil([&] { return delegate.snapshot().displays.size() == 1; }));
    ASSERT_TRUE(tap.started);
    EXPECT_EQ(*tap.started, (EventTap::Options{true, true, true}));
    EXPECT_EQ(delegate.gestures().running(), (GestureConfig{4, TwoFingerScroll::withKeys}));
    EXPECT_TRUE(monitor.running);

    settings.update([](AppSettings& s) {
        s.gesturesEnabled = false;
        s.focusFollowsMouse = false;
    });
    EXPECT_EQ(*tap.started, (EventTap::Options{false, true, true}));
    EXPECT_FALSE(monitor.running);

    settings.update([](AppSettings& s) { s.focusFollowsMouse = true; });
    delegate.applicationWillTerminate();
    EXPECT_FALSE(tap.started);
    EXPECT_FALSE(monitor.running);
}

TEST_F(AppDelegateTest, ShutDownClosesTheSocketAndStopsTheController) {
    auto delegate = makeDelegate();
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    time.runUntilIdle();

    delegate->applicationWillTerminate();
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
    EXPECT_EQ(tool({"focus-left"}).status, tool_status::unavailable);
    EXPECT_TRUE(controller->isStopped());
    // The strip queue here runs only in virtual time, so the bounded wait ran out.
    EXPECT_FALSE(delegate->windowsPutBack());
    // Once only.
    delegate->applicationWillTerminate();
}

// The welcome window closed with the keys: they go back to the window that had them before it,
// asked again each time the window manager names nobody or still the closed window, until it
// names them back or another window.
constexpr std::uint32_t kBeforeWelcome = 601;
constexpr std::uint32_t kChosenWindow = 602;
constexpr std::uint32_t kNobody = 0;
constexpr std::uint32_t kWelcome = 1;  // stands for the closed welcome window

struct KeysBackRow {
    const char* name;
    std::vector<std::uint32_t> named;  // by the window manager after the close, in order
    bool beforeShown;
    std::vector<std::uint32_t> askedAgain;
};

class KeysBackTest : public AppDelegateTest, public ::testing::WithParamInterface<KeysBackRow> {
  protected:
    // Each change is acted on before the next.
    void report(std::optional<std::uint32_t> named) {
        panels.report(named);
        bool heard = false;
        main.async([&heard] { heard = true; });
        ASSERT_TRUE(runEventsUntil([&] { return heard; }));
    }

    ReportingDesktop panels;
};

TEST_P(KeysBackTest, AsksAgainUntilTheWindowManagerNamesTheWindowOrAnother) {
    panels.active = kBeforeWelcome;
    panels.previousShown = GetParam().beforeShown;
    Platform platform = desktop.platform();
    platform.panelDesktop = &panels;
    auto delegate = std::make_unique<AppDelegate>(main, platform, *controller, settings, *layouts,
                                                  socketPath());
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    QWidget* welcome = delegate->presenter().window("firstRun");
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(runEventsUntil([&] { return welcome->isActiveWindow(); }));
    const auto closed = std::uint32_t(welcome->winId());

    panels.activated.clear();  // the welcome window's own
    delegate->finishFirstRun();
    // Handed back like every later request: not to a window the user minimised meanwhile.
    EXPECT_EQ(panels.askedBack, std::vector<std::uint32_t>{kBeforeWelcome});
    panels.askedBack.clear();
    for (const std::uint32_t name : GetParam().named)
        report(name == kNobody    ? std::nullopt
               : name == kWelcome ? std::optional(closed)
                                  : std::optional(name));
    EXPECT_EQ(panels.askedBack, GetParam().askedAgain);
    EXPECT_TRUE(panels.activated.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, KeysBackTest,
    ::testing::Values(KeysBackRow{"NobodyThenTheWindow",
                                  {kNobody, kBeforeWelcome, kNobody},
                                  true,
                                  {kBeforeWelcome}},
                      KeysBackRow{"StillTheClosedOneTwice",
                                  {kWelcome, kWelcome, kBeforeWelcome},
                                  true,
                                  {kBeforeWelcome, kBeforeWelcome}},
                      KeysBackRow{"AnotherChosen", {kChosenWindow, kNobody}, true, {}},
                      // Minimised or closed since: refused at once, and left so.
                      KeysBackRow{"NobodyWhileTheWindowIsGone", {kNobody, kNobody}, false, {}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
