#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/SerialQueue.h"

namespace brindlow::test {
namespace {

// A queue destroyed while its thread waits for a delayed block's deadline (the
// strip queue at every quit) must not leave the thread reading the dropped
// block's deadline. Under AddressSanitizer a wait on freed memory fails here.
TEST(SerialQueueShutdown, DestroyingWhileWaitingForADeadlineDropsTheBlockCleanly) {
    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> ran{false};
        std::atomic<bool> waiting{false};
        auto queue = std::make_unique<SerialQueue>("com.vemto.brindlow.test");
        queue->sync([&] { waiting = true; });
        queue->asyncAfter(60.0, [&] { ran = true; });
        // One more round trip: the thread has seen the delayed block and waits on it.
        queue->sync([] {});
        queue.reset();
        EXPECT_TRUE(waiting);
        EXPECT_FALSE(ran);
    }
}

}  // namespace
}  // namespace brindlow::test
