#pragma once

#include <cstdint>

#include "platform/WindowManagerTraits.h"

namespace brindlow {

// Whether the buttons and modifiers of a pointer state (an X key-button mask) are the user's
// hand moving or resizing a window: the first button (a frame's title or border), or another of
// the window manager's drag buttons with its modifier held.
bool isDragButtonHeld(std::uint16_t mask, const DragButtons& drag);

}  // namespace brindlow
