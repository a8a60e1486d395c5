#include "overlays/IndicatorGeometry.h"

#include <algorithm>
#include <cmath>

#include "overlays/OverlayGeometry.h"

namespace brindlow {

Rect indicatorFrame(const Rect& visible, std::size_t columns, IndicatorPosition position) {
    const Rect area = toolkitRect(visible);
    const double width =
        std::max(0.0, std::min(kIndicatorSlot * double(columns) + 110, area.width - 40));
    const double y =
        position == IndicatorPosition::top ? area.minY() + 10 : area.maxY() - 10 - kIndicatorHeight;
    return {area.midX() - width / 2, y, width, kIndicatorHeight};
}

bool indicatorIsDrag(double dx, double dy) {
    return std::hypot(dx, dy) >= kIndicatorDragDistance;
}

int indicatorReorderTarget(int from, double translation, std::size_t columns) {
    const double x = translation / kIndicatorSlot;
    const double steps = std::trunc(x + std::copysign(0.49999999999999994, x));
    const double target = std::min(double(from) + steps, double(columns) - 1);
    return int(std::max(target, 0.0));
}

std::optional<WindowID> indicatorClickTarget(const ColumnSnapshot& column) {
    if (column.windows.empty()) return std::nullopt;
    const bool inRange =
        column.activeIndex >= 0 && std::size_t(column.activeIndex) < column.windows.size();
    return column.windows[inRange ? std::size_t(column.activeIndex) : 0].id;
}

std::string indicatorTooltip(const ColumnSnapshot& column) {
    std::string text;
    for (const WindowSnapshot& window : column.windows) {
        if (!text.empty()) text += "\n";
        text += window.app + " \u2014 " + window.title;
    }
    return text;
}

}  // namespace brindlow
