#pragma once

#include <functional>

#include "geometry/Geometry.h"

namespace brindlow {

// Where the pointer is and whether a button is held, at the moment of asking.
struct PointerState {
    Point location;  // global coordinates, top-left origin
    bool buttonDown = false;
};

// Global pointer movement, whichever application the pointer is over.
class MouseMonitor {
  public:
    virtual ~MouseMonitor() = default;

    // Calls `moved` on the main executor after pointer movement (bursts may be
    // coalesced into one call). False when movement cannot be watched.
    virtual bool start(std::function<void()> moved) = 0;
    // No `moved` call is made after this returns. Idempotent.
    virtual void stop() = 0;
    virtual PointerState pointer() const = 0;
};

}  // namespace brindlow
