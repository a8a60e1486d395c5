// The delegate's tray icon in this process, on the session's display with
// trayer as the tray host: the icon is embedded, shows the title as its
// tooltip, a click opens the menu, and its pause item pauses tiling.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "app/qt/AppDelegate.h"
#include "app/qt/LayoutsEnvironment.h"
#include "app/qt/QtMainQueue.h"
#include "app/qt/TrayIcon.h"
#include "controller/StripController.h"
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

// The visible tooltip's text, empty when none shows.
QString visibleToolTip() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->inherits("QTipLabel"))
            return widget->property("text").toString();
    return {};
}

// Where the embedded icon's window really is, once the tray host has taken it
// in and shows it: Qt knows only its place inside the host's socket, so X is
// asked for its parent, its map state and its root position.
std::optional<QPoint> iconCentre() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->inherits("QSystemTrayIconSys")) continue;
        const std::string id = std::to_string(widget->winId());
        const ProcessRun tree = runProcess({"xwininfo", "-id", id, "-children"});
        if (tree.out.find("Parent window id") == std::string::npos ||
            tree.out.find("(the root window)", tree.out.find("Parent window id")) !=
                std::string::npos)
            return std::nullopt;
        const ProcessRun info = runProcess({"xwininfo", "-id", id});
        if (info.out.find("IsViewable") == std::string::npos) return std::nullopt;
        int x = -1, y = -1;
        std::istringstream lines(info.out);
        for (std::string line; std::getline(lines, line);) {
            const auto value = [&line] { return std::stoi(line.substr(line.find(':') + 1)); };
            if (line.find("Absolute upper-left X:") != std::string::npos) x = value();
            if (line.find("Absolute upper-left Y:") != std::string::npos) y = value();
        }
        if (x < 0 || y < 0) return std::nullopt;
        return QPoint(x + widget->width() / 2, y + widget->height() / 2);
    }
    return std::nullopt;
}

std::vector<QString> visibleItems(const QMenu& menu) {
    std::vector<QString> items;
    for (const QAction* action : menu.actions())
        items.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    return items;
}

class TrayIconTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
        setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        // The real tray needs the X platform, whatever the test run chose for other Qt tests.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // An earlier test of the session may leave a tiny work area on the root,
        // and Qt squeezes menus into it; without one Qt uses the whole screen.
        runProcess({"xprop", "-root", "-remove", "_NET_WORKAREA"});
        static int argc = 1;
        static char name[] = "x11_tray";
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
        // No welcome window: it would take the focus from the menu.
        settings->update([](AppSettings& s) { s.firstRunDone = true; });
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

TEST_F(TrayIconTest, EmbeddedWithItsTitleAndAMenuWhosePauseItemPausesTiling) {
    startTrayHost();
    if (HasFatalFailure()) return;
    launch();
    if (HasFatalFailure()) return;
    TrayIcon* icon = delegate->tray();
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(eventually([&] { return icon->icon().geometry().isValid(); })) << "not embedded";
    ASSERT_TRUE(eventually([&] { return delegate->controllerStarted(); }));
    std::optional<QPoint> centre;
    ASSERT_TRUE(eventually([&] { return (centre = iconCentre()).has_value(); }))
        << "the tray host never showed the icon";

    // The embedded icon shows the title as its tooltip. (The help event is
    // sent directly: pointer moves from XTest do not start Qt's tooltip wait
    // on an embedded window under Xvfb.)
    QWidget* embedded = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QSystemTrayIconSys")) embedded = widget;
    ASSERT_NE(embedded, nullptr);
    // Asked for far from the icon and the menu, so that it never takes their clicks.
    QHelpEvent help(QEvent::ToolTip, embedded->rect().center(), *centre + QPoint(-600, 400));
    QCoreApplication::sendEvent(embedded, &help);
    EXPECT_TRUE(eventually([] { return visibleToolTip() == QStringLiteral("Brindlow"); }))
        << "no tooltip";

    QToolTip::hideText();
    ASSERT_TRUE(eventually([] { return visibleToolTip().isEmpty(); }));

    // A click opens the menu with its items. The window manager may still be
    // placing the tray host: click where the icon has settled, again if the
    // click came before it did.
    QMenu& menu = icon->menu();
    ASSERT_TRUE(eventually([&] {
        const std::optional<QPoint> before = iconCentre();
        const std::optional<QPoint> now = iconCentre();
        if (!now || now != before) return false;
        clickAt(*now);
        return eventually([&] { return menu.isVisible(); }, 1.0);
    })) << "the menu did not open";
    EXPECT_TRUE(delegate->menuBar().shortcutsSuspended());
    const std::vector<QString> expected = {"Brindlow is tiling",
                                           "-",
                                           "Pause Brindlow",
                                           "Window Search…",
                                           "Overview",
                                           "Keyboard Shortcuts",
                                           "-",
                                           "Focus Border",
                                           "Dim Inactive Windows",
                                           "Layouts",
                                           "-",
                                           "Settings…\tCtrl+,",
                                           "-",
                                           "Quit Brindlow\tCtrl+Q"};
    std::vector<QString> items = visibleItems(menu);
    // Shortcut keys depend on what is stored; compare the titles.
    for (QString& item : items)
        if (!item.startsWith(QStringLiteral("Settings")) &&
            !item.startsWith(QStringLiteral("Quit")))
            item = item.section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ(items, expected);
    if (const char* shot = std::getenv("BRINDLOW_TRAY_SCREENSHOT")) {
        QCoreApplication::processEvents();
        runProcess({"import", "-window", "root", shot});
    }

    // Choosing "Pause Brindlow" pauses tiling; the title and tooltip follow.
    QAction* pause = menu.actions().at(2);
    // The item lights up once the menu's window is mapped and takes the pointer.
    ASSERT_TRUE(eventually([&] {
        // A window that another test left behind may take the focus and close
        // the menu: open it again then.
        if (!menu.isVisible()) {
            if (const std::optional<QPoint> again = iconCentre()) clickAt(*again);
            return false;
        }
        const QPoint at = menu.mapToGlobal(menu.actionGeometry(pause).center());
        xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y())});
        return eventually([&] { return menu.activeAction() == pause; }, 0.5);
    })) << "the pause item never took the pointer";
    xdotool({"click", "1"});
    ASSERT_TRUE(eventually([&] { return delegate->snapshot().paused; })) << "not paused";
    EXPECT_TRUE(eventually([&] { return !menu.isVisible(); }));
    EXPECT_FALSE(delegate->menuBar().shortcutsSuspended());
    EXPECT_TRUE(
        eventually([&] { return icon->icon().toolTip() == QStringLiteral("Brindlow \u2016"); }));
    if (const char* shot = std::getenv("BRINDLOW_TRAY_SCREENSHOT")) {
        QCoreApplication::processEvents();
        runProcess({"import", "-window", "root", std::string(shot) + ".paused.png"});
    }
}

}  // namespace
}  // namespace brindlow::test
