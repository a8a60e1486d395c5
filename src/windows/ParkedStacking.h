#pragma once

#include <map>
#include <set>
#include <vector>

#include "strip/StripLayout.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// Keeps parked windows under the visible ones: a window manager that keeps part
// of a parked window on screen (openbox leaves a tenth) would otherwise let one
// that was raised more recently cover the edge of a visible column and its
// title-bar buttons. A window is lowered once when it is parked and stays under
// the others until it is shown again or raised, so only newly parked windows
// are asked: restacking one window makes some window managers restack them all.
// `lowered` holds the windows lowered so far. Returns how many were asked.
// Failures are ignored: the window may be gone already.
int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows,
                       std::set<WindowID>& lowered);

}  // namespace brindlow
