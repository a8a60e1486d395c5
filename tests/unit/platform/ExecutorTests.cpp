#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "platform/ManualExecutor.h"
#include "platform/SerialQueue.h"

using namespace brindlow;

// The sim scenarios rely on this order: a delayed block that falls due waits behind the blocks
// already queued, as on a busy queue.
TEST(ManualExecutor, DelayedBlockJoinsAfterBlocksAlreadyQueued) {
    VirtualTime time;
    ManualExecutor queue(time, "com.vemto.brindlow.test");
    std::vector<std::string> order;
    queue.asyncAfter(1.0, [&] { order.push_back("delayed"); });
    time.advance(0.5);
    EXPECT_TRUE(order.empty());
    queue.async([&] { order.push_back("first"); });
    queue.async([&] { order.push_back("second"); });
    time.advance(0.5);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "delayed"}));
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
