// The controller's entry points called from the threads that call them in the application: frame
// ticks from a display-clock thread, swipe updates from a gesture thread, and the bounded stop
// from the main thread, all while the strip queue is a real thread. The race detector checks these
// runs; the sim desktop is touched only by the strip queue while the threads run.
#include <atomic>
#include <future>
#include <thread>

#include "ControllerScenario.h"
#include "platform/SerialQueue.h"

namespace brindlow::test {
namespace {

class RealThreads : public FiveWindowScenario {
  protected:
    std::shared_ptr<SerialQueue> queue =
        std::make_shared<SerialQueue>(StripController::kQueueLabel);

    void startOnRealQueue() {
        StripControllerEnvironment env = environment();
        env.stripQueue = queue;
        controller = std::make_unique<StripController>(std::move(env));
        AppSettings settings;
        settings.animationsEnabled = true;
        controller->start(settings);
        queue->sync([] {});
    }

    // Ticks as a display clock would until `running` clears.
    std::thread displayClock(std::atomic<bool>& running) {
        return std::thread([this, &running] {
            double frameTime = time.now();
            while (running.load()) {
                frameTime += 1.0 / 60.0;
                controller->frameTick(frameTime);
                std::this_thread::yield();
            }
        });
    }

    // Swipes back and forth as a gesture thread would.
    std::thread gestures(int swipes) {
        return std::thread([this, swipes] {
            for (int swipe = 0; swipe < swipes; ++swipe) {
                controller->gestureBegan(Point{500, 500});
                for (int step = 1; step <= 20; ++step)
                    controller->gestureChanged((swipe % 2 ? -30.0 : 30.0) * step,
                                               GestureUnit::points);
                controller->gestureEnded(swipe % 2 ? -800.0 : 800.0, GestureUnit::points);
            }
        });
    }
};

TEST_F(RealThreads, TicksAndSwipesFromTheirThreadsMeetTheStripQueueAndTheStop) {
    startOnRealQueue();
    std::atomic<bool> running{true};
    std::thread clock = displayClock(running);
    std::thread fingers = gestures(40);
    fingers.join();
    queue->sync([] {});
    // The strip survived: the list still shows every window once.
    std::promise<std::string> listed;
    controller->listJSON(false, [&listed](std::string text) { listed.set_value(std::move(text)); });
    const nlohmann::json list = nlohmann::json::parse(listed.get_future().get());
    size_t shown = 0;
    for (const auto& display : list["displays"])
        for (const auto& column : display["columns"]) shown += column["windows"].size();
    EXPECT_EQ(shown, windows.size());
    // Stopped from the main thread while ticks and swipes keep coming: those after the stop are
    // ignored, not run against a stopped strip.
    fingers = gestures(40);
    EXPECT_TRUE(controller->stop(5.0));
    fingers.join();
    running = false;
    clock.join();
    queue->sync([] {});
}

// A stop gives up after its wait while the strip queue is held by a block that has not ended.
TEST_F(RealThreads, AStopReturnsWithinItsWaitWhenTheStripQueueIsBusy) {
    StripControllerEnvironment env = environment();
    env.stripQueue = queue;
    controller = std::make_unique<StripController>(std::move(env));
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> blocking;
    queue->async([&blocking, released] {
        blocking.set_value();
        released.wait();
    });
    blocking.get_future().wait();
    EXPECT_FALSE(controller->stop(0.05));
    release.set_value();
    queue->sync([] {});
}

// The controller goes away (the end of the process) while a strip-queue block is still inside
// it: the teardown waits for that block instead of freeing the state under it.
TEST_F(RealThreads, DestroyingTheControllerWaitsForTheBlockOnTheStripQueue) {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto gated = std::make_shared<std::atomic<bool>>(true);
    StripControllerEnvironment env = environment();
    env.stripQueue = queue;
    // The start lays the windows out through this hook; the first call holds the strip queue
    // inside the controller until the test lets it go.
    env.concurrentPerform = [&entered, released, gated](size_t count,
                                                        const std::function<void(size_t)>& job) {
        if (gated->exchange(false)) {
            entered.set_value();
            released.wait();
        }
        for (size_t index = 0; index < count; ++index) job(index);
    };
    controller = std::make_unique<StripController>(std::move(env));
    controller->start(stillSettings());
    entered.get_future().wait();

    std::thread teardown([this] { controller.reset(); });
    release.set_value();
    teardown.join();
    EXPECT_EQ(controller, nullptr);
    queue->sync([] {});
}

}  // namespace
}  // namespace brindlow::test
