#pragma once

// Allocation-free building blocks shared by the layout functions. Not for use outside src/strip.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geometry/Rounding.h"
#include "strip/Column.h"
#include "strip/LayoutEngine.h"

namespace brindlow::LayoutEngine::detail {

inline double nonNegative(double value) {
    return std::max(0.0, value);
}  // NaN becomes 0

// Whether `value` is a whole number small enough that sums and differences of a few of them stay
// whole and exact: rounding such coordinates changes nothing, and moving them is lossless.
inline bool isWhole(double value) {
    return std::fabs(value) < 1e15 &&
           static_cast<double>(static_cast<std::int64_t>(value)) == value;
}

// The room a width fraction is taken of: the viewport between its outer gaps, plus one gap so
// that fractions adding up to 1 fill it with gaps between.
inline double widthRoom(double width, double gap, double outerGap) {
    return width - 2 * outerGap + gap;
}

// The width of a column that is not full width, from widthRoom(); a refused width stands while
// the computed width stays within 1 point of the request. At least 1 point (also for NaN).
inline double fractionWidth(const Column& column, double computed) {
    if (column.refusedWidth && std::fabs(column.refusedWidth->requested - computed) < 1) {
        return std::max(1.0, column.refusedWidth->accepted);
    }
    return computed;
}

// A width fraction's share of widthRoom(), before any refused width; at least 1 point.
inline double computedWidth(double fraction, double room, double gap) {
    return std::max(1.0, roundHalfAway(fraction * room - gap));
}

inline double fractionWidth(const Column& column, double room, double gap) {
    return fractionWidth(column, computedWidth(column.widthFraction, room, gap));
}

// fractionWidth() for one room and gap. A strip uses a handful of fractions, so the widths of
// the last few are kept rather than computed again for every column.
class FractionWidths {
  public:
    FractionWidths(double room, double gap) : room_(room), gap_(gap) {}

    double of(const Column& column) {
        const double fraction = column.widthFraction;
        for (std::size_t i = 0; i < count_; ++i) {
            if (fractions_[i] == fraction) return fractionWidth(column, widths_[i]);
        }
        const double computed = computedWidth(fraction, room_, gap_);
        fractions_[next_] = fraction;
        widths_[next_] = computed;
        next_ = (next_ + 1) % fractions_.size();
        count_ = std::max(count_, next_ == 0 ? fractions_.size() : next_);
        return fractionWidth(column, computed);
    }

  private:
    double room_;
    double gap_;
    std::array<double, 4> fractions_{}, widths_{};
    std::size_t count_ = 0;
    std::size_t next_ = 0;
};

// Calls visit(columnIndex, span) for every unpinned column in strip order.
template <typename Visit>
void forEachSpan(std::span<const Column> columns, double width, double gap, double outerGap,
                 Visit&& visit) {
    double x = outerGap;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const Column& column = columns[index];
        if (column.pin) continue;
        const double w = columnWidth(column, width, gap, outerGap);
        visit(static_cast<int>(index), ColumnSpan{x, w});
        x += w + gap;
    }
}

// Spans never overlap, so at most one column straddles each inner edge: two slices at most.
struct SliceSet {
    std::array<int, 2> indices{};
    std::array<double, 2> widths{};
    int count = 0;
    double adjustment = 0;
    // Columns cut by an edge whose window refuses to be as narrow as its slice, parked instead.
    std::array<int, 2> parkedIndices{};
    std::array<bool, 2> parkedRight{};
    int parkedCount = 0;

    std::optional<bool> parkedSide(int index) const {
        for (int i = 0; i < parkedCount; ++i) {
            if (parkedIndices[static_cast<std::size_t>(i)] == index) {
                return parkedRight[static_cast<std::size_t>(i)];
            }
        }
        return std::nullopt;
    }

    std::optional<double> sliceFor(int index) const {
        for (int i = 0; i < count; ++i) {
            if (indices[static_cast<std::size_t>(i)] == index) {
                return widths[static_cast<std::size_t>(i)];
            }
        }
        return std::nullopt;
    }
};

// Whether the window of `column` is known to refuse widths narrower than `slice`: it kept a
// larger width than it was asked for. One that kept a smaller one (a terminal that takes whole
// character cells) takes narrower widths.
inline bool refusesSlice(const Column& column, double slice) {
    const auto& refused = column.refusedWidth;
    return refused && refused->accepted > refused->requested && refused->accepted > slice + 2;
}

