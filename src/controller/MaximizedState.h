#pragma once

#include "platform/AccessibilityTypes.h"

namespace brindlow::MaximizedState {

// A tiled window is never left maximised: the window manager would hold it at the whole work area,
// over and under the other columns, and answer every size it is sent with that one.

// Whether the window reads maximised (false when it cannot be read).
bool isMaximized(const AXElementRef& element);
// Takes a maximised window out of that state; true when it was maximised.
bool clear(const AXElementRef& element);

}  // namespace brindlow::MaximizedState
