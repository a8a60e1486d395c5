#include "controller/RaiseEchoes.h"

#include <algorithm>

namespace brindlow {

void RaiseEchoes::reset(std::optional<WindowID> focused) {
    focused_ = focused;
    requests_.clear();
}

void RaiseEchoes::raised(WindowID window, double time, bool replacesLast) {
    expire(time);
    if (replacesLast && !requests_.empty()) requests_.pop_back();
    const bool moves = focusAfterRequests() != window;
    requests_.push_back({window, time, moves, ++order_});
}

RaiseEchoes::Verdict RaiseEchoes::judge(WindowID window, double time,
                                        std::optional<WindowID> stripFocus) {
    expire(time);
    focused_ = window;
    // The earliest awaited request for this window: requests are handled in order, so it is the
    // one answered now.
    const auto answered = std::find_if(requests_.begin(), requests_.end(), [window](auto& r) {
        return r.awaited && r.window == window;
    });
    if (answered == requests_.end()) {
        othersLast_ = Followed{window, ++order_};
        return Verdict::notOurs;
    }
    const std::uint64_t asked = answered->order;
    // Everything asked before it has been handled by now.
    requests_.erase(requests_.begin(), answered + 1);
    if (awaitsAnswers()) return Verdict::overtaken;
    const bool movedByOthers =
        othersLast_ && othersLast_->order > asked && othersLast_->window == stripFocus;
    if (stripFocus && *stripFocus != window && !movedByOthers) return Verdict::overtaken;
    return Verdict::answer;
}

bool RaiseEchoes::awaitsAnswers() const {
    return std::any_of(requests_.begin(), requests_.end(), [](auto& r) { return r.awaited; });
}

bool RaiseEchoes::raiseUnderWay() const {
    const auto latest =
        std::find_if(requests_.rbegin(), requests_.rend(), [](auto& r) { return r.awaited; });
    return latest != requests_.rend() && (!othersLast_ || othersLast_->order < latest->order);
}

void RaiseEchoes::expire(double time) {
    while (!requests_.empty() && time - requests_.front().time > kAnswerWait) requests_.pop_front();
}

std::optional<WindowID> RaiseEchoes::focusAfterRequests() const {
    return requests_.empty() ? focused_ : std::optional(requests_.back().window);
}

}  // namespace brindlow
