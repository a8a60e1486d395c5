#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Executor.h"

namespace brindlow {

// A serial queue backed by one thread of its own. Blocks run in FIFO order;
// a delayed block joins the end of the FIFO when its deadline passes.
// Destroying the queue drops delayed blocks, runs what is already queued and
// joins the thread.
class SerialQueue final : public Executor {
  public:
    explicit SerialQueue(std::string label);
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(Block block) override;
    void asyncAfter(double seconds, Block block) override;
    void sync(Block block) override;
    bool isCurrent() const override;
    const std::string& label() const override { return label_; }

    // The thread name the OS sees: Linux keeps at most 15 bytes, so the common
    // "com.vemto.brindlow." prefix is dropped and the rest cut to fit.
    static std::string threadName(const std::string& label);

  private:
    void run();

    using TimePoint = std::chrono::steady_clock::time_point;

    const std::string label_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Block> ready_;
    std::multimap<TimePoint, Block> delayed_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace brindlow
