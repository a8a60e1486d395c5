// The recorder field, menu-item shortcuts, the key watch of open menus and the
// view helpers, offscreen with a registry over a fake hot-key host.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "../../unit/input/FakeHotKeys.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/MenuShortcuts.h"
#include "input/KeyboardShortcuts/Recorder.h"
#include "input/KeyboardShortcuts/ViewModifiers.h"

namespace brindlow::KeyboardShortcuts {
namespace {

constexpr Shortcut kCtrlAltLeft{123, 6144};
constexpr Shortcut kCtrlAltH{4, 6144};

class ShortcutWidgets : public ::testing::Test {
  protected:
    void SetUp() override { setKeyCharacterSource(usLayoutCharacter); }
    void TearDown() override { setKeyCharacterSource({}); }

    // A window with a button before the recorder, so the focus has somewhere to go.
    Recorder& showRecorder(const Name& name) {
        window_ = std::make_unique<QWidget>();
        auto* before = new QLineEdit(window_.get());
        recorder_ = new Recorder(
            registry, name, [this](const std::optional<Shortcut>& s) { changes.push_back(s); },
            &system, window_.get());
        recorder_->move(0, 40);
        recorder_->setAlertPresenter([this](const Recorder::Alert& alert, QWidget*) {
            alerts.push_back(alert.message.toStdString());
            return answer;
        });
        window_->show();
        before->setFocus();
        QApplication::processEvents();
        return *recorder_;
    }
    void startRecording() {
        recorder_->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    test::FakeHotKeys system;
    HotKeyCenter center{system, [](const std::string&) {}};
    MemoryPreferences preferences;
    Registry registry{preferences, center};
    std::vector<std::optional<Shortcut>> changes;
    std::vector<std::string> alerts;
    int answer = 0;
    std::unique_ptr<QWidget> window_;
    Recorder* recorder_ = nullptr;
};

TEST_F(ShortcutWidgets, RecorderStoresTheNextAcceptableKeys) {
    const Name name = registry.makeName("focusLeft", kCtrlAltLeft);
    Recorder& recorder = showRecorder(name);
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+←");
    EXPECT_FALSE(recorder.isRecording());  // not taken when the window shows

    std::vector<bool> activity;
    const ObserverToken token =
        addRecorderActivityListener([&](bool active) { activity.push_back(active); });
    int runs = 0;
    registry.onKeyDown(name, [&] { ++runs; });
    startRecording();
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.placeholderText(), "Press Shortcut");
    system.press(123, 6144);  // paused: the global shortcut runs nothing
    EXPECT_EQ(runs, 0);

    QTest::keyClick(&recorder, Qt::Key_A);  // a letter alone beeps
    QTest::keyClick(&recorder, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_TRUE(changes.empty());
    QTest::keyClick(&recorder, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{kCtrlAltH}));
    EXPECT_EQ(registry.getShortcut(name), kCtrlAltH);
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+H");
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(activity, (std::vector<bool>{true, false}));
    system.press(4, 6144);
    EXPECT_EQ(runs, 1);

