#pragma once

#include <atomic>

namespace brindlow {

// Monotonic seconds. Only differences between two readings mean anything.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// The process's steady clock.
class MonotonicClock final : public Clock {
  public:
    double now() const override;
    static MonotonicClock& shared();
};

// A clock that tests set by hand. Reads are safe from any thread.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(double start = 1000.0) : now_(start) {}
    double now() const override { return now_.load(); }
    void set(double seconds) { now_.store(seconds); }
    void advance(double seconds) { now_.store(now_.load() + seconds); }

  private:
    std::atomic<double> now_;
};

}  // namespace brindlow
