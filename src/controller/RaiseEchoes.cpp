#include "controller/RaiseEchoes.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace brindlow {

void RaiseEchoes::reset(std::optional<WindowID> focused) {
    focused_ = focused;
    lastJudged_ = focused;
    requests_.clear();
}

void RaiseEchoes::raised(WindowID window, double time, bool replacesLast,
                         bool focusUnderThePointer) {
    expire(time);
    if (replacesLast && !requests_.empty()) requests_.pop_back();
    const bool moves = focusAfterRequests(focusUnderThePointer) != window;
    requests_.push_back({window, time, moves, false, false, focusUnderThePointer && !moves, false,
                         false, ++order_});
}

RaiseEchoes::Verdict RaiseEchoes::judge(WindowID window, double time,
                                        std::optional<WindowID> stripFocus,
                                        std::optional<double> handActed, bool ownFocusDue,
                                        bool underPointer) {
    expire(time);
    const std::optional<WindowID> before = focused_;
    focused_ = window;
    const bool again = std::exchange(lastJudged_, window) == window;
    // The application's activation hands on the window whose focus answered our raise aside.
    if (const auto aside = std::exchange(answeredAside_, std::nullopt);
        aside && aside->window == window)
        return aside->verdict ? *aside->verdict : latestAnswered(window, aside->asked, stripFocus);
    // The application's activation handing on the window whose overtaken answer was heard aside
    // just before: that answer is told now, not still to come after the later raise's.
    if (before == window) toldAgain(window);
    // The window manager names again the window that had the focus, which a raise of ours not
    // awaited asked for: it re-announced it as it handled that raise, or the focus went elsewhere
    // and back before we heard it. Either way nobody else chose anything we did not know of. So
    // too when the focus went to no window in between (a gap slid under a resting pointer) and
    // comes back to it, unless the user's hand acted since the raise was asked for.
    const bool backAfterLoss = !before && lostFrom_ == window;
    const auto reannounced = [&] {
        return std::find_if(requests_.begin(), requests_.end(), [&](auto& r) {
            const bool handSince = backAfterLoss && handActed && *handActed > r.time;
            return !r.awaited && !r.passed && !r.superseded && r.window == window && !handSince;
        });
    };
    // The same focus told twice in a row (by its application's activation, then its own notice):
    // the focus moved once, and that answers no more than the first told.
    const bool toldAgain = again && before == window;
    if (toldAgain && reannounced() == requests_.end()) return Verdict::repeated;
    // The window manager still owes a focus of its own (for a map, or its pick of a successor to a
    // window that closed with its focus), and the focus is the same whether it is that or the
    // answer to a raise of ours: taken for its own, which comes whenever the window manager gets
    // to it, our raises stay awaited. Taken for our answer, the raises asked before it would count
    // as handled, and their answers, still to come, would be followed as somebody else's choice.
    if (ownFocusDue) {
        ownFocusOnLatest(window);
        noteOthers(window);
        return Verdict::notOurs;
    }
    if (const std::optional<Verdict> verdict = answerSuperseded(window, handActed)) return *verdict;
    // The earliest awaited request for this window: requests are handled in order, so it is the
    // one answered now.
    auto answered = std::find_if(requests_.begin(), requests_.end(), [&](auto& r) {
        return r.awaited && r.window == window && !toldAgain;
    });
    if (answered == requests_.end() && (before == window || backAfterLoss))
        answered = reannounced();
    if (answered == requests_.end()) {
        // A raise of ours of the window it had, asked before a later one whose answer we heard:
        // the window manager focused the later one's window under the pointer first, handled
        // ours after, and the later raise's own answer is still to come.
        const auto unheard = std::find_if(requests_.begin(), requests_.end(), [&](auto& r) {
            return r.unheard && r.window == window && !(handActed && *handActed > r.time);
        });
        if (unheard != requests_.end() && stripFocus && *stripFocus != window) {
            requests_.erase(unheard);
            return Verdict::late;
        }
        // A window we asked for before a raise still awaited: whether this is the late answer to
        // it or the window manager's own focus (for a map, or under the pointer), a newer
        // request of ours supersedes it. A hand on the pointer since may have clicked it.
        const bool superseded = std::any_of(requests_.begin(), requests_.end(), [&](auto& r) {
            return r.passed && r.window == window && !(handActed && *handActed > r.time);
        });
        if (superseded && awaitsAnswers()) return Verdict::overtaken;
        noteOthers(window);
        return Verdict::notOurs;
    }
    const std::uint64_t asked = answered->order;
    const bool later =
        std::any_of(answered + 1, requests_.end(), [](auto& r) { return r.awaited; });
    if (later) {
        // The later raises may have been handled with the window manager's own focus of their
        // window, heard already, and this may be its focus under the pointer where our moves slid
        // this window: then nothing of ours is to come and the focus stays here. Late, and those
        // raises count on no answer (the strip's window is raised again).
        if (underPointer && std::all_of(answered + 1, requests_.end(),
                                        [](auto& r) { return !r.awaited || r.ownFocusSeen; })) {
            std::erase_if(requests_,
                          [asked](const Request& r) { return r.order <= asked || r.ownFocusSeen; });
            return Verdict::late;
        }
        // Overtaken by a later raise still to be answered. This event may as well be the window
        // manager's own focus for the window as our answer, and the requests before it may yet be
        // answered: each stays known, and not awaited, until the latest raise is answered.
        for (auto r = requests_.begin(); r != answered + 1; ++r) {
            r->passed = r->passed || r->awaited;
            r->awaited = false;
        }
        return Verdict::overtaken;
    }
    eraseHandled(answered, underPointer);
    return latestAnswered(window, asked, stripFocus);
}

