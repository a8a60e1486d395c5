#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "platform/Image.h"

namespace brindlow {

class X11Connection;

// The icon an older client gives in WM_HINTS: its pixmap (a bitmap, drawn black on white, or a
// pixmap of a true-colour depth) cut out by its mask when there is one; nothing without a
// readable pixmap.
std::optional<Image> readHintsIcon(X11Connection& x, xcb_window_t window);

}  // namespace brindlow
