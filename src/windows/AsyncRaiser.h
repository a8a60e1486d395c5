#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/ExecutorFactory.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowMover.h"

namespace brindlow {

// Raises windows on one queue ("com.vemto.brindlow.raise"); a newer request
// replaces one not yet performed.
class AsyncRaiser {
  public:
    static constexpr const char* kQueueLabel = "com.vemto.brindlow.raise";

    AsyncRaiser(const WindowMover& mover, const ExecutorFactory& makeQueue);
    ~AsyncRaiser();
    AsyncRaiser(const AsyncRaiser&) = delete;
    AsyncRaiser& operator=(const AsyncRaiser&) = delete;

    // Returns at once: true when the request took the place of an earlier one not yet performed,
    // which is thus never performed.
    bool raise(const ManagedWindow& window);
    // The same for a raise asked for when `yields()` was `askedAt`: none when a window of ours
    // has taken the focus since, so the raise is dropped.
    std::optional<bool> raiseAskedAt(const ManagedWindow& window, std::uint64_t askedAt);
    // One of our own windows takes the focus now: the raise not yet performed is dropped, and so
    // is every raise asked for before now, so that it does not take the focus away again. A raise
    // under way is waited for (briefly), so that the window manager handles it first, and takes
    // none of its steps still to come.
    void yieldFocus();
    // Somebody else moved the focus: drops the raise not yet performed, if any, and takes none of
    // the steps still to come of a raise under way (each would take the focus from their choice);
    // says whether one not yet performed was dropped.
    bool dropPending();
    // The focus came to `window` as asked: a raise of it not yet performed is dropped; says
    // whether one was.
    bool dropPendingOf(WindowID window);
    // How often our own windows have taken the focus.
    std::uint64_t yields() const;
    // Drops a raise not yet performed and waits for one under way: once the
    // windows are put back at quit, nothing may be raised any more.
    void cancelPending();
    // Called on the raise queue after each raise, with the window raised.
    void setOnRaised(std::function<void(WindowID)> onRaised);
    // Called on the raise queue for a raise of which no step went out (the user minimised the
    // window or sent it to another desktop since it was asked for): no answer will come.
    void setOnNotSent(std::function<void(WindowID)> onNotSent);

    Executor& queue() { return *queue_; }

  private:
    void work();
    // With the lock held: queues the request unless a yield came since `askedAt`; says whether
    // a worker must be started.
    std::optional<bool> request(const ManagedWindow& window, std::uint64_t askedAt, bool& start);

    const WindowMover& mover_;
    mutable std::mutex mutex_;
    struct Request {
        ManagedWindow window;
        std::uint64_t askedAt = 0;
    };
    std::optional<Request> next_;
    std::uint64_t yields_ = 0;
    // How often somebody else moved the focus.
    std::uint64_t drops_ = 0;
    bool running_ = false;
    bool performing_ = false;
    std::condition_variable performed_;
    std::function<void(WindowID)> onRaised_;
    std::function<void(WindowID)> onNotSent_;
    std::shared_ptr<Executor> queue_;
};

}  // namespace brindlow
