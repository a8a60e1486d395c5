#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "strip/Column.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// Where the windows that left a strip together stood: their column as it was, and the columns
// around it, so they go back between the same neighbours even when those left too and come back
// in another order.
struct DepartedColumn {
    std::string uuid;
    int index = 0;                             // in `order`
    std::vector<std::vector<WindowID>> order;  // the strip's columns, left to right
    Column column;                             // only the windows that left
    std::vector<WindowID> stoodWith;           // every window of that column, top to bottom
    std::optional<WindowID> focused;           // the strip's focused window, one of these
};

// A tiled window out of sight for a while: on another virtual desktop, minimised, or let go by
// the window manager. It keeps its records (the original frame above all) and its place.
struct Departure {
    enum class Kind { away, minimized };
    ManagedWindow window;
    std::shared_ptr<const DepartedColumn> column;
    Kind kind = Kind::away;
    double time = 0;  // when it left, on the controller's clock
};

}  // namespace brindlow
