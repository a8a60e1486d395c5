#pragma once

#include <vector>

#include "geometry/Geometry.h"

namespace brindlow {

// What one display's layout is computed against.
struct DisplayGeometry {
    Rect area;    // the usable frame the strip is laid out in
    Rect screen;  // the display's whole frame
    std::vector<Rect>
        otherScreens;  // every other connected display, where parked windows must not stand

    friend bool operator==(const DisplayGeometry&, const DisplayGeometry&) = default;
};

}  // namespace brindlow
