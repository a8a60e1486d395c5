// Cost of the read-only pictures of the strips: the command-line list from live controller state
// (snapshot and text, through the strip queue) and the text alone, 3 displays of 30 one-window
// columns each.
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
            apps_.push_back(app);
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
        controller_->onSnapshot = [this](const StripSnapshot& snapshot) { snapshot_ = snapshot; };
        AppSettings settings;
        settings.animationsEnabled = false;
        controller_->start(settings);
        time_.runUntilIdle();
        // A badge on every fifth window, so the badge lookups are part of the cost: a command
        // finished in a shell of each application, in a folder named like the window.
        for (int d = 0; d < kDisplays; ++d) {
            const std::int32_t shell = 7000 + d;
            desktop_.setProcess(shell, apps_[size_t(d)].pid(), "zsh");
            for (int c = 0; c < kColumnsPerDisplay; c += 5)
                controller_->badge({shell, "/home/Window " + std::to_string(c) + " —", "make", 0});
        }
        time_.runUntilIdle();
    }

    // The list text, made on the strip queue.
    std::string listJSON(bool titles) {
        std::string text;
        controller_->listJSON(titles, [&text](std::string made) { text = std::move(made); });
        time_.runUntilIdle();
        return text;
    }

    const StripSnapshot& lastSnapshot() const { return snapshot_; }

    StripController& controller() { return *controller_; }

    size_t columnCount() const {
        size_t count = 0;
        for (const DisplaySnapshot& display : snapshot_.displays) count += display.columns.size();
        return count;
    }

  private:
    VirtualTime time_;
    SimDesktop desktop_{time_};
    test::TempFolder folder_;
    std::vector<SimApp> apps_;
    std::unique_ptr<StripController> controller_;
    StripSnapshot snapshot_;
};

void BM_ListJSON(benchmark::State& bench) {
    NinetyColumns setup;
    const bool titles = bench.range(0) != 0;
    for (auto _ : bench) benchmark::DoNotOptimize(setup.listJSON(titles));
    bench.SetLabel(std::to_string(setup.columnCount()) + " columns on 3 displays" +
                   (titles ? ", titles" : ""));
}
BENCHMARK(BM_ListJSON)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The text alone, from the last snapshot the controller published.
void BM_ListTextFromSnapshot(benchmark::State& bench) {
    NinetyColumns setup;
    const StripSnapshot snapshot = setup.lastSnapshot();
    for (auto _ : bench) benchmark::DoNotOptimize(makeListJSON(snapshot, true));
}
BENCHMARK(BM_ListTextFromSnapshot)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindlow
