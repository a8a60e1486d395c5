#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// What the menu needs of the global-shortcut registry: the keys stored for a
// named shortcut, shown beside its item, and the switch that keeps every global
// shortcut quiet while the menu is open.
class MenuShortcuts {
  public:
    virtual ~MenuShortcuts() = default;

    // The stored keys of `name` as shown to the user, none when nothing is
    // stored or the name is unknown.
    virtual std::optional<std::string> text(std::string_view name) const = 0;
    virtual void setSuspended(bool suspended) = 0;
};

}  // namespace brindlow
