#include "platform/SerialQueue.h"

#include <pthread.h>

#include <future>

namespace brindlow {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
    thread_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        delayed_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::string SerialQueue::threadName(const std::string& label) {
    static const std::string prefix = "com.vemto.brindlow.";
    std::string name = label.rfind(prefix, 0) == 0 ? label.substr(prefix.size()) : label;
    if (name.empty()) name = "brindlow";
    return name.substr(0, 15);
}

void SerialQueue::async(Block block) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        ready_.push_back(std::move(block));
    }
    wake_.notify_one();
}

void SerialQueue::asyncAfter(double seconds, Block block) {
    const auto delay = std::chrono::duration<double>(seconds < 0 ? 0 : seconds);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::nanoseconds>(delay);
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        delayed_.emplace(deadline, std::move(block));
    }
    wake_.notify_one();
}

void SerialQueue::sync(Block block) {
    if (isCurrent()) {
        block();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        ready_.push_back([&] {
            block();
            done.set_value();
        });
    }
    wake_.notify_one();
    finished.wait();
}

bool SerialQueue::isCurrent() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void SerialQueue::run() {
    pthread_setname_np(pthread_self(), threadName(label_).c_str());
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        while (!delayed_.empty() && delayed_.begin()->first <= now) {
            ready_.push_back(std::move(delayed_.begin()->second));
            delayed_.erase(delayed_.begin());
        }
        if (!ready_.empty()) {
            Block block = std::move(ready_.front());
            ready_.pop_front();
            lock.unlock();
            block();
            lock.lock();
            continue;
        }
        if (stopping_) return;
        if (delayed_.empty()) {
            wake_.wait(lock);
        } else {
            // A copy: the destructor may clear delayed_ while this thread waits.
            const TimePoint deadline = delayed_.begin()->first;
            wake_.wait_until(lock, deadline);
        }
    }
}

}  // namespace brindlow
