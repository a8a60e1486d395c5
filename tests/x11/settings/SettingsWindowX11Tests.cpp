// The settings window of the delegate in this process, opened from the tray icon with trayer as
// the tray host; the Shortcuts page records a combination pressed through XTest, and a gap
// changed on the Layout page moves the tiled xterms at once.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <vector>

#include <xcb/xcb.h>

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
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Platform.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "x11/e2e/AppProcess.h"
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

using SettingsWindowX11Test = DelegateOnDisplayTest;

// What the X server says of the managed windows, asked on a connection of the test's own.
class ServerView {
  public:
    ServerView()
        : connection_(xcb_connect(nullptr, nullptr)),
          root_(xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root) {}
    ~ServerView() { xcb_disconnect(connection_); }

    // The clients titled `prefix…`, bottom to top.
    std::vector<xcb_window_t> clients(const std::string& prefix = {}) {
        std::vector<xcb_window_t> found;
        for (const xcb_window_t window : windows(root_, "_NET_CLIENT_LIST_STACKING"))
            if (title(window).rfind(prefix, 0) == 0) found.push_back(window);
        return found;
    }

    // The root-level frames (decorations included) of the clients titled `prefix…`, left to right.
    std::vector<QRect> frames(const std::string& prefix) {
        std::vector<QRect> found;
        for (const xcb_window_t window : clients(prefix))
            if (const auto shown = frame(window)) found.push_back(*shown);
        std::sort(found.begin(), found.end(),
                  [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
        return found;
    }

    xcb_window_t activeWindow() {
        const std::vector<xcb_window_t> active = windows(root_, "_NET_ACTIVE_WINDOW");
        return active.empty() ? xcb_window_t(XCB_WINDOW_NONE) : active.front();
    }

    bool viewable(xcb_window_t window) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr));
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The window manager's frame around `window`: its ancestor whose parent is the root.
    std::optional<QRect> frame(xcb_window_t window) {
        for (int depth = 0; depth < 8; ++depth) {
            XcbReply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
            if (!tree) return std::nullopt;
            if (tree->parent == root_) {
                XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(
                    connection_, xcb_get_geometry(connection_, window), nullptr));
                if (!geometry) return std::nullopt;
                return QRect(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
                             geometry->height + 2 * geometry->border_width);
            }
            window = tree->parent;
        }
        return std::nullopt;
    }

  private:
    xcb_atom_t atom(const char* name) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::vector<xcb_window_t> windows(xcb_window_t window, const char* property) {
        XcbReply<xcb_get_property_reply_t> list(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window, atom(property), XCB_ATOM_WINDOW, 0, 1024),
            nullptr));
        if (!list) return {};
        const auto* values = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
        return {values, values + xcb_get_property_value_length(list.get()) / 4};
    }

    std::string title(xcb_window_t window) {
        XcbReply<xcb_get_property_reply_t> name(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256),
            nullptr));
        if (!name) return {};
        return std::string(static_cast<const char*>(xcb_get_property_value(name.get())),
                           std::size_t(xcb_get_property_value_length(name.get())));
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
};

// The space between each frame and the next one to its right.
std::vector<int> spaces(const std::vector<QRect>& frames) {
    std::vector<int> result;
    for (std::size_t i = 1; i < frames.size(); ++i)
        result.push_back(frames[i].left() - frames[i - 1].right() - 1);
    return result;
}

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
    // And it works at once: pressed anywhere, it pauses tiling.
    xdotool({"key", "ctrl+alt+y"});
    EXPECT_TRUE(eventually([&] { return delegate->snapshot().paused; }))
        << "the new shortcut did not pause";

    if (const char* shot = std::getenv("BRINDLOW_SETTINGS_SCREENSHOT"))
        runProcess({"import", "-window", "root", shot});
}

