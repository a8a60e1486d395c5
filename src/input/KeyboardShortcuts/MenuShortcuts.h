#pragma once

#include <QKeySequence>
#include <QObject>
#include <optional>

#include "input/KeyboardShortcuts/Registry.h"
#include "input/KeyboardShortcuts/Shortcut.h"

class QAction;
class QMenu;
class QKeyEvent;

namespace brindlow::KeyboardShortcuts {

// The shortcut as a Qt key sequence (Ctrl, Alt, Shift, Meta and the key);
// empty for a key Qt cannot name (the Function modifier, a key without a
// character in the current layout).
QKeySequence toKeySequence(const Shortcut& shortcut);
// The shortcut a Qt key event stands for: the X key code it carries, or its
// Qt key where there is none. None for a key the fixed table lacks.
std::optional<Shortcut> shortcutFromKeyEvent(const QKeyEvent& event);

// Shows a shortcut on a menu item (none clears it).
void setShortcut(QAction& action, const std::optional<Shortcut>& shortcut);
// Keeps a menu item showing the stored shortcut of a name, also after it
// changes; none stops following. Follows until the item is destroyed.
void setShortcut(QAction& action, const std::optional<Name>& name, Registry& registry);
// The first item of the menu, depth first in item order, whose shortcut is
// this one; none when no item has it.
QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QMenu& menu);

// Watches the application's own menus: while one is open the registry's menu
// switch is on, and key presses that are registered shortcuts run their
// actions and never reach the menu. Main thread; installs itself on qApp.
class MenuKeyWatch : public QObject {
  public:
    MenuKeyWatch(Registry& registry, HotKeyCenter& hotKeys);
    ~MenuKeyWatch() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateMenuState();

    Registry& registry_;
    HotKeyCenter& hotKeys_;
    int openMenus_ = 0;
};

}  // namespace brindlow::KeyboardShortcuts
