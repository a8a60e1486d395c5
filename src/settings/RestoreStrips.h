#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "settings/SavedArrangement.h"
#include "strip/Strip.h"

namespace brindlow {

// A live window offered to the restore of a saved arrangement. Never stored.
struct WindowCandidate {
    WindowID id = 0;
    std::string bundleID;  // the application's name when it has no bundle identifier
    std::string title;
    std::string displayUUID;  // the display the window belongs to now
    Rect frame;               // global coordinates, origin top left
};

// Takes from `pool` the first candidate of `bundleID` titled exactly `title`,
// else the first candidate of `bundleID`; the others keep their order. None
// leaves the pool as it was.
std::optional<WindowCandidate> takeCandidate(std::string_view bundleID, std::string_view title,
                                             std::vector<WindowCandidate>& pool);

using ColumnWidthRule = std::function<double(const WindowCandidate&)>;

// Rebuilds one strip per live display from `snapshot` and the live windows.
// Candidates are matched left to right (then top to bottom) greedily in saved
// order; saved columns that kept no window vanish; saved displays that are not
// live fold onto `fallbackUUID`; unclaimed windows become new columns at the end
// of their own display's strip. Pinned columns are regrouped to their edges and
// the focus follows its window. The result holds every uuid of `displayUUIDs`
// and `fallbackUUID`, each with scroll offset 0. Pure.
std::map<std::string, Strip> restoreStrips(const SessionSnapshot& snapshot,
                                           std::vector<WindowCandidate> candidates,
                                           const std::vector<std::string>& displayUUIDs,
                                           const std::string& fallbackUUID,
                                           const ColumnWidthRule& defaultWidth);

}  // namespace brindlow
