#pragma once

#include <optional>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "strip/Strip.h"
#include "strip/StripLayout.h"

// The pure rules of following the user's drags and resizes of tiled windows: when a change counts,
// where a dropped window lands and what a new size means for its column.
namespace brindlow::UserDrag {

constexpr double kTolerance = 3.0;       // points, per edge and per size
constexpr double kOwnMoveQuiet = 0.6;    // seconds after the controller's own move
constexpr double kFirstJudgement = 0.2;  // seconds after the first event
constexpr double kRecheck = 0.15;        // seconds between checks while the button is down

// Minimum x, minimum y, width and height each differ by at most `tolerance`.
bool framesClose(const Rect& a, const Rect& b, double tolerance);

// A resize changes the width or the height by more than the tolerance; anything else is a move.
bool isResize(const Rect& live, const Rect& recorded);

// The column index at which a window dropped with frame `live` lands in `strip`, whose last layout
// is `layout`: the first unpinned index, plus one for every unpinned column, in order, whose active
// window's placement lies left of the drop's centre, stopping at the first that does not. The
// window's own column is left out only when the window is alone in it: a stack it leaves stays in
// the strip and counts like any other column.
int dropColumn(const Strip& strip, const StripLayout& layout, const Rect& live, WindowID window);

// The width fraction whose column width is `width` in an area `areaWidth` wide (the inverse of the
// column width rule), limited to [0.1, 1.0]; 0.5 when the area leaves no room.
double widthFraction(double width, double areaWidth, double gap, double outerGap);

// Applies a user resize of the window at `row` of `column`: the new width fraction (no longer full
// width, no refused width) and, for a stack that is not tabbed, the row's weight scaled by the
// height change, limited to [0.1, 10.0].
void applyResize(Column& column, int row, const Rect& live, const Rect& recorded, double areaWidth,
                 double gap, double outerGap);

// A window shaken inside its stack: it stayed on its display, its column is a stack and the
// centre of its new frame lies within its old horizontal extent.
bool shookInsideStack(const Column& column, const Rect& live, const Rect& recorded);

// Moves the window's column (or takes the window out of its stack as a new column with the
// stack's width) to drop index `index` within the same strip and focuses it.
void moveWithinStrip(Strip& strip, WindowID window, int index);

}  // namespace brindlow::UserDrag