TEST_F(SettingsWindowX11Test, AGapChangedOnTheLayoutPageMovesTheTiledXtermsAtOnce) {
    std::vector<std::unique_ptr<ChildProcess>> xterms;
    for (const char* title : {"gap-xterm-1", "gap-xterm-2"})
        xterms.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"xterm", "-title", title, "-e", "sleep", "600"}));
    ServerView x;
    ASSERT_TRUE(eventually([&] { return x.frames("gap-xterm").size() == 2; }))
        << "the xterms were not managed";
    launch();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(eventually([&] { return delegate->controllerStarted(); }));
    // Tiled as two half-width columns 12 apart (the default gap).
    ASSERT_TRUE(eventually([&] { return spaces(x.frames("gap-xterm")) == std::vector<int>{12}; }))
        << "not tiled with the default gap";
    const std::vector<QRect> before = x.frames("gap-xterm");

    delegate->showSettings(SettingsTab::general);
    SettingsWindow* window = delegate->settingsWindow();
    ASSERT_NE(window, nullptr);
    window->select(SettingsPageTab::layout);
    auto* between = window->page(SettingsPageTab::layout)->findChild<QWidget*>("Between windows");
    ASSERT_NE(between, nullptr);
    QSlider* slider = between->findChild<QSlider*>();
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(eventually([&] { return slider->isVisible(); }));
    window->window()->activateWindow();
    ASSERT_TRUE(eventually([&] { return window->window()->isActiveWindow(); }));
    // Keys pressed on the focused slider: End takes it to its largest gap, 48.
    clickAt(slider->mapToGlobal(slider->rect().center()));
    ASSERT_TRUE(eventually([&] { return slider->hasFocus(); })) << "the slider has no focus";
    xdotool({"key", "End"});
    ASSERT_TRUE(eventually([&] { return settings->settings().gap == 48; })) << "not stored";

    ASSERT_TRUE(eventually([&] { return spaces(x.frames("gap-xterm")) == std::vector<int>{48}; }))
        << "the xterms did not move apart";
    const std::vector<QRect> after = x.frames("gap-xterm");
    // The outer edges keep their 12; the columns give up the added space between them.
    EXPECT_EQ(after.front().left(), before.front().left());
    EXPECT_EQ(after.back().right(), before.back().right());
    EXPECT_LT(after.front().width(), before.front().width());
}

TEST_F(SettingsWindowX11Test, WithNoTrayHostTheSettingsWindowShowsUntiledAndLeavesTheFocusAlone) {
    ChildProcess xterm({"xterm", "-title", "lone-xterm", "-e", "sleep", "600"});
    ServerView x;
    ASSERT_TRUE(eventually([&] { return x.clients("lone-xterm").size() == 1; }));
    const xcb_window_t typing = x.clients("lone-xterm").front();
    ASSERT_TRUE(eventually([&] { return x.activeWindow() == typing; }));
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
    delegate->finishFirstRun();
    ASSERT_TRUE(eventually([&] { return x.activeWindow() == typing; }));

    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] { return (window = delegate->settingsWindow()) != nullptr; }));
    EXPECT_EQ(window->selected(), SettingsPageTab::general);
    const auto own = xcb_window_t(window->window()->winId());
    // Mapped and managed on top of the xterm, which keeps the focus and its column to itself.
    ASSERT_TRUE(eventually([&] {
        const std::vector<xcb_window_t> stacking = x.clients();
        return x.viewable(own) && !stacking.empty() && stacking.back() == own;
    })) << "the settings window is not shown on top";
    EXPECT_EQ(x.activeWindow(), typing);
    EXPECT_EQ(delegate->snapshot().displays.front().columns.size(), 1u);
    // Every page as X shows it, to look at: BRINDLOW_SETTINGS_PAGES=<folder>.
    if (const char* pictures = std::getenv("BRINDLOW_SETTINGS_PAGES")) {
        eventually([&] { return window->window()->windowHandle()->isExposed(); });
        // Rows on the pages that list things.
        settings->update([](AppSettings& s) {
            s.appRules = {{"XTerm", "XTerm", AppBehavior::tile, 0.75},
                          {"Spreadsheet", "A Spreadsheet With A Very Long Application Name",
                           AppBehavior::floating, std::nullopt}};
        });
        layouts->saveCurrent("Writing");
        for (const SettingsPageTab tab : kSettingsPageTabs) {
            window->select(tab);
            // Pages fill and lay out on showing through posted events.
            for (int pass = 0; pass < 3; ++pass) {
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
            }
            window->window()->repaint();
            runProcess({"import", "-window", "root",
                        std::string(pictures) + "/" + std::string(tabName(tab)) + ".png"});
        }
        window->select(SettingsPageTab::general);
    }

    // Asked for (Settings…, Ctrl+,), the same window takes the focus.
    delegate->showSettings(SettingsTab::general);
    EXPECT_TRUE(eventually([&] { return x.activeWindow() == own; })) << "not activated";
    EXPECT_EQ(delegate->settingsWindow(), window);
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
