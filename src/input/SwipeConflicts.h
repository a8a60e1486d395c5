#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// A gesture daemon that binds sideways swipes with the finger count Brindlow's own swipes use:
// both would act on one swipe.
struct SwipeConflict {
    std::string daemon;                   // "touchegg", "libinput-gestures", "fusuma"
    std::filesystem::path configuration;  // the file that binds the swipes
    friend bool operator==(const SwipeConflict&, const SwipeConflict&) = default;
};

// Where the check looks: the process table and the configuration folders.
struct SwipeConflictSources {
    std::filesystem::path proc = "/proc";
    std::filesystem::path userConfig;  // $XDG_CONFIG_HOME, else ~/.config
    std::filesystem::path systemConfig = "/etc";
    std::filesystem::path sharedData = "/usr/share";

    static SwipeConflictSources fromEnvironment();
};

// Whether a configuration binds a horizontal (left or right) swipe of `fingers` fingers.
bool toucheggBindsSideways(std::string_view xml, int fingers);
// A line without a finger count binds every count.
bool libinputGesturesBindsSideways(std::string_view configuration, int fingers);
bool fusumaBindsSideways(std::string_view yaml, int fingers);

// The program names of the running processes: the base names of each one's first two
// command-line words (scripts run by an interpreter show as its second word) and its short name.
std::vector<std::string> runningProgramNames(const std::filesystem::path& proc);

// The first running gesture daemon whose configuration binds sideways swipes with `fingers`
// fingers (any count but 4 reads as 3, the counts Brindlow offers), or none.
std::optional<SwipeConflict> swipeConflict(int fingers, const SwipeConflictSources& sources);

// The settings window's warning: "touchegg also uses three-finger sideways swipes, …", with the
// configuration's path written from "~" when it lies in `home`.
std::string swipeConflictWarning(const SwipeConflict& conflict, int fingers,
                                 const std::filesystem::path& home);

}  // namespace brindlow
