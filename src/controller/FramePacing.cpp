#include "controller/FramePacing.h"

#include <algorithm>
#include <cmath>

#include "controller/AnimationTiming.h"
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

int stepsToReach(double lead) {
    if (lead <= AnimationTiming::kFrameLead) return 0;
    return int(std::ceil(lead / kLeadStep - 1e-9));
}

int leadSteps(double lag) {
    if (lag < kSlowApplicationLag) return 0;
    return int(roundHalfAway(std::min(lag, kLongestLead) / kLeadStep));
}

}  // namespace brindlow::FramePacing
