#pragma once

#include <optional>
#include <span>
#include <string>

#include "geometry/Geometry.h"
#include "windows/DisplayInfo.h"

namespace brindlow {

// The uuid of the display a window with `frame` belongs to: the one it overlaps most (the first
// of equals), else the one whose centre is nearest its centre. None without displays.
std::optional<std::string> displayHolding(const Rect& frame, std::span<const DisplayInfo> displays);

}  // namespace brindlow
