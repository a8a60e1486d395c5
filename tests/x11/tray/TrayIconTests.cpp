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
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

std::vector<QString> visibleItems(const QMenu& menu) {
    std::vector<QString> items;
    for (const QAction* action : menu.actions())
        items.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    return items;
}

using TrayIconTest = DelegateOnDisplayTest;

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
