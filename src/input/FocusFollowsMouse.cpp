#include "input/FocusFollowsMouse.h"

namespace brindlow {

MouseFocusTracker::MouseFocusTracker(MouseMonitor* monitor, Executor& main,
                                     std::function<void(Point)> focusAt)
    : monitor_(monitor),
      main_(main),
      focusAt_(std::move(focusAt)),
      alive_(std::make_shared<MouseFocusTracker*>(this)) {}

MouseFocusTracker::~MouseFocusTracker() {
    setEnabled(false);
    alive_.reset();
}

void MouseFocusTracker::setEnabled(bool enabled) {
    if (enabled == monitoring_) return;
    if (!enabled) {
        monitor_->stop();
        monitoring_ = false;
        ++generation_;
        return;
    }
    if (!monitor_) return;
    std::weak_ptr<MouseFocusTracker*> weak = alive_;
    // Left off when the monitor cannot start, so the next switch-on tries again.
    monitoring_ = monitor_->start([weak] {
        if (auto alive = weak.lock()) (*alive)->mouseMoved();
    });
}

void MouseFocusTracker::mouseMoved() {
    const std::uint64_t generation = ++generation_;
    std::weak_ptr<MouseFocusTracker*> weak = alive_;
    main_.asyncAfter(kRestDelay, [weak, generation] {
        if (auto alive = weak.lock()) (*alive)->focusIfResting(generation);
    });
}

void MouseFocusTracker::focusIfResting(std::uint64_t generation) {
    if (generation != generation_ || !monitoring_) return;
    const PointerState pointer = monitor_->pointer();
    // Dragging and selecting never move focus.
    if (pointer.buttonDown) return;
    focusAt_(pointer.location);
}

}  // namespace brindlow
