#include "app/qt/RegistryMenuShortcuts.h"

#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/Registry.h"

namespace brindlow {

KeyboardShortcuts::Registry* RegistryMenuShortcuts::registry() const {
    return registry_ ? registry_ : KeyboardShortcuts::Registry::shared();
}

std::optional<std::string> RegistryMenuShortcuts::text(std::string_view name) const {
    KeyboardShortcuts::Registry* shortcuts = registry();
    const std::optional<KeyboardShortcuts::Name> slot = Hotkey::named(name);
    if (!shortcuts || !slot) return std::nullopt;
    const std::optional<KeyboardShortcuts::Shortcut> stored = shortcuts->getShortcut(*slot);
    // Keys another program holds do nothing here: the menu does not offer them.
    if (!stored || shortcuts->isHeldElsewhere(*stored)) return std::nullopt;
    return KeyboardShortcuts::displayText(*stored);
}

void RegistryMenuShortcuts::setSuspended(bool suspended) {
    if (KeyboardShortcuts::Registry* shortcuts = registry()) shortcuts->setEnabled(!suspended);
}

}  // namespace brindlow
