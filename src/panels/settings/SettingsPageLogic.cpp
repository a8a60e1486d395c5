#include "panels/settings/SettingsPageLogic.h"

#include <unistd.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace brindlow {

namespace {

constexpr std::array<std::string_view, 10> kNames = {
    "general", "layout",     "motion",  "shortcuts", "displays",
    "apps",    "appearance", "layouts", "terminal",  "about"};
constexpr std::array<std::string_view, 10> kLabels = {
    "General", "Layout",     "Motion",  "Shortcuts", "Displays",
    "Apps",    "Appearance", "Layouts", "Terminal",  "About"};

std::string formatted(const char* format, double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Digits only, no "-0": std::round keeps a huge value as it is, so nothing
// overflows on the way to text.
std::string wholeText(double value) {
    if (!std::isfinite(value)) return value > 0 ? "∞" : value < 0 ? "-∞" : "–";
    return formatted("%.0f", std::round(value) + 0.0);
}

}  // namespace

std::string_view tabName(SettingsPageTab tab) {
    return kNames[std::size_t(tab)];
}
std::string_view tabLabel(SettingsPageTab tab) {
    return kLabels[std::size_t(tab)];
}

std::optional<SettingsPageTab> tabNamed(std::string_view name) {
    for (SettingsPageTab tab : kSettingsPageTabs)
        if (tabName(tab) == name) return tab;
    return std::nullopt;
}

std::string integerText(double value) {
    return wholeText(value);
}

std::string percentText(double fraction) {
    return wholeText(fraction * 100) + "%";
}

std::string durationText(double stiffness) {
    const double seconds = std::clamp(6.2 / std::sqrt(std::max(stiffness, 10.0)), 0.15, 0.9);
    return formatted("%.2f s", std::isnan(seconds) ? 0.9 : seconds);
}

std::string sensitivityText(double value) {
    return formatted("%.1f×", value);
}

std::string presetText(const std::vector<double>& presets) {
    std::string text;
    for (double fraction : presets) {
        if (!text.empty()) text += ", ";
        text += wholeText(fraction * 100);
    }
    return text;
}

PresetInput readPresetText(std::string_view text) {
    PresetInput input;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(", ", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        start = end + 1;
        if (piece.empty()) continue;
        double number = 0;
        const auto [rest, error] =
            std::from_chars(piece.data(), piece.data() + piece.size(), number);
        if (error != std::errc() || rest != piece.data() + piece.size() || std::isnan(number)) {
            input.notTaken.push_back({std::string(piece), PresetRefusal::notANumber});
            continue;
        }
        const double fraction = number / 100;
        if (fraction <= 0.05) {
            input.notTaken.push_back({std::string(piece), PresetRefusal::tooSmall});
        } else if (fraction > 1.0) {
            input.notTaken.push_back({std::string(piece), PresetRefusal::tooLarge});
        } else {
            input.widths.push_back(fraction);
        }
    }
    std::sort(input.widths.begin(), input.widths.end());
    return input;
}

std::optional<std::vector<double>> parsePresetText(std::string_view text) {
    PresetInput input = readPresetText(text);
    if (input.widths.empty()) return std::nullopt;
    return std::move(input.widths);
}

std::string notTakenText(const PresetInput& input) {
    if (input.notTaken.empty()) return {};
    std::string text = "Not taken: ";
    for (std::size_t i = 0; i < input.notTaken.size(); ++i) {
        const NotTakenPreset& piece = input.notTaken[i];
        if (i > 0) text += ", ";
        text += piece.text;
        switch (piece.why) {
            case PresetRefusal::notANumber:
                text += " (not a number)";
                break;
            case PresetRefusal::tooSmall:
                text += " (5 or less)";
                break;
            case PresetRefusal::tooLarge:
                text += " (more than 100)";
                break;
        }
    }
    text += ".";
    if (input.widths.empty()) text += " The presets stay as they were.";
    return text;
}

std::string displaySizeText(double width, double height) {
    return formatted("%.0f", std::trunc(width)) + " × " + formatted("%.0f", std::trunc(height));
}

std::vector<std::string> switchDisplay(std::vector<std::string> disabled, const std::string& uuid,
                                       bool on) {
    std::erase(disabled, uuid);
    if (!on) disabled.push_back(uuid);
    return disabled;
}

std::string versionLine(const std::optional<std::string>& version,
                        const std::optional<std::string>& build) {
    return "Brindlow " + version.value_or("") + " (" + build.value_or("") + ")";
}

std::string shellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string installCommand(const std::string& executable,
                           const std::optional<std::filesystem::path>& userBin) {
    if (userBin)
        return "ln -sf " + shellQuoted(executable) + " " +
               shellQuoted((*userBin / "brindlow").string());
    return "sudo ln -sf " + shellQuoted(executable) + " /usr/local/bin/brindlow";
}

std::optional<std::filesystem::path> writableUserBin(std::string_view pathVariable,
                                                     const std::filesystem::path& home) {
    const std::filesystem::path bin = home / ".local" / "bin";
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', start);
        if (end == std::string_view::npos) end = pathVariable.size();
        const std::filesystem::path entry(pathVariable.substr(start, end - start));
        if (!entry.empty() && (entry / "").lexically_normal() == (bin / "").lexically_normal())
            return ::access(bin.c_str(), W_OK) == 0 ? std::optional(bin) : std::nullopt;
        start = end + 1;
    }
    return std::nullopt;
}

std::string toolOnPathText(const std::filesystem::path& tool) {
    return "The command-line tool is installed: brindlow on your PATH is " + tool.string() + ".";
}

}  // namespace brindlow

namespace brindlow {
bool canSaveLayoutName(std::string_view name) {
    return name.find_first_not_of(" \t") != std::string_view::npos;
}
}  // namespace brindlow

namespace brindlow {

namespace {
std::string folded(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower;
}
}  // namespace

std::vector<RuleCandidate> ruleCandidates(const std::vector<AppRule>& rules,
                                          const std::vector<RunningApplication>& running,
                                          std::int32_t ownProcessID) {
    std::vector<RuleCandidate> candidates;
    for (const RunningApplication& app : running) {
        if (app.activationPolicy != ActivationPolicy::regular || !app.bundleID ||
            app.pid == ownProcessID)
            continue;
        const bool ruled = std::any_of(rules.begin(), rules.end(), [&](const AppRule& rule) {
            return rule.bundleID == *app.bundleID;
        });
        const bool listed =
            std::any_of(candidates.begin(), candidates.end(),
                        [&](const RuleCandidate& c) { return c.bundleID == *app.bundleID; });
        if (!ruled && !listed)
            candidates.push_back({*app.bundleID, app.localizedName.value_or(*app.bundleID)});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const RuleCandidate& a, const RuleCandidate& b) {
                         return folded(a.name) < folded(b.name);
                     });
    return candidates;
}

std::vector<AppRule> removeRule(std::vector<AppRule> rules, std::size_t index) {
    if (index >= rules.size()) return rules;
    const std::string bundleID = rules[index].bundleID;
    std::erase_if(rules, [&](const AppRule& rule) { return rule.bundleID == bundleID; });
    return rules;
}

}  // namespace brindlow
