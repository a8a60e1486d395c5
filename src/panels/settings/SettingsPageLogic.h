#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// The settings window's pages, in the order of their tabs.
enum class SettingsPageTab {
    general,
    layout,
    motion,
    shortcuts,
    displays,
    apps,
    appearance,
    layouts,
    terminal,
    about
};

inline constexpr std::array<SettingsPageTab, 10> kSettingsPageTabs = {
    SettingsPageTab::general,    SettingsPageTab::layout,   SettingsPageTab::motion,
    SettingsPageTab::shortcuts,  SettingsPageTab::displays, SettingsPageTab::apps,
    SettingsPageTab::appearance, SettingsPageTab::layouts,  SettingsPageTab::terminal,
    SettingsPageTab::about};

// "general", "layout", … (the tab's name) and its label ("General", …).
std::string_view tabName(SettingsPageTab tab);
std::string_view tabLabel(SettingsPageTab tab);
// The tab of an exact, case-sensitive name; none for anything else.
std::optional<SettingsPageTab> tabNamed(std::string_view name);

// Value texts: rounded half away from zero, no grouping; a value too large for
// an integer is still written in full.
std::string integerText(double value);
std::string percentText(double fraction);    // 0.25 → "25%"
std::string durationText(double stiffness);  // the scroll animation's time, "0.36 s"
std::string sensitivityText(double value);   // "1.0×"

// The choices of the new-window width picker.
inline constexpr std::array<double, 6> kNewWindowWidths = {0.25,      1.0 / 3.0, 0.5,
                                                           2.0 / 3.0, 0.75,      1.0};

// Preset widths as the text field shows them: "25, 33, 50, 67, 75".
std::string presetText(const std::vector<double>& presets);
// Why a typed preset was not taken.
enum class PresetRefusal { notANumber, tooSmall, tooLarge };
struct NotTakenPreset {
    std::string text;  // the piece as typed
    PresetRefusal why;
    friend bool operator==(const NotTakenPreset&, const NotTakenPreset&) = default;
};
// Typed percentages separated by commas and spaces: the sorted fractions of the
// pieces within (5, 100], and the other pieces in the order typed.
struct PresetInput {
    std::vector<double> widths;
    std::vector<NotTakenPreset> notTaken;
};
PresetInput readPresetText(std::string_view text);
// The fractions of readPresetText; none when no piece was taken.
std::optional<std::vector<double>> parsePresetText(std::string_view text);
// The line under the preset field naming the pieces not taken and why, "Not
// taken: abc (not a number), 200 (more than 100)."; with no piece taken, it adds
// that the presets stay as they were. Empty when every piece was taken.
std::string notTakenText(const PresetInput& input);

// A display's size, "1512 × 982" (each cut toward zero).
std::string displaySizeText(double width, double height);
// The switched-off display list after switching `uuid` on or off: every copy
// removed, and when off, one copy appended at the end.
std::vector<std::string> switchDisplay(std::vector<std::string> disabled, const std::string& uuid,
                                       bool on);

// The About page's first line, "Brindlow 1.4 (52)".
std::string versionLine(const std::optional<std::string>& version,
                        const std::optional<std::string>& build);

// A word for a POSIX shell: single-quoted, every ' written as '\''.
std::string shellQuoted(std::string_view text);
// The command that links the command-line tool into a bin folder on PATH:
// into `userBin` when given (a folder on PATH the user may write), else with sudo
// into /usr/local/bin.
std::string installCommand(const std::string& executable,
                           const std::optional<std::filesystem::path>& userBin);
// ~/.local/bin when it is on `pathVariable` and writable, else none.
std::optional<std::filesystem::path> writableUserBin(std::string_view pathVariable,
                                                     const std::filesystem::path& home);
// Shown instead of the install command once the tool is on PATH (linking it again would fail).
std::string toolOnPathText(const std::filesystem::path& tool);
inline constexpr std::string_view kZshHookLine =
    R"x(echo 'eval "$(brindlow shell-hook zsh)"' >> ~/.zshrc)x";
inline constexpr std::string_view kBashHookLine =
    R"x(echo 'eval "$(brindlow shell-hook bash)"' >> ~/.bashrc)x";

}  // namespace brindlow

namespace brindlow {
// Whether "Save Current Layout" is enabled: a name that is not blank once
// spaces and tabs are trimmed.
bool canSaveLayoutName(std::string_view name);
}  // namespace brindlow

#include "platform/Workspace.h"
#include "settings/AppRule.h"

namespace brindlow {
// An application the user may add a rule for.
struct RuleCandidate {
    std::string bundleID;
    std::string name;
    friend bool operator==(const RuleCandidate&, const RuleCandidate&) = default;
};
// The running regular applications with an identity, without those that have a
// rule and without this process, sorted by name ignoring letter case.
std::vector<RuleCandidate> ruleCandidates(const std::vector<AppRule>& rules,
                                          const std::vector<RunningApplication>& running,
                                          std::int32_t ownProcessID);
// The rule list after removing the rule at `index` and every other rule for the
// same application; unchanged for an index out of range.
std::vector<AppRule> removeRule(std::vector<AppRule> rules, std::size_t index);
// The width choices of a rule: none (the default width) and six fractions.
inline constexpr std::array<double, 6> kRuleWidths = kNewWindowWidths;
}  // namespace brindlow
