#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace brindlow {

// An activation of ours and the user's minimise of the same window can cross on their way to the
// window manager: the window manager handles the minimise first, then shows the window again for
// our activation. Requests to the window manager reach every listener of the root too, in the
// order the window manager gets them, so both are heard in that order:
// - a minimise heard before ours goes out: ours is not sent;
// - one heard after ours went out but before ours came back: the window is minimised once more.
// Only a minimise the activation was asked without knowing of counts: one heard after it was
// asked, or just before. Any thread.
class CrossedMinimise {
  public:
    using Clock = std::chrono::steady_clock;

    // Longer than the strip takes to hear of a minimise this layer heard: an activation asked
    // sooner after it may have been planned without it. One asked later is a restore it means.
    static constexpr std::chrono::milliseconds kMinimiseNews{250};

    // Brindlow itself asks the window manager to minimise `window` (a command's choice, known to
    // whatever asks an activation after it): not counted once heard.
    void minimiseSent(std::uint32_t window);
    // A minimise of `window` other than parking's reached the window manager.
    void minimiseHeard(std::uint32_t window, Clock::time_point at);
    // Whether an activation of `window` asked at `asked` would undo a minimise.
    bool undoes(std::uint32_t window, Clock::time_point asked) const;
    // The activation asked at `asked` goes out to the window manager.
    void sent(std::uint32_t window, Clock::time_point asked);
    // An activation of `window` that looks like ours came back from the server. Returns whether
    // it is ours and the window manager got it after a minimise it undoes.
    bool heard(std::uint32_t window);

  private:
    struct Sent {
        std::uint32_t window = 0;
        Clock::time_point asked;
    };
    // Echoes come back in the order the requests went out; a few more than can be under way
    // at once, so one whose echo never comes (the window manager ended) is soon forgotten.
    static constexpr std::size_t kRemembered = 8;

    bool undoesLocked(std::uint32_t window, Clock::time_point asked) const;

    mutable std::mutex mutex_;
    std::deque<Sent> underWay_;
    // The last minimise heard of each window, while it can still count.
    std::map<std::uint32_t, Clock::time_point> minimised_;
    // Brindlow's own minimises not heard back yet, per window.
    std::map<std::uint32_t, int> ownMinimises_;
};

}  // namespace brindlow
