#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "controller/DisplayAnimator.h"
#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "strip/Strip.h"
#include "strip/StripLayout.h"
#include "windows/DisplayInfo.h"

namespace brindlow {

// One display in use, as the strip controller keeps it.
struct DisplayState {
    DisplayInfo info;
    Strip strip;
    double displayedOffset = 0;  // where the windows stand now; lags scrollOffset while moving
    DisplayAnimator animator;    // at rest, animating or swiped
    bool raiseWhenLanded = false;
    std::uint64_t raiseAskedAt = 0;  // the raiser's count of yields when that raise was asked for
    StripLayout lastLayout;
    double lastLayoutOffset = 0;  // how far the strip was scrolled in lastLayout
    double lastSliceShift = 0;    // how far edge slices shifted the run in lastLayout
    bool settlePending = false;   // a catch-up pass is scheduled
    std::vector<GapStrip> gapStrips;

    explicit DisplayState(DisplayInfo display = {}) : info(std::move(display)) {}
};

}  // namespace brindlow
