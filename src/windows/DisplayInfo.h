#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/Screens.h"

namespace brindlow {

// One connected display, in global top-left coordinates. The uuid is the
// display's identity everywhere else (strips, sessions, disabled displays).
struct DisplayInfo {
    std::uint32_t id = 0;  // the screen's display number
    std::string uuid;      // stable UUID text, or "display-<id>"
    std::string name;
    Rect frame;    // the whole display
    Rect visible;  // the area windows may use

    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;

    // The connected displays, sorted left to right (ties: the upper one first).
    // Main thread. A dock that reserves no space of its own (see Screens::dockFrame)
    // shortens the usable area of the display it lies on.
    static std::vector<DisplayInfo> current(const Screens& screens);

    // The pure listing: screens without a number are left out; a dock frame that
    // intersects a display shortens its usable area (see usableArea).
    static std::vector<DisplayInfo> fromScreens(const std::vector<ScreenInfo>& screens,
                                                const std::optional<Rect>& dockFrame);

    // The usable area of a display given a dock that does not reserve its own
    // space: the side the dock lies on ends 4 points short of it. Without a dock,
    // or one that does not intersect the frame, `visible` unchanged (not rounded).
    static Rect usableArea(const Rect& frame, const Rect& visible, const std::optional<Rect>& dock);

    // The sizes of the displays' usable areas, in the list's order.
    static std::vector<Size> usableSizes(const std::vector<DisplayInfo>& displays);
};

}  // namespace brindlow
