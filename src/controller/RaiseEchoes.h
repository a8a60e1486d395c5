#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>

#include "geometry/WindowID.h"

namespace brindlow {

// Tells the focus events that only answer the controller's own raises from the focus changes
// somebody else made (the user's click, an application, the window manager).
//
// A window manager answers a raise with a focus event only when the focus actually moves, so
// only a raise of a window that will not have the focus by the time the raise is handled is
// awaited. An answer has been overtaken, and says nothing about where the focus is to end, when a
// later awaited raise is still to be answered, or when the controller itself has moved the
// strip's focus on since it asked (its raise may wait for a scroll to land). When the strip's
// focus moved because somebody else moved the focus, the window manager handled our raise after
// that, and the answer is followed. Every focus event that answers no raise of ours is somebody
// else's choice and is never dropped. Strip queue only.
class RaiseEchoes {
  public:
    // Longer than any window manager takes to answer a raise; a raise still unanswered by then
    // never will be.
    static constexpr double kAnswerWait = 2.0;

    enum class Verdict {
        // Answers no raise of ours: somebody else moved the focus, and it is followed.
        notOurs,
        // Answers our latest awaited raise: the focus is where we sent it.
        answer,
        // Answers a raise of ours that a later one overtook: not to be followed.
        overtaken,
        // Answers a raise of ours asked before a window just opened took the focus, and nothing
        // else of ours is to be answered: the window manager handled it after that window's
        // focus, which it undid.
        superseded,
        // Names the window the last event named, and answers no raise of ours: no news.
        repeated,
        // The late answer to a raise of ours counted as handled when a later raise seemed
        // answered by a focus that our moves may have caused under the pointer: the later raise,
        // handled after this one, is still to come. Not to be followed.
        late,
    };

    // The focus is on `window` as the controller starts (or none is known).
    void reset(std::optional<WindowID> focused);
    // We asked for `window` to be raised and focused at `time`. `replacesLast` says the request
    // took the place of the previous one before it was carried out, so that one never happens.
    // `focusUnderThePointer`: the window manager focuses what comes under a resting pointer, so a
    // focus change of somebody else's after our last request may have moved it from there.
    void raised(WindowID window, double time, bool replacesLast, bool focusUnderThePointer = false);
    // A focus event for `window` (tiled or not) at `time`; `stripFocus` is the focused window of
    // the strip that holds `window`, none when no strip does; `handActed`, when the user's hand
    // last moved or clicked the pointer, if known. `ownFocusDue`: the window manager still owes a
    // focus of its own (for a window's map, say), which this may be as well as an answer to a
    // raise of ours. `underPointer`: our moves slid `window` under the resting pointer a moment
    // ago, so the window manager may have focused it there before handling our raises. Also notes
    // where the focus is now.
    Verdict judge(WindowID window, double time, std::optional<WindowID> stripFocus,
                  std::optional<double> handActed = std::nullopt, bool ownFocusDue = false,
                  bool underPointer = false);

    // A focus event for `window` at `time` of an application not yet known to be in front:
    // not handed on, but it answers our awaited raise of it, and the application's activation
    // then handing the window on is the same answer. Unless `handOnAnswers`, a raise of ours not
    // awaited is no answer to that hand-on either: it is news. `underPointer` as for `judge`.
    void focusedAside(WindowID window, double time, std::optional<double> handActed = std::nullopt,
                      bool handOnAnswers = true, bool ownFocusDue = false,
                      bool underPointer = false);
    // The focus went to no window: a raise of the window that had it moves it again.
    void lost() {
        if (focused_) lostFrom_ = focused_;
        focused_.reset();
        lastJudged_.reset();
        lostOrder_ = ++order_;
    }
    // The focus on `window` just judged somebody else's was not followed: the strip's focus did
    // not move for it, so it tells nothing of when our raises were handled.
    void declined(WindowID window) {
        if (!others_.empty() && others_.back().window == window) others_.pop_back();
    }
    // Somebody else's focus, followed, came after the user's hand acted at `handActed` (a click,
    // beside a window manager that focuses by click): the window manager read every raise of ours
    // asked before that first, and an answer not heard by now was told with the click's focus or
    // not at all (the focus moved on at once). None of them is awaited any more.
    void handledBefore(double handActed);
    // The raises asked for so far will not be carried out: none of them is awaited any more.
    void forgetRequests() { requests_.clear(); }
    // The latest raise asked for will not be carried out: it is not awaited.
    void withdrawLast() {
        if (!requests_.empty()) requests_.pop_back();
    }
    // The latest raise asked for `window` was not carried out: it is not awaited.
    void withdraw(WindowID window);
    // `window` closed: a raise of it still to be answered never will be (the window manager may
    // have focused it and handed the focus on as it closed, heard of neither), so the window the
    // last event named may be named next as news, not told again.
    void closed(WindowID window);
    // A window just opened, `newest`, took the focus: the raises asked before it of other windows
    // are not awaited, and an answer to one of them is not the user's choice.
    void supersede(WindowID newest);
    // How many focus changes were judged somebody else's so far.
    std::uint64_t othersNoted() const { return othersNoted_; }
    // Whether a focus of `window` was judged somebody else's after the first `count` of them.
    bool judgedOthersSince(std::uint64_t count, WindowID window) const {
        return std::any_of(others_.begin(), others_.end(), [&](const Followed& other) {
            return other.noted > count && other.window == window;
        });
    }
    // Where the last focus event said the focus is.
    std::optional<WindowID> reportedFocus() const { return focused_; }
    // Whether any raise is still waiting for its answer.
    bool awaitsAnswers() const;
    // Whether our latest raise is of `window` and still to be answered: the window manager has
    // not handled it yet, so it moves the focus there after whatever it reported before.
    bool answerStillDueFor(WindowID window) const {
        return !requests_.empty() && requests_.back().window == window && requests_.back().awaited;
    }
    // The same, unless the window manager's own focus of `window` came since it was asked: the
    // raise may have been handled with it, and then nothing of ours brings the focus back.
    bool focusDueBackTo(WindowID window) const {
        return answerStillDueFor(window) && !requests_.back().ownFocusSeen;
    }
    // Whether the latest raise that moves the focus is still unanswered and nobody else has moved
    // the focus since it was asked for: the window manager still names the window focused
    // before, not the one the strip chose.
    bool raiseUnderWay() const;

