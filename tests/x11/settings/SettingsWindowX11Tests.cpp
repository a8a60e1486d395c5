// The settings window of the delegate in this process, opened from a real click on the tray icon
// and its menu with trayer as the tray host; the Shortcuts page records a combination pressed
// through XTest. Without a tray host the window shows beside a focused xterm; a host that starts
// late takes the icon. With BRINDLOW_SCREENSHOT_DIR set, the pages are photographed there.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "app/qt/AppDelegate.h"
#include "app/qt/TrayIcon.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/Recorder.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "x11/support/DelegateOnDisplay.h"
#include "x11/support/X11TestSupport.h"

namespace brindlow::test {
namespace {

using SettingsWindowX11Test = DelegateOnDisplayTest;

// The action of the tray menu whose text starts with `title`.
QAction* menuItem(QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions())
        if (action->text().startsWith(title)) return action;
    return nullptr;
}

TEST_F(SettingsWindowX11Test, OpensFromTheTrayAndRecordsAShortcutThatIsGrabbedAtOnce) {
    settings->update([](AppSettings& s) { s.firstRunDone = true; });
    launchInTray();
    if (HasFatalFailure()) return;
    TrayIcon* icon = delegate->tray();
    // Placed by the tray host once embedded: at the top right edge of the screen.
    ASSERT_TRUE(eventually([&] {
        const std::optional<QPoint> centre = iconCentre();
        return centre && centre->x() > 100 && centre->y() < 32;
    })) << "the icon was not placed in the tray";

    // Settings… opens the window.
    QMenu& menu = icon->menu();
    // The host may still move the icon while it lays itself out, and a click that lands before
    // it has finished embedding is lost: click where the icon is now, again if need be.
    for (int attempt = 0; attempt < 5 && !menu.isVisible(); ++attempt) {
        if (const std::optional<QPoint> centre = iconCentre()) clickAt(*centre);
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
    // And it works at once: pressed anywhere, it pauses tiling.
    xdotool({"key", "ctrl+alt+y"});
    EXPECT_TRUE(eventually([&] { return delegate->snapshot().paused; }))
        << "the new shortcut did not pause";
    screenshot("settings-recorded");
}

// The session's window manager holds a combination that goes to another desktop: openbox's stock
// Super+F2 (the session gives fluxbox, jwm and fvwm the same one), KWin's and xfwm4's Ctrl+F2,
// metacity's Super+Page Down. While the recorder records it holds the keyboard, so the press
// reaches it instead, and the probe finds that another program holds the combination.
TEST_F(SettingsWindowX11Test, RecordingACombinationTheWindowManagerHoldsWarnsAndSwitchesNothing) {
    BRINDLOW_SKIP_BESIDE(
        "its only stock keys to another desktop (Ctrl+Alt+arrows, Ctrl+Alt+1…9) are Brindlow's "
        "own defaults",
        "marco", "icewm");
    launch();
    if (HasFatalFailure()) return;
    delegate->showSettings(SettingsTab::general);
    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] {
        window = delegate->settingsWindow();
        return window && window->isVisible() && window->window()->isActiveWindow();
    })) << "the settings window is not active";
    window->select(SettingsPageTab::shortcuts);
    auto* recorder = dynamic_cast<KeyboardShortcuts::Recorder*>(
        window->page(SettingsPageTab::shortcuts)->findChild<QLineEdit*>("pause"));
    ASSERT_NE(recorder, nullptr);
    std::vector<QString> alerts;
    recorder->setAlertPresenter([&](const KeyboardShortcuts::Recorder::Alert& alert, QWidget*) {
        alerts.push_back(alert.message);
        return 0;  // "OK": store nothing
    });
    KeyboardShortcuts::Registry* registry = delegate->shortcuts();
    ASSERT_NE(registry, nullptr);
    const auto pause = Hotkey::named("pause");
    ASSERT_TRUE(pause);
    const auto before = registry->getShortcut(*pause);

    X11Connection& x = x11->connection();
    // The window manager running now (an earlier test may have put openbox in the session's
    // place), by the name it publishes.
    const std::string wm = windowManagerName(x).value_or("");
    const bool ctrlF = wm == "KWin" || wm == "Xfwm4";
    const std::string toSecond = ctrlF              ? "ctrl+F2"
                                 : wm == "Metacity" ? "super+Page_Down"
                                                    : "super+F2";
    const std::string toFirst = ctrlF ? "ctrl+F1" : wm == "Metacity" ? "super+Page_Up" : "super+F1";
    const auto currentDesktop = [&x]() -> std::optional<std::uint32_t> {
        std::uint32_t desktop = 0;
        if (!xcb_ewmh_get_current_desktop_reply(
                x.ewmh(), xcb_ewmh_get_current_desktop(x.ewmh(), x.screenNumber()), &desktop,
                nullptr))
            return std::nullopt;
        return desktop;
    };
    const std::optional<std::uint32_t> desktop = currentDesktop();
    ASSERT_TRUE(desktop);

    auto* list = window->page(SettingsPageTab::shortcuts)->findChild<QScrollArea*>();
    ASSERT_NE(list, nullptr);
    list->ensureWidgetVisible(recorder);
    QCoreApplication::processEvents();
    clickAt(recorder->mapToGlobal(recorder->rect().center()));
    ASSERT_TRUE(eventually([&] { return recorder->isRecording(); })) << "not recording";
    xdotool({"key", toSecond});
    ASSERT_TRUE(eventually([&] { return !alerts.empty(); }))
        << "the press never reached the recorder (desktop now " << currentDesktop().value_or(99)
        << ")";
    EXPECT_EQ(alerts.front().toStdString(),
              "This keyboard shortcut cannot be used as it’s already used by another program.");
    EXPECT_EQ(currentDesktop(), desktop) << "the window manager saw the press";
    EXPECT_EQ(registry->getShortcut(*pause), before);
    screenshot("settings-recording-held-combination");
    // The field records again after the warning; leaving it gives the keyboard back.
    ASSERT_TRUE(eventually([&] { return recorder->isRecording(); }));
    xdotool({"key", "Escape"});
    ASSERT_TRUE(eventually([&] { return !recorder->isRecording(); }));
    // Once let go, the window manager has its binding back.
    xdotool({"key", toSecond});
    EXPECT_TRUE(eventually([&] { return currentDesktop() == 1u; }));
    xdotool({"key", toFirst});
    EXPECT_TRUE(eventually([&] { return currentDesktop() == 0u; }));
    EXPECT_EQ(alerts.size(), 1u);
}

