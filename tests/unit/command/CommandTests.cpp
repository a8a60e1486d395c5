#include <gtest/gtest.h>

#include "command/Command.h"

namespace brindlow {
namespace {

using Kind = Command::Kind;

struct PlainCase {
    Kind kind;
    std::string caseName;
    std::string cliName;
};

// Every case without a value, with its log text and its command-line name.
const std::vector<PlainCase> kPlainCases = {
    {Kind::focusLeft, "focusLeft", "focus-left"},
    {Kind::focusRight, "focusRight", "focus-right"},
    {Kind::focusUp, "focusUp", "focus-up"},
    {Kind::focusDown, "focusDown", "focus-down"},
    {Kind::focusFirst, "focusFirst", "focus-first"},
    {Kind::focusLast, "focusLast", "focus-last"},
    {Kind::moveLeft, "moveLeft", "move-left"},
    {Kind::moveRight, "moveRight", "move-right"},
    {Kind::moveUp, "moveUp", "move-up"},
    {Kind::moveDown, "moveDown", "move-down"},
    {Kind::cycleWidth, "cycleWidth", "cycle-width"},
    {Kind::fullWidth, "fullWidth", "full-width"},
    {Kind::fullScreen, "fullScreen", "full-screen"},
    {Kind::center, "center", "center"},
    {Kind::wider, "wider", "wider"},
    {Kind::narrower, "narrower", "narrower"},
    {Kind::taller, "taller", "taller"},
    {Kind::shorter, "shorter", "shorter"},
    {Kind::equalizeHeights, "equalizeHeights", "equalize"},
    {Kind::sendToNextDisplay, "sendToNextDisplay", "send-to-next-display"},
    {Kind::toggleFloat, "toggleFloat", "float"},
    {Kind::stackLeft, "stackLeft", "stack-left"},
    {Kind::stackRight, "stackRight", "stack-right"},
    {Kind::growStack, "growStack", "stack"},
    {Kind::popLeft, "popLeft", "pop-left"},
    {Kind::popRight, "popRight", "pop-right"},
    {Kind::toggleTabbed, "toggleTabbed", "tabbed"},
    {Kind::pinLeft, "pinLeft", "pin-left"},
    {Kind::pinRight, "pinRight", "pin-right"},
    {Kind::togglePause, "togglePause", "pause"},
    {Kind::toggleFocusBorder, "toggleFocusBorder", "focus-border"},
    {Kind::toggleDimInactive, "toggleDimInactive", "dim-inactive"},
    {Kind::search, "search", "search"},
    {Kind::overview, "overview", "overview"},
    {Kind::showShortcuts, "showShortcuts", "shortcuts"},
};

TEST(Command, NameTableHoldsExactlyThe35PlainCasesUnderTheirNames) {
    const auto& names = Command::cliNames();
    EXPECT_EQ(names.size(), kPlainCases.size());
    EXPECT_FALSE(names.contains("jump"));
    for (const PlainCase& plain : kPlainCases) {
        ASSERT_TRUE(names.contains(plain.cliName)) << plain.cliName;
        EXPECT_EQ(names.at(plain.cliName), Command(plain.kind)) << plain.cliName;
        EXPECT_EQ(Command::named(plain.cliName), Command(plain.kind)) << plain.cliName;
        EXPECT_EQ(Command(plain.kind).cliName(), plain.cliName);
        EXPECT_EQ(Command(plain.kind).text(), plain.caseName);
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
    EXPECT_EQ(Command::jumpTo(3).text(), "jump(3)");
}

TEST(Command, NamesMatchExactlyAndIgnoreTheArgumentOfOtherCommands) {
    EXPECT_EQ(Command::named("focus-left"), Command(Kind::focusLeft));
    EXPECT_EQ(Command::named("focus-left", "anything"), Command(Kind::focusLeft));
    // Other letter cases, spaces, the hyphenated case names of the eight short names, the case
    // name.
    for (const char* bad : {"Focus-Left", "focus-left ", " focus-left", "", "equalize-heights",
                            "toggle-float", "show-shortcuts", "focusLeft"}) {
        EXPECT_EQ(Command::named(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace brindlow
