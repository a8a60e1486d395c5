// The tray menu of the delegate in this process, opened with a real click on its icon in trayer:
// Ctrl+Q pressed through XTest while it is open quits, as the Quit item beside the keys says.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTimer>
#include <optional>

#include "app/qt/TrayIcon.h"
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

using TrayMenuKeysX11Test = DelegateOnDisplayTest;

TEST_F(TrayMenuKeysX11Test, CtrlQWhileTheMenuIsOpenQuitsTheApplication) {
    settings->update([](AppSettings& s) { s.firstRunDone = true; });
    launchInTray();
    if (HasFatalFailure()) return;
    QMenu& menu = delegate->tray()->menu();
    // A click that lands before the host has finished embedding the icon is lost: again if need be.
    for (int attempt = 0; attempt < 5 && !menu.isVisible(); ++attempt) {
        if (const std::optional<QPoint> centre = iconCentre()) clickAt(*centre);
        eventually([&] { return menu.isVisible(); }, 2.0);
    }
    ASSERT_TRUE(menu.isVisible()) << "the menu did not open";

    // The keys go out once the loop runs; the quit ends the loop with 0. The second timer only
    // bounds a hang.
    QTimer::singleShot(0, [] { xdotool({"key", "ctrl+q"}); });
    QTimer::singleShot(int(kLimit * 1000), [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0) << "Ctrl+Q did not quit";
    EXPECT_FALSE(menu.isVisible());
}

}  // namespace
}  // namespace brindlow::test
