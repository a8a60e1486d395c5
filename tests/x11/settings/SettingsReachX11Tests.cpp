// The settings window of the delegate in this process, left open on one virtual desktop: asked
// for from the tray menu on another desktop, it comes there, in front and focused. Its "Add App"
// offers applications with windows to tile, not the tray host. It never stands between the two
// windows of a stack that takes the focus.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "app/qt/TrayIcon.h"
#include "command/Command.h"
#include "controller/StripController.h"
#include "overlays/WindowPresenter.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

// The item of the menu, or of its submenus, titled `title`.
const MenuItem* findItem(const MenuModel& menu, const std::string& title) {
    for (const MenuItem& item : menu) {
        if (item.title == title) return &item;
        if (const MenuItem* inner = findItem(item.submenu, title)) return inner;
    }
    return nullptr;
}

class SettingsReachX11Test : public DelegateOnDisplayTest,
                             public ::testing::WithParamInterface<std::string> {
  protected:
    void TearDown() override {
        // Later tests of the session expect the first desktop.
        if (x11) runProcess({"wmctrl", "-s", "0"});
        DelegateOnDisplayTest::TearDown();
    }

    std::optional<std::uint32_t> rootCardinal(const std::string& name) {
        X11Connection& x = x11->connection();
        return readCardinal(x, x.root(), x.atom(name));
    }

    // Chooses the tray menu's item as a click would, from a menu built now.
    void choose(const std::string& title) {
        const MenuModel menu = delegate->menuBar().rebuildMenu();
        const MenuItem* item = findItem(menu, title);
        ASSERT_TRUE(item && item->action) << "no item " << title;
        item->action();
    }
};

TEST_P(SettingsReachX11Test, LeftOnAnotherDesktopItComesToTheCurrentOneInFront) {
    launchInTray();
    if (HasFatalFailure()) return;
    X11Connection& x = x11->connection();
    choose("Settings…");
    QWidget* window = nullptr;
    ASSERT_TRUE(eventually([&] {
        window = delegate->presenter().window(SettingsWindow::kID);
        return window && window->isActiveWindow();
    })) << "no settings window";
    const auto settingsWindow = xcb_window_t(window->winId());
    const xcb_atom_t onDesktop = x.atom("_NET_WM_DESKTOP");
    ASSERT_TRUE(eventually([&] { return readCardinal(x, settingsWindow, onDesktop) == 0u; }));

    ASSERT_EQ(runProcess({"wmctrl", "-s", "1"}).status, 0);
    ASSERT_TRUE(eventually([&] { return rootCardinal("_NET_CURRENT_DESKTOP") == 1u; }));
    choose(GetParam());
    EXPECT_TRUE(eventually([&] { return readCardinal(x, settingsWindow, onDesktop) == 1u; }))
        << "the settings window stayed on the first desktop";
    EXPECT_TRUE(eventually([&] { return readActiveWindow(x) == settingsWindow; }))
        << "the settings window is not focused";
    EXPECT_TRUE(eventually([&] { return window->isVisible() && !window->isMinimized(); }));
    screenshot("settings-brought-to-desktop-2");
}

INSTANTIATE_TEST_SUITE_P(MenuItems, SettingsReachX11Test,
                         ::testing::Values("Settings…", "Manage Layouts…"), [](const auto& param) {
                             return std::string(param.param == std::string("Settings…")
                                                    ? "Settings"
                                                    : "ManageLayouts");
                         });

using AddAppX11Test = DelegateOnDisplayTest;

TEST_F(AddAppX11Test, OffersAnXtermButNotTheTrayHost) {
    launchInTray();
    if (HasFatalFailure()) return;
    ChildProcess xterm({"xterm", "-title", "add-app-xterm", "-e", "sleep", "600"});
    delegate->showSettings(SettingsTab::general);
    SettingsWindow* window = nullptr;
    ASSERT_TRUE(eventually([&] {
        window = delegate->settingsWindow();
        return window && window->isVisible();
    }));
    window->select(SettingsPageTab::apps);
    auto* add = window->page(SettingsPageTab::apps)->findChild<QPushButton*>("addApp");
    ASSERT_TRUE(add && add->menu());
    QStringList offered;
    const auto offer = [&] {
        emit add->menu()->aboutToShow();
        offered.clear();
        for (const QAction* action : add->menu()->actions()) offered << action->text();
        return offered;
    };
    ASSERT_TRUE(eventually([&] {
        return offer().join(' ').contains("xterm", Qt::CaseInsensitive);
    })) << offered.join(", ").toStdString();
    EXPECT_FALSE(offered.join(' ').contains("trayer", Qt::CaseInsensitive))
        << offered.join(", ").toStdString();
}

