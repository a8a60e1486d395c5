#pragma once

#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// Where one window goes.
struct Placement {
    WindowID windowID = 0;
    Rect frame;
    bool isParked =
        false;  // its column lies off the area (or on another display), parked at the edge
    bool isVisible = true;  // false only for the hidden tabs of a tabbed column

    friend bool operator==(const Placement&, const Placement&) = default;
};

// A gap between two stacked windows that a window which cannot shrink intrudes into. The gap
// overlay is ordered just above `covering`.
struct GapBand {
    Rect rect;  // the column's x and width, the gap's top and the gap as height
    WindowID covering = 0;

    friend bool operator==(const GapBand&, const GapBand&) = default;
};

// One layout pass. Placements: left-pinned columns in strip order, right-pinned columns from the
// right edge inward, then unpinned columns in strip order; each column top to bottom.
struct StripLayout {
    std::vector<Placement> placements;
    Rect viewport;
    std::vector<GapBand> gapBands;  // same column order

    friend bool operator==(const StripLayout&, const StripLayout&) = default;
};

}  // namespace brindlow
