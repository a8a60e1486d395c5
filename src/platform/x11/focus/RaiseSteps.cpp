#include "platform/x11/focus/RaiseSteps.h"

namespace brindlow {

bool RaiseSteps::furtherStep(std::uint32_t window, std::optional<std::uint64_t> raise) const {
    return raise && last_ && last_->window == window && last_->raise == raise;
}

bool RaiseSteps::forAnotherWindow(std::uint32_t window, std::optional<std::uint64_t> raise) const {
    return raise && last_ && last_->raise == raise && last_->window != window;
}

void RaiseSteps::sent(std::uint32_t window, std::optional<std::uint64_t> raise) {
    last_ = Sent{window, raise};
}

std::optional<std::uint32_t> RaiseSteps::lastWindow() const {
    if (!last_) return std::nullopt;
    return last_->window;
}

}  // namespace brindlow