void RaiseEchoes::eraseHandled(std::deque<Request>::iterator answered, bool underPointer) {
    // Everything asked before it has been handled by now. A superseded one stays known: the
    // event may as well have been the window manager's own focus for the new window, which
    // comes whenever it maps it, and the superseded raise's answer is still to come. So may a
    // raise of the window focused as it was asked, when our moves slid the event's window under
    // the resting pointer: the event may have been its focus there, heard before that raise
    // moved it back.
    for (auto r = requests_.begin(); r != answered; ++r)
        r->unheard = r->window != answered->window &&
                     ((underPointer && r->ofFocused && !r->passed) || r->heardAside);
    requests_.erase(std::remove_if(requests_.begin(), answered + 1,
                                   [](const Request& r) { return !r.superseded && !r.unheard; }),
                    answered + 1);
}

RaiseEchoes::Verdict RaiseEchoes::latestAnswered(WindowID window, std::uint64_t asked,
                                                 std::optional<WindowID> stripFocus) const {
    // Any of them since: a later one may have been for a window no strip holds (one closing).
    const bool movedByOthers = std::any_of(
        others_.begin(), others_.end(),
        [&](const Followed& other) { return other.order > asked && other.window == stripFocus; });
    if (stripFocus && *stripFocus != window && !movedByOthers) return Verdict::overtaken;
    return Verdict::answer;
}

std::optional<RaiseEchoes::Verdict> RaiseEchoes::answerSuperseded(WindowID window,
                                                                  std::optional<double> handActed) {
    // A raise of this window superseded by a window opened since, asked before any awaited one
    // of it: requests are handled in order, so it is the one answered now (unless the user's hand
    // acted since, and clicked the window, say).
    const auto superseded = std::find_if(requests_.begin(), requests_.end(), [window](auto& r) {
        return r.window == window && (r.awaited || r.superseded);
    });
    if (superseded == requests_.end() || !superseded->superseded ||
        (handActed && *handActed > superseded->time))
        return std::nullopt;
    requests_.erase(superseded);
    // A later raise of ours still to be answered takes the focus where the strip has it.
    return awaitsAnswers() ? Verdict::overtaken : Verdict::superseded;
}

