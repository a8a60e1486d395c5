#pragma once

#include <algorithm>
#include <optional>
#include <vector>

#include "geometry/WindowID.h"
#include "strip/Pin.h"
#include "strip/RefusedWidth.h"

namespace brindlow {

// One column of a strip: one window, a stack of windows top to bottom, or the same windows as tabs.
struct Column {
    std::vector<WindowID> windows;  // top to bottom
    std::vector<double> weights;    // one relative height weight per window, same order
    int activeIndex = 0;            // the focused row when the column is focused; the shown tab
    double widthFraction = 1.0;     // share of the usable strip width
    bool isFullWidth = false;       // fills the whole viewport, ignoring widthFraction
    bool isTabbed = false;
    bool autoTabbed = false;  // tabbing was switched on by the controller, not by the user
    std::optional<Pin> pin;
    std::optional<RefusedWidth> refusedWidth;

    // A one-window column with weight 1.0, unpinned, no flags.
    static Column single(WindowID id, double widthFraction);

    // activeIndex clamped into the rows (0 for an empty column). Inline: the layout pass asks
    // for it of every stack on every frame.
    int activeRow() const {
        if (windows.empty()) return 0;
        return std::clamp(activeIndex, 0, static_cast<int>(windows.size()) - 1);
    }
    // The window at activeRow(); none for an empty column.
    std::optional<WindowID> activeWindow() const;

    // Field by field; a NaN width fraction is never equal.
    friend bool operator==(const Column&, const Column&) = default;
};

}  // namespace brindlow
