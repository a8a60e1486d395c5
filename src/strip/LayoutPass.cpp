#include <algorithm>
#include <array>
#include <cmath>

#include "strip/LayoutEngine.h"
#include "strip/LayoutInternals.h"

namespace brindlow::LayoutEngine {

namespace {

using detail::nonNegative;

bool hitsAny(const Rect& rect, std::span<const Rect> screens) {
    return std::any_of(screens.begin(), screens.end(),
                       [&](const Rect& screen) { return rect.intersects(screen); });
}

// Where an unpinned column with frame `rect` is parked, or none when it stays where it is. A
// parked column leaves `peek` points on its own display and never stands on another display
// when that can be helped.
std::optional<Rect> parkedFrame(const Rect& rect, const DisplayGeometry& geometry, double peek) {
    const Rect& area = geometry.area;
    const bool hitsOther = hitsAny(rect, geometry.otherScreens);
    const bool offLeft = rect.maxX() < area.minX() + peek;
    const bool offRight = rect.minX() > area.maxX() - peek;
    if (!offLeft && !offRight && !hitsOther) return std::nullopt;

    const bool right = offRight || (hitsOther && rect.midX() > area.midX());
    const double rightX = area.maxX() - peek;
    const double leftX = area.minX() - rect.width + peek;
    const double sideX = right ? rightX : leftX;
    const double oppositeX = right ? leftX : rightX;
    const double bottomY = geometry.screen.maxY() - peek;
    const std::array<Point, 3> candidates = {Point{sideX, rect.minY()}, Point{sideX, bottomY},
                                             Point{oppositeX, bottomY}};

    Point origin = candidates[0];
    for (const Point& candidate : candidates) {
        if (!hitsAny(Rect(candidate, rect.size()), geometry.otherScreens)) {
            origin = candidate;
            break;
        }
    }
    return Rect(std::round(origin.x), std::round(origin.y), rect.width, rect.height);
}

// Lays out the windows of one column in its rect, appending to the result.
class ColumnFiller {
  public:
    ColumnFiller(StripLayout& result, const MinimumHeights& minimumHeights, double gap,
                 double below)
        : result_(result), minimumHeights_(minimumHeights), gap_(gap), below_(below) {}

    void fill(const Column& column, const Rect& rect, bool parked) {
        const std::size_t n = column.windows.size();
        if (column.isTabbed || n < 2) {
            for (std::size_t row = 0; row < n; ++row) {
                const bool visible =
                    !column.isTabbed || static_cast<int>(row) == column.activeIndex;
                result_.placements.push_back({column.windows[row], rect, parked, visible});
            }
            return;
        }
        if (n <= detail::InlineStackRows::capacity) {
            fillStack(column, rect, parked, inline_.rows(n));
        } else {
            detail::HeapStackRows heap(n);
            fillStack(column, rect, parked, heap.rows());
        }
    }

  private:
    double minimumHeight(WindowID id) const {
        if (minimumHeights_.empty()) return 0;
        const auto found = minimumHeights_.find(id);
        return found == minimumHeights_.end() ? 0 : found->second;
    }

    void fillStack(const Column& column, const Rect& rect, bool parked, detail::StackRows rows) {
        const std::size_t n = column.windows.size();
        for (std::size_t i = 0; i < n; ++i) {
            // A weight list out of step with the windows counts 1.0 for missing rows.
            rows.weights[i] = i < column.weights.size() ? column.weights[i] : 1.0;
            rows.minimums[i] = minimumHeight(column.windows[i]);
        }
        const std::size_t bandCount = detail::stackFramesInto(rows, column.activeRow(), rect.minY(),
                                                              rect.height, gap_, below_);
        for (std::size_t i = 0; i < n; ++i) {
            const StackSlot& frame = rows.frames[i];
            result_.placements.push_back({column.windows[i],
                                          Rect(rect.minX(), frame.y, rect.width, frame.height),
                                          parked, true});
        }
        if (parked) return;
        for (std::size_t b = 0; b < bandCount; ++b) {
            const StackBand& band = rows.bands[b];
            result_.gapBands.push_back({Rect(rect.minX(), band.y, rect.width, gap_),
                                        column.windows[static_cast<std::size_t>(band.row)]});
        }
    }

