#include "strip/Column.h"

namespace brindlow {

Column Column::single(WindowID id, double widthFraction) {
    Column column;
    column.windows = {id};
    column.weights = {1.0};
    column.widthFraction = widthFraction;
    return column;
}

std::optional<WindowID> Column::activeWindow() const {
    if (windows.empty()) return std::nullopt;
    return windows[static_cast<std::size_t>(activeRow())];
}

}  // namespace brindlow
