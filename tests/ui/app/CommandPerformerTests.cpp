#include "app/qt/CommandPerformer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/JSONFiles.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

namespace brindlow::test {
namespace {

class CommandPerformerTest : public QuietLogTest {
  protected:
    TempFolder folder;
    SettingsStore store{folder.path() / "settings.json"};
    std::vector<Command> sent;
    CommandPerformer performer{store, [this](const Command& command) { sent.push_back(command); }};
};

TEST_F(CommandPerformerTest, OverlaySwitchesFlipTheirSettingAndWriteTheFile) {
    int changes = 0;
    store.addListener([&](const AppSettings&) { ++changes; });
    const AppSettings before = store.settings();

    performer.perform(Command::Kind::toggleFocusBorder);
    EXPECT_EQ(store.settings().focusBorder, !before.focusBorder);
    EXPECT_EQ(SettingsStore::load(store.filePath()).focusBorder, !before.focusBorder);
    performer.perform(Command::Kind::toggleFocusBorder);
    EXPECT_EQ(store.settings().focusBorder, before.focusBorder);

    performer.perform(Command::Kind::toggleDimInactive);
    EXPECT_EQ(SettingsStore::load(store.filePath()).dimInactive, !before.dimInactive);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(sent.empty());
}

// The three panel commands toggle their panel (nothing before the delegate hands the panels
// over); every other command goes to the strip controller unchanged.
TEST_F(CommandPerformerTest, PanelCommandsToggleTheirPanelAndTheRestReachTheStripController) {
    const std::vector<Command::Kind> panels = {Command::Kind::search, Command::Kind::overview,
                                               Command::Kind::showShortcuts};
    for (Command::Kind kind : panels) performer.perform(kind);
    std::vector<std::string> toggled;
    performer.setPanelToggles({[&] { toggled.push_back("search"); },
                               [&] { toggled.push_back("overview"); },
                               [&] { toggled.push_back("shortcuts"); }});
    for (Command::Kind kind : panels) performer.perform(kind);
    EXPECT_EQ(toggled, (std::vector<std::string>{"search", "overview", "shortcuts"}));
    EXPECT_TRUE(sent.empty());

    std::vector<Command> expected;
    for (Command::Kind kind : Command::allKinds()) {
        const Command command = kind == Command::Kind::jump ? Command::jumpTo(7) : Command(kind);
        if (command.isApplicationSide()) continue;
        performer.perform(command);
        expected.push_back(command);
    }
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(sent.size(), Command::kCaseCount - 5);
}

}  // namespace
}  // namespace brindlow::test
