#pragma once

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "controller/Ease.h"
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
    double displayedOffset = 0;  // where the windows stand now; lags scrollOffset while animating
    double velocity = 0;         // scroll speed, points per second
    std::optional<Ease> scrollEase;
    bool animating = false;
    bool raiseWhenLanded = false;
    StripLayout lastLayout;
    std::optional<std::map<WindowID, Rect>> glideFrom;  // frames before a glide, while it runs
    double glideProgress = 0;                           // 0 to 1000
    double glideVelocity = 0;
    std::optional<Ease> glideEase;
    bool settlePending = false;  // a catch-up pass is scheduled
    std::vector<GapStrip> gapStrips;

    explicit DisplayState(DisplayInfo display = {}) : info(std::move(display)) {}

    // The scroll offset and glide progress the eases give at `time`; `fallbackOffset` when no
    // scroll runs. The progress is kept within [0, 1000].
    std::pair<double, double> animatedPosition(double time, double fallbackOffset) const;
};

}  // namespace brindlow
