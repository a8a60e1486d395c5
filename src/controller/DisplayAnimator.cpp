#include "controller/DisplayAnimator.h"

#include <algorithm>
#include <cmath>

#include "controller/AnimationTiming.h"
#include "controller/Swipe.h"

namespace brindlow {

namespace {

// A scroll that has all but stopped this close to its target lands without another ease.
constexpr double kLandingSpeed = 1.0;     // points per second
constexpr double kLandingDistance = 0.5;  // points

// What a frame's position depends on: the eases of a tick, without the glide's start frames.
struct Eases {
    std::optional<Ease> scroll;
    std::optional<Ease> glide;
    std::optional<double> glideProgress;  // none: no glide runs

    explicit Eases(const DisplayAnimator::Animating& animation) : scroll(animation.scroll) {
        if (animation.glide) {
            glide = animation.glide->ease;
            glideProgress = animation.glide->progress;
        }
    }

    // The offset and glide progress at `time`; `target` when no scroll runs. The progress is
    // kept within the glide's range.
    std::pair<double, double> at(double time, double target) const {
        double offset = target;
        if (scroll) offset = scroll->isFinished(time) ? scroll->to : scroll->value(time);
        double progress = glideProgress.value_or(0);
        if (glide) progress = glide->isFinished(time) ? glide->to : glide->value(time);
        return {offset, std::clamp(progress, 0.0, AnimationTiming::kGlideComplete)};
    }
};

}  // namespace

double DisplayAnimator::velocity() const {
    return std::visit([](const auto& phase) { return phase.velocity; }, phase_);
}

std::optional<Ease> DisplayAnimator::scrollEase() const {
    const auto* animation = std::get_if<Animating>(&phase_);
    return animation ? animation->scroll : std::nullopt;
}

const DisplayAnimator::Glide* DisplayAnimator::glide() const {
    const auto* animation = std::get_if<Animating>(&phase_);
    return animation && animation->glide ? &*animation->glide : nullptr;
}

bool DisplayAnimator::animate(double time, std::optional<std::map<WindowID, Rect>> glideFrom,
                              double glideFromOffset) {
    auto* running = std::get_if<Animating>(&phase_);
    const bool starts = running == nullptr;
    if (starts) {
        Animating animation;
        animation.velocity = velocity();
        animation.startTime = time;
        phase_ = std::move(animation);
        running = &std::get<Animating>(phase_);
    }
    if (glideFrom)
        running->glide = Glide{std::move(*glideFrom), glideFromOffset, 0, 0, std::nullopt};
    return starts;
}

void DisplayAnimator::restartScroll() {
    if (auto* animation = std::get_if<Animating>(&phase_)) animation->scroll.reset();
}

void DisplayAnimator::rest() {
    phase_ = Resting{};
}

void DisplayAnimator::halt() {
    const auto* animation = std::get_if<Animating>(&phase_);
    phase_ = Resting{animation ? animation->velocity : 0.0};
}

void DisplayAnimator::beginSwipe(double displayedOffset) {
    phase_ = Swiping{displayedOffset, 0, std::nullopt};
}

double DisplayAnimator::dragged(double offset, double time) {
    auto* swipe = std::get_if<Swiping>(&phase_);
    if (!swipe) return 0;
    swipe->velocity = Swipe::smoothedVelocity(swipe->velocity, swipe->sample, time, offset);
    swipe->sample = std::make_pair(time, offset);
    return swipe->velocity;
}

double DisplayAnimator::swipeStart() const {
    const auto* swipe = std::get_if<Swiping>(&phase_);
    return swipe ? swipe->startOffset : 0;
}

void DisplayAnimator::endSwipe(double velocity) {
    phase_ = Resting{velocity};
}

DisplayAnimator::Step DisplayAnimator::advance(double time, double target, double displayedOffset,
                                               double stiffness) {
    Step step;
    step.displayedOffset = displayedOffset;
    auto* animation = std::get_if<Animating>(&phase_);
    if (!animation) return step;

    bool scrollDone = false;
    if (!animation->scroll || animation->scroll->to != target) {
        const double distance = std::fabs(target - displayedOffset);
        if (std::fabs(animation->velocity) < kLandingSpeed && distance < kLandingDistance) {
            scrollDone = true;
        } else {
            const double duration = AnimationTiming::scrollDuration(stiffness, distance);
            const double limit = AnimationTiming::startSpeedLimit(distance, duration);
            animation->scroll =
                Ease{displayedOffset, target, std::clamp(animation->velocity, -limit, limit), time,
                     duration};
        }
    }
    if (animation->glide && !animation->glide->ease) {
        Glide& glide = *animation->glide;
        const double duration = AnimationTiming::glideDuration(stiffness);
        const double limit = AnimationTiming::startSpeedLimit(
            std::fabs(AnimationTiming::kGlideComplete - glide.progress), duration);
        glide.ease = Ease{glide.progress, AnimationTiming::kGlideComplete,
                          std::clamp(glide.velocity, -limit, limit), time, duration};
    }
    if (scrollDone || !animation->scroll || animation->scroll->isFinished(time)) {
        step.displayedOffset = target;
        animation->velocity = 0;
        animation->scroll.reset();
        scrollDone = true;
    } else {
        step.displayedOffset = animation->scroll->value(time);
        animation->velocity = animation->scroll->velocityAt(time);
    }
    if (animation->glide) {
        Glide& glide = *animation->glide;
        if (!glide.ease->isFinished(time)) {
            glide.progress = glide.ease->value(time);
            glide.velocity = glide.ease->velocityAt(time);
        } else {
            animation->glide.reset();
        }
    }

    if (scrollDone && !animation->glide) {
        step.kind = Step::Kind::landed;
        step.frames = animation->frames;
        step.startTime = animation->startTime;
        phase_ = Resting{};
        return step;
    }

    // A frame: where the eases put the strip one display frame ahead, and where they put it for
    // a longer lead, from this tick's eases.
    step.kind = Step::Kind::frame;
    ++animation->frames;
    // Only the eases are kept for later leads: copying the glide's start frames on every tick
    // would allocate per window per frame.
    const Eases eases(*animation);
    std::tie(step.offset, step.progress) = eases.at(time + AnimationTiming::kFrameLead, target);
    step.predictor = [eases, time, target](double lead) {
        return eases.at(time + std::max(lead, AnimationTiming::kFrameLead), target);
    };
    return step;
}

}  // namespace brindlow
