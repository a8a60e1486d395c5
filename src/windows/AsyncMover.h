#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "geometry/Geometry.h"
#include "platform/Clock.h"
#include "platform/ExecutorFactory.h"
#include "windows/ManagedWindow.h"
#include "windows/MoveResult.h"
#include "windows/WindowMover.h"

namespace brindlow {

// Moves windows off the caller's queue: one serial queue per application
// ("com.vemto.brindlow.move.<pid>"), and only the newest target of each window
// is written. A slow application delays only its own windows. Logs under
// "AsyncMover".
class AsyncMover {
  public:
    struct Slowest {
        double seconds = 0;
        std::string app;
        friend bool operator==(const Slowest&, const Slowest&) = default;
    };
    // Called on the move queue after each move with its outcome.
    using ResultHandler =
        std::function<void(const ManagedWindow&, const Rect& target, const MoveResult&)>;

    AsyncMover(const WindowMover& mover, Clock& clock, ExecutorFactory makeQueue);
    ~AsyncMover();
    AsyncMover(const AsyncMover&) = delete;
    AsyncMover& operator=(const AsyncMover&) = delete;

    // Remembers the target as the window's newest and returns at once.
    void move(const ManagedWindow& window, const Rect& target);
    // Returns when every move queue has run what was queued on it before the
    // call. Never call it from a move queue.
    void flush();

    // The last target handed to the platform for a window.
    std::optional<Rect> sent(WindowID window) const;
    // Forgets the last sent target, so the next move starts from the window's
    // recorded frame.
    void forgetSent(WindowID window);
    // Forgets the window entirely: an unperformed pending target, the sent one
    // and a failed last move.
    void forget(WindowID window);
    // Smoothed move durations of an application in seconds; 0 when unknown.
    double lag(std::int32_t pid) const;
    double resizeLag(std::int32_t pid) const;
    Slowest slowest() const;
    void resetSlowest();

    // The application has quit: its move queue runs what is queued on it and
    // its thread ends (a later move for the pid makes a new queue). Never call
    // it from that move queue.
    void retire(std::int32_t pid);

    void setResultHandler(ResultHandler handler);
    // The number of live move queues (one per application seen and not retired).
    size_t queueCount() const;
    // How many windows the mover keeps anything about (a target, a failure, a generation).
    size_t keptWindowCount() const;

    static std::string queueLabel(std::int32_t pid);

  private:
    struct Pending {
        ManagedWindow window;
        Rect frame;
    };
    struct State {
        std::map<std::int32_t, std::shared_ptr<Executor>> queues;
        std::map<std::int32_t, std::map<WindowID, Pending>> pending;
        std::set<std::int32_t> draining;
        std::map<WindowID, Rect> sent;
        // Windows whose last move failed: where they are is not known, so their
        // next move writes everything.
        std::set<WindowID> failed;
        // Windows whose move is running (taken from `pending`, result not yet recorded).
        std::set<WindowID> moving;
        // How often each moving window was forgotten: a move that was running when its
        // window was forgotten records nothing about it. Kept only while it moves, so
        // windows that come and go leave nothing behind.
        std::map<WindowID, std::uint64_t> forgotten;
        Slowest slowest;
        std::map<std::int32_t, double> lag;
        std::map<std::int32_t, double> resizeLag;
        ResultHandler onResult;
    };

    void drain(std::int32_t pid);

    const WindowMover& mover_;
    Clock& clock_;
    ExecutorFactory makeQueue_;
    mutable std::mutex mutex_;
    State state_;
};

}  // namespace brindlow