    // F5 alone is a shortcut.
    startRecording();
    QTest::keyClick(&recorder, Qt::Key_F5);
    EXPECT_EQ(registry.getShortcut(name), (Shortcut{96, 0}));
    removeRecorderActivityListener(token);
}

TEST_F(ShortcutWidgets, EscapeCancelsAndBackspaceClears) {
    const Name name = registry.makeName("focusLeft", kCtrlAltLeft);
    Recorder& recorder = showRecorder(name);
    startRecording();
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(registry.getShortcut(name), kCtrlAltLeft);

    startRecording();
    QTest::keyClick(&recorder, Qt::Key_Backspace);
    EXPECT_FALSE(registry.getShortcut(name));
    EXPECT_EQ(preferences.object(storageKey("focusLeft")), PreferenceValue(false));
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(recorder.text().isEmpty());
    QApplication::processEvents();
    EXPECT_TRUE(recorder.isRecording());  // records again at once
}

TEST_F(ShortcutWidgets, ConflictsWarnAndStoreNothingUnlessForced) {
    const Name name = registry.makeName("focusLeft", kCtrlAltLeft);
    Recorder& recorder = showRecorder(name);
    QMenu menu;
    QMenu* sub = menu.addMenu("Layouts");
    sub->addAction("&Save")->setShortcut(QKeySequence("Ctrl+Alt+S"));
    recorder.setConflictMenu(&menu);
    system.takenElsewhere.insert({2, 6144});  // Ctrl+Alt+D

    startRecording();
    QTest::keyClick(&recorder, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&recorder, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(registry.getShortcut(name), kCtrlAltLeft);
    answer = 1;  // "Use Anyway"
    QTest::keyClick(&recorder, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(registry.getShortcut(name), (Shortcut{2, 6144}));
    ASSERT_EQ(alerts.size(), 3u);
    EXPECT_EQ(
        alerts[0],
        "This keyboard shortcut cannot be used as it’s already used by the “Save” menu item.");
    EXPECT_EQ(alerts[1], alerts[2]);
}

TEST_F(ShortcutWidgets, MenuItemsShowAndFollowShortcuts) {
    QMenu menu;
    QAction* item = menu.addAction("Focus left");
    setShortcut(*item, kCtrlAltLeft);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_Left));
    setShortcut(*item, Shortcut{82, 6144});  // keypad keys have no key equivalent
    EXPECT_TRUE(item->shortcut().isEmpty());
    setShortcut(*item, std::optional<Shortcut>());
    EXPECT_TRUE(item->shortcut().isEmpty());

    const Name name = registry.makeName("focusLeft", kCtrlAltLeft);
    setShortcut(*item, name, registry);
    registry.setShortcut(Shortcut{0, 256 | 512}, name);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_A));
    setShortcut(*item, std::optional<Name>(), registry);
    registry.setShortcut(kCtrlAltH, name);
    EXPECT_TRUE(item->shortcut().isEmpty());
}

TEST_F(ShortcutWidgets, AnOpenMenuSuspendsHotKeysAndItsKeysRunShortcuts) {
    const Name name = registry.makeName("focusLeft", kCtrlAltH);
    int runs = 0;
    registry.onKeyDown(name, [&] { ++runs; });
    MenuKeyWatch watch(registry, center);
    QMenu menu;
    QAction* item = menu.addAction("Item");
    int triggered = 0;
    QObject::connect(item, &QAction::triggered, [&] { ++triggered; });
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_TRUE(registry.isMenuOpen());
    QTest::keyClick(&menu, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(runs, 1);
    menu.hide();
    EXPECT_FALSE(registry.isMenuOpen());
}

TEST_F(ShortcutWidgets, ViewHelpersFollowVisibilityAndRecording) {
    const Name name = registry.makeName("search", Shortcut{49, 6144});
    QWidget view;
    std::vector<EventType> events;
    int ups = 0;
    onKeyboardShortcut(view, name, registry, [&](EventType type) { events.push_back(type); });
    onKeyboardShortcut(view, name, EventType::keyUp, registry, [&] { ++ups; });
    system.press(49, 6144);
    EXPECT_TRUE(events.empty());  // not shown yet
    view.show();
    system.press(49, 6144);
    system.press(49, 6144, false);
    view.hide();
    system.press(49, 6144);
    EXPECT_EQ(events, (std::vector<EventType>{EventType::keyDown, EventType::keyUp}));
    EXPECT_EQ(ups, 1);

    QAction button;
    globalKeyboardShortcut(button, name, registry);
    EXPECT_EQ(button.shortcut(),
              QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_Space));
    Recorder& recorder = showRecorder(registry.makeName("other"));
    startRecording();
    EXPECT_TRUE(button.shortcut().isEmpty());
    QTest::keyClick(&recorder, Qt::Key_Escape);
    EXPECT_FALSE(button.shortcut().isEmpty());
}

}  // namespace
}  // namespace brindlow::KeyboardShortcuts
