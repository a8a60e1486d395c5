#pragma once

#include <map>
#include <memory>

#include "platform/UiScheduler.h"

class QTimer;

namespace brindlow {

// One-shot work on Qt's precise timers of the main thread, measured on the process's monotonic
// clock; animation frames at the display's refresh rate.
class QtUiScheduler final : public UiScheduler {
  public:
    explicit QtUiScheduler(double refreshRate = 60.0);
    ~QtUiScheduler() override;
    QtUiScheduler(const QtUiScheduler&) = delete;
    QtUiScheduler& operator=(const QtUiScheduler&) = delete;

    double now() const override;
    TaskID schedule(double seconds, Task task) override;
    void cancel(TaskID task) override;
    double frameInterval() const override { return frameInterval_; }

  private:
    double frameInterval_;
    TaskID nextID_ = 1;
    std::map<TaskID, std::unique_ptr<QTimer>> timers_;
};

}  // namespace brindlow
