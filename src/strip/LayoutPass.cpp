#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "geometry/Rounding.h"
#include "strip/LayoutEngine.h"
#include "strip/LayoutInternals.h"

namespace brindlow::LayoutEngine {

namespace {

using detail::nonNegative;

// Whether any of `screens` shares an area with `rect`.
bool hitsAny(const Rect& rect, std::span<const Rect> screens) {
    for (const Rect& screen : screens) {
        if (rect.intersects(screen)) return true;
    }
    return false;
}

// Where parked columns go, for one display. Columns far off screen are most of a long strip and
// come in a handful of sizes, so the spot found for one size on one side is remembered.
class Parking {
  public:
    Parking(const DisplayGeometry& geometry, double peek)
        : geometry_(geometry),
          peek_(peek),
          areaIsClear_(!hitsAny(geometry.area, geometry.otherScreens)) {}

    // Where an unpinned column with frame `rect` is parked, or none when it stays where it is. A
    // parked column leaves `peek` points on its own display (none where a panel holds that edge)
    // and never stands on another display when that can be helped.
    std::optional<Rect> parkedFrame(const Rect& rect) {
        const Rect& area = geometry_.area;
        const bool offLeft = rect.maxX() < parkLeft_;
        const bool offRight = rect.minX() > parkRight_;
        // No other display overlaps the area, so a frame inside the area stands on none of them.
        const bool inside = areaIsClear_ && rect.minX() >= area.minX() &&
                            rect.maxX() <= area.maxX() && rect.minY() >= area.minY() &&
                            rect.maxY() <= area.maxY();
        // Off the right edge the side is known; otherwise standing on another display counts,
        // which is only tested where it decides something.
        const auto hitsOther = [&] { return !inside && hitsAny(rect, geometry_.otherScreens); };
        bool right = offRight;
        if (!offLeft && !offRight) {
            if (!hitsOther()) return std::nullopt;
            right = rect.midX() > area.midX();
        } else if (!offRight) {
            right = rect.midX() > area.midX() && hitsOther();
        }
        return Rect(spot(right, rect), rect.size());
    }

    // `rect` parked on the given side (true: right), wherever it stands.
    Rect parkedOn(bool right, const Rect& rect) { return Rect(spot(right, rect), rect.size()); }

  private:
    struct Spot {
        bool right = false;
        double y = 0, width = 0, height = 0;
        Point origin;
    };

    Point spot(bool right, const Rect& rect) {
        for (std::size_t i = 0; i < count_; ++i) {
            const Spot& known = spots_[i];
            if (known.right == right && known.y == rect.minY() && known.width == rect.width &&
                known.height == rect.height) {
                return known.origin;
            }
        }
        const Rect& area = geometry_.area;
        const Rect& screen = geometry_.screen;
        // `peek` points stay inside the area. Where a panel keeps the screen's edge out of the
        // area, the rest of the column would lie over that panel: it goes past the screen's edge
        // instead, out of sight.
        const double rightX = area.maxX() < screen.maxX() ? screen.maxX() : area.maxX() - peek_;
        const double leftX = area.minX() > screen.minX() ? screen.minX() - rect.width
                                                         : area.minX() - rect.width + peek_;
        const double sideX = right ? rightX : leftX;
        const double oppositeX = right ? leftX : rightX;
        const double bottomY = area.maxY() < screen.maxY() ? screen.maxY() : screen.maxY() - peek_;
        const std::array<Point, 3> candidates = {Point{sideX, rect.minY()}, Point{sideX, bottomY},
                                                 Point{oppositeX, bottomY}};
        Point origin = candidates[0];
        for (const Point& candidate : candidates) {
            if (!hitsAny(Rect(candidate, rect.size()), geometry_.otherScreens)) {
                origin = candidate;
                break;
            }
        }
        origin = {roundHalfAway(origin.x), roundHalfAway(origin.y)};
        spots_[next_] = {right, rect.minY(), rect.width, rect.height, origin};
        next_ = (next_ + 1) % spots_.size();
        count_ = std::max(count_, next_ == 0 ? spots_.size() : next_);
        return origin;
    }

