#include "platform/ManualUiScheduler.h"

#include <algorithm>

namespace brindlow {

UiScheduler::TaskID ManualUiScheduler::schedule(double seconds, Task task) {
    const TaskID id = nextID_++;
    tasks_.emplace(std::make_pair(now_ + std::max(0.0, seconds), id), std::move(task));
    return id;
}

void ManualUiScheduler::cancel(TaskID task) {
    std::erase_if(tasks_, [task](const auto& entry) { return entry.first.second == task; });
}

std::size_t ManualUiScheduler::advance(double seconds) {
    const double target = now_ + std::max(0.0, seconds);
    std::size_t ran = 0;
    while (!tasks_.empty() && tasks_.begin()->first.first <= target) {
        auto first = tasks_.begin();
        now_ = std::max(now_, first->first.first);
        Task task = std::move(first->second);
        tasks_.erase(first);
        task();
        ++ran;
    }
    now_ = target;
    return ran;
}

}  // namespace brindlow
