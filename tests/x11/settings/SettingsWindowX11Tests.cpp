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
#include "x11/support/DelegateOnDisplay.h"

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
    // And it works at once: pressed anywhere, it pauses tiling.
    xdotool({"key", "ctrl+alt+y"});
    EXPECT_TRUE(eventually([&] { return delegate->snapshot().paused; }))
        << "the new shortcut did not pause";

    if (const char* shot = std::getenv("BRINDLOW_SETTINGS_SCREENSHOT"))
        runProcess({"import", "-window", "root", shot});
}

}  // namespace
}  // namespace brindlow::test
