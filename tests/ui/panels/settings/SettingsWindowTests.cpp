#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "../../../unit/input/FakeHotKeys.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "panels/settings/qt/SettingsControls.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

class SettingsWindowTest : public testing::Test {
  protected:
    // A window over a store holding `settings`, counting the store's writes.
    std::unique_ptr<SettingsWindow> open(const AppSettings& settings) {
        store.setSettings(settings);
        store.addListener([this](const AppSettings&) { ++writes; });
        writes = 0;
        services.displays = [] {
            return std::vector<DisplayInfo>{{1, "uuid-a", "Left", {0, 0, 1512, 982}, {}},
                                            {2, "uuid-b", "Right", {1512, 0, 1920, 1080}, {}}};
        };
        services.autostart = Autostart(folder / "config", "/usr/bin/brindlow");
        services.executable = "/usr/bin/brindlow";
        services.compositing = [] { return false; };
        auto window = std::make_unique<SettingsWindow>(store, services);
        window->show();
        return window;
    }

    template <typename W>
    W* child(SettingsWindow& window, SettingsPageTab tab, int index = 0) {
        window.select(tab);
        return window.page(tab)->findChildren<W*>().value(index);
    }

    // No meta-object of its own: found by its title.
    ValueSlider* slider(SettingsWindow& window, SettingsPageTab tab, const char* title) {
        window.select(tab);
        return static_cast<ValueSlider*>(window.page(tab)->findChild<QWidget*>(title));
    }

    SettingsServices services;
    test::TempFolder temp;
    const std::filesystem::path folder = temp.path();
    SettingsStore store{folder / "settings.json"};
    int writes = 0;
};

TEST_F(SettingsWindowTest, ShowingEveryPageWithOffGridValuesWritesNothing) {
    AppSettings settings;
    settings.gap = 12.5;
    settings.defaultWidth = 0.4;
    settings.dimAmount = 0.33;
    settings.springStiffness = 5000;
    settings.gestureFingers = 5;
    settings.disabledDisplays = {"uuid-a", "uuid-a"};
    auto window = open(settings);
    for (SettingsPageTab tab : kSettingsPageTabs) {
        window->select(tab);
        QApplication::processEvents();
    }
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(store.settings(), settings);
    EXPECT_EQ(slider(*window, SettingsPageTab::layout, "Between windows")->valueText(), "13");
    EXPECT_EQ(child<QComboBox>(*window, SettingsPageTab::layout)->currentIndex(), -1);
    EXPECT_EQ(child<QLineEdit>(*window, SettingsPageTab::layout)->text(), "25, 33, 50, 67, 75");
    EXPECT_FALSE(child<QCheckBox>(*window, SettingsPageTab::displays, 0)->isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, SettingsPageTab::displays, 1)->isChecked());
}

TEST_F(SettingsWindowTest, EachControlChangeWritesTheStoreOnce) {
    auto window = open(AppSettings{});
    slider(*window, SettingsPageTab::layout, "Between windows")->slider()->setValue(20);
    EXPECT_EQ(store.settings().gap, 20);
    child<QComboBox>(*window, SettingsPageTab::layout)->activated(5);
    EXPECT_EQ(store.settings().defaultWidth, 1.0);
    EXPECT_EQ(writes, 2);

    auto* presets = child<QLineEdit>(*window, SettingsPageTab::layout);
    presets->setText("abc");
    QTest::keyClick(presets, Qt::Key_Return);
    EXPECT_EQ(writes, 2);
    presets->setText("50 25,25");
    QTest::keyClick(presets, Qt::Key_Return);
    EXPECT_EQ(store.settings().presetWidths, (std::vector<double>{0.25, 0.25, 0.5}));
    EXPECT_EQ(presets->text(), "50 25,25");
    EXPECT_EQ(writes, 3);

    child<QCheckBox>(*window, SettingsPageTab::displays, 0)->click();
    EXPECT_EQ(store.settings().disabledDisplays, (std::vector<std::string>{"uuid-a"}));
    EXPECT_EQ(writes, 4);

    slider(*window, SettingsPageTab::appearance, "Amount")->slider()->setValue(1);
    EXPECT_DOUBLE_EQ(store.settings().dimAmount, 0.1);
    child<QCheckBox>(*window, SettingsPageTab::appearance, 0)->click();
    EXPECT_FALSE(store.settings().showIndicator);
    EXPECT_EQ(writes, 6);
}

