#include "controller/AnimationTiming.h"

#include <algorithm>
#include <cmath>

namespace brindlow::AnimationTiming {

double baseDuration(double stiffness) {
    const double unbounded = kBaseScale / std::sqrt(std::max(stiffness, kSoftestStiffness));
    return unbounded >= kLongestBase ? kLongestBase : std::max(unbounded, kShortestBase);
}

double glideDuration(double stiffness) {
    return std::max(kGlideBases * baseDuration(stiffness), kShortestDuration);
}

double scrollDuration(double stiffness, double distance) {
    const double bases = std::clamp(distance / kPointsPerExtraBase + kFewestScrollBases,
                                    kFewestScrollBases, kMostScrollBases);
    return std::max(bases * baseDuration(stiffness), kShortestDuration);
}

double startSpeedLimit(double distance, double duration) {
    return kStartSpeedFactor * distance / duration;
}

}  // namespace brindlow::AnimationTiming
