// Scroll and glide animation on the display clock: the hand-off of frame times, the tick, the
// landing and the summary line.
#include <algorithm>

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
    if (!stopped_.load()) {
        catchUpGate_.noteStripWork();
        animationStep();
    }
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

    bool sentFrame = false;
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder)) {
        DisplayState* display = stateOf(uuid);
        if (!display) continue;
        const double target = display->strip.scrollOffset;
        DisplayAnimator::Step step = display->animator.advance(
            time, target, display->displayedOffset, state_.settings.springStiffness);
        if (step.kind == DisplayAnimator::Step::Kind::still) continue;
        display->displayedOffset = step.displayedOffset;

        if (step.kind == DisplayAnimator::Step::Kind::landed) {
            // Published once: the apply already publishes when the landing brings new gap
            // strips, and any snapshot clears the mark.
            landingUnpublished_ = true;
            applier_->apply(uuid, ApplyOptions::landing(target));
            if (landingUnpublished_) publishSnapshot(SnapshotReason::quiet());
            logAnimationSummary(step);
            display = stateOf(uuid);
            if (display && display->raiseWhenLanded) raiseFocused(uuid, display->raiseAskedAt);
            continue;
        }
        applier_->apply(
            uuid, ApplyOptions::frame(step.offset, std::move(step.predictor), step.progress, time));
        sentFrame = true;
    }

    if (!sentFrame && !state_.anyDisplayAnimating()) displayLink_->stop();
}

void StripController::logAnimationSummary(const DisplayAnimator::Step& landing) {
    if (landing.frames < 1) return;
    const AsyncMover::Slowest slowest = asyncMover_->slowest();
    const double elapsed = std::max(now() - landing.startTime, 0.001);
    log_.log(
        "Animation: %ld frames in %.2f s (%ld fps), slowest move while gliding %ld ms%{public}s, "
        "final resize %{public}s",
        long(landing.frames), elapsed, long(roundHalfAway(landing.frames / elapsed)),
        long(roundHalfAway(slowest.seconds * 1000)),
        slowest.app.empty() ? std::string() : " (" + slowest.app + ")",
        applier_->finalResizeText());
}

}  // namespace brindlow