    const DisplayGeometry& geometry_;
    double peek_;
    bool areaIsClear_;
    // A column ending left of the first or starting right of the second is parked.
    double parkLeft_ = geometry_.area.minX() + peek_;
    double parkRight_ = geometry_.area.maxX() - peek_;
    std::array<Spot, 8> spots_{};
    std::size_t count_ = 0;
    std::size_t next_ = 0;
};

// Lays out the windows of one column in its rect, appending to the result.
class ColumnFiller {
  public:
    // `bandLimit`: the most gap bands the pass can produce, reserved at the first one.
    ColumnFiller(StripLayout& result, const MinimumHeights& minimumHeights, double gap,
                 double below, std::size_t bandLimit)
        : result_(result),
          minimumHeights_(minimumHeights),
          gap_(gap),
          below_(below),
          bandLimit_(bandLimit) {}

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
            fillStack(column, rect, parked, inlineRows_[n]);
        } else {
            detail::HeapStackRows heap(n);
            fillStack(column, rect, parked, heap.rows());
        }
    }

  private:
    double minimumHeight(WindowID id) const {
        if (!ids_.mayHold(id)) return 0;
        const auto found = minimumHeights_.find(id);
        return found == minimumHeights_.end() ? 0 : found->second;
    }

    // Which window ids may have a minimum height: most have none, and a bit test is cheaper
    // than a hash lookup. The set holds about 16 bits per minimum (few false hits) up to a fixed
    // size, and only its used words are cleared.
    class IdFilter {
      public:
        explicit IdFilter(const MinimumHeights& minimums) {
            std::size_t words = 1;
            while (words < maxWords && words * 64 < minimums.size() * 16) words *= 2;
            mask_ = minimums.empty() ? 0 : words * 64 - 1;
            std::fill_n(words_.begin(), words, 0);
            for (const auto& entry : minimums) set(entry.first & mask_);
        }

        bool mayHold(WindowID id) const {
            if (mask_ == 0) return false;
            const std::size_t bit = id & mask_;
            return (words_[bit / 64] >> (bit % 64)) & 1;
        }

      private:
        static constexpr std::size_t maxWords = 256;

        void set(std::size_t bit) { words_[bit / 64] |= std::uint64_t{1} << (bit % 64); }

        std::size_t mask_ = 0;
        std::array<std::uint64_t, maxWords> words_;  // only the first mask_ / 64 + 1 are used
    };

