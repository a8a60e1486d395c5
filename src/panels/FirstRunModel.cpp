#include "panels/FirstRunModel.h"

#include <QString>
#include <algorithm>
#include <set>

namespace brindlow {

const std::vector<KnownWindowManager>& knownWindowManagers() {
    static const std::vector<KnownWindowManager> table = {
        {"i3", "i3"},
        {"bspwm", "bspwm"},
        {"awesome", "awesome"},
        // Its binary carries the architecture: "xmonad-x86_64-linux".
        {"xmonad", "xmonad", true},
        {"dwm", "dwm"},
        {"herbstluftwm", "herbstluftwm"},
        {"Qtile", "qtile"},
        {"spectrwm", "spectrwm"},
        {"LeftWM", "leftwm"},
        {"xpytile", "xpytile"},
    };
    return table;
}

namespace {

const KnownWindowManager* knownAs(const std::string& name) {
    const std::string lower = QString::fromStdString(name).toLower().toStdString();
    for (const KnownWindowManager& known : knownWindowManagers()) {
        if (lower == known.process) return &known;
        if (known.prefix && lower.starts_with(known.process + "-")) return &known;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> runningWindowManagers(const WindowManagerSource& source) {
    std::vector<std::string> names;
    for (const std::string& process : source.processNames())
        if (const KnownWindowManager* known = knownAs(process)) names.push_back(known->product);
    // A window manager whose process shows under another name still names itself.
    if (const auto wm = source.windowManagerName())
        if (const KnownWindowManager* known = knownAs(*wm))
            if (std::find(names.begin(), names.end(), known->product) == names.end())
                names.push_back(known->product);
    std::sort(names.begin(), names.end());
    return names;
}

namespace FirstRunTexts {

std::string conflicts(const std::vector<std::string>& names) {
    // Only tools that tile windows themselves are looked for: the window manager Brindlow runs
    // beside is expected, and the text must not claim that none runs.
    if (names.empty()) return "No other tiling tool is running.";
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
    return text +
           " is running. Two tiling tools fight over the same windows; quit it or turn off its "
           "automatic layouts.";
}

std::vector<std::string> trackpadAndMouse(const AppSettings& settings) {
    std::vector<std::string> hints;
    switch (settings.twoFingerScroll) {
        case TwoFingerScroll::always:
            hints.push_back(
                "Swipe two fingers sideways to scroll the strip; the app under the pointer "
                "scrolls with it. Hold Alt to scroll only the app.");
            break;
        case TwoFingerScroll::withKeys:
            hints.push_back("Hold Ctrl+Alt and swipe two fingers sideways to scroll the strip.");
            break;
        case TwoFingerScroll::off:
            hints.push_back(
                "Scrolling the strip with two fingers is off: turn it on in Settings > Motion.");
            break;
    }
    hints.push_back(settings.gesturesEnabled
                        ? "Swipe " + std::to_string(settings.gestureFingers) +
                              " fingers sideways to scroll the strip too."
                        : "Three- or four-finger sideways swipes can scroll the strip too: turn "
                          "them on in Settings > Motion.");
    hints.push_back(
        "Drag a window by its title bar to move it in the strip, or sideways out of its stack to "
        "pop it out.");
    hints.push_back("Drag a window's edge to resize it; its column keeps the new width.");
    hints.push_back(settings.focusFollowsMouse
                        ? "Focus follows the mouse: resting the pointer on a column focuses it."
                        : "Click a window to focus it, or turn on focus follows mouse in Settings "
                          "> General.");
    return hints;
}

std::vector<std::string> goodToKnow(const std::map<std::string, std::string>& keys) {
    const auto showAll = keys.find(ShortcutGuide::showAllRow().action);
    const std::string how = showAll != keys.end()
                                ? showAll->second
                                : std::string("Keyboard Shortcuts in the tray menu");
    return {
        "A stack holds up to three windows with real gaps; if they cannot get that short, they "
        "stay side by side.",
        "Press " + how + " any time to see every shortcut. The tray icon has the rest.",
        "Quitting Brindlow puts every window back where it was before.",
    };
}

}  // namespace FirstRunTexts

FirstRunModel::FirstRunModel(std::function<bool()> trusted,
                             const WindowManagerSource* windowManagers,
                             const ShortcutSource& shortcuts)
    : readTrusted_(std::move(trusted)), windowManagers_(windowManagers), shortcuts_(shortcuts) {
    refresh();
}

void FirstRunModel::refresh() {
    trusted_ = readTrusted_ && readTrusted_();
    conflicts_ =
        windowManagers_ ? runningWindowManagers(*windowManagers_) : std::vector<std::string>{};
    keys_ = ShortcutGuide::keyTexts(shortcuts_);
    if (onChange) onChange();
}

}  // namespace brindlow
