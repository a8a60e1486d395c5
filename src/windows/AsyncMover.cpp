#include "windows/AsyncMover.h"

#include <cmath>
#include <vector>

#include "geometry/Rounding.h"
#include "platform/Log.h"

namespace brindlow {

namespace {
constexpr double kSlowMoveSeconds = 0.15;
constexpr double kNewestWeight = 0.3;

const Logger& log() {
    static const Logger logger = makeLogger("AsyncMover");
    return logger;
}

bool isResize(const Rect& from, const Rect& to) {
    return std::fabs(from.width - to.width) >= 1.0 || std::fabs(from.height - to.height) >= 1.0;
}
}  // namespace

AsyncMover::AsyncMover(const WindowMover& mover, Clock& clock, ExecutorFactory makeQueue)
    : mover_(mover), clock_(clock), makeQueue_(std::move(makeQueue)) {}

AsyncMover::~AsyncMover() {
    // Queues finish (or drop) their drains while the state is still alive.
    std::map<std::int32_t, std::shared_ptr<Executor>> queues;
    {
        std::lock_guard lock(mutex_);
        queues.swap(state_.queues);
    }
    queues.clear();
}

std::string AsyncMover::queueLabel(std::int32_t pid) {
    return "com.vemto.brindlow.move." + std::to_string(pid);
}

void AsyncMover::move(const ManagedWindow& window, const Rect& target) {
    std::shared_ptr<Executor> queue;
    {
        std::lock_guard lock(mutex_);
        state_.pending[window.pid][window.id] = Pending{window, target};
        if (state_.draining.insert(window.pid).second) {
            auto& slot = state_.queues[window.pid];
            if (!slot) slot = makeQueue_(queueLabel(window.pid));
            queue = slot;
        }
    }
    if (queue) {
        const std::int32_t pid = window.pid;
        queue->async([this, pid] { drain(pid); });
    }
}

void AsyncMover::drain(std::int32_t pid) {
    struct Item {
        ManagedWindow window;
        Rect target;
        std::optional<Rect> lastSent;
        bool lastFailed = false;
        std::uint64_t generation = 0;
    };
    for (;;) {
        std::vector<Item> batch;
        {
            std::lock_guard lock(mutex_);
            auto found = state_.pending.find(pid);
            if (found == state_.pending.end() || found->second.empty()) {
                if (found != state_.pending.end()) state_.pending.erase(found);
                state_.draining.erase(pid);
                return;
            }
            for (auto& [id, request] : found->second) {
                state_.moving.insert(id);
                std::optional<Rect> last;
                if (auto sent = state_.sent.find(id); sent != state_.sent.end())
                    last = sent->second;
                const auto forgotten = state_.forgotten.find(id);
                batch.push_back(Item{std::move(request.window), request.frame, last,
                                     state_.failed.contains(id),
                                     forgotten == state_.forgotten.end() ? 0 : forgotten->second});
            }
            state_.pending.erase(found);
        }
        for (Item& item : batch) {
            ManagedWindow window = std::move(item.window);
            const Rect baseline = item.lastSent.value_or(window.frame);
            window.frame = baseline;
            const double start = clock_.now();
            const MoveResult result = item.lastFailed ? mover_.forceMove(window, item.target)
                                                      : mover_.move(window, item.target, false);
            const double elapsed = clock_.now() - start;
            const bool resize = isResize(baseline, item.target);
            if (elapsed > kSlowMoveSeconds) {
                log().log("Slow move %ld ms (%{public}s): %{public}s -> %{public}s%{public}s",
                          static_cast<long>(roundHalfAway(elapsed * 1000)), window.appName,
                          WindowMover::describe(baseline), WindowMover::describe(item.target),
                          resize ? ", resized" : "");
            }
            ResultHandler onResult;
            {
                std::lock_guard lock(mutex_);
                // A window forgotten while its move ran starts afresh; a failed
                // move did not reach its target, and recording it as sent would
                // stop the same target from ever being written again.
                const auto forgotten = state_.forgotten.find(window.id);
                const bool stillKnown =
                    (forgotten == state_.forgotten.end() ? 0 : forgotten->second) ==
                    item.generation;
                if (stillKnown && result.errors.empty()) {
                    state_.sent[window.id] = result.changed ? result.frame : item.target;
                    state_.failed.erase(window.id);
                } else if (stillKnown) {
                    state_.sent.erase(window.id);
                    state_.failed.insert(window.id);
                }
                state_.moving.erase(window.id);
                state_.forgotten.erase(window.id);
                if (elapsed > state_.slowest.seconds)
                    state_.slowest = Slowest{elapsed, window.appName};
                if (result.changed) {
                    auto& lags = resize ? state_.resizeLag : state_.lag;
                    auto [entry, inserted] = lags.emplace(pid, elapsed);
                    if (!inserted)
                        entry->second =
                            kNewestWeight * elapsed + (1 - kNewestWeight) * entry->second;
                }
                onResult = state_.onResult;
            }
            if (onResult) onResult(window, item.target, result);
        }
    }
}

void AsyncMover::flush() {
    std::vector<std::shared_ptr<Executor>> queues;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [pid, queue] : state_.queues) queues.push_back(queue);
    }
    for (const auto& queue : queues) queue->sync([] {});
}