// Calls keep(columnIndex, slice) for every kept slice and park(columnIndex, right) for a column
// cut by an edge whose window refuses its slice, or (`cut` park) whose slice is too narrow;
// returns the adjustment. Sent whole, such a column would stand partly off screen, where a
// window manager that keeps windows on screen pulls it back over its neighbour. Spans only grow
// to the right, so the walk ends at the first column that starts beyond the right edge.
template <typename Keep, typename Park>
double forEachEdgeSlice(std::span<const Column> columns, std::optional<int> focusedIndex,
                        double offset, double width, double gap, double outerGap, CutColumns cut,
                        Keep&& keep, Park&& park) {
    double adjustment = 0;
    const double innerLeft = outerGap;
    const double innerRight = width - outerGap;
    FractionWidths widths(widthRoom(width, gap, outerGap), gap);
    const double fullWidth = std::max(1.0, roundHalfAway(width));
    double x = outerGap;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const Column& column = columns[index];
        if (column.pin) continue;
        const double spanWidth = column.isFullWidth ? fullWidth : widths.of(column);
        const double left = x - offset;
        x += spanWidth + gap;
        if (left >= innerRight) break;
        if (focusedIndex && *focusedIndex == static_cast<int>(index)) continue;
        const double right = left + spanWidth;
        double slice = 0;
        bool atLeftEdge = false;
        if (left >= innerLeft - 0.5 && left < innerRight && right > innerRight + 0.5) {
            slice = roundHalfAway(innerRight - left);
        } else if (left < innerLeft - 0.5 && right <= innerRight + 0.5 && right > innerLeft) {
            slice = roundHalfAway(right - innerLeft);
            atLeftEdge = true;
        } else {
            continue;
        }
        // Too narrow inside to be sliced, a column stands partly off the screen unless `cut`
        // parks it; a window known to refuse narrower widths is not sliced either: it is parked.
        const bool tooNarrow = slice < 320;
        if (tooNarrow ? cut == CutColumns::park : refusesSlice(column, slice)) {
            park(static_cast<int>(index), !atLeftEdge);
            continue;
        }
        if (tooNarrow) continue;
        keep(static_cast<int>(index), slice);
        if (atLeftEdge) adjustment = spanWidth - slice;
    }
    return adjustment;
}

// Working rows of one stack; the caller provides storage for `rows` entries in each.
struct StackRows {
    std::span<double> weights;
    std::span<double> minimums;
    std::span<double> shares;
    std::span<unsigned char> fixed;
    std::span<StackSlot> slots;
    std::span<StackSlot> frames;
    std::span<StackBand> bands;  // room for rows - 1
    // Per row, the largest minimum height the window could have without changing any frame or
    // band of the stack (-infinity when that is not known).
    std::span<double> slack;
};

// Inline storage for the stacks the editing rules allow (three rows) and then some.
struct InlineStackRows {
    static constexpr std::size_t capacity = 8;
    std::array<double, capacity> weights{}, minimums{}, shares{}, slack{};
    std::array<unsigned char, capacity> fixed{};
    std::array<StackSlot, capacity> slots{}, frames{};
    std::array<StackBand, capacity> bands{};

    StackRows rows(std::size_t n) {
        return {std::span(weights).first(n), std::span(minimums).first(n),
                std::span(shares).first(n),  std::span(fixed).first(n),
                std::span(slots).first(n),   std::span(frames).first(n),
                std::span(bands).first(n),   std::span(slack).first(n)};
    }
};

// Heap storage for stacks larger than the inline capacity.
struct HeapStackRows {
    std::vector<double> weights, minimums, shares, slack;
    std::vector<unsigned char> fixed;
    std::vector<StackSlot> slots, frames;
    std::vector<StackBand> bands;

    explicit HeapStackRows(std::size_t n)
        : weights(n), minimums(n), shares(n), slack(n), fixed(n), slots(n), frames(n), bands(n) {}

    StackRows rows() { return {weights, minimums, shares, fixed, slots, frames, bands, slack}; }
};

// stackHeights into `out`; with ignoreMinimums every window counts only its 100-point floor.
// When `slack` is given, each window's largest minimum that leaves the heights unchanged goes
// there: its share when no window was held at its minimum and the rounded heights add up
// without correction, else -infinity.
void stackHeightsInto(std::span<const double> weights, std::span<const double> minimums,
                      bool ignoreMinimums, double available, std::span<double> out,
                      std::span<unsigned char> fixed, std::span<double> slack = {});

// stackFrames over rows.weights / rows.minimums (one per window), writing rows.frames and
// rows.slack; returns the number of bands written to rows.bands.
std::size_t stackFramesInto(StackRows rows, int activeRow, double top, double height, double gap,
                            double below);

}  // namespace brindlow::LayoutEngine::detail
