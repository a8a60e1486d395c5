#include "app/qt/RegistryMenuShortcuts.h"

#include <gtest/gtest.h>

#include "input/Hotkey.h"
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

}  // namespace
}  // namespace brindlow::test
