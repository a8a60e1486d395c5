#pragma once

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// One pending check that a window took the width or height it was sent.
struct SizeCheck {
    enum class Dimension { width, height };

    WindowID id = 0;
    Dimension dimension = Dimension::height;
    Rect target;
    double observed = 0;  // the size seen at the last look
    bool askedAgain = false;

    // Sizes within this of each other count as the same.
    static constexpr double kTolerance = 2.0;
    // A size at least this much smaller than sent counts too: a window that takes sizes in
    // steps (a terminal's character cells) leaves a wider gap to the next column, or to the
    // next window of its stack, otherwise.
    static constexpr double kSmaller = 1.0;
    // At most this many looks follow the first one.
    static constexpr int kMostRetries = 3;

    enum class Verdict {
        tookIt,       // at most the tolerance larger than sent, nor smaller: nothing to do
        stillMoving,  // changed since the last look: look again
        askAgain,     // held still once: send the size once more
        refused,      // held still after being asked again: learn the size
    };

    double sent() const { return dimension == Dimension::width ? target.width : target.height; }
    double sizeOf(const Rect& frame) const {
        return dimension == Dimension::width ? frame.width : frame.height;
    }
    // What a look at the window's `live` frame says.
    Verdict judge(const Rect& live) const;
};

}  // namespace brindlow
