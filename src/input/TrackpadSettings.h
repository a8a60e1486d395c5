#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// Whether the desktop itself already uses sideways swipes with this many fingers. X
// has no such system gesture to read, so no swipe ever conflicts.
bool systemSwipeConflicts(int fingers);

// The command that opens the touchpad settings of the desktop named by
// $XDG_CURRENT_DESKTOP (a colon-separated list), or none for a desktop without one known.
std::optional<std::vector<std::string>> touchpadSettingsCommand(std::string_view currentDesktop);

// Starts the desktop's touchpad settings when one is known; otherwise does nothing.
void openTrackpadSettings();

}  // namespace brindlow
