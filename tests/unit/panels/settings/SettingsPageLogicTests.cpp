#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "panels/settings/Autostart.h"
#include "panels/settings/SettingsPageLogic.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

struct TextCase {
    double value;
    const char* integer;
    const char* percent;
};

class ValueTexts : public testing::TestWithParam<TextCase> {};

TEST_P(ValueTexts, RoundHalfAwayFromZero) {
    EXPECT_EQ(integerText(GetParam().value), GetParam().integer);
    EXPECT_EQ(percentText(GetParam().value / 100), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(Examples, ValueTexts,
                         testing::Values(TextCase{12.5, "13", "13%"}, TextCase{0.4, "0", "0%"},
                                         TextCase{-2.5, "-3", "-3%"}, TextCase{2.5, "3", "3%"},
                                         TextCase{2.4999, "2", "2%"}, TextCase{-0.2, "0", "0%"},
                                         TextCase{1e30, "1000000000000000019884624838656",
                                                  "1000000000000000019884624838656%"}));

TEST(ValueTexts, DurationsAndSensitivity) {
    EXPECT_EQ(durationText(50), "0.88 s");
    EXPECT_EQ(durationText(300), "0.36 s");
    EXPECT_EQ(durationText(1200), "0.18 s");
    EXPECT_EQ(durationText(20), "0.90 s");
    EXPECT_EQ(durationText(5000), "0.15 s");
    EXPECT_EQ(sensitivityText(1.0), "1.0×");
}

TEST(SettingsTabs, NamesMatchExactly) {
    EXPECT_EQ(tabNamed("layouts"), SettingsPageTab::layouts);
    EXPECT_EQ(tabNamed("General"), std::nullopt);
    EXPECT_EQ(tabNamed(""), std::nullopt);
    for (SettingsPageTab tab : kSettingsPageTabs) EXPECT_EQ(tabNamed(tabName(tab)), tab);
}

struct PresetCase {
    const char* text;
    std::vector<double> stored;  // empty: nothing changes
};

class PresetParsing : public testing::TestWithParam<PresetCase> {};

TEST_P(PresetParsing, KeepsUsablePercentages) {
    const auto parsed = parsePresetText(GetParam().text);
    if (GetParam().stored.empty()) {
        EXPECT_EQ(parsed, std::nullopt);
        return;
    }
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), GetParam().stored.size());
    for (std::size_t i = 0; i < parsed->size(); ++i)
        EXPECT_DOUBLE_EQ((*parsed)[i], GetParam().stored[i]);
}

INSTANTIATE_TEST_SUITE_P(Examples, PresetParsing,
                         testing::Values(PresetCase{"50 25,25", {0.25, 0.25, 0.5}},
                                         PresetCase{"5, 50, 100, 120", {0.5, 1.0}},
                                         PresetCase{"abc", {}}, PresetCase{"", {}},
                                         PresetCase{"3%, 40%", {}},
                                         PresetCase{"33.3, 66.7", {0.333, 0.667}},
                                         PresetCase{"40\t60", {}}));

TEST(PresetParsing, NamesEachPieceNotTakenAndWhy) {
    const PresetInput input = readPresetText("30, abc, 90,, 5 120 NaN");
    EXPECT_EQ(input.widths, (std::vector<double>{0.3, 0.9}));
    EXPECT_EQ(input.notTaken, (std::vector<NotTakenPreset>{{"abc", PresetRefusal::notANumber},
                                                           {"5", PresetRefusal::tooSmall},
                                                           {"120", PresetRefusal::tooLarge},
                                                           {"NaN", PresetRefusal::notANumber}}));
    EXPECT_EQ(notTakenText(input),
              "Not taken: abc (not a number), 5 (5 or less), 120 (more than 100), NaN (not a "
              "number).");
    EXPECT_EQ(notTakenText(readPresetText("abc, 200, 0")),
              "Not taken: abc (not a number), 200 (more than 100), 0 (5 or less). The presets "
              "stay as they were.");
    EXPECT_EQ(notTakenText(readPresetText("50 25,25")), "");
    EXPECT_EQ(notTakenText(readPresetText("")), "");
}

TEST(PresetText, ShowsWholePercents) {
    EXPECT_EQ(presetText({0.25, 1.0 / 3.0, 0.5, 2.0 / 3.0, 0.75}), "25, 33, 50, 67, 75");
}

