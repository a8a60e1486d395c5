#include "app/qt/QuitShortcut.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

namespace brindlow {

namespace {

bool isQuitKeys(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    return key.key() == Qt::Key_Q && modifiers == Qt::ControlModifier;
}

}  // namespace

QuitShortcut::QuitShortcut(std::function<void()> quit) : quit_(std::move(quit)) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

QuitShortcut::~QuitShortcut() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool QuitShortcut::eventFilter(QObject* watched, QEvent* event) {
    // An open menu has the keyboard grabbed: its key presses come to the menu widget itself.
    if (event->type() != QEvent::KeyPress || !qobject_cast<QMenu*>(watched)) return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (key.isAutoRepeat() || !isQuitKeys(key)) return false;
    // The menu closes first, as it does when its Quit item is chosen.
    for (QMenu* menu = static_cast<QMenu*>(watched); menu;
         menu = qobject_cast<QMenu*>(menu->parentWidget()))
        menu->close();
    if (quit_) quit_();
    return true;
}

}  // namespace brindlow
