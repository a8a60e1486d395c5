#include "app/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

namespace brindlow {

QtMainQueue::QtMainQueue() : mainThread_(std::this_thread::get_id()) {}

QtMainQueue::~QtMainQueue() {
    close();
    // Blocks still posted to the context are discarded with it.
    delete context_;
}

void QtMainQueue::attach() {
    std::deque<Block> early;
    {
        std::lock_guard lock(mutex_);
        if (context_ || closed_) return;
        context_ = new QObject();
        early.swap(early_);
    }
    for (Block& block : early) post(std::move(block));
}

void QtMainQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        early_.clear();
    }
    changed_.notify_all();
}

bool QtMainQueue::isClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void QtMainQueue::post(Block block) {
    std::unique_lock lock(mutex_);
    if (closed_) return;
    if (!context_) {
        early_.push_back(std::move(block));
        return;
    }
    QObject* context = context_;
    lock.unlock();
    // Queued on the context's thread; checks the queue again when it runs, so a
    // block posted just before close does not run after the loop has ended.
    QMetaObject::invokeMethod(
        context,
        [this, block = std::move(block)] {
            if (!isClosed()) block();
        },
        Qt::QueuedConnection);
}

void QtMainQueue::async(Block block) {
    post(std::move(block));
}

void QtMainQueue::asyncAfter(double seconds, Block block) {
    const auto delay =
        std::chrono::milliseconds(static_cast<std::int64_t>(std::max(0.0, seconds) * 1000.0 + 0.5));
    // The timer is started on the main thread, which owns the context object;
    // a timer made on another thread would need that thread's event loop.
    post([this, delay, block = std::move(block)]() mutable {
        QObject* context;
        {
            std::lock_guard lock(mutex_);
            context = context_;
        }
        QTimer::singleShot(delay, context, [this, block = std::move(block)] {
            if (!isClosed()) block();
        });
    });
}

void QtMainQueue::sync(Block block) {
    if (isCurrent()) {
        block();
        return;
    }
    struct Wait {
        bool done = false;
    };
    auto wait = std::make_shared<Wait>();
    post([this, wait, block = std::move(block)] {
        block();
        {
            std::lock_guard lock(mutex_);
            wait->done = true;
        }
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return wait->done || closed_; });
}

bool QtMainQueue::isCurrent() const {
    return std::this_thread::get_id() == mainThread_;
}

}  // namespace brindlow