using OwnWindowStackingX11Test = DelegateOnDisplayTest;

TEST_F(OwnWindowStackingX11Test, TheSettingsWindowNeverStandsBetweenTheWindowsOfAStack) {
    launchInTray();
    if (HasFatalFailure()) return;
    X11Connection& x = x11->connection();
    std::vector<std::unique_ptr<ChildProcess>> xterms;
    std::vector<xcb_window_t> windows;
    for (const std::string title : {"stack-top", "stack-bottom"}) {
        xterms.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"xterm", "-title", title, "-e", "sleep", "600"}));
        const pid_t pid = xterms.back()->pid();
        // Tiled in a column of its own, as the strip's snapshot tells.
        ASSERT_TRUE(eventually([&] {
            const DisplaySnapshot* shown = delegate->snapshot().activeDisplay();
            if (!shown || shown->columns.size() != windows.size() + 1) return false;
            for (const ColumnSnapshot& column : shown->columns)
                for (const WindowSnapshot& window : column.windows)
                    if (window.pid == pid) {
                        windows.push_back(xcb_window_t(window.id));
                        return true;
                    }
            return false;
        })) << title
            << " was not tiled";
    }
    // The second xterm joins the first one's column, then the settings window comes in front.
    controller->jump(windows[1]);
    ASSERT_TRUE(eventually([&] {
        const DisplaySnapshot* shown = delegate->snapshot().activeDisplay();
        return shown && shown->focusedIndex == 1;
    }));
    controller->perform(*Command::named("stack-left"));
    // Laid out one above the other, and standing there on the screen: the click below is aimed
    // at where the upper window is, not where it was (xterm keeps to whole character cells, so
    // only the places are compared).
    Rect upper;
    std::vector<Rect> laidOut, onScreen;
    ASSERT_TRUE(eventually([&] {
        const DisplaySnapshot* shown = delegate->snapshot().activeDisplay();
        if (!shown || shown->columns.size() != 1 || shown->columns[0].windows.size() != 2)
            return false;
        laidOut.clear();
        onScreen.clear();
        for (const WindowSnapshot& window : shown->columns[0].windows) {
            const auto read = readWindow(x, xcb_window_t(window.id));
            if (!read) return false;
            laidOut.push_back(window.frame);
            onScreen.push_back(read->outerFrame());
        }
        upper = onScreen[0];
        return laidOut[0].maxY() < laidOut[1].y && onScreen[0].origin() == laidOut[0].origin() &&
               onScreen[1].origin() == laidOut[1].origin();
    })) << "no stack: laid out at "
        << ::testing::PrintToString(laidOut) << ", on the screen at "
        << ::testing::PrintToString(onScreen);
    delegate->showSettings(SettingsTab::general);
    QWidget* settingsWindow = nullptr;
    ASSERT_TRUE(eventually([&] {
        settingsWindow = delegate->presenter().window(SettingsWindow::kID);
        return settingsWindow && settingsWindow->isActiveWindow();
    }));
    const auto own = xcb_window_t(settingsWindow->winId());

    // A click on the stack's upper window, left of ours: the window manager raises it above ours.
    clickAt(QPoint(int(upper.x) + 40, int(upper.midY())));
    const xcb_atom_t stackingAtom = x.atom("_NET_CLIENT_LIST_STACKING");
    const auto position = [](const std::vector<xcb_window_t>& list, xcb_window_t window) {
        return std::find(list.begin(), list.end(), window) - list.begin();
    };
    ASSERT_TRUE(eventually([&] {
        const auto active = readActiveWindow(x);
        return active && std::find(windows.begin(), windows.end(), *active) != windows.end();
    })) << "the stack did not take the focus";
    EXPECT_TRUE(eventually([&] {
        const auto stacking = readWindowList(x, x.root(), stackingAtom);
        const auto ours = position(stacking, own);
        const auto first = position(stacking, windows[0]), second = position(stacking, windows[1]);
        return ours < std::min(first, second) || ours > std::max(first, second);
    })) << "the settings window stands between the windows of the stack";
    screenshot("settings-outside-the-stack");
}

}  // namespace
}  // namespace brindlow::test