TEST(Displays, SwitchingRemovesEveryCopy) {
    EXPECT_EQ(switchDisplay({"A", "B", "A"}, "A", true), (std::vector<std::string>{"B"}));
    EXPECT_EQ(switchDisplay({"A", "B"}, "A", false), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(switchDisplay({"B"}, "C", false), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(displaySizeText(1512.9, 982.2), "1512 × 982");
    EXPECT_EQ(versionLine("2.0", "7"), "Brindlow 2.0 (7)");
    EXPECT_EQ(versionLine(std::nullopt, std::nullopt), "Brindlow  ()");
}

std::string shellOutput(const std::string& script) {
    FILE* pipe = ::popen(script.c_str(), "r");
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
    return output;
}

TEST(InstallCommand, QuotesThePathForTheShell) {
    const std::string tricky = "/tmp/it's a \"dir\"/$HOME/`x`/brindlow";
    EXPECT_EQ(shellOutput("printf %s " + shellQuoted(tricky)), tricky);
    EXPECT_EQ(installCommand("/opt/b/brindlow", std::nullopt),
              "sudo ln -sf '/opt/b/brindlow' /usr/local/bin/brindlow");
    EXPECT_EQ(installCommand("/o'b", std::filesystem::path("/home/u/.local/bin")),
              "ln -sf '/o'\\''b' '/home/u/.local/bin/brindlow'");
}

TEST(InstallCommand, UserBinOnlyWhenOnPathAndWritable) {
    const test::TempFolder folder;
    const std::filesystem::path& home = folder.path();
    std::filesystem::create_directories(home / ".local/bin");
    EXPECT_EQ(writableUserBin("/usr/bin:" + (home / ".local/bin/").string(), home),
              home / ".local/bin");
    EXPECT_EQ(writableUserBin("/usr/bin", home), std::nullopt);
}

// Once `brindlow` is on PATH (installed, or linked before) the page suggests no link: linking
// the installed program onto itself fails. Folders under a temporary one: "tool" holds an
// executable brindlow, "plain" a brindlow that is not executable, "nested" a folder named so.
struct ToolOnPathRow {
    const char* path;   // PATH, with "@" for the temporary folder
    const char* found;  // the folder expected to hold it, "" for none
};

class ToolOnPath : public ::testing::TestWithParam<ToolOnPathRow> {
  protected:
    ToolOnPath() {
        for (const char* name : {"tool", "other", "plain", "nested/brindlow"})
            std::filesystem::create_directories(folder.path() / name);
        for (const char* name : {"tool", "other", "plain"})
            std::ofstream(folder.path() / name / "brindlow");
        for (const char* name : {"tool", "other"})
            std::filesystem::permissions(folder.path() / name / "brindlow",
                                         std::filesystem::perms::owner_all);
    }
    std::string expand(std::string text) const {
        for (std::size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, folder.path().string());
        return text;
    }
    const test::TempFolder folder;
};

TEST_P(ToolOnPath, FoundOnlyAsAnExecutableFileInAnAbsoluteFolderOfPath) {
    const std::optional<std::filesystem::path> found = brindlowOnPath(expand(GetParam().path));
    const std::string expected = GetParam().found;
    if (expected.empty()) {
        EXPECT_EQ(found, std::nullopt);
    } else {
        EXPECT_EQ(found, std::filesystem::path(expand(expected)) / "brindlow");
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ToolOnPath,
                         ::testing::Values(ToolOnPathRow{"/nonexistent:@/tool", "@/tool"},
                                           ToolOnPathRow{"@/other:@/tool", "@/other"},
                                           ToolOnPathRow{"@/plain:@/nested", ""},
                                           ToolOnPathRow{"", ""},
                                           ToolOnPathRow{"@/plain::tool:@/tool/", "@/tool/"}));

TEST(InstallCommand, OnPathTheToolIsNamedInsteadOfALink) {
    EXPECT_EQ(toolOnPathText("/usr/local/bin/brindlow"),
              "The command-line tool is installed: brindlow on your PATH is "
              "/usr/local/bin/brindlow.");
}

TEST(Autostart, EnableCreatesDisableRemovesAndErrorsAreShown) {
    const test::TempFolder folder;
    const std::filesystem::path config = folder.path() / "config";
    const Autostart autostart(config, "/opt/my \"apps\"/brindlow");
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    std::ifstream in(config / "autostart/brindlow.desktop");
    const std::string entry((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(entry.find("Exec=\"/opt/my \\\\\"apps\\\\\"/brindlow\"\n"), std::string::npos);
    EXPECT_EQ(autostart.setEnabled(false), std::nullopt);
    EXPECT_FALSE(autostart.isEnabled());

    // A file where the folder should be: the change fails and says why.
    std::filesystem::remove_all(config);
    std::filesystem::create_directories(config);
    std::ofstream(config / "autostart") << "x";
    const auto error = autostart.setEnabled(true);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("Could not change this: ", 0), 0u);
    EXPECT_FALSE(autostart.isEnabled());
}

TEST(RuleCandidates, RunningRegularAppsWithoutRulesSortedIgnoringCase) {
    const auto app = [](std::int32_t pid, std::optional<std::string> id,
                        std::optional<std::string> name,
                        ActivationPolicy policy = ActivationPolicy::regular) {
        return RunningApplication{pid, std::move(name), std::move(id), policy};
    };
    const std::vector<RunningApplication> running = {
        app(1, "Xterm", "xterm"),
        app(2, "Firefox", "Firefox"),
        app(3, "Gimp", "GIMP"),
        app(4, std::nullopt, "nameless"),
        app(5, "Panel", "Panel", ActivationPolicy::accessory),
        app(6, "Mine", "Brindlow"),
        app(7, "Kate", std::nullopt),
        app(8, "Ruled", "Ruled"),
        app(9, "Xterm", "xterm")};
    const std::vector<AppRule> rules = {{"Ruled", "Ruled", AppBehavior::tile, std::nullopt}};
    EXPECT_EQ(ruleCandidates(rules, running, 6),
              (std::vector<RuleCandidate>{
                  {"Firefox", "Firefox"}, {"Gimp", "GIMP"}, {"Kate", "Kate"}, {"Xterm", "xterm"}}));
}

TEST(RuleCandidates, RemovingARowRemovesEveryRuleOfItsApplication) {
    const std::vector<AppRule> rules = {{"A", "a", AppBehavior::tile, std::nullopt},
                                        {"B", "b", AppBehavior::tile, std::nullopt},
                                        {"A", "a2", AppBehavior::floating, 0.5}};
    EXPECT_EQ(removeRule(rules, 2), (std::vector<AppRule>{rules[1]}));
    EXPECT_EQ(removeRule(rules, 3), rules);
    EXPECT_TRUE(canSaveLayoutName(" Work "));
    EXPECT_FALSE(canSaveLayoutName(" \t "));
}

}  // namespace
}  // namespace brindlow
