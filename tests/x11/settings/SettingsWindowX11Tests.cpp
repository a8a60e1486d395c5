// The settings window of the delegate in this process, opened from the tray icon with trayer as
// the tray host; the Shortcuts page records a combination pressed through XTest.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolTip>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "app/qt/AppDelegate.h"
#include "app/qt/LayoutsEnvironment.h"
#include "app/qt/QtMainQueue.h"
#include "app/qt/TrayIcon.h"
#include "controller/StripController.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/Recorder.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "overlays/WindowPresenter.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadDisplayLink.h"
#include "platform/x11/X11Platform.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "x11/e2e/AppProcess.h"

namespace brindlow::test {
namespace {

constexpr double kLimit = 15.0;

// Processes Qt events until `done` holds; `limit` only bounds a hang.
bool eventually(const std::function<bool()>& done, double limit = kLimit) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limit));
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(runProcess(argv).status, 0);
}

void clickAt(QPoint point) {
    xdotool({"mousemove", std::to_string(point.x()), std::to_string(point.y())});
    xdotool({"click", "1"});
}

// Where the embedded icon's window really is: Qt knows only its place inside
// the tray host's socket, so X is asked for its root position.
std::optional<QPoint> iconCentre() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->inherits("QSystemTrayIconSys")) continue;
        const ProcessRun info = runProcess({"xwininfo", "-id", std::to_string(widget->winId())});
        int x = -1, y = -1;
        std::istringstream lines(info.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("Absolute upper-left X:") != std::string::npos)
                x = std::stoi(line.substr(line.find(':') + 1));
            if (line.find("Absolute upper-left Y:") != std::string::npos)
                y = std::stoi(line.substr(line.find(':') + 1));
        }
        if (x < 0 || y < 0) return std::nullopt;
        return QPoint(x + widget->width() / 2, y + widget->height() / 2);
    }
    return std::nullopt;
}

class SettingsWindowX11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
        setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        static int argc = 1;
        static char name[] = "x11_settings_window";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        main.attach();
        x11 = X11Platform::open(main);
        ASSERT_TRUE(x11);
        const Platform platform = x11->platform();
        StripControllerEnvironment environment;
        environment.platform = platform;
        environment.stripQueue = std::make_shared<SerialQueue>(StripController::kQueueLabel);
        environment.makeDisplayLink = [] { return std::make_unique<ThreadDisplayLink>(60.0); };
        environment.storageFolder = folder.path();
        controller = std::make_unique<StripController>(std::move(environment));
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json",
                                                 layoutsEnvironment(*controller, platform));
        settings = std::make_unique<SettingsStore>(folder.path() / "settings.json");
    }

    void TearDown() override {
        if (delegate) delegate->applicationWillTerminate();
        delegate.reset();
        controller.reset();
        tray.reset();
        main.close();
        app.reset();
    }

    void startTrayHost() {
        tray = std::make_unique<ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--height",
                                     "32", "--widthtype", "request", "--SetDockType", "true"});
        ASSERT_TRUE(tray->started());
        ASSERT_TRUE(eventually([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
            << "trayer did not take the tray selection";
    }

    void launch() {
        delegate = std::make_unique<AppDelegate>(main, x11->platform(), *controller, *settings,
                                                 *layouts, folder.path() / "brindlow.sock");
        ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    }

    TempFolder folder;
    std::unique_ptr<QApplication> app;
    QtMainQueue main;
    std::unique_ptr<X11Platform> x11;
    std::unique_ptr<StripController> controller;
    std::unique_ptr<LayoutsStore> layouts;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ChildProcess> tray;
    std::unique_ptr<AppDelegate> delegate;
};

// The action of the tray menu whose text starts with `title`.
QAction* menuItem(QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions())
        if (action->text().startsWith(title)) return action;
    return nullptr;
}

TEST_F(SettingsWindowX11Test, OpensFromTheTrayAndRecordsAShortcutThatIsGrabbedAtOnce) {
    startTrayHost();
    if (HasFatalFailure()) return;
    settings->update([](AppSettings& s) { s.firstRunDone = true; });
    launch();
    if (HasFatalFailure()) return;
    TrayIcon* icon = delegate->tray();
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(eventually([&] { return icon->icon().geometry().isValid(); })) << "not embedded";
    ASSERT_TRUE(eventually([&] { return delegate->controllerStarted(); }));
    // Placed by the tray host once embedded: at the top right edge of the screen.
    std::optional<QPoint> centre;
    ASSERT_TRUE(eventually([&] {
        centre = iconCentre();
        return centre && centre->x() > 100 && centre->y() < 32;
    })) << "the icon was not placed in the tray";

    // Settings… opens the window on General.
    QMenu& menu = icon->menu();
    // A click that lands before the host has finished embedding is lost: click again then.
    for (int attempt = 0; attempt < 5 && !menu.isVisible(); ++attempt) {
        clickAt(*centre);
        eventually([&] { return menu.isVisible(); }, 2.0);
    }
    ASSERT_TRUE(menu.isVisible()) << "the menu did not open";
    QAction* open = menuItem(menu, "Settings");
    ASSERT_NE(open, nullptr);
    clickAt(menu.mapToGlobal(menu.actionGeometry(open).center()));
    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] {
        window = delegate->settingsWindow();
        return window && window->isVisible();
    })) << "no settings window";
    EXPECT_EQ(window->selected(), SettingsPageTab::general);
    EXPECT_EQ(window->window()->windowTitle(), "Brindlow Settings");

    // The Shortcuts page records Ctrl+Alt+Y for "Pause Brindlow" from real key presses.
    window->select(SettingsPageTab::shortcuts);
    auto* recorder = window->page(SettingsPageTab::shortcuts)->findChild<QLineEdit*>("pause");
    ASSERT_NE(recorder, nullptr);
    ASSERT_TRUE(eventually([&] { return recorder->isVisible(); }));
    KeyboardShortcuts::Registry* registry = delegate->shortcuts();
    ASSERT_NE(registry, nullptr);
    const auto pause = Hotkey::named("pause");
    ASSERT_TRUE(pause);
    const auto before = registry->getShortcut(*pause);
    window->window()->activateWindow();
    ASSERT_TRUE(eventually([&] { return window->window()->isActiveWindow(); }))
        << "the settings window is not active";
    auto* list = window->page(SettingsPageTab::shortcuts)->findChild<QScrollArea*>();
    ASSERT_NE(list, nullptr);
    list->ensureWidgetVisible(recorder);
    QCoreApplication::processEvents();
    clickAt(recorder->mapToGlobal(recorder->rect().center()));
    ASSERT_TRUE(eventually([&] { return recorder->hasFocus(); })) << "the recorder has no focus";
    xdotool({"key", "ctrl+alt+y"});
    ASSERT_TRUE(eventually([&] { return registry->getShortcut(*pause) != before; }))
        << "nothing recorded";
    ASSERT_TRUE(eventually([&] { return !recorder->hasFocus(); }));
    EXPECT_TRUE(registry->isEnabled());
    EXPECT_TRUE(eventually([&] { return registry->isEnabled(*pause); })) << "not grabbed";

    if (const char* shot = std::getenv("BRINDLOW_SETTINGS_SCREENSHOT"))
        runProcess({"import", "-window", "root", shot});
}

}  // namespace
}  // namespace brindlow::test
