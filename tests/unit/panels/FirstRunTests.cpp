#include <gtest/gtest.h>

#include "PanelFakes.h"
#include "panels/FirstRunModel.h"

namespace brindlow::test {
namespace {

class FakeWindowManagers final : public WindowManagerSource {
  public:
    std::optional<std::string> windowManagerName() const override { return wm; }
    std::vector<std::string> processNames() const override { return processes; }
    std::optional<std::string> wm;
    std::vector<std::string> processes;
};

TEST(FirstRun, ConflictsAreTheKnownProcessesSortedOncePerProcess) {
    FakeWindowManagers source;
    source.wm = "Openbox";
    source.processes = {"bash", "xterm", "openbox"};
    EXPECT_TRUE(runningWindowManagers(source).empty());
    EXPECT_EQ(FirstRunTexts::conflicts({}), "No other tiling tool is running.");

    source.processes = {"xpytile", "bash", "xmonad-x86_64-l", "i3"};
    const auto two = std::vector<std::string>{"i3", "xmonad", "xpytile"};
    EXPECT_EQ(runningWindowManagers(source), two);
    EXPECT_EQ(FirstRunTexts::conflicts({"i3", "xpytile"}),
              "i3, xpytile is running. Two tiling tools fight over the same windows; quit it "
              "or turn off its automatic layouts.");

    // Twice running, twice listed; a window manager named only by its check window, once.
    source.processes = {"xpytile", "xpytile"};
    source.wm = "LeftWM";
    EXPECT_EQ(runningWindowManagers(source),
              (std::vector<std::string>{"LeftWM", "xpytile", "xpytile"}));
    source.processes = {"leftwm"};
    EXPECT_EQ(runningWindowManagers(source), std::vector<std::string>{"LeftWM"});
}

TEST(FirstRun, HintsFollowTheSettingsAndTheShowAllShortcut) {
    AppSettings s;
    s.gesturesEnabled = true;
    s.gestureFingers = 4;
    s.focusFollowsMouse = true;
    const auto hints = FirstRunTexts::trackpadAndMouse(s);
    ASSERT_EQ(hints.size(), 5u);
    EXPECT_EQ(hints[0],
              "Swipe two fingers sideways to scroll the strip; the app under the pointer scrolls "
              "with it. Hold Alt to scroll only the app.");
    EXPECT_EQ(hints[1], "Swipe 4 fingers sideways to scroll the strip too.");
    EXPECT_EQ(hints[4], "Focus follows the mouse: resting the pointer on a column focuses it.");
    s.twoFingerScroll = TwoFingerScroll::off;
    s.gesturesEnabled = false;
    s.focusFollowsMouse = false;
    const auto other = FirstRunTexts::trackpadAndMouse(s);
    EXPECT_EQ(other[0],
              "Scrolling the strip with two fingers is off: turn it on in Settings > Motion.");
    EXPECT_EQ(other[1],
              "Three- or four-finger sideways swipes can scroll the strip too: turn them on in "
              "Settings > Motion.");
    EXPECT_EQ(other[4],
              "Click a window to focus it, or turn on focus follows mouse in Settings > General.");

    EXPECT_EQ(FirstRunTexts::goodToKnow({{"Show all shortcuts", "Ctrl+Alt+/"}})[1],
              "Press Ctrl+Alt+/ any time to see every shortcut. The tray icon has the rest.");
    EXPECT_EQ(FirstRunTexts::goodToKnow({})[1],
              "Press Keyboard Shortcuts in the tray menu any time to see every shortcut. The tray "
              "icon has the rest.");
}

TEST(FirstRun, RefreshReadsPermissionConflictsAndKeysAgain) {
    bool trusted = false;
    FakeWindowManagers source;
    FakeShortcuts shortcuts;
    FirstRunModel model([&] { return trusted; }, &source, shortcuts);
    int changes = 0;
    model.onChange = [&] { ++changes; };
    EXPECT_FALSE(model.trusted());
    EXPECT_TRUE(model.keys().empty());

    trusted = true;
    source.processes = {"bspwm"};
    shortcuts.texts = {{"cycleWidth", "Ctrl+Alt+R"}};
    model.refresh();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(model.trusted());
    EXPECT_EQ(model.conflicts(), std::vector<std::string>{"bspwm"});
    EXPECT_EQ(model.keys().at("Cycle width"), "Ctrl+Alt+R");
}

}  // namespace
}  // namespace brindlow::test
