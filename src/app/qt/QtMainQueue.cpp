#include "app/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

namespace brindlow {

// Each wake-up event runs the oldest pending block; the event carries nothing.
class QtMainQueue::Waker final : public QObject {
  public:
    explicit Waker(QtMainQueue& queue) : queue_(queue) {}

    static void post(QObject* waker) {
        QCoreApplication::postEvent(waker, new QEvent(QEvent::User));
    }

  protected:
    void customEvent(QEvent*) override { queue_.runNext(); }

  private:
    QtMainQueue& queue_;
};

QtMainQueue::QtMainQueue() : mainThread_(std::this_thread::get_id()) {}

QtMainQueue::~QtMainQueue() {
    close();
    // Blocks still posted to the context are discarded with it.
    delete context_;
}

void QtMainQueue::attach() {
    std::size_t early;
    QObject* context;
    {
        std::lock_guard lock(mutex_);
        if (context_ || closed_) return;
        context = context_ = new Waker(*this);
        early = pending_.size();
    }
    for (std::size_t i = 0; i < early; ++i) Waker::post(context);
}

void QtMainQueue::close() {
    std::deque<Block> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(pending_);
    }
    changed_.notify_all();
    // Destroyed outside the lock: a block may hold the last reference to an object whose
    // destructor waits for a thread that is posting here.
}

bool QtMainQueue::isClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void QtMainQueue::post(Block block) {
    QObject* context;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        pending_.push_back(std::move(block));
        // Before attach the block waits; attach posts its wake-up.
        context = context_;
    }
    if (context) Waker::post(context);
}

void QtMainQueue::runNext() {
    Block block;
    {
        // Close empties the queue, so a block posted just before close does not
        // run after the loop has ended.
        std::lock_guard lock(mutex_);
        if (closed_ || pending_.empty()) return;
        block = std::move(pending_.front());
        pending_.pop_front();
    }
    block();
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
