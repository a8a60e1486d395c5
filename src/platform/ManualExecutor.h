#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/Executor.h"

namespace brindlow {

class ManualExecutor;

// Virtual time for tests: one manual clock shared by any number of manual
// executors. Nothing runs until the test drives the loop; everything runs on
// the test's thread, so scenarios are deterministic.
class VirtualTime {
  public:
    explicit VirtualTime(double start = 1000.0) : clock_(start) {}
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    ManualClock& clock() { return clock_; }
    double now() const { return clock_.now(); }

    // Runs every queued block of every executor, including blocks queued while
    // running, without moving the clock. Returns how many blocks ran.
    size_t runUntilIdle();
    // Moves the clock forward by `seconds`, stopping at each deadline on the
    // way: due delayed blocks join their queues, then everything queued runs.
    void advance(double seconds);
    // The earliest pending deadline of any executor, if there is one.
    bool nextDeadline(double& deadline) const;

  private:
    friend class ManualExecutor;
    void attach(ManualExecutor* executor) { executors_.push_back(executor); }
    void detach(ManualExecutor* executor);

    ManualClock clock_;
    std::vector<ManualExecutor*> executors_;
};

// A serial executor in virtual time. A delayed block joins the FIFO at its
// deadline, after the blocks already queued.
class ManualExecutor final : public Executor {
  public:
    ManualExecutor(VirtualTime& time, std::string label);
    ~ManualExecutor() override;

    void async(Block block) override;
    void asyncAfter(double seconds, Block block) override;
    // Runs what is queued before the block, then the block: the caller sees the
    // queue's state as a caller of a real serial queue would.
    void sync(Block block) override;
    bool isCurrent() const override { return running_; }
    const std::string& label() const override { return label_; }

    // Runs the blocks queued now and those they queue. Returns how many ran.
    size_t drain();
    size_t pendingCount() const { return ready_.size(); }
    // How often the queue went from idle to running blocks: a real queue's thread wakes once
    // for each.
    size_t wakeUps() const { return wakeUps_; }

  private:
    friend class VirtualTime;
    void admitDue(double now);

    VirtualTime& time_;
    const std::string label_;
    std::deque<Block> ready_;
    // Deadline, then order of submission, keeps equal deadlines in FIFO order.
    std::multimap<double, Block> delayed_;
    bool running_ = false;
    size_t wakeUps_ = 0;
};

}  // namespace brindlow
