// Cost of the trackpad recognizer per event (a tracked scroll, a tracked swipe, a scroll
// being decided), and the strip-queue work from a scroll event that decides a strip
// scroll to the strip's first frame: 20 windows on one display, in virtual time.
#include <benchmark/benchmark.h>

#include "controller/StripController.h"
#include "input/GestureMachines.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

GestureTarget countingTarget(int& calls) {
    return {[&calls](Point) { ++calls; }, [&calls](double, GestureUnit) { ++calls; },
            [&calls](double, GestureUnit) { ++calls; }};
}

InputEvent scrollEvent(InputEvent::Phase phase, double dx, double dy, double time) {
    InputEvent event;
    event.kind = InputEvent::Kind::scroll;
    event.phase = phase;
    event.dx = dx;
    event.dy = dy;
    event.continuous = true;
    event.time = time;
    return event;
}

void BM_ScrollEventWhileTracking(benchmark::State& bench) {
    LogSink::setStderrEnabled(false);
    int calls = 0;
    GestureTarget target = countingTarget(calls);
    ScrollMachine machine(target, makeLogger("Gestures"));
    machine.reset(TwoFingerScroll::always);
    std::vector<InputEvent> giveBack;
    double time = 0;
    machine.handle(scrollEvent(InputEvent::Phase::began, 8, 0, time), giveBack);
    for (auto _ : bench) {
        time += 0.008;  // 125 events per second: a dozen samples in the window
        benchmark::DoNotOptimize(
            machine.handle(scrollEvent(InputEvent::Phase::changed, 4, 1, time), giveBack));
    }
    bench.SetLabel("tracking, 125 events/s");
}
BENCHMARK(BM_ScrollEventWhileTracking);

void BM_ScrollEventsUntilDecided(benchmark::State& bench) {
    LogSink::setStderrEnabled(false);
    int calls = 0;
    GestureTarget target = countingTarget(calls);
    ScrollMachine machine(target, makeLogger("Gestures"));
    machine.reset(TwoFingerScroll::always);
    std::vector<InputEvent> giveBack;
    double time = 0;
    for (auto _ : bench) {
        // A vertical scroll: held for five events, then given back.
        giveBack.clear();
        machine.handle(scrollEvent(InputEvent::Phase::began, 0, 1, time), giveBack);
        for (int i = 0; i < 4; ++i)
            machine.handle(scrollEvent(InputEvent::Phase::changed, 0, 1, time += 0.008), giveBack);
        machine.handle(scrollEvent(InputEvent::Phase::ended, 0, 0, time), giveBack);
        benchmark::DoNotOptimize(giveBack.size());
    }
    bench.SetItemsProcessed(bench.iterations() * 6);
    bench.SetLabel("6 events per iteration");
}
BENCHMARK(BM_ScrollEventsUntilDecided);

void BM_SwipeEventWhileTracking(benchmark::State& bench) {
    LogSink::setStderrEnabled(false);
    int calls = 0;
    GestureTarget target = countingTarget(calls);
    TouchMachine machine(target, makeLogger("Gestures"));
    machine.reset(3);
    InputEvent event;
    event.kind = InputEvent::Kind::swipe;
    event.fingers = 3;
    event.phase = InputEvent::Phase::began;
    machine.handle(event);
    event.phase = InputEvent::Phase::changed;
    event.dx = 0.05;
    machine.handle(event);
    event.dx = 0.001;
    for (auto _ : bench) {
        event.time += 0.008;
        machine.handle(event);
    }
    benchmark::DoNotOptimize(calls);
    bench.SetLabel("tracking, 125 events/s");
}
BENCHMARK(BM_SwipeEventWhileTracking);

// From the scroll event that makes the decision to the strip's first frame: the recognizer,
// the gesture entry points and the strip queue's drag (layout and window moves), thread hops
// excluded.
void BM_ScrollEventToFirstFrame(benchmark::State& bench) {
    LogSink::setStderrEnabled(false);
    VirtualTime time;
    SimDesktop desktop(time);
    test::TempFolder folder;
    desktop.addDisplay({.name = "Main", .frame = {0, 0, 1920, 1080}, .uuid = "MAIN"});
    const SimApp app = desktop.launchApp({.name = "A", .bundleID = "org.example.a"});
    for (int i = 0; i < 20; ++i)
        desktop.openWindow(app,
                           {.title = "w" + std::to_string(i), .frame = {100.0 + i, 100, 800, 600}});
    time.runUntilIdle();

    StripControllerEnvironment environment;
    environment.platform = desktop.platform();
    environment.stripQueue = std::make_shared<ManualExecutor>(time, StripController::kQueueLabel);
    environment.makeDisplayLink = [] { return std::make_unique<ManualDisplayLink>(); };
    environment.storageFolder = folder.path();
    environment.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
        for (size_t index = 0; index < count; ++index) job(index);
    };
    StripController controller(std::move(environment));
    controller.start(AppSettings{});
    time.runUntilIdle();

    GestureTarget target{
        [&](Point at) { controller.gestureBegan(at); },
        [&](double amount, GestureUnit unit) { controller.gestureChanged(amount, unit); },
        [&](double velocity, GestureUnit unit) { controller.gestureEnded(velocity, unit); }};
    ScrollMachine machine(target, makeLogger("Gestures"));
    machine.reset(TwoFingerScroll::always);
    std::vector<InputEvent> giveBack;
    double direction = 1;
    const SimWindow watched = app.windows().front();
    const Rect resting = watched.frame();
    bool moved = false;
    for (auto _ : bench) {
        machine.handle(scrollEvent(InputEvent::Phase::began, 40 * direction, 0, time.now()),
                       giveBack);
        time.runUntilIdle();
        bench.PauseTiming();
        moved = moved || watched.frame() != resting;
        machine.handle(scrollEvent(InputEvent::Phase::ended, 0, 0, time.now()), giveBack);
        time.advance(2.0);
        direction = -direction;
        bench.ResumeTiming();
    }
    if (!moved) bench.SkipWithError("the strip never moved");
    bench.SetLabel("20 windows, virtual time");
}
BENCHMARK(BM_ScrollEventToFirstFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindlow
