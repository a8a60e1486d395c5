#pragma once

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <variant>

#include "controller/Ease.h"
#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// Maps a lead time in seconds to the (offset, glide progress) expected by then.
using Predictor = std::function<std::pair<double, double>(double lead)>;

// The phases of a display's motion (see DisplayAnimator).
namespace motion {

// Windows passing from their old frames to their new ones; progress runs to
// AnimationTiming::kGlideComplete. The old frames were laid out with the strip scrolled
// `fromOffset` points: they travel with the strip while the windows glide.
struct Glide {
    std::map<WindowID, Rect> from;
    double fromOffset = 0;
    double progress = 0;
    double velocity = 0;
    std::optional<Ease> ease;
};
// Still; `velocity` is what the next animation starts with (a released swipe's fling).
struct Resting {
    double velocity = 0;
};
struct Animating {
    double velocity = 0;  // scroll speed, points per second
    std::optional<Ease> scroll;
    std::optional<Glide> glide;
    double startTime = 0;
    int frames = 0;
};
// Under the fingers: the offset the swipe began at, its smoothed speed and the last sample
// (time, offset).
struct Swiping {
    double startOffset = 0;
    double velocity = 0;
    std::optional<std::pair<double, double>> sample;
};

}  // namespace motion

// How one display's strip moves: at rest, animating toward its target offset (a scroll, a glide
// of windows changing places, or both), or dragged under the fingers by a swipe. One phase at a
// time; each carries only what it needs. Times are seconds of the host clock, offsets points.
class DisplayAnimator {
  public:
    using Glide = motion::Glide;
    using Resting = motion::Resting;
    using Animating = motion::Animating;
    using Swiping = motion::Swiping;
    using Phase = std::variant<Resting, Animating, Swiping>;

    // What one tick of the display clock did.
    struct Step {
        enum class Kind { still, frame, landed };
        Kind kind = Kind::still;
        double displayedOffset = 0;  // where the windows stand after the tick
        // A frame: where to lay the strip out, the glide progress there, and where later frames
        // are expected (for slow applications' lead).
        double offset = 0;
        double progress = 0;
        Predictor predictor;
        // A landing: the frames sent and when the animation began.
        int frames = 0;
        double startTime = 0;
    };

    const Phase& phase() const { return phase_; }
    bool isResting() const { return std::holds_alternative<Resting>(phase_); }
    bool isAnimating() const { return std::holds_alternative<Animating>(phase_); }
    bool isSwiped() const { return std::holds_alternative<Swiping>(phase_); }
    // The speed of the scroll or of the swipe; at rest, the speed the next animation starts with.
    double velocity() const;
    std::optional<Ease> scrollEase() const;
    // The running glide; none unless animating with one.
    const Glide* glide() const;

    // Starts an animation at `time` (from rest or from a swipe) or carries on the running one;
    // `glideFrom` (the frames the windows stood at, laid out `glideFromOffset` points scrolled)
    // restarts the glide from there. True when the animation starts now.
    bool animate(double time, std::optional<std::map<WindowID, Rect>> glideFrom,
                 double glideFromOffset = 0);
    // The scroll's ease is made afresh at the next tick, from where the windows stand then, with
    // the current speed.
    void restartScroll();
    // Comes to rest where it stands: no animation, glide or swipe is left.
    void rest();
    // Stops moving without landing; an animation's speed is kept for the next one.
    void halt();
    void beginSwipe(double displayedOffset);
    // A swipe update that put the strip at `offset` at `time`; returns the smoothed speed. Only
    // while swiped.
    double dragged(double offset, double time);
    double swipeStart() const;
    // The fingers let go: at rest with the fling's speed for the animation that follows.
    void endSwipe(double velocity);

    // One tick at `time` toward `target` from `displayedOffset`, with the spring `stiffness`.
    Step advance(double time, double target, double displayedOffset, double stiffness);

  private:
    Phase phase_;
};

}  // namespace brindlow
