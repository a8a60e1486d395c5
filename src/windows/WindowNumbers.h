#pragma once

#include <cstdint>
#include <optional>

#include "geometry/Geometry.h"
#include "platform/WindowList.h"

namespace brindlow {

// The window-server number of an application's on-screen window whose bounds
// lie within 4 points of `frame` in x, y, width and height: the frontmost such
// window of the normal layer; nothing when none matches.
std::optional<std::uint32_t> windowNumber(const WindowList& list, std::int32_t pid,
                                          const Rect& frame);

}  // namespace brindlow
