#include "app/qt/TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QKeyEvent>

namespace brindlow {

namespace {

QString escapedTitle(const std::string& text) {
    // A single "&" would mark a mnemonic.
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

QString statusToolTip(const std::string& title) {
    return QStringLiteral("Brindlow") + QString::fromStdString(title);
}

void renderMenu(QMenu& menu, const MenuModel& model) {
    // clear() drops the submenus' actions but not the submenus it parents.
    for (QMenu* old : menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    menu.clear();
    for (const MenuItem& item : model) {
        switch (item.kind) {
            case MenuItem::Kind::separator:
                menu.addSeparator();
                break;
            case MenuItem::Kind::submenu: {
                QMenu* inner = menu.addMenu(escapedTitle(item.title));
                inner->setEnabled(item.enabled);
                renderMenu(*inner, item.submenu);
                break;
            }
            case MenuItem::Kind::action: {
                QString text = escapedTitle(item.title);
                // Text after a tab is drawn as the item's keys.
                if (!item.shortcutText.empty())
                    text += QLatin1Char('\t') + QString::fromStdString(item.shortcutText);
                QAction* action = menu.addAction(text);
                action->setEnabled(item.enabled);
                if (item.checked) {
                    action->setCheckable(true);
                    action->setChecked(*item.checked);
                }
                if (item.action)
                    QObject::connect(action, &QAction::triggered, [run = item.action] { run(); });
                break;
            }
        }
    }
}

TrayIcon::TrayIcon(MenuBarController& controller) : controller_(controller) {
    menu_.setTitle(QStringLiteral("Brindlow"));
    QObject::connect(&menu_, &QMenu::aboutToShow, this, [this] {
        renderMenu(menu_, controller_.rebuildMenu());
        for (QMenu* inner : menu_.findChildren<QMenu*>()) inner->installEventFilter(this);
        controller_.menuWillOpen();
    });
    menu_.installEventFilter(this);
    QObject::connect(&menu_, &QMenu::aboutToHide, this, [this] { controller_.menuDidClose(); });
    icon_.setContextMenu(&menu_);
    // A plain click opens the menu too, as a status item does.
    QObject::connect(&icon_, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && !menu_.isVisible())
                             menu_.popup(QCursor::pos());
                     });
    setTitle({}, false);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    // A menu closes on Alt. A global shortcut typed while it is open starts with its modifiers;
    // closed by them, the menu would give the shortcuts back before the rest of the keys came,
    // and the shortcut would fire. While it is open none does.
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}

TrayIcon::~TrayIcon() {
    icon_.hide();
    icon_.setContextMenu(nullptr);
}

bool TrayIcon::isTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show() {
    icon_.show();
}

void TrayIcon::setTitle(const std::string& title, bool appearsDisabled) {
    const StatusIconState state = statusIconState(QString::fromStdString(title), appearsDisabled);
    if (state == state_ && !icon_.icon().isNull()) {
        icon_.setToolTip(statusToolTip(title));
        return;
    }
    state_ = state;
    picture_ = statusIconImage(state, 64);
    // Drawn at the size the tray asks for, not scaled down from a large picture.
    icon_.setIcon(statusIcon(state));
    icon_.setToolTip(statusToolTip(title));
}

}  // namespace brindlow
