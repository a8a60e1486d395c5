#include "input/KeyboardShortcuts/Recorder.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <algorithm>
#include <map>

#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/MenuShortcuts.h"
#include "platform/HotKeys.h"

namespace brindlow::KeyboardShortcuts {

namespace {

std::map<ObserverToken, std::function<void(bool)>>& activityListeners() {
    static std::map<ObserverToken, std::function<void(bool)>> listeners;
    return listeners;
}
ObserverToken nextActivityToken = 1;

void postRecorderActivity(bool isActive) {
    const auto listeners = activityListeners();
    for (const auto& [token, listener] : listeners) {
        if (activityListeners().contains(token)) listener(isActive);
    }
}

// Clicks within this many pixels of the field count as inside.
constexpr int kClickMargin = 3;
constexpr int kF12 = 111;

int showMessageBox(const Recorder::Alert& alert, QWidget* parent) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    std::vector<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons)
        buttons.push_back(box.addButton(title, QMessageBox::AcceptRole));
    if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    }
    return 0;
}

bool isFunctionKey(int keyCode) {
    const std::optional<std::string> text = specialKeyText(keyCode);
    return text && text->size() >= 2 && (*text)[0] == 'F';
}

}  // namespace

ObserverToken addRecorderActivityListener(std::function<void(bool)> listener) {
    const ObserverToken token = nextActivityToken++;
    activityListeners().emplace(token, std::move(listener));
    return token;
}

void removeRecorderActivityListener(ObserverToken token) {
    activityListeners().erase(token);
}

Recorder::Recorder(Registry& registry, Name name, OnChange onChange, HotKeys* hotKeys,
                   QWidget* parent)
    : QLineEdit(parent),
      registry_(registry),
      name_(std::move(name)),
      onChange_(std::move(onChange)),
      hotKeys_(hotKeys),
      presentAlert_(showMessageBox) {
    setPlaceholderText(recordText());
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Our own clear button rather than QLineEdit's: that one shows only after a text change it
    // sees, and a stored shortcut is shown without one.
    clearAction_ = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton, nullptr, this),
                             QLineEdit::TrailingPosition);
    clearAction_->setToolTip(QStringLiteral("Clear"));
    connect(clearAction_, &QAction::triggered, this, [this] { clear(); });
    showStoredShortcut();
    // The clear button empties the text: that clears the shortcut and records again.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        showClearButtonIfShowingAShortcut();
        if (!text.isEmpty()) return;
        clearShortcut();
        refocus();
    });
    changeToken_ = registry_.addChangeListener([this](const Name& changed) {
        if (changed == name_) showStoredShortcut();
    });
}

Recorder::~Recorder() {
    registry_.removeChangeListener(changeToken_);
    if (recording_) endRecording();
}

QSize Recorder::sizeHint() const {
    // Modifiers are words here ("Ctrl+Alt+Shift+Super+"): wide enough for the longest of them
    // centred between the clear button and its mirror image, so that no shortcut is cut.
    const int button = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this) + 8;
    const int text = fontMetrics().horizontalAdvance(QStringLiteral("Ctrl+Alt+Shift+Super+F12"));
    return {std::max(kMinimumWidth, text + 2 * button + 12), QLineEdit::sizeHint().height()};
}

void Recorder::setShortcutName(const Name& name) {
    if (name.rawValue == name_.rawValue) return;
    name_ = name;
    showStoredShortcut();
}

void Recorder::showStoredShortcut() {
    const std::optional<Shortcut> shortcut = registry_.getShortcut(name_);
    const QSignalBlocker quiet(this);
    setText(shortcut ? QString::fromStdString(shortcut->description()) : QString());
    showClearButtonIfShowingAShortcut();
}

bool Recorder::showKeyNamesAgain() {
    if (recording_) return false;
    const std::optional<Shortcut> shortcut = registry_.getShortcut(name_);
    const QString now = shortcut ? QString::fromStdString(shortcut->description()) : QString();
    if (now == text()) return false;
    showStoredShortcut();
    return true;
}

void Recorder::showClearButtonIfShowingAShortcut() {
    clearAction_->setVisible(!text().isEmpty());
}

void Recorder::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    // A focused, centred line edit hides its placeholder; while recording the field is focused
    // and empty, and the placeholder is what tells the user to press the keys.
    if (!recording_ || !text().isEmpty() || placeholderText().isEmpty()) return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QMargins margins = textMargins();
    const QRect area =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(margins);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignCenter,
                     fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

