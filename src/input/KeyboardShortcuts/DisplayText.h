#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/KeyboardShortcuts/Shortcut.h"

namespace brindlow::KeyboardShortcuts {

// Texts that show shortcuts to the user. Modifiers read the Linux way, always
// in the order Ctrl, Alt, Shift, Super, Fn; special keys show their glyph
// ("←", "↩", "F5", "Space"); other keys show the character they type in the
// current keyboard layout, upper-cased, or "�" when they type none.
// Every text is built in. Main thread (the layout is read there).

// The Linux names of the modifiers of a stored mask: {"Ctrl", "Alt"}.
std::vector<std::string> modifierNames(int carbonModifiers);
// The same joined, each followed by "+": "Ctrl+Alt+"; empty without modifiers.
std::string modifierText(int carbonModifiers);
// The key's text alone: "←", "Space", "F5", "H", "�".
std::string keyText(int carbonKeyCode);
// The shortcut as separate key caps: {"Ctrl", "Alt", "←"}.
std::vector<std::string> keyTexts(const Shortcut& shortcut);
// The shortcut's display text: "Ctrl+Alt+←", "Ctrl+Alt+Space", "F5".
std::string displayText(const Shortcut& shortcut);

// The text of a special key (one with a fixed glyph), none for other keys.
std::optional<std::string> specialKeyText(int carbonKeyCode);
bool isSpecialKey(int carbonKeyCode);
// The menu key equivalent of a special key: "←", " " for space, U+F704... for F1...;
// none for other keys and the keypad keys.
std::optional<std::string> specialKeyMenuEquivalent(int carbonKeyCode);

// Where key characters come from: the current keyboard layout (installed by
// the application), none before. Gives the UTF-8 character a key code types
// without modifiers, or none.
using KeyCharacterSource = std::function<std::optional<std::string>(int carbonKeyCode)>;
void setKeyCharacterSource(KeyCharacterSource source);
// The character of a key in the current layout; none for a special key, a key
// without a character, and when no layout is installed.
std::optional<std::string> keyCharacter(int carbonKeyCode);
// A US layout, for tests and previews.
std::optional<std::string> usLayoutCharacter(int carbonKeyCode);

// The stored shortcut of a named slot as text, as the menu and the panels
// show it: none when the name has no shortcut, when another program holds it
// (the keys do nothing here) or when no registry is running.
std::optional<std::string> displayText(std::string_view name);
// The stored shortcut of a named slot as text, also when another program holds it: the guide
// and the shortcut sheet show such keys marked as held. None when the name has no shortcut or no
// registry is running.
std::optional<std::string> storedDisplayText(std::string_view name);
// Whether another program holds the stored shortcut of a named slot, so that it does nothing here.
bool isHeldElsewhere(std::string_view name);
// The key caps of a named slot; empty when it has no shortcut.
std::vector<std::string> keyTexts(std::string_view name);

}  // namespace brindlow::KeyboardShortcuts
