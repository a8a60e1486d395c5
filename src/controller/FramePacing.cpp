#include "controller/FramePacing.h"

#include <algorithm>

#include "geometry/Rounding.h"

namespace brindlow::FramePacing {

namespace {

double interpolate(double from, double to, double fraction) {
    return roundHalfAway(from + (to - from) * fraction);
}

}  // namespace

Rect glideFrame(const Rect& from, const Rect& to, double fraction, bool slowResize) {
    Rect frame(interpolate(from.minX(), to.minX(), fraction),
               interpolate(from.minY(), to.minY(), fraction), to.width, to.height);
    if (!slowResize) {
        frame.width = interpolate(from.width, to.width, fraction);
        frame.height = interpolate(from.height, to.height, fraction);
    }
    return frame;
}

int leadSteps(double lag) {
    if (lag < kSlowApplicationLag) return 0;
    return int(roundHalfAway(std::min(lag, kLongestLead) / kLeadStep));
}

}  // namespace brindlow::FramePacing