bool Recorder::event(QEvent* event) {
    // While recording every key is the recording's: no shortcut of this application runs.
    if (recording_ && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void Recorder::showEvent(QShowEvent* event) {
    QLineEdit::showEvent(event);
    // Passed over when the window picks its first focus: the user starts a
    // recording by clicking or tabbing into the field.
    setFocusPolicy(Qt::NoFocus);
    QTimer::singleShot(0, this, [this] { setFocusPolicy(Qt::StrongFocus); });
}

void Recorder::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    startRecording();
}

void Recorder::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endRecording();
    // When the window comes back the field must not take the focus (and record) by itself.
    if (event->reason() == Qt::ActiveWindowFocusReason) clearFocus();
}

void Recorder::startRecording() {
    if (recording_) return;
    recording_ = true;
    setPlaceholderText(pressText());
    setCursorPosition(0);
    setReadOnly(true);  // no caret, no typing: keys go to the recording
    showClearButtonIfShowingAShortcut();
    registry_.setPaused(true);
    qApp->installEventFilter(this);
    // An active grab of the keyboard: other programs' passive grabs (the window manager's
    // bindings) do not fire meanwhile, so their combinations can be recorded, and the probe
    // below finds who holds them.
    grabKeyboard();
    postRecorderActivity(true);
}

void Recorder::endRecording() {
    if (!recording_) return;
    recording_ = false;
    releaseKeyboard();
    qApp->removeEventFilter(this);
    setPlaceholderText(recordText());
    setReadOnly(false);
    showClearButtonIfShowingAShortcut();
    registry_.setPaused(false);
    postRecorderActivity(false);
}

void Recorder::blur() {
    if (hasFocus()) clearFocus();
    endRecording();
}

void Recorder::refocus() {
    if (isVisible() && window()) setFocus(Qt::OtherFocusReason);
}

void Recorder::clearShortcut() {
    registry_.setShortcut(std::nullopt, name_);
    if (onChange_) onChange_(std::nullopt);
}

bool Recorder::eventFilter(QObject* watched, QEvent* event) {
    // Installed last while recording, this filter sees the field's keys before the
    // application's own filters (Ctrl+, opens the settings): they go to the recording.
    if (recording_ && watched == this &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        this->event(event);
        return true;
    }
    // A click outside the field (and its margin) ends the recording and goes on to its target.
    if (recording_ && event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        if (!rect()
                 .adjusted(-kClickMargin, -kClickMargin, kClickMargin, kClickMargin)
                 .contains(local)) {
            blur();
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

int Recorder::alert(const Alert& shown) {
    blur();
    const int answer = presentAlert_ ? presentAlert_(shown, this) : 0;
    refocus();
    return answer;
}

void Recorder::store(const Shortcut& shortcut) {
    {
        const QSignalBlocker quiet(this);
        setText(QString::fromStdString(shortcut.description()));
    }
    showClearButtonIfShowingAShortcut();
    registry_.userDefaultsSet(name_, shortcut);
    if (onChange_) onChange_(shortcut);
    blur();
}

void Recorder::keyPressEvent(QKeyEvent* event) {
    if (!recording_) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (modifiers == Qt::NoModifier && key == Qt::Key_Escape) {
        blur();
        return;
    }
    if (modifiers == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        clear();  // the text change clears the shortcut and records again
        return;
    }
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R ||
        key == Qt::Key_AltGr) {
        return;  // a modifier alone: the shortcut is not complete yet
    }
    const std::optional<Shortcut> shortcut = shortcutFromKeyEvent(*event);
    // Without Ctrl, Alt or Super only the function keys make a shortcut.
    const bool plain = (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier;
    if (!shortcut || (plain && !isFunctionKey(shortcut->carbonKeyCode))) {
        QApplication::beep();
        return;
    }
    if (conflictMenu_) {
        if (QAction* item = menuItemWithMatchingShortcut(*shortcut, *conflictMenu_)) {
            alert({QStringLiteral("This keyboard shortcut cannot be used as it’s already used by "
                                  "the “%1” menu item.")
                       .arg(item->text().remove('&')),
                   {},
                   {}});
            return;
        }
    }
    const bool plainF12 = shortcut->carbonKeyCode == kF12 && shortcut->carbonModifiers == 0;
    if (hotKeys_ && !plainF12 &&
        hotKeys_->isTakenElsewhere(shortcut->carbonKeyCode, shortcut->carbonModifiers)) {
        const int answer = alert(
            {QStringLiteral(
                 "This keyboard shortcut cannot be used as it’s already used by another program."),
             QStringLiteral("Another program, often the window manager, holds it. Free it "
                            "there to use it here."),
             {QStringLiteral("OK"), QStringLiteral("Use Anyway")}});
        if (answer != 1) return;
    }
    store(*shortcut);
}

}  // namespace brindlow::KeyboardShortcuts
