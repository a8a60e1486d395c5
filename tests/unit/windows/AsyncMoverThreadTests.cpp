#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "windows/AsyncMover.h"

namespace brindlow {
namespace {

// A window that answers from any thread, for the movers on real queues.
class ThreadSafeWindow final : public AXElement {
  public:
    ThreadSafeWindow(std::int32_t pid, std::uint32_t id) : pid_(pid), id_(id) {}

    AXError copyAttributeValue(std::string_view name, AXValue& value) const override {
        std::lock_guard lock(mutex_);
        if (name == "AXPosition")
            value = frame_.origin();
        else if (name == "AXSize")
            value = frame_.size();
        else
            return axerror::attributeUnsupported;
        return axerror::success;
    }
    AXError setAttributeValue(std::string_view name, const AXValue& value) override {
        std::lock_guard lock(mutex_);
        if (name == "AXPosition")
            frame_ = Rect(std::get<Point>(value), frame_.size());
        else if (name == "AXSize")
            frame_ = Rect(frame_.origin(), std::get<Size>(value));
        return axerror::success;
    }
    AXError isAttributeSettable(std::string_view, bool& settable) const override {
        settable = true;
        return axerror::success;
    }
    AXError performAction(std::string_view) override { return axerror::success; }
    AXError setMessagingTimeout(double) override { return axerror::success; }
    AXError pid(std::int32_t& pid) const override {
        pid = pid_;
        return axerror::success;
    }
    std::uint32_t identity() const override { return id_; }

    Rect frame() const {
        std::lock_guard lock(mutex_);
        return frame_;
    }

  private:
    mutable std::mutex mutex_;
    std::int32_t pid_;
    std::uint32_t id_;
    Rect frame_{0, 0, 100, 100};
};

ManagedWindow threadSafeWindow(std::int32_t pid, std::uint32_t id) {
    ManagedWindow w;
    w.id = id;
    w.pid = pid;
    w.appName = "App";
    w.frame = Rect(0, 0, 100, 100);
    w.element = std::make_shared<ThreadSafeWindow>(pid, id);
    return w;
}

class NoAccessibility final : public Accessibility {
  public:
    bool isProcessTrusted(bool) override { return true; }
    AXElementRef applicationElement(std::int32_t) override { return nullptr; }
    AXError createObserver(std::int32_t, AXObserverCallback,
                           std::shared_ptr<AXObserver>&) override {
        return axerror::failure;
    }
};

TEST(AsyncMoverOnThreads, EveryWindowEndsAtItsNewestTargetAfterAFlush) {
    LogSink::setStderrEnabled(false);
    NoAccessibility accessibility;
    WindowMover windowMover(accessibility);
    AsyncMover mover(windowMover, MonotonicClock::shared(), serialQueueFactory());
    std::vector<ManagedWindow> windows;
    for (std::uint32_t i = 0; i < 12; ++i)
        windows.push_back(threadSafeWindow(1000 + std::int32_t(i % 3), 500 + i));
    std::vector<Rect> newest(windows.size());
    for (int step = 1; step <= 2000; ++step) {
        const std::size_t i = std::size_t(step) % windows.size();
        newest[i] = Rect(step, step % 7, 100 + step % 5, 100);
        mover.move(windows[i], newest[i]);
    }
    mover.flush();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(static_cast<ThreadSafeWindow&>(*windows[i].element).frame(), newest[i]) << i;
        EXPECT_EQ(mover.sent(windows[i].id), newest[i]);
    }
    EXPECT_EQ(mover.queueCount(), 3u);
}

std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

TEST(AsyncMoverOnThreads, QueuesOfApplicationsThatQuitEndAfterTheirLastMoves) {
    LogSink::setStderrEnabled(false);
    NoAccessibility accessibility;
    WindowMover windowMover(accessibility);
    AsyncMover mover(windowMover, MonotonicClock::shared(), serialQueueFactory());
    const std::size_t before = threadCount();
    std::vector<ManagedWindow> windows;
    for (std::int32_t pid = 2000; pid < 2055; ++pid) {
        const ManagedWindow w = threadSafeWindow(pid, std::uint32_t(pid));
        mover.move(w, Rect(pid, 0, 100, 100));
        windows.push_back(w);
    }
    EXPECT_EQ(threadCount(), before + 55);
    for (const ManagedWindow& w : windows) mover.retire(w.pid);
    EXPECT_EQ(mover.queueCount(), 0u);
    EXPECT_EQ(threadCount(), before);
    // Each queue ran its pending move before it went.
    for (const ManagedWindow& w : windows)
        EXPECT_EQ(static_cast<ThreadSafeWindow&>(*w.element).frame(), Rect(w.pid, 0, 100, 100));
}

}  // namespace
}  // namespace brindlow
