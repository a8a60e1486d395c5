#include "platform/Animator.h"

#include <algorithm>
#include <cmath>

#include "platform/Surface.h"

namespace brindlow {

namespace {

// The cubic Bézier timing curve through (0, 0), (x1, y1), (x2, y2), (1, 1), solved for x = t.
double bezier(double x1, double y1, double x2, double y2, double t) {
    const auto at = [](double a, double b, double s) {
        return 3 * a * s * (1 - s) * (1 - s) + 3 * b * s * s * (1 - s) + s * s * s;
    };
    double low = 0, high = 1, s = t;
    for (int i = 0; i < 40; ++i) {
        s = (low + high) / 2;
        if (at(x1, x2, s) < t) {
            low = s;
        } else {
            high = s;
        }
    }
    return at(y1, y2, (low + high) / 2);
}

Rect interpolate(const Rect& from, const Rect& to, double p) {
    const auto mix = [p](double a, double b) { return a + (b - a) * p; };
    return {mix(from.x, to.x), mix(from.y, to.y), mix(from.width, to.width),
            mix(from.height, to.height)};
}

}  // namespace

Animator::~Animator() {
    if (stepTask_) scheduler_.cancel(stepTask_);
}

double Animator::ease(AnimationCurve curve, double t) {
    t = std::clamp(t, 0.0, 1.0);
    switch (curve) {
        case AnimationCurve::linear:
            return t;
        case AnimationCurve::easeIn:
            return bezier(0.42, 0, 1, 1, t);
        case AnimationCurve::easeOut:
            return bezier(0, 0, 0.58, 1, t);
        case AnimationCurve::easeInEaseOut:
            return bezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

void Animator::animate(Surface& surface, const AnimationTarget& target, double duration,
                       AnimationCurve curve, Completion completion) {
    releaseProperties(surface, target.frame.has_value(), target.alpha.has_value());

    Animation animation;
    animation.surface = &surface;
    animation.start = scheduler_.now();
    animation.duration = duration;
    animation.curve = curve;
    animation.completion = std::move(completion);
    if (target.frame) {
        animation.fromFrame = surface.frame();
        animation.toFrame = target.frame;
    }
    if (target.alpha) {
        if (duration > 0 && surface.blends()) {
            animation.fromAlpha = surface.alpha();
            animation.toAlpha = target.alpha;
        } else {
            surface.setAlpha(*target.alpha);
        }
    }
    if (duration <= 0 || (!animation.toFrame && !animation.toAlpha)) {
        if (animation.toFrame) surface.setFrame(*animation.toFrame);
        if (animation.completion) animation.completion();
        return;
    }
    animations_.push_back(std::move(animation));
    scheduleStep();
}

void Animator::setFrame(Surface& surface, const Rect& frame) {
    releaseProperties(surface, true, false);
    surface.setFrame(frame);
}

void Animator::setAlpha(Surface& surface, double alpha) {
    releaseProperties(surface, false, true);
    surface.setAlpha(alpha);
}

void Animator::stop(Surface& surface) {
    releaseProperties(surface, true, true);
}

bool Animator::isAnimating(const Surface& surface) const {
    return std::any_of(animations_.begin(), animations_.end(),
                       [&](const Animation& a) { return a.surface == &surface; });
}

void Animator::releaseProperties(Surface& surface, bool frame, bool alpha) {
    for (Animation& animation : animations_) {
        if (animation.surface != &surface) continue;
        if (frame) animation.toFrame.reset();
        if (alpha) animation.toAlpha.reset();
    }
    // An animation with nothing left to move is dropped; its completion does not run.
    std::erase_if(animations_, [](const Animation& a) { return !a.toFrame && !a.toAlpha; });
    if (animations_.empty() && stepTask_) {
        scheduler_.cancel(stepTask_);
        stepTask_ = 0;
    }
}

void Animator::scheduleStep() {
    if (stepTask_ || animations_.empty()) return;
    // One step per display frame, and one exactly at the earliest end, so that an animation ends
    // (and its completion runs) on time.
    const double now = scheduler_.now();
    double delay = scheduler_.frameInterval();
    for (const Animation& animation : animations_) {
        const double remaining = animation.start + animation.duration - now;
        delay = std::min(delay, std::max(0.0, remaining));
    }
    stepTask_ = scheduler_.schedule(delay, [this] {
        stepTask_ = 0;
        step();
    });
}

void Animator::step() {
    const double now = scheduler_.now();
    // Completions may start or stop animations: finish the ended ones after updating all.
    std::vector<Completion> finished;
    for (Animation& animation : animations_) {
        // The last step lands on the end up to rounding of the clock.
        const double end = animation.start + animation.duration;
        const double t = now >= end - 1e-9 ? 1.0 : (now - animation.start) / animation.duration;
        const double p = t >= 1 ? 1.0 : ease(animation.curve, t);
        if (animation.toFrame) {
            animation.surface->setFrame(
                t >= 1 ? *animation.toFrame
                       : interpolate(*animation.fromFrame, *animation.toFrame, p));
        }
        if (animation.toAlpha) {
            animation.surface->setAlpha(
                t >= 1 ? *animation.toAlpha
                       : *animation.fromAlpha + (*animation.toAlpha - *animation.fromAlpha) * p);
        }
        if (t >= 1) {
            finished.push_back(std::move(animation.completion));
            animation.toFrame.reset();
            animation.toAlpha.reset();
        }
    }
    std::erase_if(animations_, [](const Animation& a) { return !a.toFrame && !a.toAlpha; });
    scheduleStep();
    for (Completion& completion : finished) {
        if (completion) completion();
    }
}

}  // namespace brindlow
