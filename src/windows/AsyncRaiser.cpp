#include "windows/AsyncRaiser.h"

namespace brindlow {

AsyncRaiser::AsyncRaiser(const WindowMover& mover, const ExecutorFactory& makeQueue)
    : mover_(mover), queue_(makeQueue(kQueueLabel)) {}

AsyncRaiser::~AsyncRaiser() {
    // The queue finishes (or drops) the worker while the state is still alive.
    queue_.reset();
}

bool AsyncRaiser::raise(const ManagedWindow& window) {
    {
        std::lock_guard lock(mutex_);
        const bool replaced = next_.has_value();
        next_ = window;
        if (running_) return replaced;
        running_ = true;
    }
    queue_->async([this] { work(); });
    return false;
}

void AsyncRaiser::cancelPending() {
    {
        std::lock_guard lock(mutex_);
        next_.reset();
    }
    if (!queue_->isCurrent()) queue_->sync([] {});
}

void AsyncRaiser::setOnRaised(std::function<void()> onRaised) {
    std::lock_guard lock(mutex_);
    onRaised_ = std::move(onRaised);
}

void AsyncRaiser::work() {
    for (;;) {
        ManagedWindow window;
        std::function<void()> onRaised;
        {
            std::lock_guard lock(mutex_);
            if (!next_) {
                running_ = false;
                return;
            }
            window = std::move(*next_);
            next_.reset();
            onRaised = onRaised_;
        }
        mover_.raise(window);
        if (onRaised) onRaised();
    }
}

}  // namespace brindlow
