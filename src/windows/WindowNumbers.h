#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "platform/WindowList.h"

namespace brindlow {

// The window-server number of an application's on-screen window whose bounds
// lie within 4 points of `frame` in x, y, width and height: the frontmost such
// window of the normal layer; nothing when none matches.
std::optional<std::uint32_t> windowNumber(const WindowList& list, std::int32_t pid,
                                          const Rect& frame);

// The window-server number of the on-screen window with this identity; nothing when it is not on
// screen. Unlike a match by bounds it holds while the window's real frame differs from the one
// last read (an application that snaps back to its own size after a move).
std::optional<std::uint32_t> windowNumber(const std::vector<WindowListEntry>& windows,
                                          WindowID window);

}  // namespace brindlow
