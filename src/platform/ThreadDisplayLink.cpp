#include "platform/ThreadDisplayLink.h"

#include <pthread.h>

#include <chrono>
#include <cmath>

namespace brindlow {

ThreadDisplayLink::ThreadDisplayLink(double refreshRate, const Clock& clock)
    : period_(1.0 / (std::isfinite(refreshRate) && refreshRate >= 1.0 ? refreshRate : 60.0)),
      clock_(clock) {}

ThreadDisplayLink::~ThreadDisplayLink() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ThreadDisplayLink::setFrameHandler(FrameHandler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void ThreadDisplayLink::start() {
    {
        std::lock_guard lock(mutex_);
        if (running_) return;
        running_ = true;
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

void ThreadDisplayLink::stop() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

bool ThreadDisplayLink::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void ThreadDisplayLink::run() {
    pthread_setname_np(pthread_self(), "displaylink");
    using namespace std::chrono;
    const auto step = duration_cast<steady_clock::duration>(duration<double>(period_));
    auto next = steady_clock::now() + step;
    std::unique_lock lock(mutex_);
    while (!quitting_) {
        if (!running_) {
            wake_.wait(lock, [this] { return running_ || quitting_; });
            next = steady_clock::now() + step;
            continue;
        }
        // Sleeps until the next refresh; a stop or the destructor wakes it early.
        if (wake_.wait_until(lock, next, [this] { return !running_ || quitting_; })) continue;
        const auto now = steady_clock::now();
        next += step;
        if (next <= now) next = now + step;  // fell behind: skip frames rather than burst
        FrameHandler handler = handler_;
        const double shown = clock_.now() + period_;
        lock.unlock();
        if (handler) handler(shown);
        lock.lock();
    }
}

}  // namespace brindlow
