#include "controller/UserDrag.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace brindlow::UserDrag {

bool framesClose(const Rect& a, const Rect& b, double tolerance) {
    return std::fabs(a.minX() - b.minX()) <= tolerance &&
           std::fabs(a.minY() - b.minY()) <= tolerance &&
           std::fabs(a.width - b.width) <= tolerance && std::fabs(a.height - b.height) <= tolerance;
}

bool isResize(const Rect& live, const Rect& recorded) {
    return std::fabs(live.width - recorded.width) > kTolerance ||
           std::fabs(live.height - recorded.height) > kTolerance;
}

int dropColumn(const Strip& strip, const StripLayout& layout, const Rect& live, WindowID window) {
    std::map<WindowID, Rect> frames;
    for (const Placement& placement : layout.placements)
        frames.emplace(placement.windowID, placement.frame);
    int index = strip.leftPinnedCount();
    const int end = int(strip.columns.size()) - strip.rightPinnedCount();
    for (int c = strip.leftPinnedCount(); c < end; ++c) {
        const Column& column = strip.columns[size_t(c)];
        const bool holds =
            std::find(column.windows.begin(), column.windows.end(), window) != column.windows.end();
        if (holds && column.windows.size() <= 1) continue;
        // The active window stands for the column; in a stack the dragged window leaves, one of
        // the windows that stay does.
        std::optional<WindowID> representative = column.activeWindow();
        if (holds && representative == window)
            for (const WindowID other : column.windows)
                if (other != window) {
                    representative = other;
                    break;
                }
        if (frames.empty() || !representative) break;
        const auto frame = frames.find(*representative);
        if (frame == frames.end()) break;
        if (live.midX() <= frame->second.midX()) break;
        ++index;
    }
    return index;
}

double widthFraction(double width, double areaWidth, double gap, double outerGap) {
    const double g = std::max(0.0, gap);
    const double o = std::max(0.0, outerGap);
    const double room = areaWidth - 2 * o + g;
    const double fraction = room > 0 ? (width + g) / room : 0.5;
    return std::max(std::min(fraction, 1.0), 0.1);
}

void applyResize(Column& column, int row, const Rect& live, const Rect& recorded, double areaWidth,
                 double gap, double outerGap) {
    column.widthFraction = widthFraction(live.width, areaWidth, gap, outerGap);
    column.isFullWidth = false;
    column.refusedWidth.reset();
    if (column.windows.size() >= 2 && !column.isTabbed && recorded.height > 0 &&
        std::fabs(live.height - recorded.height) > kTolerance && row >= 0 &&
        size_t(row) < column.weights.size()) {
        const double scaled = column.weights[size_t(row)] * live.height / recorded.height;
        column.weights[size_t(row)] = std::max(std::min(scaled, 10.0), 0.1);
    }
}

bool shookInsideStack(const Column& column, const Rect& live, const Rect& recorded) {
    return column.windows.size() >= 2 && live.midX() >= recorded.minX() &&
           live.midX() <= recorded.maxX();
}

void moveWithinStrip(Strip& strip, WindowID window, int index) {
    const std::optional<StripLocation> location = strip.locate(window);
    if (!location) return;
    const Column& column = strip.columns[size_t(location->column)];
    if (column.windows.size() <= 1) {
        strip.reorderColumn(location->column, index);
        strip.focus(window);
        return;
    }
    const double width = column.widthFraction;
    strip.remove(window);
    strip.focusedIndex = strip.insertColumn(Column::single(window, width), index);
}

}  // namespace brindlow::UserDrag