    void fillStack(const Column& column, const Rect& rect, bool parked,
                   const detail::StackRows& rows) {
        const std::size_t n = column.windows.size();
        bool anyMinimum = false;
        for (std::size_t i = 0; i < n; ++i) {
            // A weight list out of step with the windows counts 1.0 for missing rows.
            rows.weights[i] = i < column.weights.size() ? column.weights[i] : 1.0;
            rows.minimums[i] = minimumHeight(column.windows[i]);
            anyMinimum = anyMinimum || rows.minimums[i] != 0;
        }
        const int activeRow = column.activeRow();
        const double top = rect.minY();
        // Learned minimums belong to single windows, so a stack with one is rarely seen again:
        // only stacks without any are remembered, where they cannot push out the common ones. A
        // stack whose minimums all fit in the slack of the same stack without them lies the same.
        // Every top the pass hands over is already rounded, so a finite one is whole.
        const bool memoFits = memoUsable_ && n <= StackMemo::capacity && std::fabs(top) < 1e15;
        const StackMemo* known = nullptr;
        if (memoFits) {
            for (const StackMemo& memo : memos_) {
                if (memo.matches(rows, activeRow, rect.height)) {
                    if (!anyMinimum || memo.admits(rows)) known = &memo;
                    break;
                }
            }
        }
        std::size_t bandCount = 0;
        if (known) {
            bandCount = known->recall(rows, top);
        } else {
            bandCount = detail::stackFramesInto(rows, activeRow, top, rect.height, gap_, below_);
            if (memoFits && !anyMinimum) {
                memos_[nextMemo_].remember(rows, activeRow, rect.height, top, bandCount);
                nextMemo_ = (nextMemo_ + 1) % memos_.size();
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            const StackSlot& frame = rows.frames[i];
            result_.placements.push_back({column.windows[i],
                                          Rect(rect.minX(), frame.y, rect.width, frame.height),
                                          parked, true});
        }
        if (parked || bandCount == 0) return;
        if (result_.gapBands.capacity() == 0) result_.gapBands.reserve(bandLimit_);
        for (std::size_t b = 0; b < bandCount; ++b) {
            const StackBand& band = rows.bands[b];
            result_.gapBands.push_back({Rect(rect.minX(), band.y, rect.width, gap_),
                                        column.windows[static_cast<std::size_t>(band.row)]});
        }
    }

    // A recent stack without minimums laid out, relative to its top. With whole tops, heights
    // and gaps every coordinate of a stack is a whole number, so a stack with the same weights,
    // active row and height lies the same way at any top; columns repeat, parked ones most of
    // all. Entries never repeat a key, so the first match is the only one.
    struct StackMemo {
        static constexpr std::size_t capacity = detail::InlineStackRows::capacity;
        bool valid = false;
        std::size_t n = 0;
        int activeRow = 0;
        double height = 0;
        std::size_t bandCount = 0;
        std::array<double, capacity> weights{}, slack{};
        std::array<StackSlot, capacity> frames{};
        std::array<StackBand, capacity> bands{};

        bool matches(const detail::StackRows& rows, int active, double h) const {
            if (!valid || rows.weights.size() != n || active != activeRow || h != height) {
                return false;
            }
            for (std::size_t i = 0; i < n; ++i) {
                if (rows.weights[i] != weights[i]) return false;
            }
            return true;
        }

        // Whether the minimums of a matching stack change none of its frames.
        bool admits(const detail::StackRows& rows) const {
            for (std::size_t i = 0; i < n; ++i) {
                const double minimum = rows.minimums[i];
                if (minimum != 0 && !(minimum > 0 && minimum <= slack[i])) return false;
            }
            return true;
        }

        std::size_t recall(const detail::StackRows& rows, double top) const {
            for (std::size_t i = 0; i < n; ++i) {
                rows.frames[i] = {frames[i].y + top, frames[i].height};
            }
            for (std::size_t b = 0; b < bandCount; ++b) {
                rows.bands[b] = {bands[b].y + top, bands[b].row};
            }
            return bandCount;
        }

        void remember(const detail::StackRows& rows, int active, double h, double top,
                      std::size_t count) {
            valid = true;
            n = rows.weights.size();
            activeRow = active;
            height = h;
            bandCount = count;
            for (std::size_t i = 0; i < n; ++i) {
                weights[i] = rows.weights[i];
                slack[i] = rows.slack[i];
                frames[i] = {rows.frames[i].y - top, rows.frames[i].height};
            }
            for (std::size_t b = 0; b < count; ++b) {
                bands[b] = {rows.bands[b].y - top, rows.bands[b].row};
            }
        }
    };

    StripLayout& result_;
    const MinimumHeights& minimumHeights_;
    IdFilter ids_{minimumHeights_};
    double gap_;
    double below_;
    std::size_t bandLimit_;
    // Only whole gaps keep every stack coordinate whole (and so exact when moved).
    bool memoUsable_ = detail::isWhole(gap_) && detail::isWhole(below_);
    std::array<StackMemo, 4> memos_{};
    std::size_t nextMemo_ = 0;
    detail::InlineStackRows inline_;
    // Views of inline_ for every stack size it holds, made once per pass.
    std::array<detail::StackRows, detail::InlineStackRows::capacity + 1> inlineRows_ = [this] {
        std::array<detail::StackRows, detail::InlineStackRows::capacity + 1> rows;
        for (std::size_t n = 0; n < rows.size(); ++n) rows[n] = inline_.rows(n);
        return rows;
    }();
};

}  // namespace

