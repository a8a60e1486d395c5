#include "platform/x11/wm/WindowManagerConfig.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>

namespace brindlow {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n\"'");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n\"'");
    return std::string(text.substr(first, last - first + 1));
}

// The last value of `pattern`'s first group in `text`, matched case-insensitively.
std::optional<std::string> lastMatch(std::string_view text, const char* pattern) {
    const std::regex re(pattern,
                        std::regex::icase | std::regex::ECMAScript | std::regex::multiline);
    std::optional<std::string> found;
    const std::string subject(text);
    for (auto it = std::sregex_iterator(subject.begin(), subject.end(), re);
         it != std::sregex_iterator(); ++it)
        found = lower((*it)[1].str());
    return found;
}

// A "key = value" line of an ini-like text (kwinrc's [Windows], icewm's preferences, fluxbox's
// resources with ':'), comments left out: its last value.
std::optional<std::string> lastSetting(std::string_view text, std::string_view key, char separator,
                                       std::string_view group = {}) {
    std::istringstream lines{std::string(text)};
    std::string line;
    std::string current;
    std::optional<std::string> found;
    while (std::getline(lines, line)) {
        const std::string bare = trimmed(line);
        if (bare.empty() || bare.front() == '#' || bare.front() == '!') continue;
        if (bare.front() == '[') {
            current = bare;
            continue;
        }
        if (!group.empty() && current != group) continue;
        const auto at = bare.find(separator);
        if (at == std::string::npos) continue;
        if (lower(trimmed(bare.substr(0, at))) != lower(key)) continue;
        std::string value = bare.substr(at + 1);
        if (const auto comment = value.find('#'); comment != std::string::npos)
            value.resize(comment);
        found = lower(trimmed(value));
    }
    return found;
}

FocusModel followsWhen(bool follows) {
    return follows ? FocusModel::followsPointer : FocusModel::click;
}

}  // namespace

std::string WindowManagerProcess::env(const std::string& name) const {
    const auto found = environment.find(name);
    return found == environment.end() ? std::string() : found->second;
}

std::optional<std::string> WindowManagerProcess::option(
    std::initializer_list<std::string_view> names) const {
    for (std::size_t i = 0; i < arguments.size(); ++i)
        for (std::string_view name : names) {
            const std::string& argument = arguments[i];
            if (argument == name && i + 1 < arguments.size()) return arguments[i + 1];
            if (argument.size() > name.size() + 1 && argument.starts_with(name) &&
                argument[name.size()] == '=')
                return argument.substr(name.size() + 1);
        }
    return std::nullopt;
}

std::string windowManagerKey(std::string_view name) {
    const std::string key = lower(name);
    for (std::string_view known :
         {"openbox", "xfwm4", "kwin", "marco", "metacity", "icewm", "fluxbox", "jwm", "fvwm"})
        if (key.find(known) != std::string::npos) return std::string(known);
    return {};
}

std::optional<FocusModel> focusModelStated(std::string_view windowManager, std::string_view text) {
    if (windowManager == "openbox") {
        const auto value = lastMatch(text, R"(<followMouse>\s*(\w+)\s*</followMouse>)");
        if (value) return followsWhen(*value == "yes" || *value == "true");
    } else if (windowManager == "xfwm4") {
        // The channel's XML, or the stock defaults ("click_to_focus=true").
        auto value = lastMatch(text, R"re(name="click_to_focus"[^>]*value="(\w+)")re");
        if (!value) value = lastSetting(text, "click_to_focus", '=');
        if (value) return followsWhen(*value == "false");
    } else if (windowManager == "kwin") {
        if (const auto value = lastSetting(text, "FocusPolicy", '=', "[Windows]"))
            return followsWhen(*value != "clicktofocus");
    } else if (windowManager == "metacity" || windowManager == "marco") {
        // What gsettings prints: 'click', 'sloppy' or 'mouse'.
        const std::string value = lower(trimmed(text));
        if (value == "click") return FocusModel::click;
        if (value == "sloppy" || value == "mouse") return FocusModel::followsPointer;
    } else if (windowManager == "icewm") {
        // 1 click, 2 under the pointer, 3 explicit, 4 strictly under the pointer, 5 quiet
        // sloppy; 0 is a custom mix of the options.
        if (const auto value = lastSetting(text, "FocusMode", '=')) {
            if (*value == "1" || *value == "3") return FocusModel::click;
            if (*value == "2" || *value == "4" || *value == "5") return FocusModel::followsPointer;
        }
    } else if (windowManager == "fluxbox") {
        if (const auto value = lastSetting(text, "session.screen0.focusModel", ':'))
            return followsWhen(value->find("mouse") != std::string::npos);
    } else if (windowManager == "jwm") {
        if (const auto value = lastMatch(text, R"(<FocusModel>\s*(\w+)\s*</FocusModel>)"))
            return followsWhen(*value != "click");
    } else if (windowManager == "fvwm") {
        // The last style for every window that names a focus policy.
        const auto value = lastMatch(
            text,
            R"(^\s*Style\s+"?\*"?\s+.*?\b(ClickToFocus|SloppyFocus|FocusFollowsMouse|MouseFocus)\b)");
        if (value) return followsWhen(*value != "clicktofocus");
    }
    return std::nullopt;
}