// A gesture daemon really running (a program named touchegg) with a configuration in the
// session's configuration folder that binds three-finger sideways swipes.
TEST_F(SettingsWindowX11Test, ARunningGestureDaemonBindingTheSameSwipesShowsTheMotionWarning) {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (!configHome) GTEST_SKIP() << "XDG_CONFIG_HOME is not set";
    const std::filesystem::path configuration =
        std::filesystem::path(configHome) / "touchegg" / "touchegg.conf";
    std::filesystem::create_directories(configuration.parent_path());
    std::ofstream(configuration)
        << R"(<touchégg><application name="All"><gesture type="SWIPE" fingers="3" )"
        << R"(direction="RIGHT"><action type="CHANGE_DESKTOP"/></gesture></application></touchégg>)";
    const std::filesystem::path daemon = folder.path() / "touchegg";
    std::filesystem::copy_file("/bin/sleep", daemon);
    ChildProcess running({daemon.string(), "600"});
    settings->update([](AppSettings& s) {
        s.gesturesEnabled = true;
        s.gestureFingers = 3;
    });
    launch();
    if (HasFatalFailure()) return;
    delegate->showSettings(SettingsTab::general);
    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] { return (window = delegate->settingsWindow()) != nullptr; }));
    window->select(SettingsPageTab::motion);
    QWidget* warning = window->page(SettingsPageTab::motion)->findChild<QWidget*>("swipeConflict");
    ASSERT_NE(warning, nullptr);
    ASSERT_TRUE(eventually([&] { return warning->isVisible(); })) << "no warning";
    auto* text = window->page(SettingsPageTab::motion)->findChild<QLabel*>("swipeConflictText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->text().startsWith("touchegg also uses three-finger sideways swipes"));
    if (std::getenv("BRINDLOW_SCREENSHOT_DIR")) {
        eventually([&] { return window->window()->windowHandle()->isExposed(); });
        for (int pass = 0; pass < 3; ++pass) QCoreApplication::processEvents();
        window->window()->repaint();
        screenshot("settings-motion-swipe-conflict");
    }
    // Four fingers are free.
    settings->update([](AppSettings& s) { s.gestureFingers = 4; });
    EXPECT_TRUE(eventually([&] { return !warning->isVisible(); }));
    std::filesystem::remove(configuration);
}

