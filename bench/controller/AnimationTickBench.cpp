// CPU cost of one animation tick: 50 windows on two displays, one scrolling, each tick laying its
// strip out and handing every window its frame to the movers.
#include <benchmark/benchmark.h>

#include "controller/StripController.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

void BM_AnimationTick50Windows(benchmark::State& bench) {
    LogSink::setStderrEnabled(false);
    VirtualTime time;
    SimDesktop desktop(time);
    test::TempFolder folder;
    desktop.addDisplay({.name = "Left", .frame = {0, 0, 1920, 1080}, .uuid = "LEFT"});
    desktop.addDisplay({.name = "Right", .frame = {1920, 0, 2560, 1440}, .uuid = "RIGHT"});
    const SimApp a = desktop.launchApp({.name = "A", .bundleID = "org.example.a"});
    const SimApp b = desktop.launchApp({.name = "B", .bundleID = "org.example.b"});
    for (int i = 0; i < 25; ++i) {
        desktop.openWindow(a,
                           {.title = "a" + std::to_string(i), .frame = {100.0 + i, 100, 800, 600}});
        desktop.openWindow(
            b, {.title = "b" + std::to_string(i), .frame = {2000.0 + i, 100, 800, 600}});
    }
    time.runUntilIdle();

    StripControllerEnvironment environment;
    environment.platform = desktop.platform();
    environment.stripQueue = std::make_shared<ManualExecutor>(time, StripController::kQueueLabel);
    ManualDisplayLink* lastLink = nullptr;
    environment.makeDisplayLink = [&lastLink] {
        auto made = std::make_unique<ManualDisplayLink>();
        lastLink = made.get();
        return made;
    };
    environment.storageFolder = folder.path();
    environment.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
        for (size_t index = 0; index < count; ++index) job(index);
    };
    StripController controller(std::move(environment));
    AppSettings settings;
    settings.springStiffness = 10;  // the longest scroll: no landing during a tick
    controller.start(settings);
    time.runUntilIdle();

    // Long scrolls back and forth on the active display; each timed step is one display frame
    // handed to the controller and the tick it queues on the strip queue.
    ManualDisplayLink* link = nullptr;
    double now = time.now();
    bool towardsLast = true;
    for (auto _ : bench) {
        if (!link || !link->isRunning()) {
            bench.PauseTiming();
            controller.perform(towardsLast ? Command::Kind::focusLast : Command::Kind::focusFirst);
            towardsLast = !towardsLast;
            time.runUntilIdle();
            link = lastLink;
            bench.ResumeTiming();
        }
        now += 1.0 / 60.0;
        controller.frameTick(now);
        time.runUntilIdle();
    }
    bench.SetLabel("50 windows, 2 displays");
}
BENCHMARK(BM_AnimationTick50Windows)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindlow
