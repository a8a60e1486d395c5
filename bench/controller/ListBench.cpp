// Cost of the read-only pictures of the strips: building a snapshot and the command-line list
// text from live controller state, 3 displays of 30 one-window columns each.
#include <benchmark/benchmark.h>

#include "controller/ListJSON.h"
#include "controller/StripController.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

constexpr int kDisplays = 3;
constexpr int kColumnsPerDisplay = 30;

// A started controller on a sim desktop of three displays side by side, each with its own
// application's windows, every window one column.
class NinetyColumns {
  public:
    NinetyColumns() {
        LogSink::setStderrEnabled(false);
        for (int d = 0; d < kDisplays; ++d) {
            const double x = 1920.0 * d;
            const std::string uuid = "DISPLAY-" + std::to_string(d);
            desktop_.addDisplay({.name = "Display " + std::to_string(d),
                                 .frame = {x, 0, 1920, 1080},
                                 .uuid = uuid});
            const SimApp app =
                desktop_.launchApp({.name = "App " + std::to_string(d),
                                    .bundleID = "org.example.app" + std::to_string(d)});
            for (int c = 0; c < kColumnsPerDisplay; ++c)
                desktop_.openWindow(app, {.title = "Window " + std::to_string(c) + " — ~/src/",
                                          .frame = {x + 100 + c, 100, 800, 600}});
        }
        time_.runUntilIdle();
        StripControllerEnvironment environment;
        environment.platform = desktop_.platform();
        environment.stripQueue =
            std::make_shared<ManualExecutor>(time_, StripController::kQueueLabel);
        environment.makeDisplayLink = [] { return std::make_unique<ManualDisplayLink>(); };
        environment.storageFolder = folder_.path();
        environment.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
            for (size_t index = 0; index < count; ++index) job(index);
        };
        controller_ = std::make_unique<StripController>(std::move(environment));
        AppSettings settings;
        settings.animationsEnabled = false;
        controller_->start(settings);
        time_.runUntilIdle();
        // A badge on every fifth window, so the badge lookups are part of the cost.
        StripController::State& state = controller_->mutableState();
        int n = 0;
        for (const auto& [id, window] : state.windows)
            if (n++ % 5 == 0)
                state.records.edit(id, [](WindowRecord& record) { record.hasBadge = true; });
    }

    StripController& controller() { return *controller_; }

    size_t columnCount() const {
        size_t count = 0;
        for (const auto& [uuid, display] : controller_->state().displays)
            count += display.strip.columns.size();
        return count;
    }

  private:
    VirtualTime time_;
    SimDesktop desktop_{time_};
    test::TempFolder folder_;
    std::unique_ptr<StripController> controller_;
};

void BM_MakeSnapshot(benchmark::State& bench) {
    NinetyColumns setup;
    for (auto _ : bench)
        benchmark::DoNotOptimize(setup.controller().makeSnapshot(SnapshotReason::quiet()));
    bench.SetLabel(std::to_string(setup.columnCount()) + " columns on 3 displays");
}
BENCHMARK(BM_MakeSnapshot)->Unit(benchmark::kMicrosecond);

void BM_MakeListJSON(benchmark::State& bench) {
    NinetyColumns setup;
    const bool titles = bench.range(0) != 0;
    for (auto _ : bench) benchmark::DoNotOptimize(setup.controller().makeListJSON(titles));
    bench.SetLabel(std::to_string(setup.columnCount()) + " columns on 3 displays" +
                   (titles ? ", titles" : ""));
}
BENCHMARK(BM_MakeListJSON)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The text alone, from a snapshot built once.
void BM_ListTextFromSnapshot(benchmark::State& bench) {
    NinetyColumns setup;
    const StripSnapshot snapshot = setup.controller().makeSnapshot(SnapshotReason::quiet());
    for (auto _ : bench) benchmark::DoNotOptimize(makeListJSON(snapshot, true));
}
BENCHMARK(BM_ListTextFromSnapshot)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindlow
