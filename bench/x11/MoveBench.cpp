// Moving and resizing 20 windows at once under the window manager: from the
// requests to the last ConfigureNotify that shows a new size.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Platform.h"
#include "x11/support/X11TestSupport.h"

namespace brindlow {
namespace {

constexpr int kWindows = 20;

void BM_MoveAndResizeTwentyWindows(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("DISPLAY is not set: run inside scripts/x11-session");
        return;
    }
    test::TestMainExecutor main;
    auto x11 = X11Platform::open(main);
    test::TestClientProcess client(
        {"--title", "bench", "--size", "300x200", "--windows", std::to_string(kWindows)});
    if (!x11 || !client.ready() || client.windows().size() != size_t(kWindows)) {
        state.SkipWithError("no session or test client");
        return;
    }
    X11Desktop& desktop = x11->desktop();
    for (int i = 0; i < 1000 && desktop.clients().size() < size_t(kWindows); ++i) {
        x11->connection().sync();
    }
    long round = 0;
    for (auto _ : state) {
        // Two layouts in turn, so every window both moves and changes size each time.
        const int odd = int(round++ % 2);
        std::vector<std::pair<xcb_window_t, Rect>> targets;
        for (int i = 0; i < kWindows; ++i) {
            targets.emplace_back(
                client.windows()[size_t(i)],
                Rect(40.0 * i + 50 * odd, 60.0 + 30 * odd, 420.0 + 60 * odd, 320.0 + 40 * odd));
        }
        if (desktop.moveResizeAll(targets, 5.0) != axerror::success) {
            state.SkipWithError("the window manager did not finish in time");
            break;
        }
    }
    state.counters["windows"] = kWindows;
}
BENCHMARK(BM_MoveAndResizeTwentyWindows)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brindlow
