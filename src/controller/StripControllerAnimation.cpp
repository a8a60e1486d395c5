// Scroll and glide animation on the display clock: the hand-off of frame times, the tick, the
// landing and the summary line.
#include <algorithm>
#include <cmath>

#include "controller/AnimationTiming.h"
#include "controller/StripController.h"
#include "geometry/Rounding.h"

namespace brindlow {

void StripController::frameTick(double frameTime) {
    if (stopped_.load()) return;
    {
        std::lock_guard lock(frameTimeMutex_);
        frameTime_ = frameTime;
    }
    {
        std::lock_guard lock(tickPendingMutex_);
        if (tickPending_) return;
        tickPending_ = true;
    }
    std::weak_ptr<StripController*> weak = weakSelf_;
    queue_->async([weak] {
        if (auto alive = weak.lock()) (*alive)->tickOnQueue();
    });
}

void StripController::tickOnQueue() {
    // A stopped controller no longer moves windows: the tick only lets the next one be queued.
    if (!stopped_.load()) animationStep();
    std::lock_guard lock(tickPendingMutex_);
    tickPending_ = false;
}

void StripController::animationStep() {
    std::optional<double> stored;
    {
        std::lock_guard lock(frameTimeMutex_);
        stored = frameTime_;
    }
    const double time = std::max(state_.lastTick, stored.value_or(now()));
    state_.lastTick = time;

    const double stiffness = state_.settings.springStiffness;
    const double glideDuration = AnimationTiming::glideDuration(stiffness);

    bool sentFrame = false;
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder)) {
        DisplayState* display = stateOf(uuid);
        if (!display || !display->animating) continue;
        if (state_.gestureUUID == uuid) continue;

        const double target = display->strip.scrollOffset;
        bool scrollDone = false;
        if (!display->scrollEase || display->scrollEase->to != target) {
            const double distance = std::fabs(target - display->displayedOffset);
            if (std::fabs(display->velocity) < 1.0 && distance < 0.5) {
                scrollDone = true;
            } else {
                const double duration = AnimationTiming::scrollDuration(stiffness, distance);
                const double limit = AnimationTiming::startSpeedLimit(distance, duration);
                display->scrollEase =
                    Ease{display->displayedOffset, target,
                         std::clamp(display->velocity, -limit, limit), time, duration};
            }
        }
        if (!display->glideEase && display->glideFrom) {
            const double limit = AnimationTiming::startSpeedLimit(
                std::fabs(AnimationTiming::kGlideComplete - display->glideProgress), glideDuration);
            display->glideEase =
                Ease{display->glideProgress, AnimationTiming::kGlideComplete,
                     std::clamp(display->glideVelocity, -limit, limit), time, glideDuration};
        }
        if (scrollDone || !display->scrollEase || display->scrollEase->isFinished(time)) {
            display->displayedOffset = target;
            display->velocity = 0;
            display->scrollEase.reset();
            scrollDone = true;
        } else {
            display->displayedOffset = display->scrollEase->value(time);
            display->velocity = display->scrollEase->velocityAt(time);
        }
        if (display->glideEase) {
            if (!display->glideEase->isFinished(time)) {
                display->glideProgress = display->glideEase->value(time);
                display->glideVelocity = display->glideEase->velocityAt(time);
            } else {
                display->glideFrom.reset();
                display->glideEase.reset();
                display->glideProgress = 0;
                display->glideVelocity = 0;
            }
        }

        if (scrollDone && !display->glideFrom) {
            display->animating = false;
            applyLayout(uuid, ApplyOptions::landing(target));
            if (onSnapshot) {
                onMain([callback = onSnapshot, snapshot = makeSnapshot(SnapshotReason::quiet())] {
                    callback(snapshot);
                });
            }
            logAnimationSummary(uuid);
            display = stateOf(uuid);
            if (display && display->raiseWhenLanded) raiseFocused(uuid);
            continue;
        }

        // A frame: where the eases put the strip 8 ms ahead (the next display frame), and a
        // predictor that gives slow applications their lead from this tick's eases.
        DisplayState frozen;
        frozen.scrollEase = display->scrollEase;
        frozen.glideEase = display->glideEase;
        frozen.glideProgress = display->glideProgress;
        const auto [offset, progress] =
            frozen.animatedPosition(time + AnimationTiming::kFrameLead, target);
        Predictor predictor = [frozen, time, target](double lead) {
            return frozen.animatedPosition(time + std::max(lead, AnimationTiming::kFrameLead),
                                           target);
        };
        applyLayout(uuid, ApplyOptions::frame(offset, std::move(predictor), progress));
        const auto stats = state_.animationStats.find(uuid);
        if (stats != state_.animationStats.end()) ++stats->second.frames;
        sentFrame = true;
    }

    if (!sentFrame && !anyDisplayAnimating()) displayLink_->stop();
}

void StripController::logAnimationSummary(const std::string& uuid) {
    const auto found = state_.animationStats.find(uuid);
    if (found == state_.animationStats.end()) return;
    const AnimationStats stats = found->second;
    state_.animationStats.erase(found);
    if (stats.frames < 1) return;
    const AsyncMover::Slowest slowest = asyncMover_->slowest();
    const double elapsed = std::max(now() - stats.start, 0.001);
    log_.log(
        "Animation: %ld frames in %.2f s (%ld fps), slowest move while gliding %ld ms%{public}s, "
        "final resize %{public}s",
        long(stats.frames), elapsed, long(roundHalfAway(stats.frames / elapsed)),
        long(roundHalfAway(slowest.seconds * 1000)),
        slowest.app.empty() ? std::string() : " (" + slowest.app + ")", finalResizeText());
}

std::string StripController::finalResizeText() const {
    if (!state_.slowestMove) return "none";
    const auto app = state_.apps.find(state_.slowestMove->first);
    return std::to_string(long(roundHalfAway(state_.slowestMove->second * 1000))) + " ms (" +
           (app == state_.apps.end() ? std::string("?") : app->second.name) + ")";
}

}  // namespace brindlow
