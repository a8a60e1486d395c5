#pragma once

#include <cstddef>
#include <map>
#include <utility>

#include "platform/UiScheduler.h"

namespace brindlow {

// Virtual time for user-interface tests: nothing runs until the test advances the clock; tasks
// then run in deadline order (first scheduled first among equal deadlines), on the test's thread.
class ManualUiScheduler final : public UiScheduler {
  public:
    explicit ManualUiScheduler(double start = 1000.0, double frameInterval = 1.0 / 60.0)
        : now_(start), frameInterval_(frameInterval) {}

    double now() const override { return now_; }
    TaskID schedule(double seconds, Task task) override;
    void cancel(TaskID task) override;
    double frameInterval() const override { return frameInterval_; }

    // Moves the clock forward, stopping at each deadline on the way to run what is due (tasks
    // scheduled meanwhile included). Returns how many tasks ran.
    std::size_t advance(double seconds);
    // Runs the tasks due now without moving the clock.
    std::size_t runDue() { return advance(0); }
    std::size_t pendingCount() const { return tasks_.size(); }

  private:
    double now_;
    double frameInterval_;
    TaskID nextID_ = 1;
    // Keyed by (deadline, id): deadline order, then scheduling order.
    std::map<std::pair<double, TaskID>, Task> tasks_;
};

}  // namespace brindlow
