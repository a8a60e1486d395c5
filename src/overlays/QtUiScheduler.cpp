#include "overlays/QtUiScheduler.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

#include "platform/Clock.h"

namespace brindlow {

QtUiScheduler::QtUiScheduler(double refreshRate)
    : frameInterval_(1.0 / (refreshRate > 0 ? refreshRate : 60.0)) {}

QtUiScheduler::~QtUiScheduler() = default;

double QtUiScheduler::now() const {
    return MonotonicClock::shared().now();
}

UiScheduler::TaskID QtUiScheduler::schedule(double seconds, Task task) {
    const TaskID id = nextID_++;
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(int(std::ceil(std::max(0.0, seconds) * 1000.0)));
    QObject::connect(timer.get(), &QTimer::timeout, [this, id, task = std::move(task)] {
        // The timer goes first, so the task may schedule and cancel freely.
        auto found = timers_.find(id);
        if (found == timers_.end()) return;
        std::unique_ptr<QTimer> done = std::move(found->second);
        timers_.erase(found);
        done.release()->deleteLater();
        task();
    });
    timer->start();
    timers_.emplace(id, std::move(timer));
    return id;
}

void QtUiScheduler::cancel(TaskID task) {
    timers_.erase(task);
}

}  // namespace brindlow
