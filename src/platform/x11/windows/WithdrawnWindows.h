#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "geometry/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Windows their application withdrew: no window manager manages them, so they are given their
// place and size directly, with the decorations they had.
class WithdrawnWindows : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // Gives a withdrawn window, which no window manager manages, the place and size of a frame
    // (either may stay) by configuring it directly: what it takes when shown again.
    FrameWriteResult putBackWithdrawn(xcb_window_t window, std::optional<Point> origin,
                                      std::optional<Size> size);
    // Notes the frame extents a window manager gave a client, unless none: what a withdrawn
    // window's decorations were once the window manager took them away.
    void rememberDecorations(xcb_window_t window, const FrameExtents& extents);
};

}  // namespace brindlow
