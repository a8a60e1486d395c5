#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/UiScheduler.h"

namespace brindlow {

class Surface;

enum class AnimationCurve { linear, easeIn, easeOut, easeInEaseOut };

// What an animation changes; an absent field is left alone.
struct AnimationTarget {
    std::optional<Rect> frame;
    std::optional<double> alpha;

    static AnimationTarget toFrame(const Rect& frame) { return {frame, std::nullopt}; }
    static AnimationTarget toAlpha(double alpha) { return {std::nullopt, alpha}; }
};

// Animates surfaces' frames and alphas on the scheduler, one step per display frame, and only
// while something moves (no timer runs when idle). Main thread only.
class Animator {
  public:
    using Completion = std::function<void()>;

    explicit Animator(UiScheduler& scheduler) : scheduler_(scheduler) {}
    ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    // Moves the surface's frame and/or alpha from their current values to the target. Starting an
    // animation of a property stops that property's running animation on the same surface; an
    // animation left with nothing to animate is dropped without its completion. A duration of 0
    // or less sets the values and runs the completion before returning. Without blending (no
    // compositor) the alpha is set at once; a frame still moves over the duration.
    void animate(Surface& surface, const AnimationTarget& target, double duration,
                 AnimationCurve curve, Completion completion = {});

    // Sets a value at once, first stopping that property's running animation, which would
    // otherwise overwrite it on its next step.
    void setFrame(Surface& surface, const Rect& frame);
    void setAlpha(Surface& surface, double alpha);
    // Stops the surface's running animations (their completions do not run).
    void stop(Surface& surface);
    // Call before a surface is destroyed.
    void forget(Surface& surface) { stop(surface); }

    bool isAnimating(const Surface& surface) const;
    bool isIdle() const { return animations_.empty(); }

    // The eased progress 0…1 at linear progress `t` 0…1.
    static double ease(AnimationCurve curve, double t);

  private:
    struct Animation {
        Surface* surface = nullptr;
        std::optional<Rect> fromFrame, toFrame;
        std::optional<double> fromAlpha, toAlpha;
        double start = 0;
        double duration = 0;
        AnimationCurve curve = AnimationCurve::linear;
        Completion completion;
    };

    void releaseProperties(Surface& surface, bool frame, bool alpha);
    void scheduleStep();
    void step();

    UiScheduler& scheduler_;
    std::vector<Animation> animations_;
    UiScheduler::TaskID stepTask_ = 0;
};

}  // namespace brindlow
