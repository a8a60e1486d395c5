#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Clock.h"
#include "platform/DisplayLink.h"

namespace brindlow {

// A display clock made of a paced thread: while running, it calls the frame handler once per
// refresh period with the time the next frame is due. The thread is started on the first start
// and parked while stopped; destroying the link joins it.
class ThreadDisplayLink final : public DisplayLink {
  public:
    explicit ThreadDisplayLink(double refreshRate = 60.0,
                               const Clock& clock = MonotonicClock::shared());
    ~ThreadDisplayLink() override;
    ThreadDisplayLink(const ThreadDisplayLink&) = delete;
    ThreadDisplayLink& operator=(const ThreadDisplayLink&) = delete;

    void setFrameHandler(FrameHandler handler) override;
    void start() override;
    void stop() override;
    bool isRunning() const override;

  private:
    void run();

    const double period_;
    const Clock& clock_;
    FrameHandler handler_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool quitting_ = false;
    std::thread thread_;
};

}  // namespace brindlow
