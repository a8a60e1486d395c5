#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "../../unit/input/FakeHotKeys.h"
#include "app/qt/ApplicationShortcuts.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "input/KeyboardShortcuts/Recorder.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace brindlow::test {
namespace {

struct ApplicationKey {
    Qt::Key key;
    const char* item;
};

class ApplicationKeysTest : public testing::TestWithParam<ApplicationKey> {};

// A global shortcut on the application's own Ctrl+, or Ctrl+Q would take those keys from the
// settings window and the tray menu: the Shortcuts page refuses them and names the menu item.
TEST_P(ApplicationKeysTest, TheShortcutsPageRefusesTheApplicationsOwnKeys) {
    using namespace KeyboardShortcuts;
    setKeyCharacterSource(usLayoutCharacter);
    FakeHotKeys system;
    HotKeyCenter center{system, [](const std::string&) {}};
    MemoryPreferences preferences;
    Registry registry{preferences, center};
    Hotkey::registerAll(registry, [](const Command&) {});
    const std::unique_ptr<QMenu> keys = applicationKeysMenu();
    int ran = 0;
    for (QAction* item : keys->actions())
        QObject::connect(item, &QAction::triggered, [&ran] { ++ran; });

    TempFolder temp;
    SettingsStore store{temp.path() / "settings.json"};
    SettingsServices services;
    services.autostart = Autostart(temp.path() / "config", "/usr/bin/brindlow");
    services.compositing = [] { return false; };
    services.shortcuts = &registry;
    services.hotKeys = &system;
    services.applicationKeys = keys.get();
    auto window = std::make_unique<SettingsWindow>(store, services);
    window->show();
    window->select(SettingsPageTab::shortcuts);
    auto* recorder = window->page(SettingsPageTab::shortcuts)->findChild<Recorder*>();
    ASSERT_NE(recorder, nullptr);
    std::vector<QString> alerts;
    recorder->setAlertPresenter([&alerts](const Recorder::Alert& alert, QWidget*) {
        alerts.push_back(alert.message);
        return 0;
    });
    const QString stored = recorder->text();

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    recorder->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    QTest::keyClick(recorder, GetParam().key, Qt::ControlModifier);

    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts.front(), QStringLiteral("This keyboard shortcut cannot be used as it’s "
                                             "already used by the “%1” menu item.")
                                  .arg(QString::fromUtf8(GetParam().item)));
    EXPECT_EQ(recorder->text(), stored);
    EXPECT_EQ(ran, 0);
    window.reset();
    setKeyCharacterSource({});
}

INSTANTIATE_TEST_SUITE_P(SettingsAndQuit, ApplicationKeysTest,
                         testing::Values(ApplicationKey{Qt::Key_Comma, "Settings…"},
                                         ApplicationKey{Qt::Key_Q, "Quit Brindlow"}));

}  // namespace
}  // namespace brindlow::test
