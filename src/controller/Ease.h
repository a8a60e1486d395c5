#pragma once

namespace brindlow {

// One animated quantity (a scroll offset, a glide's progress) as a cubic Hermite curve: it leaves
// `from` with the slope `velocity` (units per second) and comes to rest at `to` after `duration`
// seconds. Starting with the current speed lets an animation redirected in flight go on smoothly.
struct Ease {
    double from = 0;
    double to = 0;
    double velocity = 0;
    double start = 0;     // seconds of the host clock
    double duration = 1;  // seconds, greater than 0

    double value(double time) const;
    double velocityAt(double time) const;
    bool isFinished(double time) const;

    friend bool operator==(const Ease&, const Ease&) = default;

  private:
    // Elapsed fraction, raised to 0 before the start.
    double fraction(double time) const;
};

}  // namespace brindlow
