#include "controller/StillPointerFocus.h"

#include <algorithm>
#include <unordered_map>

namespace brindlow {

double StillPointerFocus::moved(double time, const std::vector<FormerFrame>& formerFrames) {
    lastMove_ = time;
    // A focus is judged at most an echo wait after the last move, against a hand that acted
    // at most a rest before it: older moves never matter again.
    while (!moves_.empty() && time - moves_.front().time > kEchoWait + kRest) moves_.pop_front();
    std::erase_if(hiddenAt_, [time](const auto& entry) { return time - entry.second > kEchoWait; });
    for (const FormerFrame& former : formerFrames) moves_.push_back({time, former});
    return time + kEchoWait;
}

double StillPointerFocus::restacked(double time, const std::vector<StackingAsk>& asks) {
    for (const StackingAsk& ask : asks) {
        // Asked again, or the other way round: the newer ask is the one carried out.
        std::erase_if(restacksAsked_, [&](const StackingAsk& kept) {
            return kept == ask || kept == StackingAsk{ask.behind, ask.front};
        });
        restacksAsked_.push_back(ask);
    }
    return moved(time);
}

std::optional<double> StillPointerFocus::stackingChanged(double time,
                                                         const std::vector<WindowID>& frontToBack) {
    std::unordered_map<WindowID, std::size_t> depth;  // 0 is the front
    for (std::size_t i = 0; i < frontToBack.size(); ++i) depth.emplace(frontToBack[i], i);
    bool carriedOut = false;
    std::erase_if(restacksAsked_, [&](const StackingAsk& ask) {
        const auto front = depth.find(ask.front);
        const auto behind = depth.find(ask.behind);
        // A window no longer listed (gone, hidden) will never show the order.
        if (front == depth.end() || behind == depth.end()) return true;
        if (front->second > behind->second) return false;
        carriedOut = true;
        return true;
    });
    if (!carriedOut) return std::nullopt;
    return moved(time);
}

void StillPointerFocus::hidden(WindowID window, double time) {
    hiddenAt_[window] = time;
    if (restored_ == window) restored_.reset();
}

double StillPointerFocus::commanded(double time) {
    lastCommand_ = time;
    ++choicesUnheard_;
    return moved(time);
}

void StillPointerFocus::heardUpToChoice(double time) {
    if (choicesUnheard_ == 0) return;
    if (--choicesUnheard_ == 0) choiceHeardBy_ = time;
}

bool StillPointerFocus::slidUnder(double time, const std::optional<PointerState>& pointer,
                                  const Hand& hand, WindowID window, const Rect& frame,
                                  std::optional<WindowID> stripFocus, bool focusHeard) const {
    return ours(
        time, pointer, hand,
        [&](Point location, double at) {
            if (frameAt(window, frame, at).contains(location)) return true;
            // A focus heard after moves of ours took the window from under the pointer: the
            // window manager may have focused it there before it carried them out.
            const auto hidden = hiddenAt_.find(window);
            const double since = hidden != hiddenAt_.end()
                                     ? std::max(time - kEchoWait, hidden->second)
                                     : time - kEchoWait;
            return focusHeard && at == time && movedAwayFrom(window, location, since);
        },
        // The strip's focused window stood over the pointer when the hand acted, above this one,
        // and our moves took it away then or since (the strip scrolling to the window the user
        // clicked): the hand chose that window.
        [&](Point location, double at) {
            return stripFocus && *stripFocus != window && movedAwayFrom(*stripFocus, location, at);
        });
}

bool StillPointerFocus::slidAway(double time, const std::optional<PointerState>& pointer,
                                 const Hand& hand, const std::map<WindowID, Rect>& frames) const {
    return ours(time, pointer, hand, [&](Point location, double at) {
        return std::none_of(frames.begin(), frames.end(), [&](const auto& entry) {
            return frameAt(entry.first, entry.second, at).contains(location);
        });
    });
}

std::vector<WindowID> StillPointerFocus::uncovered(const std::optional<PointerState>& pointer,
                                                   const Rect& closed,
                                                   const std::map<WindowID, Rect>& frames) {
    if (!pointer || pointer->buttonDown || !closed.contains(pointer->location)) return {};
    std::vector<WindowID> beneath;
    for (const auto& [id, frame] : frames)
        if (frame.contains(pointer->location)) beneath.push_back(id);
    return beneath;
}

bool StillPointerFocus::actedSince(double time, const Hand& hand) const {
    return hand.lastActive && *hand.lastActive > time && afterLastChoice(*hand.lastActive);
}

bool StillPointerFocus::afterLastChoice(double at) const {
    if (!lastCommand_) return true;
    return choicesUnheard_ == 0 && choiceHeardBy_ && at > *choiceHeardBy_;
}

bool StillPointerFocus::ours(double time, const std::optional<PointerState>& pointer,
                             const Hand& hand, const std::function<bool(Point, double)>& overTaker,
                             const std::function<bool(Point, double)>& aimedElsewhere) const {
    if (!lastMove_ || time - *lastMove_ > kEchoWait) return false;
    if (!pointer || pointer->buttonDown || !hand.heard) return false;
    if (!overTaker(pointer->location, time)) return false;
    // A hand that acted a moment ago, after the last choice, with the focus taker already under
    // the pointer chose it (the pointer has not moved since, so it stood where it is now).
    // A hand that acted after our last move put the pointer where it is, however late the
    // window manager's answer comes: nothing of ours slid under it since.
    const bool handJustActed = hand.lastActive &&
                               (time - *hand.lastActive < kRest || *hand.lastActive > *lastMove_) &&
                               afterLastChoice(*hand.lastActive);
    if (!handJustActed || !overTaker(pointer->location, *hand.lastActive)) return true;
    return aimedElsewhere && aimedElsewhere(pointer->location, *hand.lastActive);
}

bool StillPointerFocus::movedAwayFrom(WindowID window, Point location, double time) const {
    return std::any_of(moves_.begin(), moves_.end(), [&](const Move& move) {
        return move.time >= time && move.former.window == window &&
               move.former.frame.contains(location);
    });
}

Rect StillPointerFocus::frameAt(WindowID window, const Rect& now, double time) const {
    // Where the first move after `time` took it from; where it stands now when none came since.
    const auto later = std::find_if(moves_.begin(), moves_.end(), [&](const Move& move) {
        return move.time > time && move.former.window == window;
    });
    return later != moves_.end() ? later->former.frame : now;
}

}  // namespace brindlow
