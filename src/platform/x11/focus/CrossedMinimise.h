#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace brindlow {

// An activation of ours and a minimise of the same window can cross on their way to the window
// manager: the window manager handles the minimise first, then shows the window again for our
// activation. Whether whoever asked the activation knew of the minimise is told by counting:
// the asker says how many minimises of the window it had been told of; this layer counts those
// it told of, and one more while a minimise someone asked for is not told yet (the window
// manager has not carried it out, or has not said so). An activation that would show a window
// minimised beyond what its asker had heard of is not sent.
// Requests to the window manager reach every listener of the root too, in the order the window
// manager gets them: a minimise of the window seen between ours going out and ours coming back
// reached the window manager first, and the window is minimised once more. Any thread.
class CrossedMinimise {
  public:
    // Brindlow itself asks the window manager to minimise `window` (a command's choice): not
    // counted as asked once heard, only once told.
    void minimiseSent(std::uint32_t window);
    // Someone asked the window manager to minimise `window`; `shown`: it reads shown (as last
    // told), so that the window manager will carry the minimise out.
    void minimiseAsked(std::uint32_t window, bool shown);
    // The window's minimise was told (to the strip, among others).
    void minimiseTold(std::uint32_t window);
    // The window manager handled every request sent before now, and `window` reads shown: a
    // minimise asked and not told it has refused (or it was undone since).
    void leftShown(std::uint32_t window);
    // The window is gone: its identity may come back for another window.
    void forget(std::uint32_t window);

    // Whether someone's minimise of `window` was heard and is not told yet: an activation waits
    // for the window manager to handle it before it is judged (leftShown).
    bool untold(std::uint32_t window) const;
    // An activation of `window` judged: the minimises seen of it then.
    struct Judged {
        std::uint32_t window = 0;
        std::uint64_t seen = 0;
    };
    // Judges an activation of `window`: none when it would undo a minimise (one is not told yet,
    // or the window reads minimised, `minimisedNow`, after more minimises than its asker had
    // heard of, `heard`; none there: whoever asked knew of every minimise told, as a restore
    // does).
    std::optional<Judged> judge(std::uint32_t window, std::optional<std::uint64_t> heard,
                                bool minimisedNow) const;
    // The activation judged goes out now.
    void sent(const Judged& judged);
    // An activation of `window` that looks like ours came back from the server. Returns whether
    // it is ours and a minimise of the window was seen since it was judged: the window manager
    // got that minimise first, and ours undoes it.
    bool heard(std::uint32_t window);

  private:
    struct Minimises {
        // Told so far.
        std::uint64_t told = 0;
        // A minimise asked by someone else, not told yet.
        bool asked = false;
        std::uint64_t seen() const { return told + (asked ? 1 : 0); }
    };
    struct Sent {
        std::uint32_t window = 0;
        // The window's minimises seen when it was judged.
        std::uint64_t seen = 0;
    };
    // Echoes come back in the order the requests went out; a few more than can be under way
    // at once, so one whose echo never comes (the window manager ended) is soon forgotten.
    static constexpr std::size_t kRemembered = 8;

    std::uint64_t seenLocked(std::uint32_t window) const;

    mutable std::mutex mutex_;
    std::deque<Sent> underWay_;
    std::map<std::uint32_t, Minimises> minimises_;
    // Brindlow's own minimises not heard back yet, per window.
    std::map<std::uint32_t, int> ownMinimises_;
};

}  // namespace brindlow
