#include "app/qt/RegistryMenuShortcuts.h"

#include <gtest/gtest.h>

#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "unit/input/FakeHotKeys.h"

namespace brindlow::test {
namespace {

using KeyboardShortcuts::Shortcut;

TEST(RegistryMenuShortcuts, StoredKeysShowAndTheMenuSwitchQuietsEveryHotKey) {
    FakeHotKeys system;
    KeyboardShortcuts::HotKeyCenter center(system);
    MemoryPreferences preferences;
    KeyboardShortcuts::Registry registry(preferences, center);
    Hotkey::registerAll(registry, [](const Command&) {});
    RegistryMenuShortcuts shortcuts(&registry);

    constexpr int kLeftArrow = 123;
    constexpr int kControlOption = 0x1000 | 0x800;
    registry.setShortcut(Shortcut::make(kLeftArrow, kControlOption), *Hotkey::named("pause"));
    registry.setShortcut(std::nullopt, *Hotkey::named("overview"));
    EXPECT_EQ(shortcuts.text("pause"), std::optional<std::string>("Ctrl+Alt+\u2190"));
    EXPECT_EQ(shortcuts.text("overview"), std::nullopt);
    EXPECT_EQ(shortcuts.text("noSuchRow"), std::nullopt);

    ASSERT_FALSE(system.grabbed.empty());
    shortcuts.setSuspended(true);
    EXPECT_FALSE(registry.isEnabled());
    EXPECT_TRUE(system.grabbed.empty());
    shortcuts.setSuspended(false);
    EXPECT_TRUE(registry.isEnabled());
    EXPECT_FALSE(system.grabbed.empty());
}

// Beside icewm, Ctrl+Alt+Space is the window manager's: neither the tray menu nor the shortcut
// guide offers keys that do nothing, while the free ones still show.
TEST(RegistryMenuShortcuts, KeysAnotherProgramHoldsAreNotOffered) {
    constexpr int kSpace = 49;
    constexpr int kControlOption = 0x1000 | 0x800;
    KeyboardShortcuts::setKeyCharacterSource(KeyboardShortcuts::usLayoutCharacter);
    FakeHotKeys system;
    system.takenElsewhere = {{kSpace, kControlOption}};
    KeyboardShortcuts::HotKeyCenter center(system, [](const std::string&) {});
    MemoryPreferences preferences;
    KeyboardShortcuts::Registry registry(preferences, center);
    Hotkey::registerAll(registry, [](const Command&) {});
    KeyboardShortcuts::Registry::setShared(&registry);
    RegistryMenuShortcuts shortcuts(&registry);

    EXPECT_EQ(shortcuts.text("search"), std::nullopt);
    EXPECT_EQ(KeyboardShortcuts::displayText("search"), std::nullopt);
    EXPECT_EQ(shortcuts.text("overview"), std::optional<std::string>("Ctrl+Alt+O"));
    EXPECT_EQ(KeyboardShortcuts::displayText("overview"), std::optional<std::string>("Ctrl+Alt+O"));
    // The guide and the shortcut sheet still show the held keys, marked as held.
    EXPECT_EQ(KeyboardShortcuts::storedDisplayText("search"),
              std::optional<std::string>("Ctrl+Alt+Space"));
    EXPECT_TRUE(KeyboardShortcuts::isHeldElsewhere("search"));
    EXPECT_FALSE(KeyboardShortcuts::isHeldElsewhere("overview"));

    // Recorded anew on free keys, the row offers them again.
    registry.setShortcut(Shortcut::make(kSpace, kControlOption | 0x200), *Hotkey::named("search"));
    EXPECT_EQ(shortcuts.text("search"), std::optional<std::string>("Ctrl+Alt+Shift+Space"));
    KeyboardShortcuts::Registry::setShared(nullptr);
    KeyboardShortcuts::setKeyCharacterSource({});
}

}  // namespace
}  // namespace brindlow::test