  private:
    struct Request {
        WindowID window = 0;
        double time = 0;
        // Whether the focus moves when it is handled, so that an event answers it.
        bool awaited = false;
        // Awaited until an event for the window came while a later raise was still awaited.
        bool passed = false;
        // Asked before a window opened and took the focus; kept until answered or expired.
        bool superseded = false;
        // Asked beside a window manager that focuses under the pointer, of a window focused then.
        bool ofFocused = false;
        // Answered while its application was not in front, overtaken by a later raise, and not
        // yet handed on by the application's activation.
        bool heardAside = false;
        // Counted as handled before a later raise's answer, though its own focus was not heard (or
        // heard only aside): kept until heard or expired, since that answer may have been the
        // window manager's, or its application's activation is still to tell it.
        bool unheard = false;
        std::uint64_t order = 0;
        // The window manager's own focus (for a map, a successor) went to its window while it was
        // awaited: handled with it, the raise tells nothing more; handled after it, it may.
        bool ownFocusSeen = false;
    };
    // The last focus change of somebody else's that was followed.
    struct Followed {
        WindowID window = 0;
        std::uint64_t order = 0;
        // How many were judged somebody else's up to this one.
        std::uint64_t noted = 0;
    };

    void expire(double time);
    // Notes a focus change of somebody else's, on `window`, followed.
    void noteOthers(WindowID window);
    // The verdict on a focus of `window` that answers a superseded raise of it, if it does.
    std::optional<Verdict> answerSuperseded(WindowID window, std::optional<double> handActed);
    // The window manager's own focus (for a map, or a successor) went to `window`: when our
    // latest awaited raise asks for it, that raise may have been handled with it.
    void ownFocusOnLatest(WindowID window);
    // The focus on `window` heard aside, told again: an overtaken answer of it is told.
    void toldAgain(WindowID window);
    // Forgets the requests handled by the time `answered` was.
    void eraseHandled(std::deque<Request>::iterator answered, bool underPointer = false);
    // The verdict on an answer to the latest awaited raise, of `window`, asked as `asked`.
    Verdict latestAnswered(WindowID window, std::uint64_t asked,
                           std::optional<WindowID> stripFocus) const;
    // Where the focus will be once every request made so far is handled.
    std::optional<WindowID> focusAfterRequests(bool focusUnderThePointer) const;

    std::optional<WindowID> focused_;
    // The window the last event judged named.
    std::optional<WindowID> lastJudged_;
    // The last event, when it answered a raise of ours aside: the window, and when it was asked.
    struct Aside {
        WindowID window = 0;
        std::uint64_t asked = 0;
        // What it was judged already, if it answered a superseded raise.
        std::optional<Verdict> verdict;
    };
    std::optional<Aside> answeredAside_;
    std::deque<Request> requests_;
    std::optional<Followed> othersLast_;
    std::uint64_t othersNoted_ = 0;
    // When the focus last went to no window, in the order of requests and followed changes, and
    // the window that had it then.
    std::uint64_t lostOrder_ = 0;
    std::optional<WindowID> lostFrom_;
    // The last few of them, oldest first.
    static constexpr size_t kOthersKept = 8;
    std::deque<Followed> others_;
    // Orders requests and followed changes of others.
    std::uint64_t order_ = 0;
};

}  // namespace brindlow
