#include "controller/StillPointerFocus.h"

namespace brindlow {

void StillPointerFocus::moved(double time,
                              const std::function<std::optional<PointerState>()>& pointer) {
    const bool startsRun = !lastMove_ || time - *lastMove_ > kEchoWait;
    lastMove_ = time;
    const std::optional<PointerState> state = pointer ? pointer() : std::nullopt;
    // A button held is a drag or a click of the user's: nothing is judged ours meanwhile.
    if (!state || state->buttonDown) {
        restingAt_.reset();
        return;
    }
    if (startsRun) {
        restingAt_ = state->location;
        restingSince_.reset();
    } else if (restingAt_ != state->location) {
        restingAt_ = state->location;
        restingSince_ = time;
    }
}

bool StillPointerFocus::slidUnder(double time, const std::optional<PointerState>& pointer,
                                  const Rect& frame) const {
    if (!lastMove_ || time - *lastMove_ > kEchoWait) return false;
    if (!pointer || !restingAt_ || pointer->buttonDown || pointer->location != *restingAt_)
        return false;
    if (restingSince_ && time - *restingSince_ < kRest) return false;
    return frame.contains(pointer->location);
}

}  // namespace brindlow
