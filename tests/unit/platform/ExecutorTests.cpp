#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include "platform/ManualExecutor.h"
#include "platform/SerialQueue.h"

using namespace brindlow;

TEST(ManualExecutor, DelayedBlockJoinsAfterBlocksAlreadyQueued) {
    VirtualTime time;
    ManualExecutor queue(time, "com.vemto.brindlow.test");
    std::vector<std::string> order;
    queue.asyncAfter(1.0, [&] { order.push_back("delayed"); });
    time.advance(0.5);
    EXPECT_TRUE(order.empty());
    // Queued at 0.5 s but not run until time moves on, like a busy queue.
    queue.async([&] { order.push_back("first"); });
    queue.async([&] { order.push_back("second"); });
    time.advance(0.5);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "delayed"}));
}

TEST(ManualExecutor, DeadlinesRunInOrderWithTheClockAtEachDeadline) {
    VirtualTime time(0);
    ManualExecutor a(time, "a");
    ManualExecutor b(time, "b");
    std::vector<std::pair<std::string, double>> seen;
    a.asyncAfter(2.0, [&] { seen.emplace_back("a2", time.now()); });
    b.asyncAfter(1.0, [&] {
        seen.emplace_back("b1", time.now());
        a.asyncAfter(0.5, [&] { seen.emplace_back("a1.5", time.now()); });
    });
    a.asyncAfter(2.0, [&] { seen.emplace_back("a2-later", time.now()); });
    time.advance(5);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], (std::pair<std::string, double>{"b1", 1.0}));
    EXPECT_EQ(seen[1], (std::pair<std::string, double>{"a1.5", 1.5}));
    EXPECT_EQ(seen[2], (std::pair<std::string, double>{"a2", 2.0}));
    EXPECT_EQ(seen[3], (std::pair<std::string, double>{"a2-later", 2.0}));
    EXPECT_EQ(time.now(), 5.0);
}

TEST(ManualExecutor, NothingRunsBeforeTheDeadline) {
    VirtualTime time(0);
    ManualExecutor queue(time, "q");
    int runs = 0;
    queue.asyncAfter(0.25, [&] { ++runs; });
    time.advance(0.2499);
    EXPECT_EQ(runs, 0);
    time.advance(0.0001);
    EXPECT_EQ(runs, 1);
}

TEST(ManualExecutor, SyncRunsQueuedBlocksFirstAndIsCurrentInside) {
    VirtualTime time;
    ManualExecutor queue(time, "q");
    std::vector<int> order;
    queue.async([&] { order.push_back(1); });
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        order.push_back(2);
    });
    EXPECT_FALSE(queue.isCurrent());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(SerialQueue, RunsInOrderAndSyncWaits) {
    SerialQueue queue("com.vemto.brindlow.test-order");
    std::vector<int> order;
    for (int i = 0; i < 100; ++i) queue.async([&order, i] { order.push_back(i); });
    queue.sync([] {});
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(SerialQueue, SyncFromInsideTheQueueDoesNotDeadlock) {
    SerialQueue queue("com.vemto.brindlow.test-nested");
    std::promise<bool> result;
    queue.async([&] {
        bool inner = false;
        queue.sync([&] { inner = queue.isCurrent(); });
        result.set_value(inner);
    });
    EXPECT_TRUE(result.get_future().get());
}

TEST(SerialQueue, DelayedBlockRunsAfterItsDeadline) {
    SerialQueue queue("com.vemto.brindlow.test-delay");
    std::promise<void> ran;
    const auto start = std::chrono::steady_clock::now();
    queue.asyncAfter(0.05, [&] { ran.set_value(); });
    ran.get_future().wait();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST(SerialQueue, ThreadNameFitsLinuxLimit) {
    EXPECT_EQ(SerialQueue::threadName("com.vemto.brindlow.strip"), "strip");
    EXPECT_EQ(SerialQueue::threadName("com.vemto.brindlow.move.1234567890"), "move.1234567890");
    EXPECT_EQ(SerialQueue::threadName("com.vemto.brindlow.move.123456789012").size(), 15u);
    EXPECT_EQ(SerialQueue::threadName("other"), "other");
}
