// The delegate's tray icon in this process, on the session's display with trayer as the tray
// host: the icon is embedded, a real click opens its menu, and a real click on the pause item
// pauses tiling.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/qt/TrayIcon.h"
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

using TrayIconTest = DelegateOnDisplayTest;

TEST_F(TrayIconTest, EmbeddedAndItsMenuOpensOnAClickAndItsPauseItemPausesTiling) {
    launchInTray();
    if (HasFatalFailure()) return;
    TrayIcon* icon = delegate->tray();

    // The window manager may still be placing the tray host: click where the icon has settled,
    // again if the click came before it did.
    QMenu& menu = icon->menu();
    ASSERT_TRUE(eventually([&] {
        const std::optional<QPoint> before = iconCentre();
        const std::optional<QPoint> now = iconCentre();
        if (!now || now != before) return false;
        clickAt(*now);
        return eventually([&] { return menu.isVisible(); }, 1.0);
    })) << "the menu did not open";
    EXPECT_TRUE(delegate->menuBar().shortcutsSuspended());
    QAction* pause = menu.actions().at(2);
    ASSERT_TRUE(pause->text().startsWith(QStringLiteral("Pause Brindlow")));
    // The item lights up once the menu's window is mapped and takes the pointer.
    ASSERT_TRUE(eventually([&] {
        // A window that another test left behind may take the focus and close the menu.
        if (!menu.isVisible()) {
            if (const std::optional<QPoint> again = iconCentre()) clickAt(*again);
            return false;
        }
        const QPoint at = menu.mapToGlobal(menu.actionGeometry(pause).center());
        xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y())});
        return eventually([&] { return menu.activeAction() == pause; }, 0.5);
    })) << "the pause item never took the pointer";
    ASSERT_TRUE(xdotool({"click", "1"}));
    ASSERT_TRUE(eventually([&] { return delegate->snapshot().paused; })) << "not paused";
    EXPECT_TRUE(eventually([&] { return !menu.isVisible(); }));
    EXPECT_FALSE(delegate->menuBar().shortcutsSuspended());
}

}  // namespace
}  // namespace brindlow::test
