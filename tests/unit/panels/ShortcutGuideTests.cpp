#include <gtest/gtest.h>

#include <set>

#include "PanelFakes.h"
#include "panels/ShortcutGuide.h"

namespace brindlow::test {
namespace {

// The default shortcuts as the shortcut store shows them (a US layout).
FakeShortcuts defaults() {
    FakeShortcuts s;
    const std::string ca = "Ctrl+Alt+", cas = "Ctrl+Alt+Shift+", cau = "Ctrl+Alt+Super+";
    s.texts = {{"focusLeft", ca + "\u2190"},   {"focusRight", ca + "\u2192"},
               {"focusLeftAlt", ca + "H"},     {"focusRightAlt", ca + "L"},
               {"focusUp", ca + "\u2191"},     {"focusDown", ca + "\u2193"},
               {"focusUpAlt", ca + "K"},       {"focusDownAlt", ca + "J"},
               {"focusFirst", cau + "\u2190"}, {"focusLast", cau + "\u2192"},
               {"moveLeft", cas + "\u2190"},   {"moveRight", cas + "\u2192"},
               {"moveLeftAlt", cas + "H"},     {"moveRightAlt", cas + "L"},
               {"cycleWidth", ca + "R"},       {"wider", ca + "="},
               {"narrower", ca + "-"},         {"pinLeft", ca + "P"},
               {"pinRight", cas + "P"},        {"search", ca + "Space"},
               {"shortcuts", ca + "/"}};
    for (int n = 1; n <= 9; ++n) s.texts["jump" + std::to_string(n)] = ca + std::to_string(n);
    return s;
}

TEST(ShortcutGuide, DefaultsShareTheirModifiersAndCollapseTheDigits) {
    const auto keys = ShortcutGuide::keyTexts(defaults());
    const std::map<std::string, std::string> expected = {
        {"Focus left / right", "Ctrl+Alt+\u2190 \u2192  or  H L"},
        {"Focus up / down in a stack", "Ctrl+Alt+\u2191 \u2193  or  K J"},
        {"Focus the first / last window", "Ctrl+Alt+Super+\u2190 \u2192"},
        {"Jump to window 1 to 9", "Ctrl+Alt+1\u20139"},
        {"Search windows", "Ctrl+Alt+Space"},
        {"Cycle width", "Ctrl+Alt+R"},
        {"Wider / narrower", "Ctrl+Alt+= -"},
        {"Move the window left / right", "Ctrl+Alt+Shift+\u2190 \u2192  or  H L"},
        {"Pin to the left / right edge", "Ctrl+Alt+P / Ctrl+Alt+Shift+P"},
        {"Show all shortcuts", "Ctrl+Alt+/"},
    };
    EXPECT_EQ(keys, expected);
}

struct HeldCase {
    const char* name;
    std::set<std::string> held;
    std::string action;
    std::string text;
};

class HeldKeys : public ::testing::TestWithParam<HeldCase> {};

// Keys another program holds still show, since the user set them, marked as held; the note under
// the guide goes with them.
TEST_P(HeldKeys, ShowMarkedAsHeld) {
    FakeShortcuts shortcuts = defaults();
    shortcuts.held = GetParam().held;
    const auto keys = ShortcutGuide::keyTexts(shortcuts);
    ASSERT_TRUE(keys.contains(GetParam().action));
    EXPECT_EQ(keys.at(GetParam().action), GetParam().text);
    EXPECT_TRUE(ShortcutGuide::showsHeldKeys(keys));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeldKeys,
    ::testing::Values(
        // Beside openbox, Ctrl+Alt+arrows switch desktops.
        HeldCase{"bothArrows",
                 {"focusLeft", "focusRight"},
                 "Focus left / right",
                 "Ctrl+Alt+\u2190 \u2192 (held)  or  H L"},
        HeldCase{"everyKeyOfTheRow",
                 {"focusLeft", "focusRight", "focusLeftAlt", "focusRightAlt"},
                 "Focus left / right",
                 "Ctrl+Alt+\u2190 \u2192 (held)  or  H L (held)"},
        HeldCase{"aSingleKey", {"search"}, "Search windows", "Ctrl+Alt+Space (held)"},
        HeldCase{"oneOfTheDigits",
                 {"jump3"},
                 "Jump to window 1 to 9",
                 "Ctrl+Alt+1 2 3 (held) 4 5 6 7 8 9"},
        HeldCase{"oneOfAPairOnOtherModifiers",
                 {"pinRight"},
                 "Pin to the left / right edge",
                 "Ctrl+Alt+P / Ctrl+Alt+Shift+P (held)"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(ShortcutGuide, NoHeldKeysNoNote) {
    EXPECT_FALSE(ShortcutGuide::showsHeldKeys(ShortcutGuide::keyTexts(defaults())));
}

struct JumpCase {
    const char* name;
    std::vector<int> cleared;  // jump slots without a shortcut
    std::map<std::string, std::string> changed;
    std::optional<std::string> text;
};

class JumpRow : public ::testing::TestWithParam<JumpCase> {};

TEST_P(JumpRow, CollapsesOnlyAFullRunOfMoreThanThreeOnSharedModifiers) {
    FakeShortcuts shortcuts = defaults();
    for (int n : GetParam().cleared) shortcuts.texts.erase("jump" + std::to_string(n));
    for (const auto& [slot, text] : GetParam().changed) shortcuts.texts[slot] = text;
    const auto keys = ShortcutGuide::keyTexts(shortcuts);
    const auto found = keys.find("Jump to window 1 to 9");
    EXPECT_EQ(found == keys.end() ? std::nullopt : std::optional(found->second), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JumpRow,
    ::testing::Values(
        JumpCase{"fifthCleared", {5}, {}, "Ctrl+Alt+1 2 3 4 6 7 8 9"},
        JumpCase{"ninthCleared", {9}, {}, "Ctrl+Alt+1\u20138"},
        JumpCase{"onlyThree", {4, 5, 6, 7, 8, 9}, {}, "Ctrl+Alt+1 2 3"},
        JumpCase{"oneOnOtherModifiers",
                 {},
                 {{"jump4", "Ctrl+Shift+4"}},
                 "Ctrl+Alt+1 / Ctrl+Alt+2 / Ctrl+Alt+3 / Ctrl+Shift+4 / Ctrl+Alt+5 / Ctrl+Alt+6 / "
                 "Ctrl+Alt+7 / Ctrl+Alt+8 / Ctrl+Alt+9"},
        JumpCase{"noneSet", {1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, std::nullopt}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(ShortcutGuide, RowPrefixIsSetOnlyByAnAlternativeWithSharedModifiers) {
    FakeShortcuts s;
    s.texts = {{"a", "Ctrl+X"},  {"b", "Alt+Y"},     {"c", "Ctrl+Alt+Z"}, {"d", "Ctrl+Alt+W"},
               {"e", "Super+H"}, {"plus", "Ctrl++"}, {"bare", "F5"}};
    // A mixed alternative leaves the prefix unset, so the next one shows its modifiers.
    EXPECT_EQ(ShortcutGuide::keyText({{"a", "b"}, {"c", "d"}}, s),
              "Ctrl+X / Alt+Y  or  Ctrl+Alt+Z W");
    // Other modifiers in a later alternative are written in full; the prefix stays the first's.
    EXPECT_EQ(ShortcutGuide::keyText({{"c"}, {"e"}, {"d"}}, s), "Ctrl+Alt+Z  or  Super+H  or  W");
    // Unknown or unset slots add nothing; an alternative of only those is left out.
    EXPECT_EQ(ShortcutGuide::keyText({{"missing"}, {"plus", "nothing"}}, s), "Ctrl++");
    EXPECT_EQ(ShortcutGuide::keyText({{"bare"}}, s), "F5");
    EXPECT_EQ(ShortcutGuide::keyText({{"missing"}}, s), std::nullopt);
}

}  // namespace
}  // namespace brindlow::test
