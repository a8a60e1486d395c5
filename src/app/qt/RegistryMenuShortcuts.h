#pragma once

#include "app/MenuShortcuts.h"

namespace brindlow {

namespace KeyboardShortcuts {
class Registry;
}

// The menu's view of the application's global-shortcut registry: the stored
// keys of a shortcut-table row as "Ctrl+Alt+P", and the global switch that
// keeps every hot key quiet while the tray menu is open. Before the registry
// exists (and without one) nothing is shown and nothing is switched.
class RegistryMenuShortcuts final : public MenuShortcuts {
  public:
    // `registry` none: the process's shared registry at the moment of each call.
    explicit RegistryMenuShortcuts(KeyboardShortcuts::Registry* registry = nullptr)
        : registry_(registry) {}

    std::optional<std::string> text(std::string_view name) const override;
    void setSuspended(bool suspended) override;

  private:
    KeyboardShortcuts::Registry* registry() const;

    KeyboardShortcuts::Registry* registry_;
};

}  // namespace brindlow
