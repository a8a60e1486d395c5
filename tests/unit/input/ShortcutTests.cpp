#include <gtest/gtest.h>

#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/Shortcut.h"

namespace brindlow::KeyboardShortcuts {
namespace {

class ShortcutText : public ::testing::Test {
  protected:
    void SetUp() override { setKeyCharacterSource(usLayoutCharacter); }
    void TearDown() override { setKeyCharacterSource({}); }
};

TEST(ShortcutValue, KeepsOnlyTheFiveModifierBits) {
    const Shortcut shortcut = Shortcut::make(4, 6144 + 1024);
    EXPECT_EQ(shortcut.carbonKeyCode, 4);
    EXPECT_EQ(shortcut.carbonModifiers, 6144);
    EXPECT_EQ(Shortcut::make(Key::leftArrow, 0xC0000), (Shortcut{123, 6144}));
    EXPECT_EQ(Shortcut::make(Key::p, 0x1C0000).carbonModifiers, 6400);
    EXPECT_EQ(Shortcut::make(Key::p, 0xE0000 | ModifierFlag::capsLock).carbonModifiers, 6656);
    // An event's Function flag is left out.
    EXPECT_EQ(Shortcut::fromEvent(96, ModifierFlag::function | ModifierFlag::shift),
              (Shortcut{96, 512}));
    EXPECT_EQ(modifierFlags(0x1A00 | 0x20000 | 1), 0xE0000u | ModifierFlag::function);
}

TEST(ShortcutValue, StoredFormRoundTrips) {
    EXPECT_EQ((Shortcut{123, 6144}).json(), R"({"carbonKeyCode":123,"carbonModifiers":6144})");
    EXPECT_EQ(Shortcut::fromJSON(R"({"carbonModifiers":256,"carbonKeyCode":12,"x":1})"),
              (Shortcut{12, 256}));
    // Taken as read: no normalisation.
    EXPECT_EQ(Shortcut::fromJSON(R"({"carbonKeyCode":4,"carbonModifiers":7168})"),
              (Shortcut{4, 7168}));
    for (const char* bad :
         {R"({"carbonKeyCode":12})", R"({"carbonKeyCode":"12","carbonModifiers":0})",
          R"({"carbonKeyCode":1.5,"carbonModifiers":0})", "false", "{",
          R"({"carbonKeyCode":4294967419,"carbonModifiers":0})"}) {
        EXPECT_FALSE(Shortcut::fromJSON(bad)) << bad;
    }
}

TEST(ShortcutValue, NamesCompareByRawValue) {
    EXPECT_EQ(Name("focusLeft", Shortcut{123, 6144}), Name("focusLeft"));
    EXPECT_EQ(std::hash<Name>()(Name("a", Shortcut{1, 2})), std::hash<Name>()(Name("a")));
    EXPECT_EQ(storageKey("focusLeft"), "KeyboardShortcuts_focusLeft");
}

struct TextCase {
    Shortcut shortcut;
    const char* text;
};

class DisplayTexts : public ShortcutText, public ::testing::WithParamInterface<TextCase> {};

TEST_P(DisplayTexts, ReadTheLinuxWay) {
    EXPECT_EQ(GetParam().shortcut.description(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DisplayTexts,
    ::testing::Values(TextCase{{123, 6144}, "Ctrl+Alt+←"}, TextCase{{4, 6656}, "Ctrl+Alt+Shift+H"},
                      TextCase{{49, 6144}, "Ctrl+Alt+Space"}, TextCase{{96, 0}, "F5"},
                      TextCase{{124, 6400}, "Ctrl+Alt+Super+→"},
                      TextCase{{0, 0x20000 | 256 | 512 | 2048 | 4096}, "Ctrl+Alt+Shift+Super+Fn+A"},
                      TextCase{{44, 6144}, "Ctrl+Alt+/"}, TextCase{{82, 0}, "0\u20E3"},
                      TextCase{{114, 0}, "?\u20DD"}, TextCase{{90, 512}, "Shift+F20"}));

TEST_F(ShortcutText, KeyWithoutCharacterShowsReplacement) {
    // 10 is a key the US table has no character for.
    EXPECT_EQ((Shortcut{10, 6144}).description(), "Ctrl+Alt+\uFFFD");
    setKeyCharacterSource({});
    EXPECT_EQ((Shortcut{4, 6144}).description(), "Ctrl+Alt+\uFFFD");
    EXPECT_EQ((Shortcut{123, 6144}).description(), "Ctrl+Alt+←");
    // Every text is built in: nothing to look up, nothing to go missing.
    EXPECT_EQ((Shortcut{49, 0}).description(), "Space");
    setKeyCharacterSource([](int) { return std::optional<std::string>("ä"); });
    EXPECT_EQ(keyText(39), "Ä");
}

TEST_F(ShortcutText, KeyCapsAndMenuEquivalents) {
    EXPECT_EQ(keyTexts(Shortcut{4, 6656}), (std::vector<std::string>{"Ctrl", "Alt", "Shift", "H"}));
    EXPECT_EQ(modifierText(256 | 4096), "Ctrl+Super+");
    EXPECT_EQ(specialKeyMenuEquivalent(96), "\uF708");
    EXPECT_EQ(specialKeyMenuEquivalent(49), " ");
    EXPECT_FALSE(specialKeyMenuEquivalent(82));
    EXPECT_FALSE(specialKeyMenuEquivalent(4));
    EXPECT_FALSE(keyCharacter(123));
}

}  // namespace
}  // namespace brindlow::KeyboardShortcuts
