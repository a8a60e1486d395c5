#pragma once

#include <cstdint>
#include <vector>

#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "platform/Workspace.h"

namespace brindlow {

class Accessibility;

// Where our own windows that the window manager frames (settings, welcome, panels) stand now,
// with their frames: never the overlays, which bypass it, nor menus. Empty without widgets.
std::vector<Rect> ownWindowFrames();

// The windows of the active display's focused column, when it holds more than one; none else.
std::vector<std::uint32_t> focusedStackWindows(const StripSnapshot& snapshot);

// The running applications "Add App" may offer: those with a window to tile, not a tray host,
// a desktop or a panel alone.
std::vector<RunningApplication> applicationsWithOrdinaryWindows(const Workspace& workspace,
                                                                Accessibility* accessibility);

}  // namespace brindlow
