#pragma once

#include <functional>

#include "input/KeyboardShortcuts/Registry.h"

class QAction;
class QWidget;

namespace brindlow::KeyboardShortcuts {

// Calls `action` with every key down and key up of the name's shortcut while
// `widget` is shown (the registry's stream of the name lives from each show to
// the next hide). Ends with the widget.
void onKeyboardShortcut(QWidget& widget, const Name& name, Registry& registry,
                        std::function<void(EventType)> action);
// The same for one event type only.
void onKeyboardShortcut(QWidget& widget, const Name& name, EventType type, Registry& registry,
                        std::function<void()> action);

// Gives `action` the name's stored shortcut as its own key sequence, follows
// every change of it, and lets go of it while a recorder records.
void globalKeyboardShortcut(QAction& action, const Name& name, Registry& registry);

}  // namespace brindlow::KeyboardShortcuts