StripLayout layout(std::span<const Column> columns, std::optional<int> focusedIndex,
                   const DisplayGeometry& geometry, const MinimumHeights& minimumHeights,
                   std::optional<double> sliceOffset, double offset, double gap, double outerGap,
                   double peek, CutColumns cut) {
    gap = nonNegative(gap);
    outerGap = nonNegative(outerGap);
    const Rect& area = geometry.area;

    // One walk for the sizes to reserve and the pinned blocks that bound the viewport.
    std::size_t windowCount = 0;
    std::size_t bandLimit = 0;
    double viewLeft = area.minX();
    double viewRight = area.maxX();
    // Index ranges [first, end) holding each side's pinned columns, so their walks stay short.
    std::size_t leftPinFirst = columns.size(), leftPinEnd = 0;
    std::size_t rightPinFirst = columns.size(), rightPinEnd = 0;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const Column& column = columns[index];
        const std::size_t n = column.windows.size();
        windowCount += n;
        if (!column.isTabbed && n > 1) bandLimit += n - 1;
        if (!column.pin) continue;
        const double w = columnWidth(column, area.width, gap, outerGap) + gap;
        if (*column.pin == Pin::left) {
            viewLeft += w;
            leftPinFirst = std::min(leftPinFirst, index);
            leftPinEnd = index + 1;
        } else {
            viewRight -= w;
            rightPinFirst = std::min(rightPinFirst, index);
            rightPinEnd = index + 1;
        }
    }

    StripLayout result;
    result.placements.reserve(windowCount);
    result.viewport = {viewLeft, area.minY(), std::max(1.0, viewRight - viewLeft), area.height};
    const Rect& view = result.viewport;

    const double top = roundHalfAway(area.minY() + outerGap);
    const double height = std::max(1.0, roundHalfAway(area.height - 2 * outerGap));
    ColumnFiller filler(result, minimumHeights, gap, verticalBand(geometry, outerGap).below,
                        bandLimit);

    // Pinned blocks stand at the area's edges and are never parked.
    if (leftPinEnd > 0) {
        double x = area.minX() + outerGap;
        for (const Column& column : columns.subspan(leftPinFirst, leftPinEnd - leftPinFirst)) {
            if (column.pin != Pin::left) continue;
            const double w = columnWidth(column, area.width, gap, outerGap);
            filler.fill(column, Rect(roundHalfAway(x), top, w, height), false);
            x += w + gap;
        }
    }
    if (rightPinEnd > 0) {
        double x = area.maxX() - outerGap;
        const auto block = columns.subspan(rightPinFirst, rightPinEnd - rightPinFirst);
        for (auto column = block.rbegin(); column != block.rend(); ++column) {
            if (column->pin != Pin::right) continue;
            const double w = columnWidth(*column, area.width, gap, outerGap);
            x -= w;
            filler.fill(*column, Rect(roundHalfAway(x), top, w, height), false);
            x -= gap;
        }
    }

    detail::SliceSet slices;
    if (sliceOffset) {
        slices.adjustment = detail::forEachEdgeSlice(
            columns, focusedIndex, *sliceOffset, view.width, gap, outerGap, cut,
            [&](int index, double slice) {
                if (slices.count == static_cast<int>(slices.indices.size())) return;
                slices.indices[static_cast<std::size_t>(slices.count)] = index;
                slices.widths[static_cast<std::size_t>(slices.count)] = slice;
                ++slices.count;
            },
            [&](int index, bool right) {
                if (slices.parkedCount == static_cast<int>(slices.parkedIndices.size())) return;
                slices.parkedIndices[static_cast<std::size_t>(slices.parkedCount)] = index;
                slices.parkedRight[static_cast<std::size_t>(slices.parkedCount)] = right;
                ++slices.parkedCount;
            });
    }

    Parking parking(geometry, peek);
    const double fullWidth = std::max(1.0, roundHalfAway(view.width));
    const double fullTop = roundHalfAway(area.minY());
    const double fullHeight = std::max(1.0, roundHalfAway(area.height));
    detail::FractionWidths widths(detail::widthRoom(view.width, gap, outerGap), gap);
    // A slice at the left edge shifts the run so the columns after it stay in place.
    double x = roundHalfAway(view.minX() + outerGap - (offset - slices.adjustment));
    // Every width is whole, so with a whole gap x stays whole and needs no rounding.
    const bool wholeSteps = detail::isWhole(gap);
    for (std::size_t index = 0; index < columns.size(); ++index) {
        const Column& column = columns[index];
        if (column.pin) continue;
        double w = 0;
        std::optional<double> slice;
        if (slices.count > 0) slice = slices.sliceFor(static_cast<int>(index));
        if (slice) {
            w = roundHalfAway(*slice);
        } else if (column.isFullWidth) {
            w = fullWidth;
        } else {
            w = widths.of(column);
            // Only a refused width can be fractional.
            if (column.refusedWidth) w = roundHalfAway(w);
        }
        const double left = wholeSteps ? x : roundHalfAway(x);
        Rect rect =
            column.isFullWidth ? Rect(left, fullTop, w, fullHeight) : Rect(left, top, w, height);
        std::optional<bool> parkedSide;
        if (slices.parkedCount > 0) parkedSide = slices.parkedSide(static_cast<int>(index));
        // Parked for where it is cut once the strip rests, a column is parked only once it is
        // drawn past that edge: while a scroll carries it there, it stands in view.
        if (parkedSide && (*parkedSide ? rect.maxX() <= view.maxX() - outerGap + 0.5
                                       : rect.minX() >= view.minX() + outerGap - 0.5))
            parkedSide.reset();
        const auto parked = parkedSide ? std::optional<Rect>(parking.parkedOn(*parkedSide, rect))
                                       : parking.parkedFrame(rect);
        if (parked) rect = *parked;
        filler.fill(column, rect, parked.has_value());
        x += w + gap;
    }
    return result;
}

StripLayout layout(const Strip& strip, const DisplayGeometry& geometry,
                   const MinimumHeights& minimumHeights, std::optional<double> sliceOffset,
                   double offset, double gap, double outerGap, double peek, CutColumns cut) {
    return layout(strip.columns, strip.focusedIndex, geometry, minimumHeights, sliceOffset, offset,
                  gap, outerGap, peek, cut);
}

}  // namespace brindlow::LayoutEngine
