// The recorder field, menu-item shortcuts, the key watch of open menus and the
// view helpers, offscreen with a registry over a fake hot-key host.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QTest>
#include <QToolButton>
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

// Pixels of `area` in the field's rendered image that differ clearly from its background.
struct Ink {
    int count = 0;
    QRect bounds;
};
Ink inkIn(const QImage& image, const QRect& area, QColor background) {
    Ink ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - background.red()) +
                                 std::abs(c.green() - background.green()) +
                                 std::abs(c.blue() - background.blue());
            if (distance < 60) continue;
            ++ink.count;
            ink.bounds = ink.bounds.united(QRect(x, y, 1, 1));
        }
    return ink;
}

QToolButton* clearButton(Recorder& recorder) {
    for (QObject* object : recorder.clearAction()->associatedObjects())
        if (auto* button = qobject_cast<QToolButton*>(object)) return button;
    return nullptr;
}

TEST_F(ShortcutWidgets, TheClearButtonShowsWithAStoredShortcutAndClearsIt) {
    const Name stored = registry.makeName("focusLeft", kCtrlAltLeft);
    Recorder& recorder = showRecorder(stored);
    QToolButton* button = clearButton(recorder);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());
    const QImage shown = recorder.grab().toImage();
    const QColor base = recorder.palette().color(QPalette::Base);
    // The button's cross is painted inside the field.
    const Ink cross = inkIn(shown, button->geometry().intersected(recorder.rect()), base);
    EXPECT_GE(cross.count, 8) << "no clear button on screen";

    // A name without a shortcut shows none.
    Recorder empty(registry, registry.makeName("other"), {}, &system, window_.get());
    empty.move(0, 80);
    empty.setPlaceholderText({});  // nothing else drawn where the button would be
    empty.show();
    QApplication::processEvents();
    QToolButton* none = clearButton(empty);
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->isVisible());
    const QImage blank = empty.grab().toImage();
    EXPECT_EQ(inkIn(blank, button->geometry().intersected(empty.rect()), base).count, 0);

    // Clicking it clears the shortcut, hides the button and records at once.
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(registry.getShortcut(stored));
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_FALSE(button->isVisible());
    EXPECT_TRUE(recorder.isRecording());
    // A recorded shortcut brings it back.
    QTest::keyClick(&recorder, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(button->isVisible());
}

TEST_F(ShortcutWidgets, TheLongestModifierWordsFitBesideTheClearButton) {
    // Ctrl+Alt+Shift+Super+←: every modifier written out.
    Recorder& recorder = showRecorder(registry.makeName("focusFirst", Shortcut{123, 0x1B00}));
    ASSERT_EQ(recorder.text(), "Ctrl+Alt+Shift+Super+←");
    recorder.resize(recorder.sizeHint());
    QToolButton* button = clearButton(recorder);
    ASSERT_NE(button, nullptr);
    // Centred text clear of the button on its side.
    const int text = recorder.fontMetrics().horizontalAdvance(recorder.text());
    EXPECT_LE((recorder.width() + text) / 2, button->geometry().left());
}

TEST_F(ShortcutWidgets, PressShortcutIsPaintedWhileRecording) {
    Recorder& recorder = showRecorder(registry.makeName("other"));
    recorder.resize(200, recorder.height());
    const QColor base = recorder.palette().color(QPalette::Base);
    const QRect inside = recorder.rect().adjusted(4, 4, -4, -4);
    const Ink idle = inkIn(recorder.grab().toImage(), inside, base);
    EXPECT_GE(idle.count, 20);  // "Record Shortcut"
    startRecording();
    ASSERT_TRUE(recorder.isRecording());
    ASSERT_TRUE(recorder.text().isEmpty());
    const Ink recording = inkIn(recorder.grab().toImage(), inside, base);
    EXPECT_GE(recording.count, 20) << "the placeholder is not painted while recording";
    // Centred, and as wide as the text.
    const int width = recorder.fontMetrics().horizontalAdvance(Recorder::pressText());
    EXPECT_GE(recording.bounds.width(), width * 3 / 4);
    EXPECT_NEAR(recording.bounds.center().x(), recorder.width() / 2, 6);
}

// Eats Ctrl+, on its way to any widget, as the application's "Settings…" keys do.
class SettingsKeys : public QObject {
  public:
    int opened = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Comma || key->modifiers() != Qt::ControlModifier) return false;
        ++opened;
        return true;
    }
};

TEST_F(ShortcutWidgets, WhileRecordingEveryKeyGoesToTheRecorder) {
    SettingsKeys settingsKeys;
    qApp->installEventFilter(&settingsKeys);
    const Name name = registry.makeName("focusLeft", kCtrlAltLeft);
    Recorder& recorder = showRecorder(name);
    int saved = 0;
    auto* save = new QShortcut(QKeySequence("Ctrl+Alt+S"), window_.get());
    QObject::connect(save, &QShortcut::activated, [&] { ++saved; });
    QTest::keyClick(window_.get(), Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_EQ(settingsKeys.opened, 1);  // not recording: the application's keys work

    startRecording();
    EXPECT_EQ(QWidget::keyboardGrabber(), &recorder);
    QTest::keyClick(&recorder, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settingsKeys.opened, 1);
    EXPECT_EQ(registry.getShortcut(name), (Shortcut{43, 4096}));
    EXPECT_EQ(recorder.text(), "Ctrl+,");
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);

    startRecording();
    QTest::keyClick(&recorder, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(registry.getShortcut(name), (Shortcut{1, 6144}));
    qApp->removeEventFilter(&settingsKeys);
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
