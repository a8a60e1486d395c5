#include "overlays/OverlayGeometry.h"

#include <algorithm>
#include <cmath>

namespace brindlow {

double sanitizedBorderWidth(double width) {
    return std::isfinite(width) ? std::max(0.0, width) : 0.0;
}

Rect borderWindowFrame(const Rect& windowFrame, double width) {
    const double w = sanitizedBorderWidth(width);
    return toolkitRect(windowFrame).insetBy(-w, -w);
}

BorderStroke borderStroke(const Size& bounds, double width) {
    const double half = width / 2;
    return {Rect(half, half, bounds.width - width, bounds.height - width), half + 10, width};
}

Rect contentArea(const Rect& windowFrame, const Decorations& decorations) {
    return Rect(windowFrame.minX() + decorations.left, windowFrame.minY() + decorations.top,
                std::max(0.0, windowFrame.width - decorations.left - decorations.right),
                std::max(0.0, windowFrame.height - decorations.top - decorations.bottom));
}

Rect badgeDotFrame(const Rect& windowFrame, const Rect& displayFrame) {
    double x = windowFrame.maxX() - 22;
    if (x <= displayFrame.minX() + 2) x = displayFrame.minX() + 2;
    x = std::min(x, displayFrame.maxX() - 18);
    const double y = windowFrame.minY() + 6;
    return toolkitRect(Rect(x, y, kBadgeDotSize, kBadgeDotSize));
}

}  // namespace brindlow

namespace brindlow {

Rect toastFrame(const Rect& area, const Size& size) {
    const Rect toolkitArea = toolkitRect(area);
    const double x = std::round(toolkitArea.midX() - size.width / 2);
    const double y = toolkitArea.maxY() - 72 - size.height;
    return {x, y, size.width, size.height};
}

SizeBarParts sizeBarParts(double width, double needed, double available) {
    const double share = needed > 0 ? width * available / needed : width;
    const double grey = std::clamp(share - 1, 0.0, std::max(0.0, width));
    return {grey, std::max(0.0, width - grey - kSizeBarGap)};
}

}  // namespace brindlow