TEST_F(SettingsWindowTest, LaunchAtLoginWritesTheAutostartEntryNotTheSettings) {
    auto window = open(AppSettings{});
    auto* login = window->page(SettingsPageTab::general)->findChild<QCheckBox*>("launchAtLogin");
    login->click();
    EXPECT_TRUE(std::filesystem::exists(folder / "config/autostart/brindlow.desktop"));
    login->click();
    EXPECT_FALSE(std::filesystem::exists(folder / "config/autostart/brindlow.desktop"));
    EXPECT_EQ(writes, 0);
}

TEST_F(SettingsWindowTest, FromABuildFolderTheGeneralPageSaysWhereTheLoginEntryPoints) {
    auto installed = open(AppSettings{});
    EXPECT_EQ(installed->page(SettingsPageTab::general)->findChild<QLabel*>("loginProgram"),
              nullptr);
    installed.reset();

    services.autostart = Autostart(
        folder / "config", AutostartProgram{"/home/u/brindlow/build/src/app/brindlow",
                                            std::filesystem::path("/home/u/brindlow/build")});
    auto window = std::make_unique<SettingsWindow>(store, services);
    const auto* note = window->page(SettingsPageTab::general)->findChild<QLabel*>("loginProgram");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text().toStdString(),
              "Brindlow runs from its build folder: the login entry starts "
              "/home/u/brindlow/build/src/app/brindlow.");
}

TEST_F(SettingsWindowTest, AppRuleRowsEditTheirOwnRuleWhenAnAppIsListedTwice) {
    AppSettings settings;
    settings.appRules = {{"XTerm", "xterm", AppBehavior::tile, std::nullopt},
                         {"XTerm", "xterm again, under a name far too long for its column",
                          AppBehavior::tile, std::nullopt}};
    auto window = open(settings);
    auto* behaviour = child<QComboBox>(*window, SettingsPageTab::apps, 2);
    behaviour->activated(1);
    EXPECT_EQ(store.settings().appRules[0].behavior, AppBehavior::tile);
    EXPECT_EQ(store.settings().appRules[1].behavior, AppBehavior::floating);
    EXPECT_EQ(writes, 1);
    // Floating rules keep their width choice but cannot change it.
    EXPECT_FALSE(child<QComboBox>(*window, SettingsPageTab::apps, 3)->isEnabled());
    // A name too long for its column ends in an ellipsis and shows whole in its tooltip.
    const QString longName = QString::fromStdString(settings.appRules[1].name);
    const QList<QLabel*> labels = window->page(SettingsPageTab::apps)->findChildren<QLabel*>();
    const auto named = std::find_if(labels.begin(), labels.end(),
                                    [&](QLabel* label) { return label->toolTip() == longName; });
    ASSERT_NE(named, labels.end());
    EXPECT_TRUE((*named)->text().endsWith(QChar(0x2026))) << (*named)->text().toStdString();
}

// The Shortcuts page over a registry of every hot key, grabbed through a fake system; keys named
// by a US layout unless a test says otherwise.
class SettingsWindowShortcutsTest : public SettingsWindowTest {
  protected:
    void SetUp() override {
        KeyboardShortcuts::setKeyCharacterSource(KeyboardShortcuts::usLayoutCharacter);
    }
    void TearDown() override {
        window.reset();
        KeyboardShortcuts::setKeyCharacterSource({});
    }

    // Registers every hot key (`grabs` counts what that grabbed), then opens the window on the
    // Shortcuts page and returns that page.
    QWidget* openShortcuts() {
        Hotkey::registerAll(registry, [](const Command&) {});
        grabs = system.grabbed.size();
        services.shortcuts = &registry;
        services.hotKeys = &system;
        window = open(AppSettings{});
        window->select(SettingsPageTab::shortcuts);
        return window->page(SettingsPageTab::shortcuts);
    }

    test::FakeHotKeys system;
    KeyboardShortcuts::HotKeyCenter center{system, [](const std::string&) {}};
    MemoryPreferences preferences;
    KeyboardShortcuts::Registry registry{preferences, center};
    std::size_t grabs = 0;
    std::unique_ptr<SettingsWindow> window;
};

