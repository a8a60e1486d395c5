#include "platform/ManualExecutor.h"

#include <algorithm>

namespace brindlow {

size_t VirtualTime::runUntilIdle() {
    size_t total = 0;
    for (;;) {
        size_t ran = 0;
        // Copy: a block may create or destroy executors.
        const auto executors = executors_;
        for (ManualExecutor* executor : executors) {
            if (std::find(executors_.begin(), executors_.end(), executor) == executors_.end())
                continue;
            ran += executor->drain();
        }
        total += ran;
        if (ran == 0) return total;
    }
}

bool VirtualTime::nextDeadline(double& deadline) const {
    bool found = false;
    for (const ManualExecutor* executor : executors_) {
        if (executor->delayed_.empty()) continue;
        const double first = executor->delayed_.begin()->first;
        if (!found || first < deadline) deadline = first;
        found = true;
    }
    return found;
}

void VirtualTime::advance(double seconds) {
    const double target = clock_.now() + std::max(0.0, seconds);
    runUntilIdle();
    double deadline = 0;
    while (nextDeadline(deadline) && deadline <= target) {
        clock_.set(std::max(clock_.now(), deadline));
        for (ManualExecutor* executor : std::vector(executors_)) executor->admitDue(clock_.now());
        runUntilIdle();
    }
    // A block may itself move the clock (a simulated slow call); never go back.
    clock_.set(std::max(clock_.now(), target));
    runUntilIdle();
}

void VirtualTime::detach(ManualExecutor* executor) {
    executors_.erase(std::remove(executors_.begin(), executors_.end(), executor), executors_.end());
}

ManualExecutor::ManualExecutor(VirtualTime& time, std::string label)
    : time_(time), label_(std::move(label)) {
    time_.attach(this);
}

ManualExecutor::~ManualExecutor() {
    time_.detach(this);
}

void ManualExecutor::async(Block block) {
    ready_.push_back(std::move(block));
}

void ManualExecutor::asyncAfter(double seconds, Block block) {
    delayed_.emplace(time_.now() + std::max(0.0, seconds), std::move(block));
}

void ManualExecutor::sync(Block block) {
    if (!running_) drain();
    const bool wasRunning = running_;
    running_ = true;
    block();
    running_ = wasRunning;
}

size_t ManualExecutor::drain() {
    if (running_) return 0;  // a block that drains its own queue would reorder it
    if (!ready_.empty()) ++wakeUps_;
    size_t ran = 0;
    while (!ready_.empty()) {
        Block block = std::move(ready_.front());
        ready_.pop_front();
        running_ = true;
        block();
        running_ = false;
        ++ran;
    }
    return ran;
}

void ManualExecutor::admitDue(double now) {
    while (!delayed_.empty() && delayed_.begin()->first <= now) {
        ready_.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
}

}  // namespace brindlow
