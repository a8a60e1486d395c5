#pragma once

#include <span>

#include "geometry/Geometry.h"
#include "settings/AppSettings.h"

namespace brindlow {

// The settings as they are used. A hand-edited "settings.json" may hold any number, and every
// number is used as written (a gap of 50, a default width of 0.04), beyond the settings pages'
// slider ranges too. Only a value that would break the layout or means nothing is held:
// - not a number or infinite: the default;
// - a negative gap, outer gap or border width: 0;
// - a width (default width, a rule's width, the width step) not in (0, 1]: above 1 the whole
//   width, else the default; a preset not in (0, 1] is left out (none left: the defaults);
// - a spring stiffness, gesture sensitivity or finger count of 0 or less: the default;
// - a dim amount outside 0 … 1: the nearest of the two;
// - with the usable sizes of the displays given, gaps that leave no room for a column one point
//   wide, or a stack of three windows one point high, on the smallest of them: the default (0
//   when even that leaves none).
// Each held value is logged once per key and value for the life of the process. The stored
// file is left as written.
AppSettings usableSettings(const AppSettings& settings, std::span<const Size> displayAreas = {});

}  // namespace brindlow
