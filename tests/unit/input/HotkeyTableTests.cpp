#include <gtest/gtest.h>

#include "FakeHotKeys.h"
#include "input/Hotkey.h"

namespace brindlow {
namespace {

using KeyboardShortcuts::Shortcut;

class HotkeyTable : public ::testing::Test {
  protected:
    test::FakeHotKeys system;
    KeyboardShortcuts::HotKeyCenter center{system, [](const std::string&) {}};
    MemoryPreferences preferences;
    KeyboardShortcuts::Registry registry{preferences, center};
    std::vector<Command> performed;

    void registerAll() {
        Hotkey::registerAll(registry, [this](const Command& c) { performed.push_back(c); });
    }
};

TEST_F(HotkeyTable, HasTheRowsInOrder) {
    const auto& rows = Hotkey::all();
    ASSERT_EQ(rows.size(), 53u);
    EXPECT_EQ(rows[0].name.rawValue, "focusLeft");
    EXPECT_EQ(rows[43].name.rawValue, "shortcuts");
    EXPECT_EQ(rows[52].name.rawValue, "jump9");
    EXPECT_EQ(rows[52].title, "Jump to window 9");
    EXPECT_EQ(rows[52].command, Command::jumpTo(9));
    EXPECT_EQ(rows[52].name.defaultShortcut, (Shortcut{25, 6144}));
    EXPECT_EQ(rows[19].command, Command(Command::Kind::fullScreen));
    EXPECT_EQ(rows[20].command, Command(Command::Kind::fullWidth));
    EXPECT_EQ(rows[35].name.defaultShortcut, (Shortcut{1, 6144}));
    EXPECT_EQ(rows[31].name.defaultShortcut, (Shortcut{33, 6144}));
    EXPECT_EQ(rows[9].name.defaultShortcut, (Shortcut{124, 6400}));
    EXPECT_EQ(rows[39].name.defaultShortcut, (Shortcut{35, 6656}));

    EXPECT_EQ(Hotkey::named("jump3")->rawValue, "jump3");
    EXPECT_FALSE(Hotkey::named("fillScreen")->defaultShortcut);
    EXPECT_FALSE(Hotkey::named("Focus left"));

    std::map<Command::Kind, int> rowsPerCommand;
    for (const Hotkey& row : rows) rowsPerCommand[row.command.kind()] += 1;
    for (auto kind : {Command::Kind::focusLeft, Command::Kind::moveDown, Command::Kind::popRight}) {
        EXPECT_EQ(rowsPerCommand[kind], 2);
    }
}

TEST_F(HotkeyTable, FirstRunStoresEveryDefault) {
    registerAll();
    EXPECT_EQ(preferences.keys().size(), 50u);
    for (const char* none : {"fillScreen", "focusBorder", "dimInactive"}) {
        EXPECT_FALSE(registry.hasStoredValue(none)) << none;
    }
    // One hot key per distinct default.
    EXPECT_EQ(system.grabbed.size(), 50u);
}

TEST_F(HotkeyTable, PressingAShortcutPerformsItsRowsCommand) {
    registerAll();
    system.press(3, 6144);    // Ctrl+Alt+F
    system.press(4, 6144);    // Ctrl+Alt+H
    system.press(123, 6144);  // Ctrl+Alt+Left
    system.press(20, 6144);   // Ctrl+Alt+3
    EXPECT_EQ(performed, (std::vector<Command>{Command::Kind::fullScreen, Command::Kind::focusLeft,
                                               Command::Kind::focusLeft, Command::jumpTo(3)}));
}

TEST_F(HotkeyTable, ResetAllRestoresDefaults) {
    registerAll();
    registry.setShortcut(Shortcut{96, 0}, *Hotkey::named("focusLeft"));
    registry.setShortcut(Shortcut{97, 0}, *Hotkey::named("focusBorder"));
    Hotkey::resetAll(registry);
    EXPECT_EQ(registry.getShortcut(*Hotkey::named("focusLeft")), (Shortcut{123, 6144}));
    EXPECT_FALSE(registry.hasStoredValue("focusBorder"));
    performed.clear();
    system.press(123, 6144);
    EXPECT_EQ(performed, (std::vector<Command>{Command::Kind::focusLeft}));
}

}  // namespace
}  // namespace brindlow
