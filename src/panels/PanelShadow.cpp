#include "panels/PanelShadow.h"

#include <algorithm>

namespace brindlow::PanelShadow {

Rect windowFrame(const Rect& content, bool drawn) {
    if (!drawn) return content;
    return {content.x - kMargin, content.y - kMargin, content.width + 2 * kMargin,
            content.height + 2 * kMargin};
}

double alpha(double distance) {
    const double remaining = 1 - std::clamp(distance, 0.0, kBlur) / kBlur;
    return kPeakAlpha * remaining * remaining;
}

}  // namespace brindlow::PanelShadow
