// Swipe scrolling: the strip follows the fingers, then coasts and settles on a column.
#include <algorithm>

#include "controller/StripController.h"
#include "controller/Swipe.h"
#include "strip/Viewport.h"

namespace brindlow {

namespace {

// A swipe's frames are laid out where the fingers will be when the windows get there, but never
// more than this many seconds ahead: a slow application must not throw the strip past the fingers.
constexpr double kLongestSwipeLead = 0.15;

}  // namespace

// MARK: Gesture thread

void StripController::gestureBegan(Point point) {
    enqueue([this, point] { beginGesture(point); });
}

void StripController::gestureChanged(double amount, GestureUnit unit) {
    bool waiting = false;
    {
        std::lock_guard lock(pendingGestureMutex_);
        waiting = pendingGesture_.has_value();
        pendingGesture_ = std::make_pair(amount, unit);
    }
    if (!waiting) enqueue([this] { applyPendingGesture(); });
}

void StripController::gestureEnded(double velocity, GestureUnit unit) {
    enqueue([this, velocity, unit] { settleSwipe(velocity, unit); });
}

// MARK: Strip queue

void StripController::beginGesture(Point point) {
    if (state_.paused) return;
    std::optional<std::string> uuid = displayUnder(point);
    if (!uuid) uuid = state_.activeUUID;
    if (!uuid) return;
    // A swipe that never ended leaves its display at the dragged offset; it goes back to its
    // own offset before another display is taken over.
    const std::optional<std::string> previous = state_.swipedDisplay();
    if (previous && *previous != *uuid) {
        stateOf(*previous)->animator.rest();
        relayout(*previous);
    }
    if (DisplayState* display = stateOf(*uuid))
        display->animator.beginSwipe(display->displayedOffset);
}

std::optional<std::pair<double, GestureUnit>> StripController::takePendingGesture() {
    std::lock_guard lock(pendingGestureMutex_);
    std::optional<std::pair<double, GestureUnit>> pending = pendingGesture_;
    pendingGesture_.reset();
    return pending;
}

void StripController::applyPendingGesture() {
    const std::optional<std::pair<double, GestureUnit>> pending = takePendingGesture();
    // Paused, nothing moves: the swipe is over.
    const std::optional<std::string> uuid = state_.swipedDisplay();
    if (!pending || !uuid || state_.paused) return;
    DisplayState* display = stateOf(*uuid);
    const double width = display->lastLayout.viewport.width;
    const double gap = std::max(0.0, state_.settings.gap);
    const double outer = std::max(0.0, state_.settings.outerGap);
    const double offset = Swipe::draggedOffset(
        display->animator.swipeStart(), Swipe::inPoints(pending->first, pending->second, width),
        state_.settings.gestureSensitivity, Viewport::maxOffset(display->strip, width, gap, outer));
    display->displayedOffset = offset;
    const double velocity = display->animator.dragged(offset, now());
    Predictor predictor = [offset, velocity](double lead) {
        return std::make_pair(offset + velocity * std::min(lead, kLongestSwipeLead), 0.0);
    };
    applier_->apply(*uuid, ApplyOptions::frame(offset, std::move(predictor)));
}

void StripController::settleSwipe(double velocity, GestureUnit unit) {
    applyPendingGesture();
    const std::optional<std::string> uuid = state_.swipedDisplay();
    if (!uuid || state_.paused) return;
    DisplayState* display = stateOf(*uuid);
    const double width = display->lastLayout.viewport.width;
    const double points =
        Swipe::inPoints(velocity, unit, width) * state_.settings.gestureSensitivity;
    const Swipe::Settle settle =
        Swipe::settle(display->strip, display->displayedOffset, points, width,
                      std::max(0.0, state_.settings.gap), std::max(0.0, state_.settings.outerGap));
    display->strip.scrollOffset = settle.target;
    if (settle.focusedIndex) display->strip.focusedIndex = settle.focusedIndex;
    display->animator.endSwipe(settle.velocity);
    state_.activeUUID = *uuid;
    log_.info("Swipe settled on column %ld", long(display->strip.focusedIndex.value_or(0) + 1));
    relayout(*uuid);
    raiseFocused(*uuid);
    session_->scheduleSave();
    publishSnapshot(SnapshotReason::focus(*uuid));
}

}  // namespace brindlow
