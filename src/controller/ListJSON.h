#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

#include "controller/Snapshot.h"

namespace brindlow {

// The object that `list [--titles]` prints: {"paused", "displays": [{"name", "active",
// "focused" (counted from 1, 0 for none), "columns": [{"pin", "tabbed", "width" (two decimals,
// halves away from zero), "windows": [{"app", "badge", "title" (only with titles)}]}]}]}.
nlohmann::json listObject(const StripSnapshot& snapshot, bool titles);

// The same as text in the stored JSON form (sorted keys, pretty); "{}" when it cannot be written.
std::string makeListJSON(const StripSnapshot& snapshot, bool titles);

}  // namespace brindlow
