#include "controller/DisplayLinkDriver.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ThreadDisplayLink.h"
#include "platform/sim/ManualDisplayLink.h"

namespace brindlow {
namespace {

struct DriverFixture : ::testing::Test {
    ManualClock clock{500.0};
    int linksMade = 0;
    bool failCreation = false;
    ManualDisplayLink* link = nullptr;
    std::vector<double> frames;

    DisplayLinkDriver driver{[this]() -> std::unique_ptr<DisplayLink> {
                                 if (failCreation) return nullptr;
                                 ++linksMade;
                                 auto made = std::make_unique<ManualDisplayLink>();
                                 link = made.get();
                                 return made;
                             },
                             clock};

    void SetUp() override {
        driver.onFrame = [this](double time) { frames.push_back(time); };
    }
};

TEST_F(DriverFixture, StartingTwiceMakesOneLinkAndARestartReusesIt) {
    driver.start();
    driver.start();
    EXPECT_EQ(linksMade, 1);
    ASSERT_TRUE(driver.isRunning());
    driver.stop();
    EXPECT_FALSE(driver.isRunning());
    driver.start();
    EXPECT_EQ(linksMade, 1);
    EXPECT_TRUE(driver.isRunning());
    EXPECT_EQ(link->startCount(), 2);
}

TEST_F(DriverFixture, AFailedCreationIsRetriedByTheNextStart) {
    failCreation = true;
    driver.start();
    EXPECT_FALSE(driver.hasLink());
    failCreation = false;
    driver.start();
    EXPECT_TRUE(driver.isRunning());
}

TEST_F(DriverFixture, FramesCarryTheirOutputTimeOrTheClockWhenNoneIsGiven) {
    driver.start();
    link->tick(501.25);
    link->tick(std::nullopt);
    link->tick(0.0);
    EXPECT_EQ(frames, (std::vector<double>{501.25, 500.0, 500.0}));
    driver.stop();
    EXPECT_FALSE(link->tick(502.0));
    EXPECT_EQ(frames.size(), 3u);
}

TEST(ThreadDisplayLink, DeliversFramesOnItsOwnThreadUntilStopped) {
    ThreadDisplayLink link(240.0);
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<double> times;
    std::thread::id frameThread;
    link.setFrameHandler([&](std::optional<double> time) {
        std::lock_guard lock(mutex);
        times.push_back(time.value_or(0));
        frameThread = std::this_thread::get_id();
        arrived.notify_all();
    });
    link.start();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            arrived.wait_for(lock, std::chrono::seconds(10), [&] { return times.size() >= 3; }));
        EXPECT_NE(frameThread, std::this_thread::get_id());
        EXPECT_LT(times[0], times[1]);
        EXPECT_LT(times[1], times[2]);
    }
    link.stop();
    EXPECT_FALSE(link.isRunning());
    link.start();
    EXPECT_TRUE(link.isRunning());
}

}  // namespace
}  // namespace brindlow