void RaiseEchoes::focusedAside(WindowID window, double time, std::optional<double> handActed,
                               bool handOnAnswers, bool ownFocusDue, bool underPointer) {
    expire(time);
    // Told aside again: the application's activation came once another one was in front, and
    // told the overtaken answer heard aside just before; nothing of it is still to come.
    if (focused_ == window) toldAgain(window);
    focused_ = window;
    answeredAside_.reset();
    // Maybe the window manager's own focus, as judged above: it answers nothing yet.
    if (ownFocusDue) {
        ownFocusOnLatest(window);
        return;
    }
    // Where the hand-on is news, it is not our raise of the window told again either.
    if (!handOnAnswers)
        requests_.erase(std::remove_if(requests_.begin(), requests_.end(),
                                       [window](const Request& r) {
                                           return r.window == window && !r.awaited && !r.passed &&
                                                  !r.superseded;
                                       }),
                        requests_.end());
    if (const std::optional<Verdict> verdict = answerSuperseded(window, handActed)) {
        answeredAside_ = Aside{window, 0, verdict};
        return;
    }
    const auto answered = std::find_if(requests_.begin(), requests_.end(), [window](auto& r) {
        return r.awaited && r.window == window;
    });
    if (answered == requests_.end()) return;
    if (std::any_of(answered + 1, requests_.end(), [](auto& r) { return r.awaited; })) {
        // Overtaken, as judged above. Its application's activation, handing the window on, may
        // come only after the later raise is answered: that is this answer told again.
        answered->heardAside = true;
        for (auto r = requests_.begin(); r != answered + 1; ++r) {
            r->passed = r->passed || r->awaited;
            r->awaited = false;
        }
        return;
    }
    // An awaited raise of ours answered: the hand-on that follows tells that answer again, beside
    // any window manager; taken for news, it would drop a later command's raise.
    answeredAside_ = Aside{window, answered->order, std::nullopt};
    eraseHandled(answered, underPointer);
}

void RaiseEchoes::ownFocusOnLatest(WindowID window) {
    const auto latest =
        std::find_if(requests_.rbegin(), requests_.rend(), [](auto& r) { return r.awaited; });
    if (latest != requests_.rend() && latest->window == window) latest->ownFocusSeen = true;
}

void RaiseEchoes::toldAgain(WindowID window) {
    for (Request& request : requests_)
        if (request.window == window) request.heardAside = false;
}

void RaiseEchoes::handledBefore(double handActed) {
    requests_.erase(std::remove_if(requests_.begin(), requests_.end(),
                                   [handActed](const Request& r) {
                                       return r.time < handActed && !r.superseded && !r.unheard;
                                   }),
                    requests_.end());
}

void RaiseEchoes::withdraw(WindowID window) {
    const auto latest = std::find_if(requests_.rbegin(), requests_.rend(),
                                     [window](const Request& r) { return r.window == window; });
    if (latest != requests_.rend()) requests_.erase(std::next(latest).base());
}

void RaiseEchoes::closed(WindowID window) {
    const auto unanswered = [window](const Request& r) {
        return r.window == window && (r.awaited || r.passed || r.superseded);
    };
    if (std::none_of(requests_.begin(), requests_.end(), unanswered)) return;
    requests_.erase(std::remove_if(requests_.begin(), requests_.end(),
                                   [window](const Request& r) { return r.window == window; }),
                    requests_.end());
    lastJudged_.reset();
}

void RaiseEchoes::supersede(WindowID newest) {
    for (Request& request : requests_)
        if (request.window != newest) {
            request.superseded = true;
            request.awaited = false;
        }
}

bool RaiseEchoes::awaitsAnswers() const {
    return std::any_of(requests_.begin(), requests_.end(), [](auto& r) { return r.awaited; });
}

bool RaiseEchoes::raiseUnderWay() const {
    const auto latest =
        std::find_if(requests_.rbegin(), requests_.rend(), [](auto& r) { return r.awaited; });
    return latest != requests_.rend() && (!othersLast_ || othersLast_->order < latest->order);
}

void RaiseEchoes::noteOthers(WindowID window) {
    othersLast_ = Followed{window, ++order_, ++othersNoted_};
    others_.push_back(*othersLast_);
    if (others_.size() > kOthersKept) others_.pop_front();
}

void RaiseEchoes::expire(double time) {
    while (!requests_.empty() && time - requests_.front().time > kAnswerWait) requests_.pop_front();
}

std::optional<WindowID> RaiseEchoes::focusAfterRequests(bool focusUnderThePointer) const {
    if (requests_.empty()) return focused_;
    // The window manager focused what our moves slid under a resting pointer after our last
    // request, or took the focus from every window for a gap slid there: the focus is there now,
    // and a raise of the window we asked for before moves it again. Beside one that focuses by
    // click, a focus of somebody else's in between (a new window's) leaves our last request
    // standing: awaiting its answer again would follow that answer over a newer window's focus.
    const std::uint64_t lastAsked = requests_.back().order;
    if (focusUnderThePointer &&
        ((othersLast_ && othersLast_->order > lastAsked) || lostOrder_ > lastAsked))
        return focused_;
    return requests_.back().window;
}

}  // namespace brindlow
