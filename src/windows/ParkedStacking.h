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
// title-bar buttons. Only a parked window that stands in front of a visible one
// of the layout and overlaps it (as the windows' frames stand) is asked
// (`frontToBack`: the window server's stacking order), so the stacking changes
// only where it must. Without a stacking order, a window is asked
// once after it was parked (`lowered` holds those). Returns how many were
// asked. Failures are ignored: the window may be gone already.
int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows,
                       const std::vector<WindowID>& frontToBack, std::set<WindowID>& lowered);

}  // namespace brindlow
