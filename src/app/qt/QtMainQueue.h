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
    void post(Block block);

    const std::string label_ = kLabel;
    const std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QObject* context_ = nullptr;  // lives on the main thread while attached
    bool closed_ = false;
    std::deque<Block> early_;
};

}  // namespace brindlow
