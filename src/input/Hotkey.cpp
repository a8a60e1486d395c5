#include "input/Hotkey.h"

namespace brindlow {

namespace {

using KeyboardShortcuts::Key;
using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;
namespace Flag = KeyboardShortcuts::ModifierFlag;
using Kind = Command::Kind;

constexpr std::uint64_t kCtrlAlt = Flag::control | Flag::option;
constexpr std::uint64_t kCtrlAltShift = Flag::control | Flag::option | Flag::shift;
constexpr std::uint64_t kCtrlAltSuper = Flag::control | Flag::option | Flag::command;

Hotkey row(std::string rawName, std::string title, std::optional<Shortcut> shortcut,
           Command command) {
    return Hotkey{Name(std::move(rawName), shortcut), std::move(title), command};
}

Shortcut keys(std::uint64_t flags, Key key) {
    return Shortcut::make(key, flags);
}

std::vector<Hotkey> buildTable() {
    std::vector<Hotkey> rows{
        row("focusLeft", "Focus left", keys(kCtrlAlt, Key::leftArrow), Kind::focusLeft),
        row("focusLeftAlt", "Focus left (alternative)", keys(kCtrlAlt, Key::h), Kind::focusLeft),
        row("focusRight", "Focus right", keys(kCtrlAlt, Key::rightArrow), Kind::focusRight),
        row("focusRightAlt", "Focus right (alternative)", keys(kCtrlAlt, Key::l), Kind::focusRight),
        row("focusUp", "Focus up in column", keys(kCtrlAlt, Key::upArrow), Kind::focusUp),
        row("focusUpAlt", "Focus up in column (alternative)", keys(kCtrlAlt, Key::k),
            Kind::focusUp),
        row("focusDown", "Focus down in column", keys(kCtrlAlt, Key::downArrow), Kind::focusDown),
        row("focusDownAlt", "Focus down in column (alternative)", keys(kCtrlAlt, Key::j),
            Kind::focusDown),
        row("focusFirst", "Focus first window", keys(kCtrlAltSuper, Key::leftArrow),
            Kind::focusFirst),
        row("focusLast", "Focus last window", keys(kCtrlAltSuper, Key::rightArrow),
            Kind::focusLast),
        row("moveLeft", "Move window left", keys(kCtrlAltShift, Key::leftArrow), Kind::moveLeft),
        row("moveLeftAlt", "Move window left (alternative)", keys(kCtrlAltShift, Key::h),
            Kind::moveLeft),
        row("moveRight", "Move window right", keys(kCtrlAltShift, Key::rightArrow),
            Kind::moveRight),
        row("moveRightAlt", "Move window right (alternative)", keys(kCtrlAltShift, Key::l),
            Kind::moveRight),
        row("moveUp", "Move window up in stack", keys(kCtrlAltShift, Key::upArrow), Kind::moveUp),
        row("moveUpAlt", "Move window up in stack (alternative)", keys(kCtrlAltShift, Key::k),
            Kind::moveUp),
        row("moveDown", "Move window down in stack", keys(kCtrlAltShift, Key::downArrow),
            Kind::moveDown),
        row("moveDownAlt", "Move window down in stack (alternative)", keys(kCtrlAltShift, Key::j),
            Kind::moveDown),
        row("cycleWidth", "Cycle width", keys(kCtrlAlt, Key::r), Kind::cycleWidth),
        // The stored names predate the commands: "fullWidth" toggles full screen
        // and "fillScreen" fills the display within the strip.
        row("fullWidth", "Full screen / back", keys(kCtrlAlt, Key::f), Kind::fullScreen),
        row("fillScreen", "Fill the screen in the strip / back", std::nullopt, Kind::fullWidth),
        row("center", "Centre column", keys(kCtrlAlt, Key::c), Kind::center),
        row("wider", "Wider", keys(kCtrlAlt, Key::equal), Kind::wider),
        row("narrower", "Narrower", keys(kCtrlAlt, Key::minus), Kind::narrower),
        row("taller", "Taller (in a stack)", keys(kCtrlAltShift, Key::equal), Kind::taller),
        row("shorter", "Shorter (in a stack)", keys(kCtrlAltShift, Key::minus), Kind::shorter),
        row("equalize", "Equalize heights", keys(kCtrlAlt, Key::e), Kind::equalizeHeights),
        row("sendToNextDisplay", "Send to next display", keys(kCtrlAlt, Key::n),
            Kind::sendToNextDisplay),
        row("toggleFloat", "Float / unfloat", keys(kCtrlAlt, Key::t), Kind::toggleFloat),
        row("search", "Window search", keys(kCtrlAlt, Key::space), Kind::search),
        row("overview", "Overview", keys(kCtrlAlt, Key::o), Kind::overview),
        row("stackLeft", "Stack into left column", keys(kCtrlAlt, Key::leftBracket),
            Kind::stackLeft),
        row("stackRight", "Stack into right column", keys(kCtrlAlt, Key::rightBracket),
            Kind::stackRight),
        row("popLeft", "Pop out of stack (left)", keys(kCtrlAltShift, Key::leftBracket),
            Kind::popLeft),
        row("popRight", "Pop out of stack (right)", keys(kCtrlAltShift, Key::rightBracket),
            Kind::popRight),
        row("stackLeftEasy", "Stack: join left, then add the next window (up to 3)",
            keys(kCtrlAlt, Key::s), Kind::growStack),
        row("popRightEasy", "Pop out of stack (easy key)", keys(kCtrlAlt, Key::d), Kind::popRight),
        row("tabbed", "Tabbed column", keys(kCtrlAltShift, Key::t), Kind::toggleTabbed),
        row("pinLeft", "Pin to left edge", keys(kCtrlAlt, Key::p), Kind::pinLeft),
        row("pinRight", "Pin to right edge", keys(kCtrlAltShift, Key::p), Kind::pinRight),
        row("focusBorder", "Focus border on / off", std::nullopt, Kind::toggleFocusBorder),
        row("dimInactive", "Dim inactive windows on / off", std::nullopt, Kind::toggleDimInactive),
        row("pause", "Pause Brindlow", keys(kCtrlAlt, Key::q), Kind::togglePause),
        row("shortcuts", "Show all keyboard shortcuts", keys(kCtrlAlt, Key::slash),
            Kind::showShortcuts),
    };
    const auto& digits = Hotkey::jumpKeys();
    for (int n = 1; n <= 9; ++n) {
        const std::string number = std::to_string(n);
        rows.push_back(row("jump" + number, "Jump to window " + number,
                           keys(kCtrlAlt, digits[static_cast<std::size_t>(n - 1)]),
                           Command::jumpTo(n)));
    }
    return rows;
}

}  // namespace

const std::array<Key, 9>& Hotkey::jumpKeys() {
    static const std::array<Key, 9> digits{Key::one, Key::two,   Key::three, Key::four, Key::five,
                                           Key::six, Key::seven, Key::eight, Key::nine};
    return digits;
}

const std::vector<Hotkey>& Hotkey::all() {
    static const std::vector<Hotkey> table = buildTable();
    return table;
}

std::optional<Name> Hotkey::named(std::string_view rawName) {
    for (const Hotkey& hotkey : all()) {
        if (hotkey.name.rawValue == rawName) return hotkey.name;
    }
    return std::nullopt;
}

void Hotkey::registerAll(KeyboardShortcuts::Registry& registry,
                         const std::function<void(const Command&)>& perform) {
    for (const Hotkey& hotkey : all()) {
        registry.makeName(hotkey.name.rawValue, hotkey.name.defaultShortcut);
    }
    for (const Hotkey& hotkey : all()) {
        const Command command = hotkey.command;
        registry.onKeyDown(hotkey.name, [perform, command] { perform(command); });
    }
}

void Hotkey::resetAll(KeyboardShortcuts::Registry& registry) {
    std::vector<Name> names;
    names.reserve(all().size());
    for (const Hotkey& hotkey : all()) names.push_back(hotkey.name);
    registry.reset(names);
}

}  // namespace brindlow
