#pragma once

#include <functional>
#include <optional>

#include "geometry/Geometry.h"
#include "platform/MouseMonitor.h"

namespace brindlow {

// Tells the focus a window manager hands out because our own moves slid a window under a pointer
// that stood still. Window managers that focus the window under the pointer (jwm, fvwm) take a
// window that arrives under it as entered, although the user did nothing: following that focus
// would take it from a command's target. Strip queue only.
//
// Our moves come in runs (the frames of one scroll, its landing and catch-up). The pointer is read
// at every move. A focus event is ours when it comes while a run goes on or shortly after it, no
// button is held (a click is the user's), the pointer is over the newly focused window, and it has
// rested there a while as our windows moved: a pointer that only just arrived entered the window
// by the user's hand. Where it stood as a run started counts as resting.
class StillPointerFocus {
  public:
    // Longer than a window manager takes to answer a window entering under the pointer; moves
    // further apart than this are separate runs.
    static constexpr double kEchoWait = 0.75;
    // How long the pointer must have rested during a run for a focus under it to be ours.
    static constexpr double kRest = 0.1;

    // Our moves went out at `time`; `pointer` tells where the pointer stands now.
    void moved(double time, const std::function<std::optional<PointerState>()>& pointer);
    // Whether a focus event at `time` for a window standing at `frame` came from a pointer our
    // moves slid that window under. `pointer` is where it is now; none when unknown.
    bool slidUnder(double time, const std::optional<PointerState>& pointer,
                   const Rect& frame) const;

  private:
    std::optional<double> lastMove_;
    // Where the pointer rests, and since when (none: as the run started); none while it cannot
    // be told or a button is held.
    std::optional<Point> restingAt_;
    std::optional<double> restingSince_;
};

}  // namespace brindlow
