#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "command/Command.h"

namespace brindlow {
namespace {

using Kind = Command::Kind;

// Every case but jump has a command-line name that reads back as itself; the
// names that differ from the case name are the ones users type.
TEST(Command, EveryPlainCaseHasOneCommandLineNameThatReadsBack) {
    const auto& kinds = Command::allKinds();
    ASSERT_EQ(kinds.size(), 36u);
    EXPECT_EQ(kinds[0], Kind::jump);
    EXPECT_EQ(Command::cliNames().size(), 35u);
    for (const Kind kind : kinds) {
        if (kind == Kind::jump) continue;
        const std::string name(Command(kind).cliName());
        EXPECT_EQ(Command::cliNames().at(name), Command(kind)) << name;
        EXPECT_EQ(Command::named(name), Command(kind)) << name;
    }
    const std::vector<std::pair<Kind, std::string>> spelled = {
        {Kind::focusLeft, "focus-left"},
        {Kind::equalizeHeights, "equalize"},
        {Kind::toggleFloat, "float"},
        {Kind::growStack, "stack"},
        {Kind::toggleTabbed, "tabbed"},
        {Kind::togglePause, "pause"},
        {Kind::toggleFocusBorder, "focus-border"},
        {Kind::showShortcuts, "shortcuts"},
        {Kind::sendToNextDisplay, "send-to-next-display"}};
    for (const auto& [kind, name] : spelled) EXPECT_EQ(Command(kind).cliName(), name);
    EXPECT_EQ(Command(Kind::pinRight).text(), "pinRight");
    EXPECT_EQ(kinds[35], Kind::showShortcuts);
}

TEST(Command, JumpNeedsADecimalColumnFrom1To99) {
    EXPECT_EQ(Command::named("jump", "3"), Command::jumpTo(3));
    EXPECT_EQ(Command::named("jump", "+3"), Command::jumpTo(3));
    EXPECT_EQ(Command::named("jump", "03"), Command::jumpTo(3));
    EXPECT_EQ(Command::named("jump", "1"), Command::jumpTo(1));
    EXPECT_EQ(Command::named("jump", "99"), Command::jumpTo(99));
    for (const char* bad : {"0", "100", "-1", "3.5", " 3", "3 ", "", "+", "-", "+-3", "x3",
                            "99999999999999999999999"}) {
        EXPECT_EQ(Command::named("jump", std::string_view(bad)), std::nullopt) << bad;
    }
    EXPECT_EQ(Command::named("jump"), std::nullopt);
}

TEST(Command, NamesMatchExactlyAndIgnoreTheArgumentOfOtherCommands) {
    EXPECT_EQ(Command::named("focus-left"), Command(Kind::focusLeft));
    EXPECT_EQ(Command::named("focus-left", "anything"), Command(Kind::focusLeft));
    for (const char* bad :
         {"Focus-Left", "FOCUS-LEFT", "focus-left ", " focus-left", "", "equalize-heights",
          "toggle-float", "grow-stack", "toggle-tabbed", "toggle-pause", "toggle-focus-border",
          "toggle-dim-inactive", "show-shortcuts", "focusLeft"}) {
        EXPECT_EQ(Command::named(bad), std::nullopt) << bad;
    }
}

TEST(Command, EqualityAndTextForm) {
    EXPECT_EQ(Command::jumpTo(3), Command::jumpTo(3));
    EXPECT_NE(Command::jumpTo(3), Command::jumpTo(4));
    EXPECT_NE(Command::jumpTo(1), Command(Kind::focusFirst));
    EXPECT_EQ(Command::jumpTo(3).text(), "jump(3)");
    EXPECT_EQ(Command(Kind::equalizeHeights).text(), "equalizeHeights");
    EXPECT_EQ(Command::jumpTo(12).cliArguments(), (std::vector<std::string>{"jump", "12"}));
}

TEST(Command, OnlyPanelsAndOverlaySwitchesStayOnTheApplicationSide) {
    const std::set<Kind> applicationSide = {Kind::search, Kind::overview, Kind::showShortcuts,
                                            Kind::toggleFocusBorder, Kind::toggleDimInactive};
    for (const Kind kind : Command::allKinds()) {
        EXPECT_EQ(Command(kind).isApplicationSide(), applicationSide.contains(kind))
            << Command(kind).text();
    }
}

}  // namespace
}  // namespace brindlow
