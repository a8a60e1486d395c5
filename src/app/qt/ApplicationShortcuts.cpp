#include "app/qt/ApplicationShortcuts.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

#include "app/MenuBarController.h"

namespace brindlow {

std::unique_ptr<QMenu> applicationKeysMenu() {
    auto menu = std::make_unique<QMenu>();
    for (const auto& [title, keys] :
         {std::pair{MenuBarController::kSettingsTitle, MenuBarController::kSettingsKeys},
          std::pair{MenuBarController::kQuitTitle, MenuBarController::kQuitKeys}}) {
        QAction* item = menu->addAction(QString::fromUtf8(title));
        item->setShortcut(QKeySequence::fromString(QString::fromUtf8(keys)));
        // Only while the never-shown menu has the keyboard, that is never: the commands run
        // through SettingsShortcut and QuitShortcut.
        item->setShortcutContext(Qt::WidgetShortcut);
    }
    return menu;
}

namespace {

bool isControlAnd(const QKeyEvent& key, int wanted) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    return key.key() == wanted && modifiers == Qt::ControlModifier;
}

}  // namespace

ApplicationShortcut::ApplicationShortcut(int key, Where where, std::function<void()> action)
    : key_(key), where_(where), action_(std::move(action)) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

ApplicationShortcut::~ApplicationShortcut() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool ApplicationShortcut::eventFilter(QObject* watched, QEvent* event) {
    // Only key presses delivered to widgets: the application sees each event once per receiver,
    // and windows are where the keyboard lands. An open menu has the keyboard grabbed: its key
    // presses come to the menu widget itself.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* menu = qobject_cast<QMenu*>(watched);
    if (where_ == Where::openMenu && !menu) return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (!isControlAnd(key, key_)) return false;
    if (where_ == Where::openMenu) {
        if (key.isAutoRepeat()) return false;
        // The menu closes first, as it does when its item is chosen.
        for (; menu; menu = qobject_cast<QMenu*>(menu->parentWidget())) menu->close();
    }
    if (action_) action_();
    return true;
}

}  // namespace brindlow
