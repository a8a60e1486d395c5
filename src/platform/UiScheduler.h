#pragma once

#include <cstdint>
#include <functional>

namespace brindlow {

// One-shot work on the main thread at a time from now, and the clock it is measured on. The real
// one runs on Qt timers; tests use ManualUiScheduler in virtual time.
class UiScheduler {
  public:
    using Task = std::function<void()>;
    // Zero is never handed out, so it can mean "nothing scheduled".
    using TaskID = std::uint64_t;

    virtual ~UiScheduler() = default;

    // Monotonic seconds.
    virtual double now() const = 0;
    // Runs `task` once, `seconds` from now (at once-ish when 0 or less, never inside this call).
    virtual TaskID schedule(double seconds, Task task) = 0;
    // A task that already ran or was cancelled is ignored.
    virtual void cancel(TaskID task) = 0;
    // Seconds between two frames of the display (animation steps).
    virtual double frameInterval() const = 0;
};

}  // namespace brindlow
