#include "input/KeyboardShortcuts/DisplayText.h"

#include <array>
#include <mutex>

#include "input/KeyboardShortcuts/Registry.h"

namespace brindlow::KeyboardShortcuts {

namespace {

struct SpecialKey {
    int keyCode;
    std::string_view text;
    // Empty: none.
    std::string_view menuEquivalent;
};

// Keys shown by a fixed glyph instead of the character the layout gives.
constexpr std::array<SpecialKey, 53> kSpecialKeys{{
    {36, "↩", "↩"},         {51, "⌫", "⌫"},         {117, "⌦", "⌦"},
    {119, "↘", "↘"},        {53, "⎋", "⎋"},         {114, "?\u20DD", "?\u20DD"},
    {115, "↖", "↖"},        {49, "Space", " "},     {48, "⇥", "⇥"},
    {116, "⇞", "⇞"},        {121, "⇟", "⇟"},        {126, "↑", "↑"},
    {124, "→", "→"},        {125, "↓", "↓"},        {123, "←", "←"},
    {122, "F1", "\uF704"},  {120, "F2", "\uF705"},  {99, "F3", "\uF706"},
    {118, "F4", "\uF707"},  {96, "F5", "\uF708"},   {97, "F6", "\uF709"},
    {98, "F7", "\uF70A"},   {100, "F8", "\uF70B"},  {101, "F9", "\uF70C"},
    {109, "F10", "\uF70D"}, {103, "F11", "\uF70E"}, {111, "F12", "\uF70F"},
    {105, "F13", "\uF710"}, {107, "F14", "\uF711"}, {113, "F15", "\uF712"},
    {106, "F16", "\uF713"}, {64, "F17", "\uF714"},  {79, "F18", "\uF715"},
    {80, "F19", "\uF716"},  {90, "F20", "\uF717"},  {82, "0\u20E3", ""},
    {83, "1\u20E3", ""},    {84, "2\u20E3", ""},    {85, "3\u20E3", ""},
    {86, "4\u20E3", ""},    {87, "5\u20E3", ""},    {88, "6\u20E3", ""},
    {89, "7\u20E3", ""},    {91, "8\u20E3", ""},    {92, "9\u20E3", ""},
    {71, "☒\u20E3", ""},    {65, ".\u20E3", ""},    {75, "/\u20E3", ""},
    {76, "↩\u20E3", ""},    {81, "=\u20E3", ""},    {78, "-\u20E3", ""},
    {67, "*\u20E3", ""},    {69, "+\u20E3", ""},
}};

const SpecialKey* findSpecialKey(int keyCode) {
    for (const SpecialKey& key : kSpecialKeys) {
        if (key.keyCode == keyCode) return &key;
    }
    return nullptr;
}

constexpr std::string_view kReplacementCharacter = "\uFFFD";

std::mutex sourceMutex;
KeyCharacterSource& characterSource() {
    static KeyCharacterSource source;
    return source;
}

// Upper case for the ASCII letters and the Latin-1 and Latin Extended-A,
// Greek and Cyrillic lower-case letters the common layouts type.
std::string capitalized(const std::string& character) {
    if (character.size() == 1) {
        const char c = character[0];
        if (c >= 'a' && c <= 'z') return std::string(1, static_cast<char>(c - 'a' + 'A'));
        return character;
    }
    // Decode one UTF-8 code point of two bytes.
    if (character.size() == 2) {
        const auto b0 = static_cast<unsigned char>(character[0]);
        const auto b1 = static_cast<unsigned char>(character[1]);
        unsigned cp = ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
        if ((cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)) {
            cp -= 0x20;
        } else if (cp >= 0x3B1 && cp <= 0x3C9 && cp != 0x3C2) {
            cp -= 0x20;
        } else if (cp >= 0x430 && cp <= 0x44F) {
            cp -= 0x20;
        } else if (cp >= 0x450 && cp <= 0x45F) {
            cp -= 0x50;
        } else if (cp >= 0x100 && cp <= 0x17F && (cp % 2) == 1 && cp != 0x131 && cp != 0x138 &&
                   cp != 0x149 && cp != 0x17F) {
            cp -= 1;
        } else {
            return character;
        }
        std::string result;
        result += static_cast<char>(0xC0 | (cp >> 6));
        result += static_cast<char>(0x80 | (cp & 0x3F));
        return result;
    }
    return character;
}

}  // namespace

std::vector<std::string> modifierNames(int mask) {
    std::vector<std::string> names;
    if (mask & CarbonModifier::control) names.emplace_back("Ctrl");
    if (mask & CarbonModifier::option) names.emplace_back("Alt");
    if (mask & CarbonModifier::shift) names.emplace_back("Shift");
    if (mask & CarbonModifier::command) names.emplace_back("Super");
    if (mask & CarbonModifier::function) names.emplace_back("Fn");
    return names;
}

std::string modifierText(int mask) {
    std::string text;
    for (const std::string& name : modifierNames(mask)) text += name + "+";
    return text;
}

bool isSpecialKey(int keyCode) {
    return findSpecialKey(keyCode) != nullptr;
}

std::optional<std::string> specialKeyText(int keyCode) {
    const SpecialKey* key = findSpecialKey(keyCode);
    if (!key) return std::nullopt;
    return std::string(key->text);
}

std::optional<std::string> specialKeyMenuEquivalent(int keyCode) {
    const SpecialKey* key = findSpecialKey(keyCode);
    if (!key || key->menuEquivalent.empty()) return std::nullopt;
    return std::string(key->menuEquivalent);
}

void setKeyCharacterSource(KeyCharacterSource source) {
    std::lock_guard lock(sourceMutex);
    characterSource() = std::move(source);
}

std::optional<std::string> keyCharacter(int keyCode) {
    if (isSpecialKey(keyCode)) return std::nullopt;
    KeyCharacterSource source;
    {
        std::lock_guard lock(sourceMutex);
        source = characterSource();
    }
    if (!source) return std::nullopt;
    return source(keyCode);
}

std::optional<std::string> usLayoutCharacter(int keyCode) {
    static constexpr std::array<std::pair<int, char>, 47> kUS{{
        {0, 'a'},  {11, 'b'}, {8, 'c'},   {2, 'd'},  {14, 'e'},  {3, 'f'},  {5, 'g'},  {4, 'h'},
        {34, 'i'}, {38, 'j'}, {40, 'k'},  {37, 'l'}, {46, 'm'},  {45, 'n'}, {31, 'o'}, {35, 'p'},
        {12, 'q'}, {15, 'r'}, {1, 's'},   {17, 't'}, {32, 'u'},  {9, 'v'},  {13, 'w'}, {7, 'x'},
        {16, 'y'}, {6, 'z'},  {29, '0'},  {18, '1'}, {19, '2'},  {20, '3'}, {21, '4'}, {23, '5'},
        {22, '6'}, {26, '7'}, {28, '8'},  {25, '9'}, {42, '\\'}, {50, '`'}, {43, ','}, {24, '='},
        {27, '-'}, {47, '.'}, {39, '\''}, {41, ';'}, {44, '/'},  {33, '['}, {30, ']'},
    }};
    for (const auto& [code, character] : kUS) {
        if (code == keyCode) return std::string(1, character);
    }
    return std::nullopt;
}

std::string keyText(int keyCode) {
    if (auto special = specialKeyText(keyCode)) return *special;
    const std::optional<std::string> character = keyCharacter(keyCode);
    if (!character) return std::string(kReplacementCharacter);
    return capitalized(*character);
}

std::vector<std::string> keyTexts(const Shortcut& shortcut) {
    std::vector<std::string> texts = modifierNames(shortcut.carbonModifiers);
    texts.push_back(keyText(shortcut.carbonKeyCode));
    return texts;
}

std::string displayText(const Shortcut& shortcut) {
    return modifierText(shortcut.carbonModifiers) + keyText(shortcut.carbonKeyCode);
}

std::optional<std::string> displayText(std::string_view name) {
    Registry* registry = Registry::shared();
    if (!registry) return std::nullopt;
    const auto shortcut = registry->getShortcut(Name(std::string(name)));
    if (!shortcut || registry->isHeldElsewhere(*shortcut)) return std::nullopt;
    return displayText(*shortcut);
}

std::optional<std::string> storedDisplayText(std::string_view name) {
    Registry* registry = Registry::shared();
    if (!registry) return std::nullopt;
    const auto shortcut = registry->getShortcut(Name(std::string(name)));
    if (!shortcut) return std::nullopt;
    return displayText(*shortcut);
}

bool isHeldElsewhere(std::string_view name) {
    Registry* registry = Registry::shared();
    if (!registry) return false;
    const auto shortcut = registry->getShortcut(Name(std::string(name)));
    return shortcut && registry->isHeldElsewhere(*shortcut);
}

std::vector<std::string> keyTexts(std::string_view name) {
    Registry* registry = Registry::shared();
    if (!registry) return {};
    const auto shortcut = registry->getShortcut(Name(std::string(name)));
    if (!shortcut) return {};
    return keyTexts(*shortcut);
}

}  // namespace brindlow::KeyboardShortcuts
