#include "controller/DisplayState.h"

#include <algorithm>

#include "controller/AnimationTiming.h"

namespace brindlow {

std::pair<double, double> DisplayState::animatedPosition(double time, double fallbackOffset) const {
    double offset = fallbackOffset;
    if (scrollEase)
        offset = scrollEase->isFinished(time) ? scrollEase->to : scrollEase->value(time);
    double progress = glideProgress;
    if (glideEase) progress = glideEase->isFinished(time) ? glideEase->to : glideEase->value(time);
    return {offset, std::clamp(progress, 0.0, AnimationTiming::kGlideComplete)};
}

}  // namespace brindlow
