#pragma once

#include <map>
#include <vector>

#include "strip/StripLayout.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// Keeps parked windows under the visible ones: a window manager that keeps part
// of a parked window on screen (openbox leaves a tenth) would otherwise let one
// that was raised more recently cover the edge of a visible column and its
// title-bar buttons. Lowers every parked window of the layout; returns how many
// were asked. Failures are ignored: the window may be gone already.
int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows);

}  // namespace brindlow
