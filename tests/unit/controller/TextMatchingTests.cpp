#include <gtest/gtest.h>

#include "controller/TerminalBadge.h"
#include "settings/LayoutsStore.h"

namespace brindlow {
namespace {

// Terminal titles and directories are often not ASCII; letter case is ignored for every script.
TEST(TextMatching, TheBadgeFindsADirectoryIgnoringCaseBeyondASCII) {
    EXPECT_TRUE(containsIgnoringCase("zsh — ~/ÜBUNGEN", "übungen"));
    EXPECT_TRUE(containsIgnoringCase("bash: ПРОЕКТЫ", "проекты"));
    EXPECT_TRUE(containsIgnoringCase("ΣΗΜΕΙΩΣΕΙΣ", "σημ"));
    EXPECT_FALSE(containsIgnoringCase("uebungen", "übungen"));  // accents still count
    const std::vector<BadgeCandidate> windows = {{1, "zsh — ~"}, {2, "zsh — ~/Проекты/Сайт"}};
    EXPECT_EQ(chooseBadgeWindow(windows, "/home/me/Проекты/САЙТ", "", std::nullopt), 2);
}

// Bytes that are not UTF-8 still compare exactly and never match a different byte.
TEST(TextMatching, InvalidUTF8ComparesByteForByte) {
    EXPECT_TRUE(
        containsIgnoringCase("a\xff"
                             "b",
                             "\xff"
                             "B"));
    EXPECT_FALSE(
        containsIgnoringCase("a\xfe"
                             "b",
                             "\xff"
                             "b"));
}

// Trimming takes every Unicode space and line separator from both ends, so a name of such
// characters only is blank.
TEST(TextMatching, LayoutNamesLoseEveryKindOfSpaceAtTheirEnds) {
    EXPECT_EQ(trimmedLayoutName("\u3000\u2003Work\u202F\u205F\u1680\n"), "Work");
    EXPECT_EQ(trimmedLayoutName("\u2000\u200A\u3000"), "");
    EXPECT_EQ(trimmedLayoutName("\u00A0Büro \u2028"), "Büro");
    EXPECT_EQ(trimmedLayoutName("a\u3000b"), "a\u3000b");
    // A zero-width space is not white space.
    EXPECT_EQ(trimmedLayoutName("\u200Bx"), "\u200Bx");
}

}  // namespace
}  // namespace brindlow
