#include "app/qt/QtMainQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/QtEvents.h"

namespace brindlow::test {
namespace {

TEST(QtMainQueue, BlocksQueuedBeforeAttachRunInOrderOnceAttached) {
    QtMainQueue queue;
    std::vector<int> ran;
    queue.async([&] { ran.push_back(1); });
    queue.async([&] { ran.push_back(2); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran.empty());

    queue.attach();
    queue.async([&] { ran.push_back(3); });
    ASSERT_TRUE(runEventsUntil([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

// Blocks from a worker run on the main thread in order. The worker is not joined
// before the loop runs them, so the hand-over itself must order what the worker
// wrote before what the main thread reads (the race detector checks this run).
TEST(QtMainQueue, BlocksPostedWhileTheLoopRunsCarryWhatTheWorkerWrote) {
    QtMainQueue queue;
    queue.attach();
    std::vector<std::string> ran;
    std::atomic<bool> allOnMain{true};
    std::atomic<bool> workerIsMain{true};
    std::thread worker([&] {
        workerIsMain = queue.isCurrent();
        for (int i = 0; i < 200; ++i) {
            std::string text = "block " + std::to_string(i);
            queue.async([&, text = std::move(text)] {
                allOnMain = allOnMain && queue.isCurrent();
                ran.push_back(text);
            });
        }
    });
    const bool allRan = runEventsUntil([&] { return ran.size() == 200; });
    worker.join();
    ASSERT_TRUE(allRan);
    EXPECT_FALSE(workerIsMain);
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(ran[i], "block " + std::to_string(i));
}

TEST(QtMainQueue, DelayedBlockRunsAfterBlocksQueuedBeforeItsDeadline) {
    QtMainQueue queue;
    queue.attach();
    std::vector<std::string> ran;
    std::thread worker([&] { queue.asyncAfter(0.05, [&] { ran.push_back("late"); }); });
    worker.join();
    queue.async([&] { ran.push_back("now"); });
    ASSERT_TRUE(runEventsUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "late"}));
}

TEST(QtMainQueue, SyncRunsInPlaceOnTheMainThreadAndWaitsFromAWorker) {
    QtMainQueue queue;
    queue.attach();
    int inPlace = 0;
    queue.sync([&] { ++inPlace; });
    EXPECT_EQ(inPlace, 1);

    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        queue.sync([&] { ranOnMain = queue.isCurrent(); });
        returned = true;
    });
    ASSERT_TRUE(runEventsUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST(QtMainQueue, ClosingReleasesWaitersAndDropsLaterBlocks) {
    QtMainQueue queue;
    queue.attach();
    std::atomic<bool> released{false};
    bool ran = false;
    // The loop never runs while the worker waits: only close can release it.
    std::thread worker([&] {
        queue.sync([&] { ran = true; });
        released = true;
    });
    while (!released) {
        queue.close();
        std::this_thread::yield();
    }
    worker.join();
    queue.async([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

// A dropped block can hold the last reference to an object whose destructor takes another lock,
// whose holder posts to this queue at that moment (a window observer and the event thread): close
// must not destroy the blocks while it holds the queue's own lock.
TEST(QtMainQueue, BlocksDroppedByCloseAreDestroyedOutsideTheQueuesLock) {
    QtMainQueue queue;
    std::promise<void> posted;
    std::future<void> postedFuture = posted.get_future();
    bool postedWhileDestroying = false;
    std::shared_ptr<int> held(new int(0), [&](int* value) {
        delete value;
        std::thread([&] {
            queue.async([] {});
            posted.set_value();
        }).detach();
        postedWhileDestroying =
            postedFuture.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    });
    queue.async([held = std::move(held)] {});
    queue.close();
    postedFuture.wait();
    EXPECT_TRUE(postedWhileDestroying);
}

}  // namespace
}  // namespace brindlow::test