TEST_F(SettingsWindowX11Test, WithNoTrayHostTheSettingsWindowShowsUntiledAndLeavesTheFocusAlone) {
    ChildProcess xterm({"xterm", "-title", "lone-xterm", "-e", "sleep", "600"});
    // What the server says: the managed clients bottom to top (as the root's children stand:
    // not every window manager publishes a stacking list), and the active one.
    X11Connection& x = x11->connection();
    const auto clients = [&x] {
        std::vector<std::pair<std::size_t, xcb_window_t>> placed;
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(x.xcb(), xcb_query_tree(x.xcb(), x.root()), nullptr));
        if (!tree) return std::vector<xcb_window_t>{};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const std::vector<xcb_window_t> order(
            children, children + xcb_query_tree_children_length(tree.get()));
        for (const xcb_window_t client : readWindowList(x, x.root(), x.atom("_NET_CLIENT_LIST"))) {
            const auto frame = topLevelAncestor(x, client);
            const auto at = frame ? std::find(order.begin(), order.end(), *frame) : order.end();
            if (at != order.end()) placed.emplace_back(std::size_t(at - order.begin()), client);
        }
        std::sort(placed.begin(), placed.end());
        std::vector<xcb_window_t> result;
        for (const auto& [level, client] : placed) result.push_back(client);
        return result;
    };
    const auto active = [&x] { return readActiveWindow(x); };
    std::optional<xcb_window_t> typing;
    ASSERT_TRUE(eventually([&] {
        for (const xcb_window_t window : clients())
            if (const auto s = readWindow(x, window); s && s->pid == std::uint32_t(xterm.pid()))
                typing = window;
        return typing.has_value();
    }));
    // Some window managers (xfwm4) do not focus a new window by themselves: the user clicks it.
    if (active() != typing) xdotool({"windowactivate", std::to_string(*typing)});
    ASSERT_TRUE(eventually([&] { return active() == typing; }));
    // A first start: the welcome window takes the keys.
    settings->update([](AppSettings& s) { s.firstRunDone = false; });
    launch();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(eventually([&] {
        return delegate->controllerStarted() && !delegate->snapshot().displays.empty() &&
               delegate->snapshot().displays.front().columns.size() == 1;
    }));
    ASSERT_TRUE(eventually([&] { return QApplication::activeWindow() != nullptr; }))
        << "the welcome window did not take the focus";
    // No window before the grace for a tray host is over, nor while the welcome window is up.
    EXPECT_FALSE(delegate->trayHostFound().has_value());
    ASSERT_TRUE(eventually([&] { return delegate->trayHostFound().has_value(); },
                           AppDelegate::kTrayHostGrace + kLimit));
    EXPECT_FALSE(*delegate->trayHostFound());
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    if (std::getenv("BRINDLOW_SCREENSHOT_DIR")) {
        QApplication::activeWindow()->repaint();
        screenshot("welcome");
    }
    delegate->finishFirstRun();
    ASSERT_TRUE(eventually([&] { return active() == typing; }));

    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] { return (window = delegate->settingsWindow()) != nullptr; }));
    const auto own = xcb_window_t(window->window()->winId());
    // Mapped and managed on top of the xterm, which keeps the focus and its column to itself.
    ASSERT_TRUE(eventually([&] {
        const std::vector<xcb_window_t> stacking = clients();
        const auto shown = readWindow(x, own);
        return shown && shown->mapped && !stacking.empty() && stacking.back() == own;
    })) << "the settings window is not shown on top";
    // Window managers that focus every new window anyway (icewm) get the focus handed back.
    EXPECT_TRUE(eventually([&] { return active() == typing; })) << "the focus did not stay";
    EXPECT_EQ(delegate->snapshot().displays.front().columns.size(), 1u);
    // Every page as X shows it, to look at, with BRINDLOW_SCREENSHOT_DIR set.
    if (std::getenv("BRINDLOW_SCREENSHOT_DIR")) {
        eventually([&] { return window->window()->windowHandle()->isExposed(); });
        // Rows on the pages that list things.
        settings->update([](AppSettings& s) {
            s.appRules = {{"XTerm", "XTerm", AppBehavior::tile, 0.75},
                          {"Spreadsheet", "A Spreadsheet With A Very Long Application Name",
                           AppBehavior::floating, std::nullopt}};
        });
        // Enough layouts that the list must scroll.
        for (int i = 1; i <= 45; ++i) layouts->saveCurrent("Layout " + std::to_string(i));
        eventually([&] { return layouts->layouts().size() == 45; });
        // The many-finger swipes on, to show the Motion page's warning where a daemon binds them.
        settings->update([](AppSettings& s) { s.gesturesEnabled = true; });
        for (const SettingsPageTab tab : kSettingsPageTabs) {
            window->select(tab);
            // Pages fill and lay out on showing through posted events.
            for (int pass = 0; pass < 3; ++pass) {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
            }
            window->window()->repaint();
            screenshot("settings-" + std::string(tabName(tab)));
        }
        window->select(SettingsPageTab::general);
    }

    // Asked for (Settings…, Ctrl+,), the same window takes the focus.
    delegate->showSettings(SettingsTab::general);
    EXPECT_TRUE(eventually([&] { return active() == own; })) << "not activated";
    EXPECT_EQ(delegate->settingsWindow(), window);
}

