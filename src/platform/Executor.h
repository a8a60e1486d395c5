#pragma once

#include <functional>
#include <string>

namespace brindlow {

// A queue that runs closures. Serial queues run one block at a time in the order
// they were queued; a delayed block joins the queue once its deadline has passed.
class Executor {
  public:
    using Block = std::function<void()>;

    virtual ~Executor() = default;

    virtual void async(Block block) = 0;
    virtual void asyncAfter(double seconds, Block block) = 0;
    // Runs the block on the queue and returns when it has run. Called from the
    // queue itself it runs the block at once instead of deadlocking.
    virtual void sync(Block block) = 0;
    // True when the caller is running on this queue.
    virtual bool isCurrent() const = 0;
    // The full reverse-domain label, as it appears in logs.
    virtual const std::string& label() const = 0;
};

}  // namespace brindlow