std::optional<FocusModelReading> readFocusModel(std::string_view windowManager,
                                                const WindowManagerProcess& process,
                                                const FileReader& read,
                                                const std::optional<std::string>& firstFile) {
    const std::optional<WindowManagerTraits> known = WindowManagerTraits::forName(windowManager);
    if (!known) return std::nullopt;
    const std::string home = process.env("HOME");
    std::string config = process.env("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty()) config = home + "/.config";
    std::vector<std::string> files;
    if (firstFile) files.push_back(*firstFile);
    // A file named on the command line is the only one read.
    std::optional<std::string> named;
    if (windowManager == "openbox") {
        named = process.option({"--config-file"});
        if (!named)
            files.insert(files.end(), {config + "/openbox/rc.xml", "/etc/xdg/openbox/rc.xml"});
    } else if (windowManager == "xfwm4") {
        files.insert(files.end(), {config + "/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml",
                                   "/etc/xdg/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml",
                                   "/usr/share/xfwm4/defaults"});
    } else if (windowManager == "kwin") {
        files.insert(files.end(), {config + "/kwinrc", "/etc/xdg/kwinrc"});
    } else if (windowManager == "metacity" || windowManager == "marco") {
        // Read through gsettings, unless the window manager keeps its settings in memory (then
        // they are its defaults).
        if (process.env("GSETTINGS_BACKEND") != "memory")
            files.push_back(windowManager == "marco"
                                ? "gsettings:org.mate.Marco.general focus-mode"
                                : "gsettings:org.gnome.desktop.wm.preferences focus-mode");
    } else if (windowManager == "icewm") {
        if (const auto file = process.option({"-c", "--config"})) files.push_back(*file);
        if (const std::string own = process.env("ICEWM_PRIVCFG"); !own.empty())
            files.push_back(own + "/preferences");
        files.insert(files.end(), {home + "/.icewm/preferences", config + "/icewm/preferences",
                                   "/etc/X11/icewm/preferences", "/usr/share/icewm/preferences"});
    } else if (windowManager == "fluxbox") {
        named = process.option({"-rc", "--rc"});
        if (!named) files.push_back(home + "/.fluxbox/init");
    } else if (windowManager == "jwm") {
        named = process.option({"-f"});
        if (!named) files.insert(files.end(), {home + "/.jwmrc", "/etc/jwm/system.jwmrc"});
    } else if (windowManager == "fvwm") {
        named = process.option({"-f"});
        if (!named) {
            const std::string own = process.env("FVWM_USERDIR");
            files.insert(files.end(), {(own.empty() ? home + "/.fvwm" : own) + "/config",
                                       "/usr/share/fvwm/default-config/config"});
        }
    }
    if (named) files.push_back(*named);
    for (const std::string& file : files) {
        const std::optional<std::string> text = read(file);
        if (!text) continue;
        if (const auto model = focusModelStated(windowManager, *text))
            return FocusModelReading{*model, file};
    }
    return FocusModelReading{known->focusModel, "default"};
}

}  // namespace brindlow
