#pragma once

#include <QImage>

namespace brindlow::SurfaceShadow {

// A soft drop shadow under a surface's content, drawn in the surface's own translucent window
// (only where a compositor blends): the window reaches kMargin past the content on every side,
// and the shadow falls kOffsetY lower than the content, as if lit from above.
inline constexpr int kMargin = 12;
inline constexpr int kOffsetY = 3;
// Three box blurs of this radius approximate a Gaussian about 9 pixels wide.
inline constexpr int kBlurRadius = 3;
inline constexpr double kPeakAlpha = 0.55;

// The shadow of content drawn as `content` (its alpha is the shape), as a black translucent image
// kMargin larger on every side. Nothing is drawn under the content itself, so a translucent
// content is not darkened.
QImage render(const QImage& content);

}  // namespace brindlow::SurfaceShadow
