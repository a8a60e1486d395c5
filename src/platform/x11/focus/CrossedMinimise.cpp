#include "platform/x11/focus/CrossedMinimise.h"

#include <algorithm>

namespace brindlow {

void CrossedMinimise::minimiseSent(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    ++ownMinimises_[window];
}

void CrossedMinimise::minimiseHeard(std::uint32_t window, Clock::time_point at) {
    std::lock_guard lock(mutex_);
    if (const auto own = ownMinimises_.find(window); own != ownMinimises_.end()) {
        if (--own->second == 0) ownMinimises_.erase(own);
        return;
    }
    minimised_[window] = at;
    // Forgotten once no activation asked now or still on its way could count it.
    Clock::time_point oldestAsked = at;
    for (const Sent& sent : underWay_) oldestAsked = std::min(oldestAsked, sent.asked);
    std::erase_if(minimised_,
                  [&](const auto& entry) { return entry.second + kMinimiseNews < oldestAsked; });
}

bool CrossedMinimise::undoesLocked(std::uint32_t window, Clock::time_point asked) const {
    const auto found = minimised_.find(window);
    return found != minimised_.end() && found->second + kMinimiseNews >= asked;
}

bool CrossedMinimise::undoes(std::uint32_t window, Clock::time_point asked) const {
    std::lock_guard lock(mutex_);
    return undoesLocked(window, asked);
}

void CrossedMinimise::sent(std::uint32_t window, Clock::time_point asked) {
    std::lock_guard lock(mutex_);
    underWay_.push_back(Sent{window, asked});
    if (underWay_.size() > kRemembered) underWay_.pop_front();
}

bool CrossedMinimise::heard(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    const auto ours = std::find_if(underWay_.begin(), underWay_.end(),
                                   [&](const Sent& sent) { return sent.window == window; });
    // Someone else's (a taskbar's, the user's): what it shows is theirs to show.
    if (ours == underWay_.end()) return false;
    const Sent sent = *ours;
    // Those sent before it came back before it, or never will.
    underWay_.erase(underWay_.begin(), std::next(ours));
    return undoesLocked(window, sent.asked);
}

}  // namespace brindlow