// The keys leave the welcome window while it is up (a window manager that focuses under the
// pointer gives them to a window tiled under it): the settings window still waits for it to close.
TEST_F(SettingsWindowX11Test,
       WithNoTrayHostTheSettingsWindowWaitsForTheWelcomeWindowWithoutItsKeys) {
    ChildProcess xterm({"xterm", "-title", "lone-xterm", "-e", "sleep", "600"});
    X11Connection& x = x11->connection();
    std::optional<xcb_window_t> typing;
    ASSERT_TRUE(eventually([&] {
        for (const xcb_window_t window : readWindowList(x, x.root(), x.atom("_NET_CLIENT_LIST")))
            if (const auto s = readWindow(x, window); s && s->pid == std::uint32_t(xterm.pid()))
                typing = window;
        return typing.has_value();
    }));
    settings->update([](AppSettings& s) { s.firstRunDone = false; });
    launch();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(eventually([&] { return QApplication::activeWindow() != nullptr; }))
        << "the welcome window did not take the focus";
    xdotool({"windowactivate", std::to_string(*typing)});
    ASSERT_TRUE(eventually([&] {
        return readActiveWindow(x) == typing && QApplication::activeWindow() == nullptr;
    })) << "the keys did not leave the welcome window";
    ASSERT_TRUE(eventually([&] { return delegate->trayHostFound().has_value(); },
                           AppDelegate::kTrayHostGrace + kLimit));
    EXPECT_FALSE(*delegate->trayHostFound());
    EXPECT_EQ(delegate->settingsWindow(), nullptr) << "shown beside the welcome window";
    delegate->finishFirstRun();
    EXPECT_TRUE(eventually([&] { return delegate->settingsWindow() != nullptr; }));
}

TEST_F(SettingsWindowX11Test, ATrayHostStartedJustAfterLaunchTakesTheIconAndNoWindowShows) {
    launch();
    if (HasFatalFailure()) return;
    startTrayHost();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(eventually([&] { return delegate->tray()->icon().geometry().isValid(); }))
        << "the icon was not embedded";
    ASSERT_TRUE(eventually([&] { return delegate->trayHostFound().has_value(); },
                           AppDelegate::kTrayHostGrace + kLimit));
    EXPECT_TRUE(*delegate->trayHostFound());
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
}

}  // namespace
}  // namespace brindlow::test