    StripLayout& result_;
    const MinimumHeights& minimumHeights_;
    double gap_;
    double below_;
    detail::InlineStackRows inline_;
};

}  // namespace

StripLayout layout(std::span<const Column> columns, std::optional<int> focusedIndex,
                   const DisplayGeometry& geometry, const MinimumHeights& minimumHeights,
                   std::optional<double> sliceOffset, double offset, double gap, double outerGap,
                   double peek) {
    gap = nonNegative(gap);
    outerGap = nonNegative(outerGap);
    const Rect& area = geometry.area;

    StripLayout result;
    std::size_t windowCount = 0;
    for (const Column& column : columns) windowCount += column.windows.size();
    result.placements.reserve(windowCount);
    result.viewport = viewport(columns, area, gap, outerGap);
    const Rect& view = result.viewport;

    const double top = std::round(area.minY() + outerGap);
    const double height = std::max(1.0, std::round(area.height - 2 * outerGap));
    ColumnFiller filler(result, minimumHeights, gap, verticalBand(geometry, outerGap).below);

    // Pinned blocks stand at the area's edges and are never parked.
    double x = area.minX() + outerGap;
    for (const Column& column : columns) {
        if (column.pin != Pin::left) continue;
        const double w = columnWidth(column, area.width, gap, outerGap);
        filler.fill(column, Rect(std::round(x), top, w, height), false);
        x += w + gap;
    }
    x = area.maxX() - outerGap;
    for (auto column = columns.rbegin(); column != columns.rend(); ++column) {
        if (column->pin != Pin::right) continue;
        const double w = columnWidth(*column, area.width, gap, outerGap);
        x -= w;
        filler.fill(*column, Rect(std::round(x), top, w, height), false);
        x -= gap;
    }

    detail::SliceSet slices;
    if (sliceOffset) {
        slices.adjustment = detail::forEachEdgeSlice(
            columns, focusedIndex, *sliceOffset, view.width, gap, outerGap,
            [&](int index, double slice) {
                if (slices.count == static_cast<int>(slices.indices.size())) return;
                slices.indices[static_cast<std::size_t>(slices.count)] = index;
                slices.widths[static_cast<std::size_t>(slices.count)] = slice;
                ++slices.count;
            });
    }

    // A slice at the left edge shifts the run so the columns after it stay in place.
    x = std::round(view.minX() + outerGap - (offset - slices.adjustment));
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const Column& column = columns[index];
        if (column.pin) continue;
        double w = 0;
        if (const auto slice = slices.sliceFor(static_cast<int>(index))) {
            w = std::round(*slice);
        } else if (column.isFullWidth) {
            w = std::max(1.0, std::round(view.width));
        } else {
            w = std::round(columnWidth(column, view.width, gap, outerGap));
        }
        Rect rect = column.isFullWidth ? Rect(std::round(x), std::round(area.minY()), w,
                                              std::max(1.0, std::round(area.height)))
                                       : Rect(std::round(x), top, w, height);
        const auto parked = parkedFrame(rect, geometry, peek);
        if (parked) rect = *parked;
        filler.fill(column, rect, parked.has_value());
        x += w + gap;
    }
    return result;
}

StripLayout layout(const Strip& strip, const DisplayGeometry& geometry,
                   const MinimumHeights& minimumHeights, std::optional<double> sliceOffset,
                   double offset, double gap, double outerGap, double peek) {
    return layout(strip.columns, strip.focusedIndex, geometry, minimumHeights, sliceOffset, offset,
                  gap, outerGap, peek);
}

}  // namespace brindlow::LayoutEngine
