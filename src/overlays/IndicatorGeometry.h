#pragma once

#include <string>

#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "settings/SettingsEnums.h"

namespace brindlow {

inline constexpr double kIndicatorSlot = 46;  // one column cell's width, and a drag's step
inline constexpr double kIndicatorCellHeight = 44;
inline constexpr double kIndicatorHeight = 58;
inline constexpr double kIndicatorDragDistance = 6;

// The pill of a display with `columns` columns: min(46 n + 110, visible width − 40) wide (never
// negative), 58 high, centred, 10 points inside the top or bottom edge of the visible area.
Rect indicatorFrame(const Rect& visible, std::size_t columns, IndicatorPosition position);

// Whether a press that moved by (dx, dy) in the pill's coordinates has become a drag.
bool indicatorIsDrag(double dx, double dy);

// Where a column dragged by `translation` points goes: the translation in slots rounded to the
// nearest whole number (halves away from zero), added to `from`, clamped into the strip.
int indicatorReorderTarget(int from, double translation, std::size_t columns);

// The window a click on a column jumps to: the active one when its index is in range, else the
// first; none for an empty column.
std::optional<WindowID> indicatorClickTarget(const ColumnSnapshot& column);

// The icon's tooltip: "app — title" per window of the column, one per line (plain text).
std::string indicatorTooltip(const ColumnSnapshot& column);

}  // namespace brindlow
