#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "geometry/Geometry.h"
#include "platform/Executor.h"
#include "platform/MouseMonitor.h"

namespace brindlow {

// Focus follows the mouse: once the pointer rests for 0.15 s, the window under it is
// focused (through `focusAt`, the strip controller's focus-at-point entry). Main thread.
class MouseFocusTracker {
  public:
    static constexpr double kRestDelay = 0.15;

    // `monitor` may be null (no back end): switching on then does nothing.
    MouseFocusTracker(MouseMonitor* monitor, Executor& main, std::function<void(Point)> focusAt);
    ~MouseFocusTracker();
    MouseFocusTracker(const MouseFocusTracker&) = delete;
    MouseFocusTracker& operator=(const MouseFocusTracker&) = delete;

    // Repeated calls with the same value change nothing; off cancels a pending focus.
    void setEnabled(bool enabled);
    bool enabled() const { return monitoring_; }
    // The debounce step: pushes the pending focus back to 0.15 s from now.
    void mouseMoved();

  private:
    void focusIfResting(std::uint64_t generation);

    MouseMonitor* monitor_;
    Executor& main_;
    std::function<void(Point)> focusAt_;
    bool monitoring_ = false;
    // Every movement and every switch-off bumps it; a scheduled focus of an older
    // generation was cancelled.
    std::uint64_t generation_ = 0;
    std::shared_ptr<MouseFocusTracker*> alive_;
};

}  // namespace brindlow
