#include "strip/Column.h"

#include <algorithm>

namespace brindlow {

Column Column::single(WindowID id, double widthFraction) {
    Column column;
    column.windows = {id};
    column.weights = {1.0};
    column.widthFraction = widthFraction;
    return column;
}

int Column::activeRow() const {
    if (windows.empty()) return 0;
    return std::clamp(activeIndex, 0, static_cast<int>(windows.size()) - 1);
}

std::optional<WindowID> Column::activeWindow() const {
    if (windows.empty()) return std::nullopt;
    return windows[static_cast<std::size_t>(activeRow())];
}

}  // namespace brindlow
