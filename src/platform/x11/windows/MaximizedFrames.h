#pragma once

#include <optional>
#include <vector>

#include "geometry/Geometry.h"

namespace brindlow {

class X11Connection;

// Beside a window manager that lists no maximised state (see
// WindowManagerTraits::publishesMaximized), a maximised window shows only by its frame: it fills a
// monitor, or the part of it within the work area.

// The frames a maximised window takes: each monitor, and its part within the work area.
std::vector<Rect> maximizedFrames(const std::vector<Rect>& monitors,
                                  const std::optional<Rect>& workArea);
// Whether a frame (the window manager's decorations included) has the size of one of
// `maximized`: the same, or short of it by less than one of the client's size increments (the
// window manager keeps those). Wherever it stands: a maximised window moved stays maximised.
bool hasMaximizedSize(Size frame, std::optional<Size> increments,
                      const std::vector<Rect>& maximized);
// maximizedFrames() of the RandR monitors (the root when there are none) and the current
// desktop's work area. Two round trips.
std::vector<Rect> readMaximizedFrames(X11Connection& x);

}  // namespace brindlow
