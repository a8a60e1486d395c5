#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "settings/ToastMessage.h"
#include "strip/Column.h"
#include "strip/DisplayGeometry.h"
#include "strip/Strip.h"

// The pure parts of the window commands: widths, centring, the floating frame, where a window
// crossing displays lands, and the refusals the user sees.
namespace brindlow::CommandRules {

// The presets `cycleWidth` walks: the values in (0, 1], ascending, duplicates kept.
std::vector<double> cyclePresets(const std::vector<double>& presets);

// The next preset above the column's width (a width within 0.01 below a preset counts as that
// preset; full width counts as 1.0), wrapping to the smallest; 0.5 without presets. The column is
// no longer full width and forgets its refused width.
void cycleWidth(Column& column, const std::vector<double>& sortedPresets);

// Width plus `step` (at least 0.01 either way), limited to [0.1, 1.0]; full width counts as 1.0.
// The column is no longer full width and forgets its refused width.
void resizeColumn(Column& column, double step);

// The width step of `wider` and `narrower`: the setting, at least 0.01.
double widthStep(double setting);

// A floated window: at most 80 % of the visible area each way, centred in it, its origin on whole
// points.
Rect floatingFrame(const Rect& window, const Rect& visible);

// Where a window moved past the strip's end lands on the neighbouring display: moving right, after
// the target's left-pinned block; moving left, before its right-pinned block.
int crossingIndex(const Strip& target, int direction);

// The index of the display `steps` away from `uuid` in `order`; none past either end or when the
// display is not listed. With `wrap`, the list wraps around.
std::optional<size_t> neighbourIndex(const std::vector<std::string>& order, const std::string& uuid,
                                     int steps, bool wrap);

// The refusals.
ToastMessage tabsNeedAStack();
ToastMessage heightNeedsAStack();
ToastMessage heightRefused(const std::string& appName, bool taller);

}  // namespace brindlow::CommandRules
