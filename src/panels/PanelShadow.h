#pragma once

#include "geometry/Geometry.h"

namespace brindlow::PanelShadow {

// A soft shadow below a floating panel, drawn in the panel's own translucent window: the window
// reaches kMargin past the content on every side, and the shadow, kBlur wide, falls kOffsetY
// lower than the content, as if lit from above.
inline constexpr double kMargin = 18;
inline constexpr double kBlur = 14;
inline constexpr double kOffsetY = 4;
inline constexpr double kPeakAlpha = 0.32;

// The window's frame for content at `content`: with room for the shadow when it is drawn.
Rect windowFrame(const Rect& content, bool drawn);
// The shadow's opacity `distance` points outside the content's edge: strongest at the edge,
// fading smoothly to nothing at kBlur.
double alpha(double distance);

}  // namespace brindlow::PanelShadow
