#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// Whether something else already acts on sideways swipes with this many fingers: on X that is
// a running gesture daemon whose configuration binds them (see SwipeConflicts.h).
bool systemSwipeConflicts(int fingers);

// The command that opens the touchpad settings of the desktop named by
// $XDG_CURRENT_DESKTOP (a colon-separated list), or none for a desktop without one known.
std::optional<std::vector<std::string>> touchpadSettingsCommand(std::string_view currentDesktop);

// Starts the desktop's touchpad settings when one is known; otherwise does nothing.
void openTrackpadSettings();
// Opens the configuration of the daemon that conflicts with `fingers`-finger swipes, else the
// desktop's touchpad settings.
void openTrackpadSettings(int fingers);

}  // namespace brindlow
