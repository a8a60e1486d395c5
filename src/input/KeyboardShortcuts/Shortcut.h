#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow::KeyboardShortcuts {

// Modifier masks as stored ("carbonModifiers").
namespace CarbonModifier {
inline constexpr int command = 0x100;
inline constexpr int shift = 0x200;
inline constexpr int option = 0x800;
inline constexpr int control = 0x1000;
inline constexpr int function = 0x20000;
inline constexpr int all = command | shift | option | control | function;
}  // namespace CarbonModifier

// Event modifier flags, the form key events and the menu use.
namespace ModifierFlag {
inline constexpr std::uint64_t capsLock = 0x10000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t numericPad = 0x200000;
inline constexpr std::uint64_t function = 0x800000;
}  // namespace ModifierFlag

// The stored mask of a set of event flags; every flag but the five modifiers is dropped.
int carbonMask(std::uint64_t flags);
// The event flags of a stored mask; every bit but the five modifiers is dropped.
std::uint64_t modifierFlags(int carbonModifiers);

// A virtual key code. Any integer makes a key; the named ones are below.
struct Key {
    int rawValue = 0;
    constexpr bool operator==(const Key&) const = default;

    static const Key a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z;
    static const Key zero, one, two, three, four, five, six, seven, eight, nine;
    static const Key capsLock, shift, function, control, option, command, rightCommand, rightOption,
        rightControl, rightShift;
    static const Key returnKey, backslash, backtick, comma, equal, minus, period, quote, semicolon,
        slash, space, tab, leftBracket, rightBracket;
    static const Key pageUp, pageDown, home, end, upArrow, rightArrow, downArrow, leftArrow;
    static const Key escape, deleteKey, deleteForward, help;
    static const Key mute, volumeUp, volumeDown;
    static const Key f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17,
        f18, f19, f20;
    static const Key keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7,
        keypad8, keypad9, keypadClear, keypadDecimal, keypadDivide, keypadEnter, keypadEquals,
        keypadMinus, keypadMultiply, keypadPlus;
};

// The 113 named keys in declaration order, with their names ("leftArrow").
struct NamedKey {
    std::string_view name;
    Key key;
};
const NamedKey* namedKeysBegin();
const NamedKey* namedKeysEnd();
inline constexpr std::size_t kNamedKeyCount = 113;

// Key codes of the designed range; stored values outside it are refused.
inline constexpr int kMaxKeyCode = 127;

// A keyboard shortcut: a virtual key code and a stored modifier mask.
struct Shortcut {
    int carbonKeyCode = 0;
    int carbonModifiers = 0;

    // Keeps the key code; keeps only the five modifier bits of the mask.
    static Shortcut make(int keyCode, int carbonModifierMask);
    static Shortcut make(Key key, std::uint64_t flags);
    // From a key event's code and flags: the Function flag is left out.
    static Shortcut fromEvent(int keyCode, std::uint64_t flags);

    Key key() const { return Key{carbonKeyCode}; }
    std::uint64_t modifiers() const { return modifierFlags(carbonModifiers); }

    // The stored form: {"carbonKeyCode":123,"carbonModifiers":6144}, compact.
    std::string json() const;
    // Reads the stored form: both members must be integers, other members are
    // ignored, the numbers are taken as they are. None on any failure.
    static std::optional<Shortcut> fromJSON(std::string_view text);

    // The display text, "Ctrl+Alt+←" (see DisplayText.h).
    std::string description() const;

    constexpr bool operator==(const Shortcut&) const = default;
};

// A named shortcut slot. Equal and hashed by its raw value alone.
struct Name {
    std::string rawValue;
    std::optional<Shortcut> defaultShortcut;

    Name() = default;
    explicit Name(std::string raw, std::optional<Shortcut> defaultValue = std::nullopt)
        : rawValue(std::move(raw)), defaultShortcut(defaultValue) {}

    bool operator==(const Name& other) const { return rawValue == other.rawValue; }
    bool operator<(const Name& other) const { return rawValue < other.rawValue; }
};

// The preferences key of a slot: "KeyboardShortcuts_" + raw value.
std::string storageKey(std::string_view rawName);
inline constexpr std::string_view kStorageKeyPrefix = "KeyboardShortcuts_";

}  // namespace brindlow::KeyboardShortcuts

template <>
struct std::hash<brindlow::KeyboardShortcuts::Shortcut> {
    std::size_t operator()(const brindlow::KeyboardShortcuts::Shortcut& s) const noexcept {
        return std::hash<long long>()((static_cast<long long>(s.carbonKeyCode) << 32) ^
                                      static_cast<unsigned>(s.carbonModifiers));
    }
};

template <>
struct std::hash<brindlow::KeyboardShortcuts::Name> {
    std::size_t operator()(const brindlow::KeyboardShortcuts::Name& n) const noexcept {
        return std::hash<std::string>()(n.rawValue);
    }
};
