#pragma once

#include <vector>

#include "geometry/Geometry.h"
#include "platform/AccessibilityTypes.h"

namespace brindlow {

// What one move reports.
struct MoveResult {
    Rect frame;            // the frame the move ended with
    bool gone = false;     // a write answered "invalid element": the window no longer exists
    bool changed = false;  // the move wrote anything at all
    // The non-zero result codes of the writes, in order; empty when every write
    // succeeded. A move with errors did not reliably reach its target.
    std::vector<AXError> errors;
};

}  // namespace brindlow
