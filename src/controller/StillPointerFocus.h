#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "platform/MouseMonitor.h"
#include "windows/ParkedStacking.h"

namespace brindlow {

// Tells the focus changes a window manager makes because our own moves slid something under a
// pointer that stood still. Window managers that focus the window under the pointer (jwm, fvwm)
// take a window that arrives under it as entered, and some take the focus from every window when
// a gap between columns arrives under it, although the user did nothing: following that would
// take the focus from a command's target. Strip queue only.
//
// While our moves go on and a while after, the platform listens for the user's hand on the
// pointer. Everything else is judged at the focus event: it is ours when it comes while our moves
// go on or shortly after, no button is held, the pointer is over where the focus went (the newly
// focused window, or none of ours when the focus went to no window), and the user's hand did not
// put it there: the hand rested a while, or acted before the user's last choice (a click in one
// of our panels), or when it last moved or clicked something else stood under the pointer and
// our moves slid the focus taker in since.
class StillPointerFocus {
  public:
    // Longer than a window manager takes to answer a window entering under the pointer: a focus
    // change later than this after our last move is not ours.
    static constexpr double kEchoWait = 0.75;
    // How long the pointer must have rested for a focus under it to be ours, whatever stood
    // under it when the hand last acted.
    static constexpr double kRest = 0.1;

    // What was heard of the user's hand on the pointer.
    struct Hand {
        bool heard = false;  // false: the platform cannot listen, so nothing can be judged ours
        std::optional<double> lastActive;  // the last motion or button change, if any
    };

    // Where a window stood before one of our moves.
    struct FormerFrame {
        WindowID window = 0;
        Rect frame;
    };

    // Our moves went out at `time`, moving the windows listed from where they stood. Returns
    // until when the platform should listen.
    double moved(double time, const std::vector<FormerFrame>& formerFrames = {});
    // We asked at `time` for windows to be restacked in the orders `asks`: whatever comes to the
    // top under the pointer comes when the window manager carries that out. Returns until when
    // the platform should listen.
    double restacked(double time, const std::vector<StackingAsk>& asks = {});
    // The window manager reported the stacking changed at `time`, to `frontToBack`. A change that
    // shows an order we asked for, not seen carried out before, carries out our restack, however
    // late: a window it brought under the pointer is focused after this. One that shows none is
    // nothing of ours (a window manager that leaves a restack undone says nothing, and later
    // changes by others are theirs). Returns until when the platform should listen, none when
    // the change is nothing of ours.
    std::optional<double> stackingChanged(double time, const std::vector<WindowID>& frontToBack);
    // Whether an order asked is still to be seen carried out.
    bool awaitsRestack() const { return !restacksAsked_.empty(); }
    // `window` was minimised or left for another desktop at `time`: wherever it stood before, the
    // window manager no longer focuses it there for a pointer over that place.
    void hidden(WindowID window, double time);
    // Somebody else showed `window` again after a minimise (the user restored it). The focus
    // heard next, if it goes to that window, is the restore's: the window manager's activation, or
    // its focus under the pointer where the window came back, whatever our moves did since.
    void restored(WindowID window) { restored_ = window; }
    // Whether a focus event for `window` is the first heard since somebody else restored it. Any
    // focus heard ends that: a later one is judged as any other.
    bool focusOfRestore(WindowID window) {
        return std::exchange(restored_, std::nullopt) == window;
    }
    // The user chose where the focus goes at `time` (a jump, from one of our panels, say):
    // what the hand did before aimed at that choice, not at what comes under the pointer
    // after it, and the panel that closed may leave something else under the pointer as our
    // moves do. Returns until when the platform should listen. The click that made the choice is
    // heard on a connection of its own, in no fixed order with the panel's: until
    // `heardUpToChoice` follows, whatever the hand is heard to do may be that click.
    double commanded(double time);
    // Every hand action the platform reported before the choice of the oldest `commanded` still
    // waiting was heard by `time`: one heard after that is the hand's own.
    void heardUpToChoice(double time);
    // Whether a focus event at `time` for `window`, now standing at `frame`, came from a pointer
    // our moves slid that window under. `pointer` is where it is now (none when unknown);
    // `stripFocus`, the window the strip has focused, if any. `focusHeard`: the focus event is
    // heard now, and may tell where the window stood before our latest moves were carried out.
    bool slidUnder(double time, const std::optional<PointerState>& pointer, const Hand& hand,
                   WindowID window, const Rect& frame,
                   std::optional<WindowID> stripFocus = std::nullopt,
                   bool focusHeard = false) const;
    // Whether the focus going to no window at `time` came from a pointer our moves left over
    // none of the windows we place; `frames` says where they stand now.
    bool slidAway(double time, const std::optional<PointerState>& pointer, const Hand& hand,
                  const std::map<WindowID, Rect>& frames) const;
    // The windows at `frames` (without the focus either) that closing a window that stood at
    // `closed` under the resting pointer, with no focus, leaves under the pointer: the window
    // manager focuses the one it uncovers, though nobody moved the pointer or chose it.
    static std::vector<WindowID> uncovered(const std::optional<PointerState>& pointer,
                                           const Rect& closed,
                                           const std::map<WindowID, Rect>& frames);
    // Whether the hand acted after `time` on its own account: an action that made the user's
    // last choice (a click on one of our overlays or panels) aimed at that choice, not at the
    // window under the pointer.
    bool actedSince(double time, const Hand& hand) const;

  private:
    // `overTaker(t)`: whether the pointer's place was over the focus taker at `t`;
    // `aimedElsewhere(t)`, whether the hand acting at `t` aimed at another window all the same.
    bool ours(double time, const std::optional<PointerState>& pointer, const Hand& hand,
              const std::function<bool(Point, double)>& overTaker,
              const std::function<bool(Point, double)>& aimedElsewhere = nullptr) const;
    // Whether our moves took `window` from over `location` at `time` or since.
    bool movedAwayFrom(WindowID window, Point location, double time) const;
    // Whether the hand acting at `at` came after the user's last choice, not to make it.
    bool afterLastChoice(double at) const;
    // Where `window`, standing at `now` today, stood at `time`.
    Rect frameAt(WindowID window, const Rect& now, double time) const;

    struct Move {
        double time = 0;
        FormerFrame former;
    };

    std::optional<double> lastMove_;
    std::optional<double> lastCommand_;
    // Choices whose hand is not all heard yet; by when it was, for the last choice.
    int choicesUnheard_ = 0;
    std::optional<double> choiceHeardBy_;
    // Orders asked of the window manager and not yet seen carried out.
    std::vector<StackingAsk> restacksAsked_;
    // Our moves of the last while, oldest first: enough to tell where a window stood when the
    // hand last acted, for as long as that can matter.
    std::deque<Move> moves_;
    // When windows were last minimised or left the desktop, for as long as that can matter.
    std::map<WindowID, double> hiddenAt_;
    // The window somebody else restored last, while no focus was heard since.
    std::optional<WindowID> restored_;
};

}  // namespace brindlow
