#include "app/qt/SettingsShortcut.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace brindlow {

namespace {

bool isSettingsKeys(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    return key.key() == Qt::Key_Comma && modifiers == Qt::ControlModifier;
}

}  // namespace

SettingsShortcut::SettingsShortcut(std::function<void()> openSettings)
    : openSettings_(std::move(openSettings)) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

SettingsShortcut::~SettingsShortcut() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool SettingsShortcut::eventFilter(QObject* watched, QEvent* event) {
    // Only key presses delivered to widgets: the application sees each event
    // once per receiver, and windows are where the keyboard lands.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    if (!isSettingsKeys(*static_cast<QKeyEvent*>(event))) return false;
    if (openSettings_) openSettings_();
    return true;
}

}  // namespace brindlow
