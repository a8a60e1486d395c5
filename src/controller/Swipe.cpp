#include "controller/Swipe.h"

#include <algorithm>
#include <cmath>

#include "strip/LayoutEngine.h"

namespace brindlow::Swipe {

double inPoints(double amount, GestureUnit unit, double width) {
    return unit == GestureUnit::trackpadWidth ? amount * width : amount;
}

double draggedOffset(double startOffset, double amountInPoints, double sensitivity,
                     double maxOffset) {
    double offset = startOffset - amountInPoints * sensitivity;
    if (offset < 0) {
        offset = offset / 3;
    } else if (offset > maxOffset) {
        offset = maxOffset + (offset - maxOffset) / 3;
    }
    return offset;
}

double smoothedVelocity(double velocity, std::optional<std::pair<double, double>> lastSample,
                        double time, double offset) {
    if (!lastSample) return velocity;
    const double elapsed = time - lastSample->first;
    if (elapsed <= 0.002) return velocity;
    return 0.4 * (offset - lastSample->second) / elapsed + 0.6 * velocity;
}

Settle settle(const Strip& strip, double displayedOffset, double velocityInPoints, double width,
              double gap, double outerGap) {
    Settle result;
    const std::vector<double> snaps =
        LayoutEngine::snapOffsets(strip.columns, width, gap, outerGap);
    const double projected = displayedOffset - 0.2 * velocityInPoints;
    if (!snaps.empty()) {
        result.target = snaps.front();
        for (const double snap : snaps)
            if (std::fabs(snap - projected) < std::fabs(result.target - projected))
                result.target = snap;
    }
    const std::vector<LayoutEngine::ColumnSpan> spans =
        LayoutEngine::columnSpans(strip.columns, width, gap, outerGap);
    if (!spans.empty()) {
        const double centre = result.target + width / 2;
        size_t nearest = 0;
        for (size_t i = 1; i < spans.size(); ++i) {
            const double distance = std::fabs(spans[i].x + spans[i].width / 2 - centre);
            const double best = std::fabs(spans[nearest].x + spans[nearest].width / 2 - centre);
            if (distance < best) nearest = i;
        }
        result.focusedIndex = strip.leftPinnedCount() + int(nearest);
    }
    result.velocity = -velocityInPoints;
    return result;
}

}  // namespace brindlow::Swipe
