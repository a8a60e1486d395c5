#include "platform/x11/focus/CrossedMinimise.h"

#include <algorithm>

namespace brindlow {

void CrossedMinimise::minimiseSent(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    ++ownMinimises_[window];
}

void CrossedMinimise::minimiseAsked(std::uint32_t window, bool shown) {
    std::lock_guard lock(mutex_);
    if (const auto own = ownMinimises_.find(window); own != ownMinimises_.end()) {
        if (--own->second == 0) ownMinimises_.erase(own);
        return;
    }
    // A minimise asked of a window minimised already changes nothing; one asked again before
    // the first was told is the same minimise.
    if (shown) minimises_[window].asked = true;
}

void CrossedMinimise::minimiseTold(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    Minimises& minimises = minimises_[window];
    // The one asked, carried out; or one the window manager made of its own accord.
    minimises.asked = false;
    ++minimises.told;
}

void CrossedMinimise::leftShown(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    if (const auto found = minimises_.find(window); found != minimises_.end())
        found->second.asked = false;
}

void CrossedMinimise::forget(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    minimises_.erase(window);
    ownMinimises_.erase(window);
}

std::uint64_t CrossedMinimise::seenLocked(std::uint32_t window) const {
    const auto found = minimises_.find(window);
    return found == minimises_.end() ? 0 : found->second.seen();
}

bool CrossedMinimise::untold(std::uint32_t window) const {
    std::lock_guard lock(mutex_);
    const auto found = minimises_.find(window);
    return found != minimises_.end() && found->second.asked;
}

std::optional<CrossedMinimise::Judged> CrossedMinimise::judge(std::uint32_t window,
                                                              std::optional<std::uint64_t> heard,
                                                              bool minimisedNow) const {
    std::lock_guard lock(mutex_);
    const auto found = minimises_.find(window);
    if (found == minimises_.end()) return Judged{window, 0};
    // Nobody can have heard of a minimise not told yet.
    if (found->second.asked) return std::nullopt;
    if (minimisedNow && heard.value_or(found->second.told) < found->second.told)
        return std::nullopt;
    return Judged{window, found->second.seen()};
}

void CrossedMinimise::sent(const Judged& judged) {
    std::lock_guard lock(mutex_);
    underWay_.push_back(Sent{judged.window, judged.seen});
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
    return seenLocked(window) > sent.seen;
}

}  // namespace brindlow
