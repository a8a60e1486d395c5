#pragma once

#include <optional>

#include "geometry/Geometry.h"
#include "platform/MouseMonitor.h"

namespace brindlow {

// Tells the focus a window manager hands out because our own moves slid a window under a pointer
// that stood still. Window managers that focus the window under the pointer (jwm, fvwm) take a
// window that arrives under it as entered, although the user did nothing: following that focus
// would take it from a command's target. Strip queue only.
//
// Our moves come in runs (the frames of one scroll, its landing and catch-up); while one goes on
// the platform listens for the user's hand on the pointer. Everything else is judged at the focus
// event: it is ours when it comes while a run goes on or shortly after it, no button is held (a
// click is the user's), the pointer is over the newly focused window, and the pointer has rested
// a while: a pointer that only just moved, or a button just let go, is the user's hand. Whatever
// the user did before the run started counts as resting.
class StillPointerFocus {
  public:
    // Longer than a window manager takes to answer a window entering under the pointer; moves
    // further apart than this are separate runs.
    static constexpr double kEchoWait = 0.75;
    // How long the pointer must have rested for a focus under it to be ours.
    static constexpr double kRest = 0.1;

    // What was heard of the user's hand on the pointer.
    struct Hand {
        bool heard = false;  // false: the platform cannot listen, so nothing can be judged ours
        std::optional<double> lastActive;  // the last motion or button change, if any
    };

    // Our moves went out at `time`. Returns until when the platform should listen.
    double moved(double time);
    // Whether a focus event at `time` for a window standing at `frame` came from a pointer our
    // moves slid that window under. `pointer` is where it is now (none when unknown).
    bool slidUnder(double time, const std::optional<PointerState>& pointer, const Hand& hand,
                   const Rect& frame) const;

  private:
    std::optional<double> runStart_;
    std::optional<double> lastMove_;
};

}  // namespace brindlow