TEST_F(SettingsWindowShortcutsTest, RecordingLetsGoOfEveryGrabAndResetAllRedrawsEveryRecorder) {
    QWidget* page = openShortcuts();
    ASSERT_GT(grabs, 0u);
    const auto recorders = page->findChildren<QLineEdit*>();
    ASSERT_EQ(std::size_t(recorders.size()), Hotkey::all().size());

    window->activateWindow();
    recorders.front()->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(system.grabbed.empty());
    recorders.front()->clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(system.grabbed.size(), grabs);

    const QString first = recorders.front()->text();
    const QString last = recorders.back()->text();
    registry.setShortcut(KeyboardShortcuts::Shortcut{4, 6144}, Hotkey::all().front().name);
    registry.setShortcut(KeyboardShortcuts::Shortcut{5, 6144}, Hotkey::all().back().name);
    QApplication::processEvents();
    EXPECT_NE(recorders.front()->text(), first);
    EXPECT_NE(recorders.back()->text(), last);
    for (auto* reset : page->findChildren<QPushButton*>())
        if (reset->text() == "Reset All to Defaults") reset->click();
    QApplication::processEvents();
    EXPECT_EQ(recorders.front()->text(), first);
    EXPECT_EQ(recorders.back()->text(), last);
}

// Keys are named by the keyboard layout in use: the Shortcuts page follows a switch of layout or
// group while it shows ("Ctrl+Alt+/" with a US layout, "Ctrl+Alt+-" with a German one), and reads
// nothing again while it is hidden.
TEST_F(SettingsWindowShortcutsTest, TheShortcutsPageNamesTheKeysOfTheLayoutSwitchedTo) {
    bool german = false;
    KeyboardShortcuts::setKeyCharacterSource([&german](int keyCode) -> std::optional<std::string> {
        if (german && keyCode == 44) return "-";
        return KeyboardShortcuts::usLayoutCharacter(keyCode);
    });
    QWidget* page = openShortcuts();
    auto* sheetKeys = page->findChild<QLineEdit*>("shortcuts");
    ASSERT_NE(sheetKeys, nullptr);
    EXPECT_EQ(sheetKeys->text(), "Ctrl+Alt+/");

    german = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheetKeys->text() == "Ctrl+Alt+-"; }, 3000))
        << sheetKeys->text().toStdString();

    window->select(SettingsPageTab::general);
    QApplication::processEvents();
    const auto timers = page->findChildren<QTimer*>();
    EXPECT_TRUE(
        std::none_of(timers.begin(), timers.end(), [](QTimer* t) { return t->isActive(); }));
}

// Openbox and xfwm4 bind Ctrl+Alt+← themselves: the default is refused, and the row says so
// until the user records a combination that is free.
TEST_F(SettingsWindowShortcutsTest, ARowWhoseShortcutAnotherProgramHoldsSaysSo) {
    system.takenElsewhere = {{123, 6144}};
    QWidget* page = openShortcuts();
    auto* held = page->findChild<QLabel*>("focusLeftHeld");
    auto* free = page->findChild<QLabel*>("focusRightHeld");
    ASSERT_NE(held, nullptr);
    ASSERT_NE(free, nullptr);

    EXPECT_TRUE(held->isVisibleTo(window.get()));
    EXPECT_EQ(held->text(),
              "Another program holds Ctrl+Alt+←, so it does nothing here. Free it "
              "there or record another.");
    EXPECT_FALSE(free->isVisibleTo(window.get()));

    registry.setShortcut(KeyboardShortcuts::Shortcut{4, 6144}, *Hotkey::named("focusLeft"));
    QApplication::processEvents();
    EXPECT_FALSE(held->isVisibleTo(window.get()));
}

// The note on dimming comes and goes with the compositor while the page is open, and the page
// stops listening when it goes.
TEST_F(SettingsWindowTest, TheDimmingNoteFollowsTheCompositor) {
    bool compositing = false;
    std::function<void()> changed;
    int unwatched = 0;
    auto window = open(AppSettings{});
    window.reset();
    services.compositing = [&compositing] { return compositing; };
    services.watchCompositing = [&](std::function<void()> handler) {
        changed = std::move(handler);
        return std::shared_ptr<void>(nullptr, [&unwatched](void*) { ++unwatched; });
    };
    window = std::make_unique<SettingsWindow>(store, services);
    window->show();
    window->select(SettingsPageTab::appearance);
    const auto note = [&] {
        for (QLabel* label : window->page(SettingsPageTab::appearance)->findChildren<QLabel*>())
            if (label->text().startsWith("Dimming needs a compositing manager")) return label;
        return static_cast<QLabel*>(nullptr);
    };
    ASSERT_NE(note(), nullptr);
    ASSERT_TRUE(changed);
    EXPECT_TRUE(note()->isVisible());

    compositing = true;
    changed();
    EXPECT_FALSE(note()->isVisible());
    compositing = false;
    changed();
    EXPECT_TRUE(note()->isVisible());

    window.reset();
    EXPECT_EQ(unwatched, 1);
}

}  // namespace
}  // namespace brindlow
