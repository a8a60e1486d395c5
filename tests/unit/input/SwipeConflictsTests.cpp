// Gesture daemons that bind sideways swipes: each configuration format, and the whole check
// against a fake process table and configuration folders.
#include <gtest/gtest.h>

#include <fstream>

#include "input/SwipeConflicts.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

constexpr const char* kTouchegg = R"(<touchégg>
  <settings><property name="animation_delay">150</property></settings>
  <application name="All">
    <gesture type="SWIPE" fingers="3" direction="UP"><action type="MAXIMIZE_RESTORE_WINDOW"/></gesture>
    <gesture type="PINCH" fingers="4" direction="IN"><action type="CLOSE_WINDOW"/></gesture>
    <gesture type="SWIPE" fingers="4" direction="LEFT"><action type="CHANGE_DESKTOP"/></gesture>
  </application>
</touchégg>)";

constexpr const char* kLibinputGestures = R"(# gesture swipe left 4 xdotool key super+Right
gesture swipe up 3 xdotool key super+Up
gesture: swipe right 4 xdotool key super+Left
gesture swipe left_up xdotool key super+Home
gesture pinch in xdotool key ctrl+minus
)";

constexpr const char* kFusuma = R"(swipe:
  3:
    up:
      command: 'xdotool key super+Up'
  '4':
    left:
      command: 'xdotool key ctrl+alt+Right'
pinch:
  3:
    left:
      command: 'never a swipe'
threshold:
  swipe: 0.4
)";

struct FormatCase {
    const char* name;
    bool (*bindsSideways)(std::string_view, int);
    const char* configuration;
    bool three;
    bool four;
};

class ConfigurationFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(ConfigurationFormats, OnlyHorizontalSwipesOfTheCountBind) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(c.bindsSideways(c.configuration, 3), c.three);
    EXPECT_EQ(c.bindsSideways(c.configuration, 4), c.four);
}

INSTANTIATE_TEST_SUITE_P(
    Daemons, ConfigurationFormats,
    testing::Values(FormatCase{"touchegg", toucheggBindsSideways, kTouchegg, false, true},
                    FormatCase{"toucheggBroken", toucheggBindsSideways, "<touchégg><gesture", false,
                               false},
                    FormatCase{"libinputGestures", libinputGesturesBindsSideways, kLibinputGestures,
                               false, true},
                    // No finger count: every count.
                    FormatCase{"libinputGesturesAnyCount", libinputGesturesBindsSideways,
                               "gesture swipe left xdotool key alt+Right\n", true, true},
                    FormatCase{"fusuma", fusumaBindsSideways, kFusuma, false, true},
                    FormatCase{"fusumaThree", fusumaBindsSideways,
                               "swipe:\n  3:\n    right:\n      command: 'x'\n", true, false}),
    [](const auto& param) { return std::string(param.param.name); });

// A process table and configuration folders laid out as on a real system.
class SwipeConflictCheck : public testing::Test {
  protected:
    void run(int pid, std::string comm, std::vector<std::string> arguments) {
        const auto folder = root.path() / "proc" / std::to_string(pid);
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "comm") << comm << "\n";
        std::ofstream cmdline(folder / "cmdline", std::ios::binary);
        for (const std::string& argument : arguments) cmdline << argument << '\0';
    }
    void write(const std::filesystem::path& file, std::string_view text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    SwipeConflictSources sources() const {
        return {root.path() / "proc", root.path() / "home" / ".config", root.path() / "etc",
                root.path() / "usr" / "share"};
    }

    test::TempFolder root;
};

TEST_F(SwipeConflictCheck, ARunningDaemonWithABindingConflictsAndNamesItsConfiguration) {
    run(1, "systemd", {"/sbin/init"});
    run(812, "Xorg", {"/usr/lib/xorg/Xorg", ":0"});
    write(root.path() / "home/.config/touchegg/touchegg.conf", kTouchegg);
    // Configured but not running: no conflict.
    EXPECT_EQ(swipeConflict(4, sources()), std::nullopt);

    run(1400, "touchegg", {"touchegg"});
    EXPECT_EQ(swipeConflict(4, sources()),
              (SwipeConflict{"touchegg", root.path() / "home/.config/touchegg/touchegg.conf"}));
    EXPECT_EQ(swipeConflict(3, sources()), std::nullopt);
    // Counts other than four read as three, as the swipes themselves do.
    EXPECT_EQ(swipeConflict(5, sources()), std::nullopt);
}

TEST_F(SwipeConflictCheck, ScriptDaemonsAreFoundThroughTheirInterpreterAndSystemConfiguration) {
    // The kernel cuts the short name to 15 characters; the command line has it whole.
    run(2001, "libinput-gestu", {"/usr/bin/python3", "/usr/bin/libinput-gestures"});
    write(root.path() / "etc/libinput-gestures.conf", "gesture swipe right 3 xdotool key a\n");
    EXPECT_EQ(swipeConflict(3, sources()),
              (SwipeConflict{"libinput-gestures", root.path() / "etc/libinput-gestures.conf"}));
    // The user's own file takes the system's place.
    write(root.path() / "home/.config/libinput-gestures.conf", "gesture swipe up 3 true\n");
    EXPECT_EQ(swipeConflict(3, sources()), std::nullopt);

    run(2002, "ruby", {"ruby", "/usr/local/bin/fusuma", "-d"});
    write(root.path() / "home/.config/fusuma/config.yml", "swipe:\n  3:\n    left:\n      x: 1\n");
    EXPECT_EQ(swipeConflict(3, sources()),
              (SwipeConflict{"fusuma", root.path() / "home/.config/fusuma/config.yml"}));
}

TEST(SwipeConflictWarning, NamesTheDaemonTheCountAndTheFileFromHome) {
    EXPECT_EQ(swipeConflictWarning({"touchegg", "/home/ada/.config/touchegg/touchegg.conf"}, 4,
                                   "/home/ada"),
              "touchegg also uses four-finger sideways swipes, so both would happen. In its "
              "configuration (~/.config/touchegg/touchegg.conf), move those swipes to the other "
              "finger count or remove them.");
    EXPECT_EQ(
        swipeConflictWarning({"libinput-gestures", "/etc/libinput-gestures.conf"}, 3, "/home/ada"),
        "libinput-gestures also uses three-finger sideways swipes, so both would happen. In "
        "its configuration (/etc/libinput-gestures.conf), move those swipes to the other "
        "finger count or remove them.");
}

}  // namespace
}  // namespace brindlow
