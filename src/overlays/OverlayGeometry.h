#pragma once

#include "geometry/Geometry.h"
#include "platform/Surface.h"

namespace brindlow {

// Global coordinates to the toolkit's screen coordinates. Both are X root coordinates here, so
// this is the identity; call sites keep the conversion visible.
inline Rect toolkitRect(const Rect& global) {
    return global;
}

// The focus border's window around a focused window: the frame grown by the stroke width on every
// side, so the stroke lies just outside the window. A negative or non-finite width counts as 0.
Rect borderWindowFrame(const Rect& windowFrame, double width);

// The stroke inside a border window of the given size: the bounds inset by half the width, a
// rounded rectangle with corner radius width / 2 + 10, stroked with the width.
struct BorderStroke {
    Rect path;
    double cornerRadius = 0;
    double lineWidth = 0;
    friend bool operator==(const BorderStroke&, const BorderStroke&) = default;
};
BorderStroke borderStroke(const Size& bounds, double width);

// The border width actually drawn: the setting, at least 0.
double sanitizedBorderWidth(double width);

// A window's frame without the decorations the window manager draws around it.
Rect contentArea(const Rect& windowFrame, const Decorations& decorations);

// A badge dot (16 × 16) near the top-right corner of a window's content (`windowFrame` without its
// decorations, so that the dot never covers the title bar's buttons): its right edge 6 points
// inside the content's, its top 6 points below the content's top, never closer than 2 points to
// either side edge of the window's display.
Rect badgeDotFrame(const Rect& windowFrame, const Rect& displayFrame);

inline constexpr double kBadgeDotSize = 16;

}  // namespace brindlow

namespace brindlow {

// Where a toast of `size` goes in a display's visible area: centred horizontally (x rounded to a
// whole point, halves away from zero), its lower edge 72 points above the area's bottom.
Rect toastFrame(const Rect& area, const Size& size);

// The toast's size bar `width` wide comparing what a window needs with what the screen has: the
// grey capsule (the screen's share, width × available / needed less 1) and the orange rest, with
// a 2-point gap between them. Computed in doubles; neither part is ever negative, and a needed of
// 0 or less counts as all grey.
struct SizeBarParts {
    double grey = 0;
    double orange = 0;
    friend bool operator==(const SizeBarParts&, const SizeBarParts&) = default;
};
inline constexpr double kSizeBarGap = 2;
SizeBarParts sizeBarParts(double width, double needed, double available);

}  // namespace brindlow
