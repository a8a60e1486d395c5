#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Executor.h"

class QObject;

namespace brindlow {

// The main thread as an Executor: blocks run on the Qt event loop of the thread
// that made the queue. Blocks queued before the application object exists wait
// until attach(); once closed (the loop has ended), new blocks are dropped and
// every caller waiting in sync() is released, so no worker waits forever on a
// loop that will not run again.
class QtMainQueue final : public Executor {
  public:
    static constexpr const char* kLabel = "com.vemto.brindlow.main";

    // Must be made on the main thread.
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    // Binds the queue to the event loop once QCoreApplication exists and posts
    // what was queued before. Main thread.
    void attach();
    // Drops every later block and releases sync() callers. Any thread.
    void close();
    bool isClosed() const;

    void async(Block block) override;
    void asyncAfter(double seconds, Block block) override;
    void sync(Block block) override;
    bool isCurrent() const override;
    const std::string& label() const override { return label_; }

  private:
    class Waker;

    void post(Block block);
    void runNext();

    const std::string label_ = kLabel;
    const std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QObject* context_ = nullptr;  // a Waker; lives on the main thread while attached
    bool closed_ = false;
    // Blocks travel through this locked queue, and Qt only carries one wake-up
    // per block: the hand-over is then ordered by our own lock, which the race
    // detector sees, rather than by Qt's internal event-queue lock, which it
    // cannot.
    std::deque<Block> pending_;
};

}  // namespace brindlow
