#include "controller/StillPointerFocus.h"

namespace brindlow {

double StillPointerFocus::moved(double time) {
    if (!lastMove_ || time - *lastMove_ > kEchoWait) runStart_ = time;
    lastMove_ = time;
    return time + kEchoWait;
}

bool StillPointerFocus::slidUnder(double time, const std::optional<PointerState>& pointer,
                                  const Hand& hand, const Rect& frame) const {
    if (!lastMove_ || time - *lastMove_ > kEchoWait) return false;
    if (!pointer || pointer->buttonDown || !hand.heard) return false;
    const bool handDuringRun = hand.lastActive && *hand.lastActive > *runStart_;
    if (handDuringRun && time - *hand.lastActive < kRest) return false;
    return frame.contains(pointer->location);
}

}  // namespace brindlow