std::optional<Rect> AsyncMover::sent(WindowID window) const {
    std::lock_guard lock(mutex_);
    if (auto found = state_.sent.find(window); found != state_.sent.end()) return found->second;
    return std::nullopt;
}

void AsyncMover::forgetSent(WindowID window) {
    std::lock_guard lock(mutex_);
    state_.sent.erase(window);
}

void AsyncMover::forget(WindowID window) {
    std::lock_guard lock(mutex_);
    state_.sent.erase(window);
    state_.failed.erase(window);
    if (state_.moving.contains(window)) ++state_.forgotten[window];
    for (auto& [pid, windows] : state_.pending) windows.erase(window);
}

double AsyncMover::lag(std::int32_t pid) const {
    std::lock_guard lock(mutex_);
    auto found = state_.lag.find(pid);
    return found == state_.lag.end() ? 0 : found->second;
}

double AsyncMover::resizeLag(std::int32_t pid) const {
    std::lock_guard lock(mutex_);
    auto found = state_.resizeLag.find(pid);
    return found == state_.resizeLag.end() ? 0 : found->second;
}

AsyncMover::Slowest AsyncMover::slowest() const {
    std::lock_guard lock(mutex_);
    return state_.slowest;
}

void AsyncMover::resetSlowest() {
    std::lock_guard lock(mutex_);
    state_.slowest = Slowest{};
}

void AsyncMover::retire(std::int32_t pid) {
    std::shared_ptr<Executor> queue;
    {
        std::lock_guard lock(mutex_);
        const auto found = state_.queues.find(pid);
        if (found == state_.queues.end()) return;
        queue = std::move(found->second);
        state_.queues.erase(found);
        state_.lag.erase(pid);
        state_.resizeLag.erase(pid);
    }
    // The last reference (a flush may hold another for a moment): the queue
    // runs its pending drain, and the drain takes any move queued meanwhile.
    queue.reset();
}

void AsyncMover::setResultHandler(ResultHandler handler) {
    std::lock_guard lock(mutex_);
    state_.onResult = std::move(handler);
}

size_t AsyncMover::keptWindowCount() const {
    std::lock_guard lock(mutex_);
    std::set<WindowID> windows = state_.failed;
    for (const auto& [id, frame] : state_.sent) windows.insert(id);
    for (const auto& [id, generation] : state_.forgotten) windows.insert(id);
    for (const auto& [pid, pending] : state_.pending)
        for (const auto& [id, request] : pending) windows.insert(id);
    return windows.size();
}

size_t AsyncMover::queueCount() const {
    std::lock_guard lock(mutex_);
    return state_.queues.size();
}

}  // namespace brindlow
