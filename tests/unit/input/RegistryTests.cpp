#include <gtest/gtest.h>

#include "FakeHotKeys.h"
#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "support/QuietLog.h"

namespace brindlow::KeyboardShortcuts {
namespace {

constexpr Shortcut kCtrlAltLeft{123, 6144};
constexpr Shortcut kCtrlAltH{4, 6144};
constexpr Shortcut kF5{96, 0};
const std::string kHeldElsewhere =
    "another program holds it (often the window manager), so it does nothing here";

class RegistryTest : public test::QuietLogTest {
  protected:
    test::FakeHotKeys system;
    std::vector<std::string> lines;
    HotKeyCenter center{system, [this](const std::string& line) { lines.push_back(line); }};
    MemoryPreferences preferences;
    Registry registry{preferences, center};

    std::optional<PreferenceValue> stored(const std::string& name) {
        return preferences.object(storageKey(name));
    }
};

TEST_F(RegistryTest, StorageHasThreeStatesPerKey) {
    const Name left = registry.makeName("focusLeft", kCtrlAltLeft);
    const Name fill = registry.makeName("fillScreen");
    EXPECT_EQ(stored("focusLeft"), PreferenceValue(kCtrlAltLeft.json()));
    EXPECT_FALSE(stored("fillScreen"));

    registry.setShortcut(std::nullopt, left);
    EXPECT_EQ(stored("focusLeft"), PreferenceValue(false));
    EXPECT_FALSE(registry.getShortcut(left));
    // A cleared slot keeps its cleared state when the name is made again.
    registry.makeName("focusLeft", kCtrlAltLeft);
    EXPECT_EQ(stored("focusLeft"), PreferenceValue(false));

    registry.setShortcut(kF5, fill);
    EXPECT_EQ(registry.getShortcut(fill), kF5);
    registry.setShortcut(std::nullopt, fill);
    EXPECT_FALSE(stored("fillScreen"));
}

TEST_F(RegistryTest, UnreadableAndOutOfRangeValuesReadAsNoShortcut) {
    for (const PreferenceValue& value :
         {PreferenceValue(std::int64_t{3}), PreferenceValue(std::string("{")),
          PreferenceValue(std::string(R"({"carbonKeyCode":300,"carbonModifiers":6144})")),
          PreferenceValue(std::string(R"({"carbonKeyCode":4,"carbonModifiers":7168})")),
          PreferenceValue(std::string(R"({"carbonKeyCode":-1,"carbonModifiers":0})"))}) {
        preferences.setObject(storageKey("focusLeft"), value);
        const Name left = registry.makeName("focusLeft", kCtrlAltLeft);
        EXPECT_FALSE(registry.getShortcut(left));
        EXPECT_FALSE(registry.getShortcut(left));  // reported once, not per read
        // Not overwritten by the default, not cleared away.
        registry.setShortcut(std::nullopt, left);
        EXPECT_EQ(stored("focusLeft"), value);
    }
    EXPECT_TRUE(system.grabbed.empty());
    EXPECT_EQ(test::errorsMentioning("Ignoring the stored shortcut").size(), 3u);
}

TEST_F(RegistryTest, ChangesNotifyOncePerStore) {
    std::vector<std::string> changed;
    registry.addChangeListener([&](const Name& name) { changed.push_back(name.rawValue); });
    const Name left = registry.makeName("focusLeft", kCtrlAltLeft);
    const Name fill = registry.makeName("fillScreen");
    registry.setShortcut(std::nullopt, fill);
    registry.setShortcut(kCtrlAltH, left);
    registry.reset({left, fill});
    EXPECT_EQ(changed, (std::vector<std::string>{"focusLeft", "focusLeft", "focusLeft"}));
}

TEST_F(RegistryTest, TwoNamesShareOneHotKey) {
    const Name a = registry.makeName("a", kF5);
    const Name b = registry.makeName("b", kF5);
    int runs = 0;
    registry.onKeyDown(a, [&] { runs += 1; });
    registry.onKeyDown(b, [&] { runs += 10; });
    EXPECT_EQ(system.grabbed.size(), 1u);
    system.press(96, 0);
    EXPECT_EQ(runs, 11);
    registry.disable({a});
    EXPECT_FALSE(system.press(96, 0));
    EXPECT_FALSE(registry.isEnabled(b));
}

TEST_F(RegistryTest, ChangingAShortcutMovesTheHotKey) {
    const Name a = registry.makeName("a", kCtrlAltLeft);
    std::vector<EventType> events;
    registry.onKeyDown(a, [&] { events.push_back(EventType::keyDown); });
    registry.onKeyUp(a, [&] { events.push_back(EventType::keyUp); });
    registry.setShortcut(kCtrlAltH, a);
    EXPECT_FALSE(system.press(123, 6144));
    system.press(4, 6144);
    system.press(4, 6144, false);
    EXPECT_EQ(events, (std::vector<EventType>{EventType::keyDown, EventType::keyUp}));

    registry.setPaused(true);
    system.press(4, 6144);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(RegistryTest, StreamsReceiveEventsAndReleaseAtTheEnd) {
    const Name a = registry.makeName("a", kF5);
    std::vector<EventType> first;
    std::vector<EventType> second;
    const ObserverToken one =
        registry.addEventListener(a, [&](EventType t) { first.push_back(t); });
    const ObserverToken two =
        registry.addEventListener(a, [&](EventType t) { second.push_back(t); });
    system.press(96, 0);
    system.press(96, 0, false);
    EXPECT_EQ(first, (std::vector<EventType>{EventType::keyDown, EventType::keyUp}));
    EXPECT_EQ(second, first);
    registry.removeEventListener(one);
    EXPECT_TRUE(registry.isRegistered(kF5));
    registry.removeEventListener(two);
    EXPECT_FALSE(registry.isRegistered(kF5));
    EXPECT_TRUE(system.grabbed.empty());
}

TEST_F(RegistryTest, IdsAreNeverReusedAndAFailureUsesUpItsId) {
    system.takenElsewhere.insert({123, 6144});
    registry.makeName("b", kCtrlAltH);
    registry.makeName("left", kCtrlAltLeft);
    registry.makeName("f5", kF5);
    EXPECT_EQ(system.attempts, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(center.idOf(kCtrlAltH), 1);
    EXPECT_EQ(center.idOf(kCtrlAltLeft), 0);
    EXPECT_EQ(center.idOf(kF5), 3);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Error registering hotkey Ctrl+Alt+←: " + kHeldElsewhere}));
    // Reported once, not tried again on the action that follows.
    registry.onKeyDown(Name("left"), [] {});
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_FALSE(registry.isEnabled(Name("left")));
}

TEST_F(RegistryTest, SuspendAndResumeKeepIdsAndNamesMadeMeanwhileWait) {
    const Name a = registry.makeName("a", kF5);
    registry.setEnabled(false);
    EXPECT_TRUE(system.grabbed.empty());
    EXPECT_FALSE(registry.isEnabled(a));
    const Name b = registry.makeName("b", kCtrlAltH);
    EXPECT_TRUE(system.grabbed.empty());
    registry.setEnabled(true);
    EXPECT_EQ(system.grabbed,
              (std::map<std::int64_t, std::pair<int, int>>{{1, {96, 0}}, {2, {4, 6144}}}));
    EXPECT_TRUE(registry.isEnabled(b));
}

TEST_F(RegistryTest, FailedReRegistrationIsRetriedAndNotReportedLive) {
    const Name a = registry.makeName("a", kCtrlAltH);
    registry.setEnabled(false);
    system.takenElsewhere.insert({4, 6144});
    registry.setEnabled(true);
    EXPECT_EQ(lines, (std::vector<std::string>{"Error registering hotkey Ctrl+Alt+\uFFFD: " +
                                               kHeldElsewhere}));
    EXPECT_FALSE(registry.isEnabled(a));
    system.takenElsewhere.clear();
    registry.setEnabled(false);
    registry.setEnabled(true);
    EXPECT_EQ(system.grabbed.at(1), (std::pair{4, 6144}));
    EXPECT_TRUE(registry.isEnabled(a));
}

TEST_F(RegistryTest, AnOpenMenuReleasesTheHotKeysAndRunsTheKeysPressedInIt) {
    const Name a = registry.makeName("a", kCtrlAltH);
    int downs = 0;
    int ups = 0;
    registry.onKeyDown(a, [&] { ++downs; });
    registry.onKeyUp(a, [&] { ++ups; });
    EXPECT_FALSE(center.handleRawKey(4, 6144, true));  // not watching outside a menu
    registry.setMenuOpen(true);
    EXPECT_TRUE(system.grabbed.empty());
    EXPECT_TRUE(registry.isEnabled(a));
    // Caps Lock and other stray bits do not count.
    EXPECT_TRUE(center.handleRawKey(4, 6144 | 1024, true));
    EXPECT_TRUE(center.handleRawKey(4, 6144, false));
    EXPECT_FALSE(center.handleRawKey(5, 6144, true));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    registry.setMenuOpen(false);
    EXPECT_EQ(system.grabbed.at(1), (std::pair{4, 6144}));  // the same id again
    registry.setMenuOpen(true);
    registry.setEnabled(false);
    EXPECT_FALSE(center.isWatchingKeys());
}

// A refusal says why in words: the statuses are the registration's own numbers.
struct FailureLineRow {
    int status;
    const char* line;
};

class HotKeyFailureLine : public ::testing::TestWithParam<FailureLineRow> {};

TEST_P(HotKeyFailureLine, SaysWhyWithoutTheStatusNumber) {
    EXPECT_EQ(HotKeyCenter::failureLine(kCtrlAltLeft, GetParam().status), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, HotKeyFailureLine,
    ::testing::Values(
        FailureLineRow{-9878,
                       "Error registering hotkey Ctrl+Alt+←: another program holds it (often the "
                       "window manager), so it does nothing here"},
        FailureLineRow{-9879,
                       "Error registering hotkey Ctrl+Alt+←: this keyboard has no key for it"},
        FailureLineRow{-50, "Error registering hotkey Ctrl+Alt+←: error -50"}));

}  // namespace
}  // namespace brindlow::KeyboardShortcuts
