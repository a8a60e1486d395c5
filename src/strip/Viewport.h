#pragma once

#include <optional>
#include <span>

#include "strip/CenterMode.h"
#include "strip/LayoutEngine.h"
#include "strip/Strip.h"

// Where a strip's viewport may stand: the scroll range, the clamp that keeps the focused column in
// view, and centring. Pure functions of the strip and the viewport width; gaps are clamped at 0.
namespace brindlow::Viewport {

// The largest scroll offset: the end of the unpinned run plus the outer gap, less the viewport
// width; 0 when everything fits or nothing is unpinned.
double maxOffset(std::span<const LayoutEngine::ColumnSpan> spans, double width, double outerGap);
double maxOffset(const Strip& strip, double width, double gap, double outerGap);

// The offset that centres the focused column (a full-width one: its left edge), within
// [0, maxOffset]; a pinned focused column keeps the offset, clamped. None without a focused column.
std::optional<double> centredOffset(const Strip& strip, double width, double gap, double outerGap);

// The offset after the focused column is brought into view: the smallest move that shows it with
// its outer gaps (never), always centred (always), or centred only when it had to move
// (onOverflow); a full-width column aligns its left edge. 0 without a focused column.
double clampedOffset(const Strip& strip, double width, double gap, double outerGap,
                     CenterMode mode);

}  // namespace brindlow::Viewport
