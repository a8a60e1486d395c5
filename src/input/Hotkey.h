#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command/Command.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "input/KeyboardShortcuts/Shortcut.h"

namespace brindlow {

// One global shortcut of the application: the slot (whose raw name keys the
// stored choice), the title shown to the user and the command it performs.
struct Hotkey {
    KeyboardShortcuts::Name name;
    std::string title;
    Command command;

    // The 53 rows in order: 44 fixed rows, then "jump1"..."jump9".
    static const std::vector<Hotkey>& all();
    // The digit keys of the jump rows, 1 to 9.
    static const std::array<KeyboardShortcuts::Key, 9>& jumpKeys();
    // The slot of the row with this raw name; none for anything else.
    static std::optional<KeyboardShortcuts::Name> named(std::string_view rawName);

    // Creates every row's slot in the registry (storing defaults where nothing
    // is stored yet) and adds a key-down action per row that hands the row's
    // command to `perform`.
    static void registerAll(KeyboardShortcuts::Registry& registry,
                            const std::function<void(const Command&)>& perform);
    // Every row back to its default; rows without one lose their shortcut.
    static void resetAll(KeyboardShortcuts::Registry& registry);
};

}  // namespace brindlow
