#pragma once

#include <map>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "strip/Column.h"
#include "strip/DisplayGeometry.h"
#include "strip/Strip.h"
#include "strip/StripLayout.h"

// Pure functions that turn a strip, its display's geometry, the gaps and a scroll offset into
// window frames. Coordinates are global points, y down. Every point value produced is rounded to
// whole points with halves away from zero, and no produced width or height is below 1 point.
// Callers pass gap and outerGap already limited to at least 0.
namespace brindlow::LayoutEngine {

// Heights windows refused to go below; a window without an entry counts as 0.
using MinimumHeights = std::unordered_map<WindowID, double>;

// An unpinned column's place along the strip, measured from the viewport's left edge at offset 0.
struct ColumnSpan {
    double x = 0;
    double width = 0;
    friend bool operator==(const ColumnSpan&, const ColumnSpan&) = default;
};

// The usable height of a display and the room below it that an overfull stack may spill into.
struct VerticalBand {
    double height = 0;
    double below = 0;
    friend bool operator==(const VerticalBand&, const VerticalBand&) = default;
};

// Columns cut by a viewport edge, shrunk to their visible part (by column index), and how far a
// slice at the left edge shifts the run so the columns after it stay in place. A cut column
// whose window refuses its slice is parked on the side it is cut at (true: right) instead.
struct EdgeSlices {
    std::map<int, double> slices;
    double adjustment = 0;
    std::map<int, bool> parked;
    friend bool operator==(const EdgeSlices&, const EdgeSlices&) = default;
};

// What becomes of a column cut by a viewport edge with too little of it inside to be sliced: it
// stands where it falls, partly off the screen; or it is parked on that side, where the window
// manager would pull a window partly off the screen back over its neighbour.
enum class CutColumns { overhang, park };

// One row of a stack: its top and its height.
struct StackSlot {
    double y = 0;
    double height = 0;
    friend bool operator==(const StackSlot&, const StackSlot&) = default;
};

// A gap between stacked rows that the window of `row` intrudes into; `y` is the gap's top.
struct StackBand {
    double y = 0;
    int row = 0;
    friend bool operator==(const StackBand&, const StackBand&) = default;
};

struct StackFrames {
    std::vector<StackSlot> frames;
    std::vector<StackBand> bands;
    friend bool operator==(const StackFrames&, const StackFrames&) = default;
};

// MARK: Geometry

// The width rule: full width fills W; otherwise the fraction of the room between the outer gaps
// (so fractions that add up to 1 fill it with gaps between), at least 1; a refused width stands
// while the computed width stays within 1 point of the request.
double columnWidth(const Column& column, double width, double gap, double outerGap);

// The part of the area between the pinned blocks (at least 1 point wide).
Rect viewport(std::span<const Column> columns, const Rect& area, double gap, double outerGap);
Rect viewport(std::span<const Column> columns, const DisplayGeometry& geometry, double gap,
              double outerGap);

VerticalBand verticalBand(const DisplayGeometry& geometry, double outerGap);

// One span per unpinned column in strip order; pass the viewport width.
std::vector<ColumnSpan> columnSpans(std::span<const Column> columns, double width, double gap,
                                    double outerGap);

EdgeSlices edgeSlices(std::span<const Column> columns, std::optional<int> focusedIndex,
                      double offset, double width, double gap, double outerGap,
                      CutColumns cut = CutColumns::overhang);

// The offsets that align each unpinned column with the viewport, then the largest offset.
std::vector<double> snapOffsets(std::span<const Column> columns, double width, double gap,
                                double outerGap);

// The height a stack of windows needs: each at least 100 points, with gaps between.
double requiredStackHeight(std::span<const double> minimumHeights, double gap);

// MARK: Stacks

// Shares `available` among weighted windows, each at least max(100, its minimum). One height per
// weight; missing minimums count as 0.
std::vector<double> stackHeights(std::span<const double> weights,
                                 std::span<const double> minimumHeights, double available);

// The frames of a stack of one window per minimum height in the band [top, top + height], with
// `below` points of room under the band. Missing weights count as 1.0, extra weights are ignored.
StackFrames stackFrames(std::span<const double> weights, std::span<const double> minimumHeights,
                        int activeRow, double top, double height, double gap, double below);

// MARK: Layout pass

// Lays out every window of the columns. `offset` is where the unpinned run is drawn; `sliceOffset`
// is where edge slices are judged (none: no slicing); `peek` is how much of a parked column stays
// on screen, inside the area (nothing where the area stops short of the screen's edge, which a
// panel holds); `cut` says what becomes of a cut column too narrow inside to be sliced.
// Allocates only the result.
StripLayout layout(std::span<const Column> columns, std::optional<int> focusedIndex,
                   const DisplayGeometry& geometry, const MinimumHeights& minimumHeights,
                   std::optional<double> sliceOffset, double offset, double gap, double outerGap,
                   double peek, CutColumns cut = CutColumns::overhang);

// The same for a strip's columns and focus; its scrollOffset is not read.
StripLayout layout(const Strip& strip, const DisplayGeometry& geometry,
                   const MinimumHeights& minimumHeights, std::optional<double> sliceOffset,
                   double offset, double gap, double outerGap, double peek,
                   CutColumns cut = CutColumns::overhang);

// MARK: Quit plan

// One window to put back when the application quits.
struct QuitWindow {
    WindowID id = 0;
    Rect current;                  // its frame as last known
    std::optional<Rect> original;  // its frame before it was tiled, when known
    bool hidden = false;           // parked, or a hidden tab

    friend bool operator==(const QuitWindow&, const QuitWindow&) = default;
};

// Where every window goes at quit: its original frame when that still lies on a display, else
// clamped into `fallback`; hidden windows without an original frame cascade from the fallback's
// top left corner, `margin` in from its edges. One entry per input window.
std::map<WindowID, Rect> quitPlan(std::span<const QuitWindow> windows,
                                  std::span<const Rect> screens, const Rect& fallback,
                                  double margin);

}  // namespace brindlow::LayoutEngine
