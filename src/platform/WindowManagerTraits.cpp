#include "platform/WindowManagerTraits.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace brindlow {

namespace {

using Modifier = DragButtons::Modifier;

constexpr std::uint8_t kButtons13 = 0b101;  // left moves, right resizes
constexpr std::uint8_t kButtons12 = 0b011;  // left moves, middle resizes (metacity)

struct Row {
    std::string_view key;   // lower case, found in the published name
    std::string_view name;  // as the log shows it
    FocusModel focus;
    bool keepsOnScreen;
    bool restack;
    bool identicalRestackLowers;
    bool framesTranslucent;
    bool focusesMappedBack;
    bool holdsSelection;
    bool movesFrameLate;
    DragButtons drag;
    bool stackingTopFirst = false;
    bool publishesMaximized = true;
};

// What each window manager does in its stock configuration. "marco" before "metacity": marco's
// name may carry its ancestor's.
// clang-format off
constexpr std::array kRows{
    //  key         name        focus                     onScreen restack lowers translucent
    //                                                    mappedBack selection late drag
    //                                                    stackingTopFirst maximizedPublished
    Row{"openbox", "Openbox", FocusModel::click, false, true, false, true,
        true, true, false, {kButtons13, Modifier::alt}},
    Row{"xfwm4", "Xfwm4", FocusModel::click, false, false, false, true,
        true, true, false, {kButtons13, Modifier::alt}},
    Row{"kwin", "KWin", FocusModel::click, false, true, true, true,
        false, true, false, {kButtons13, Modifier::super}},
    Row{"marco", "Marco", FocusModel::click, true, false, false, true,
        false, true, false, {kButtons13, Modifier::alt}},
    Row{"metacity", "Metacity", FocusModel::click, true, true, false, true,
        false, true, false, {kButtons12, Modifier::super}},
    Row{"icewm", "IceWM", FocusModel::click, true, true, false, true,
        true, true, false, {kButtons13, Modifier::alt}},
    Row{"fluxbox", "Fluxbox", FocusModel::click, false, false, false, false,
        true, false, false, {kButtons13, Modifier::alt}},
    Row{"jwm", "JWM", FocusModel::followsPointer, false, true, false, true,
        true, false, false, {kButtons13, Modifier::alt}, true},
    Row{"fvwm", "FVWM", FocusModel::followsPointer, false, false, false, true,
        false, true, true, {0b001, Modifier::none}, false, false},
};
// clang-format on

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string buttonsText(const DragButtons& drag) {
    std::string text;
    for (int button = 1; button <= 8; ++button) {
        if (!drag.holds(button)) continue;
        if (!text.empty()) text += "/";
        text += std::to_string(button);
    }
    switch (drag.modifier) {
        case Modifier::none:
            return "button " + text + " on frames";
        case Modifier::alt:
            return "Alt + button " + text;
        case Modifier::super:
            return "Super + button " + text;
    }
    return text;
}

}  // namespace

std::string_view focusModelName(FocusModel model) {
    switch (model) {
        case FocusModel::unknown:
            return "unknown";
        case FocusModel::click:
            return "click to focus";
        case FocusModel::followsPointer:
            return "focus follows the pointer";
    }
    return "unknown";
}

std::optional<WindowManagerTraits> WindowManagerTraits::forName(std::string_view name) {
    const std::string key = lower(name);
    for (const Row& row : kRows) {
        if (key.find(row.key) == std::string::npos) continue;
        WindowManagerTraits traits;
        traits.name = std::string(row.name);
        traits.focusModel = row.focus;
        traits.focusModelSource = "default";
        traits.keepsWindowsOnScreen = row.keepsOnScreen;
        traits.honoursRestack = row.restack;
        traits.lowersOnIdenticalRestack = row.identicalRestackLowers;
        traits.framesTranslucentAfterOutputsChange = row.framesTranslucent;
        traits.focusesMappedBack = row.focusesMappedBack;
        traits.holdsSelection = row.holdsSelection;
        traits.movesFrameLate = row.movesFrameLate;
        traits.drag = row.drag;
        traits.listsStackingTopFirst = row.stackingTopFirst;
        traits.publishesMaximized = row.publishesMaximized;
        return traits;
    }
    return std::nullopt;
}

WindowManagerTraits WindowManagerTraits::unknownWindowManager(std::string name) {
    WindowManagerTraits traits;
    traits.name = std::move(name);
    traits.known = false;
    traits.focusModelSource = "not published";
    traits.keepsWindowsOnScreen = true;
    traits.lowersOnIdenticalRestack = true;
    traits.focusesMappedBack = true;
    traits.movesFrameLate = true;
    traits.drag = {kButtons13, Modifier::alt};
    return traits;
}

std::string WindowManagerTraits::describe() const {
    if (name.empty()) return "no window manager";
    if (!known)
        return name + ": not one of the known window managers; its habits are judged as seen";
    const auto yesNo = [](bool value) { return value ? "yes" : "no"; };
    std::string line =
        name + ": " + std::string(focusModelName(focusModel)) + " (" + focusModelSource + ")";
    line += "; keeps windows on screen: " + std::string(yesNo(keepsWindowsOnScreen));
    line += "; honours restack: " + std::string(yesNo(honoursRestack));
    if (lowersOnIdenticalRestack) line += " (an identical second one lowers)";
    if (listsStackingTopFirst) line += "; lists the stacking from the top";
    line += "; frames translucent windows after an outputs change: " +
            std::string(yesNo(framesTranslucentAfterOutputsChange));
    line += "; focuses windows mapped back: " + std::string(yesNo(focusesMappedBack));
    line += "; moves frames late: " + std::string(yesNo(movesFrameLate));
    line += "; focuses new windows: " + std::string(yesNo(focusesNewWindows));
    line += "; holds the selection: " + std::string(yesNo(holdsSelection));
    if (!publishesMaximized) line += "; shows maximised windows by their frame only";
    line += "; moves and resizes with " + buttonsText(drag);
    return line;
}

}  // namespace brindlow
