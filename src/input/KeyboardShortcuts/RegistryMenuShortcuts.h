#pragma once

#include "app/MenuShortcuts.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/Registry.h"

namespace brindlow::KeyboardShortcuts {

// The menu's view of the registry: the display text of a name's stored
// shortcut, and the global switch, off while the menu is open.
class RegistryMenuShortcuts : public MenuShortcuts {
  public:
    explicit RegistryMenuShortcuts(Registry& registry) : registry_(registry) {}

    std::optional<std::string> text(std::string_view name) const override {
        const std::optional<Shortcut> shortcut = registry_.getShortcut(Name(std::string(name)));
        if (!shortcut) return std::nullopt;
        return displayText(*shortcut);
    }
    void setSuspended(bool suspended) override { registry_.setEnabled(!suspended); }

  private:
    Registry& registry_;
};

}  // namespace brindlow::KeyboardShortcuts
