#include <gtest/gtest.h>

#include <set>

#include "app/Command.h"

namespace brindlow {
namespace {

using Kind = Command::Kind;

TEST(Command, NameTableHoldsThe35PlainCasesWithTheirExactNames) {
    const auto& names = Command::cliNames();
    EXPECT_EQ(names.size(), 35u);
    EXPECT_FALSE(names.contains("jump"));
    const std::vector<std::pair<std::string, Kind>> renamed = {
        {"equalize", Kind::equalizeHeights},
        {"float", Kind::toggleFloat},
        {"stack", Kind::growStack},
        {"tabbed", Kind::toggleTabbed},
        {"pause", Kind::togglePause},
        {"focus-border", Kind::toggleFocusBorder},
        {"dim-inactive", Kind::toggleDimInactive},
        {"shortcuts", Kind::showShortcuts},
        {"send-to-next-display", Kind::sendToNextDisplay},
        {"focus-left", Kind::focusLeft},
        {"center", Kind::center},
        {"search", Kind::search},
    };
    for (const auto& [name, kind] : renamed) {
        ASSERT_TRUE(names.contains(name)) << name;
        EXPECT_EQ(names.at(name), Command(kind)) << name;
    }
}

TEST(Command, EveryCaseRoundTripsThroughItsCommandLineWords) {
    std::set<std::string> seenNames;
    ASSERT_EQ(Command::allKinds().size(), Command::kCaseCount);
    for (const Kind kind : Command::allKinds()) {
        const Command command = kind == Kind::jump ? Command::jumpTo(7) : Command(kind);
        const auto words = command.cliArguments();
        const auto parsed = Command::named(
            words[0], words.size() > 1 ? std::optional<std::string_view>(words[1]) : std::nullopt);
        ASSERT_TRUE(parsed) << command.text();
        EXPECT_EQ(*parsed, command);
        EXPECT_TRUE(seenNames.insert(std::string(command.cliName())).second) << "duplicate name";
    }
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
    EXPECT_EQ(Command(Kind::showShortcuts).cliName(), "shortcuts");
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
