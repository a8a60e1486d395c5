#pragma once

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
    // Drops a raise not yet performed and waits for one under way: once the
    // windows are put back at quit, nothing may be raised any more.
    void cancelPending();
    // Called on the raise queue after each raise.
    void setOnRaised(std::function<void()> onRaised);

    Executor& queue() { return *queue_; }

  private:
    void work();

    const WindowMover& mover_;
    std::mutex mutex_;
    std::optional<ManagedWindow> next_;
    bool running_ = false;
    std::function<void()> onRaised_;
    std::shared_ptr<Executor> queue_;
};

}  // namespace brindlow
