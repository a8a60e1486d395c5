#include "windows/AsyncRaiser.h"

namespace brindlow {

AsyncRaiser::AsyncRaiser(const WindowMover& mover, const ExecutorFactory& makeQueue)
    : mover_(mover), queue_(makeQueue(kQueueLabel)) {}

AsyncRaiser::~AsyncRaiser() {
    // The queue finishes (or drops) the worker while the state is still alive.
    queue_.reset();
}

bool AsyncRaiser::raise(const ManagedWindow& window) {
    bool start = false;
    bool replaced = false;
    {
        std::lock_guard lock(mutex_);
        replaced = request(window, yields_, start).value_or(false);
    }
    if (start) queue_->async([this] { work(); });
    return replaced;
}

std::optional<bool> AsyncRaiser::raiseAskedAt(const ManagedWindow& window, std::uint64_t askedAt) {
    bool start = false;
    std::optional<bool> replaced;
    {
        std::lock_guard lock(mutex_);
        replaced = request(window, askedAt, start);
    }
    if (start) queue_->async([this] { work(); });
    return replaced;
}

std::optional<bool> AsyncRaiser::request(const ManagedWindow& window, std::uint64_t askedAt,
                                         bool& start) {
    if (askedAt != yields_) return std::nullopt;
    const bool replaced = next_.has_value();
    next_ = Request{window, askedAt};
    if (running_) return replaced;
    running_ = true;
    start = true;
    return false;
}

void AsyncRaiser::yieldFocus() {
    // Long enough for a window manager to answer a raise; a raise that takes longer may still
    // take the focus.
    constexpr std::chrono::milliseconds kRaiseUnderWay{250};
    std::unique_lock lock(mutex_);
    ++yields_;
    next_.reset();
    if (!queue_->isCurrent())
        performed_.wait_for(lock, kRaiseUnderWay, [this] { return !performing_; });
}

bool AsyncRaiser::dropPending() {
    std::lock_guard lock(mutex_);
    const bool dropped = next_.has_value();
    next_.reset();
    ++drops_;
    return dropped;
}

bool AsyncRaiser::dropPendingOf(WindowID window) {
    std::lock_guard lock(mutex_);
    if (!next_ || next_->window.id != window) return false;
    next_.reset();
    return true;
}

std::uint64_t AsyncRaiser::yields() const {
    std::lock_guard lock(mutex_);
    return yields_;
}

void AsyncRaiser::cancelPending() {
    {
        std::lock_guard lock(mutex_);
        next_.reset();
    }
    if (!queue_->isCurrent()) queue_->sync([] {});
}

void AsyncRaiser::setOnRaised(std::function<void(WindowID)> onRaised) {
    std::lock_guard lock(mutex_);
    onRaised_ = std::move(onRaised);
}

void AsyncRaiser::setOnNotSent(std::function<void(WindowID)> onNotSent) {
    std::lock_guard lock(mutex_);
    onNotSent_ = std::move(onNotSent);
}

void AsyncRaiser::work() {
    for (;;) {
        ManagedWindow window;
        std::uint64_t askedAt = 0;
        std::uint64_t drops = 0;
        std::function<void(WindowID)> onRaised;
        std::function<void(WindowID)> onNotSent;
        {
            std::lock_guard lock(mutex_);
            if (!next_) {
                running_ = false;
                return;
            }
            window = std::move(next_->window);
            askedAt = next_->askedAt;
            drops = drops_;
            next_.reset();
            onRaised = onRaised_;
            onNotSent = onNotSent_;
            performing_ = true;
        }
        // A window of ours (or somebody else) that takes the focus meanwhile stops the steps
        // still to come: the wait in yieldFocus is brief, and a later step would take the focus
        // from it.
        const bool sent = mover_.raise(window, [this, askedAt, drops] {
            std::lock_guard lock(mutex_);
            return yields_ == askedAt && drops_ == drops;
        });
        {
            std::lock_guard lock(mutex_);
            performing_ = false;
        }
        performed_.notify_all();
        if (!sent) {
            if (onNotSent) onNotSent(window.id);
        } else if (onRaised) {
            onRaised(window.id);
        }
    }
}

}  // namespace brindlow
