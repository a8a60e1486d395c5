#include <algorithm>
#include <cmath>

#include "geometry/Rounding.h"
#include "strip/LayoutEngine.h"
#include "strip/LayoutInternals.h"
#include "strip/Viewport.h"

namespace brindlow::LayoutEngine {

using detail::nonNegative;

double columnWidth(const Column& column, double width, double gap, double outerGap) {
    if (column.isFullWidth) return std::max(1.0, roundHalfAway(width));
    gap = nonNegative(gap);
    outerGap = nonNegative(outerGap);
    // std::max(1.0, NaN) is 1, so a broken fraction still gives a usable width.
    return detail::fractionWidth(column, detail::widthRoom(width, gap, outerGap), gap);
}

Rect viewport(std::span<const Column> columns, const Rect& area, double gap, double outerGap) {
    gap = nonNegative(gap);
    outerGap = nonNegative(outerGap);
    double left = area.minX();
    double right = area.maxX();
    for (const Column& column : columns) {
        if (column.pin == Pin::left) {
            left += columnWidth(column, area.width, gap, outerGap) + gap;
        } else if (column.pin == Pin::right) {
            right -= columnWidth(column, area.width, gap, outerGap) + gap;
        }
    }
    return {left, area.minY(), std::max(1.0, right - left), area.height};
}

Rect viewport(std::span<const Column> columns, const DisplayGeometry& geometry, double gap,
              double outerGap) {
    return viewport(columns, geometry.area, gap, outerGap);
}

VerticalBand verticalBand(const DisplayGeometry& geometry, double outerGap) {
    outerGap = nonNegative(outerGap);
    const Rect& area = geometry.area;
    const Rect& screen = geometry.screen;
    const double height = std::max(1.0, roundHalfAway(area.height - 2 * outerGap));
    const bool displayBelow = std::any_of(
        geometry.otherScreens.begin(), geometry.otherScreens.end(), [&](const Rect& other) {
            return other.minY() >= screen.maxY() - 1 && other.maxX() > screen.minX() &&
                   screen.maxX() > other.minX();
        });
    // A display below takes the room under this one, so only the outer gap may be used.
    if (displayBelow) return {height, outerGap};
    const double top = roundHalfAway(area.minY() + outerGap);
    return {height, std::max(0.0, screen.maxY() - (top + height))};
}

std::vector<ColumnSpan> columnSpans(std::span<const Column> columns, double width, double gap,
                                    double outerGap) {
    std::vector<ColumnSpan> spans;
    detail::forEachSpan(columns, width, nonNegative(gap), nonNegative(outerGap),
                        [&](int, ColumnSpan span) { spans.push_back(span); });
    return spans;
}

EdgeSlices edgeSlices(std::span<const Column> columns, std::optional<int> focusedIndex,
                      double offset, double width, double gap, double outerGap, CutColumns cut) {
    EdgeSlices result;
    result.adjustment = detail::forEachEdgeSlice(
        columns, focusedIndex, offset, width, nonNegative(gap), nonNegative(outerGap), cut,
        [&](int index, double slice) { result.slices[index] = slice; },
        [&](int index, bool right) { result.parked[index] = right; });
    return result;
}

std::vector<double> snapOffsets(std::span<const Column> columns, double width, double gap,
                                double outerGap) {
    gap = nonNegative(gap);
    outerGap = nonNegative(outerGap);
    const std::vector<ColumnSpan> spans = columnSpans(columns, width, gap, outerGap);
    const double maximum = Viewport::maxOffset(spans, width, outerGap);
    std::vector<double> offsets;
    offsets.reserve(spans.size() + 1);
    std::size_t k = 0;
    for (const Column& column : columns) {
        if (column.pin) continue;
        const ColumnSpan& span = spans[k++];
        // A full-width column lands on the viewport edge itself, without the outer gap.
        const double offset = column.isFullWidth ? span.x : span.x - outerGap;
        offsets.push_back(std::clamp(offset, 0.0, maximum));
    }
    offsets.push_back(maximum);
    return offsets;
}

double requiredStackHeight(std::span<const double> minimumHeights, double gap) {
    if (minimumHeights.empty()) return 0;
    double total = 0;
    for (double minimum : minimumHeights) total += roundHalfAway(std::max(100.0, minimum));
    return total + nonNegative(gap) * static_cast<double>(minimumHeights.size() - 1);
}

}  // namespace brindlow::LayoutEngine
