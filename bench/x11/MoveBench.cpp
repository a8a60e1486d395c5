// Moving and resizing 20 windows at once under the window manager, three ways side by side:
// the desktop's own batch (one request per window, one wait for all, read-back, parking) without
// the window mover; the window mover's batch on top of it; and the window mover one window at a
// time (size, position, size, each waited for). Run with
// --benchmark_enable_random_interleaving=true so the repetitions of the three interleave.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/X11Desktop.h"
#include "settings/FilePreferences.h"
#include "windows/WindowMover.h"
#include "x11/support/X11TestSupport.h"

namespace brindlow {
namespace {

constexpr int kWindows = 20;

enum class Way { raw, batch, oneByOne };

// One session shared by the three: the connection and twenty windows of one client.
struct Session {
    test::TestMainExecutor main;
    std::unique_ptr<X11Platform> x11 =
        X11Platform::open(main, FilePreferences::inStorageFolder(main));
    test::TestClientProcess client{
        {"--title", "bench", "--size", "300x200", "--windows", std::to_string(kWindows)}};
    std::vector<ManagedWindow> windows;

    Session() {
        if (!x11 || !client.ready()) return;
        for (int i = 0; i < 1000 && x11->desktop().registry().clients().size() < size_t(kWindows);
             ++i) {
            x11->connection().sync();
        }
        AXValue value;
        auto app = x11->platform().accessibility->applicationElement(client.pid());
        if (app->copyAttributeValue(ax::windows, value) != axerror::success) return;
        for (const AXElementRef& element : std::get<std::vector<AXElementRef>>(value)) {
            windows.push_back({element->identity(), client.pid(), std::nullopt, "bench", "", Rect(),
                               element, std::nullopt, std::nullopt});
        }
    }
};

Session& session() {
    static Session shared;
    return shared;
}

void moveTwentyWindows(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("DISPLAY is not set: run inside scripts/x11-session");
        return;
    }
    Session& s = session();
    if (s.windows.size() != size_t(kWindows)) {
        state.SkipWithError("no session or test client");
        return;
    }
    const Way way = Way(state.range(0));
    const WindowMover mover(*s.x11->platform().accessibility);
    long round = 0;
    for (auto _ : state) {
        // Two layouts in turn, so every window both moves and changes size each time.
        const int odd = int(round++ % 2);
        std::vector<std::pair<xcb_window_t, Rect>> targets;
        std::vector<std::pair<ManagedWindow, Rect>> moves;
        for (int i = 0; i < kWindows; ++i) {
            const Rect frame(40.0 * i + 50 * odd, 60.0 + 30 * odd, 420.0 + 60 * odd,
                             320.0 + 40 * odd);
            targets.emplace_back(s.windows[size_t(i)].id, frame);
            moves.emplace_back(s.windows[size_t(i)], frame);
        }
        bool done = true;
        if (way == Way::raw) {
            done = s.x11->desktop().frameWriter().moveResizeAll(targets, 5.0) == axerror::success;
        } else if (way == Way::batch) {
            for (const MoveResult& result : mover.moveAll(moves, true)) {
                done = done && result.errors.empty();
            }
        } else {
            for (const auto& [window, frame] : moves) {
                done = done && mover.move(window, frame, true).errors.empty();
            }
        }
        if (!done) {
            state.SkipWithError("the window manager did not finish in time");
            break;
        }
    }
    state.counters["windows"] = kWindows;
}
BENCHMARK(moveTwentyWindows)
    ->ArgName("raw0_batch1_oneByOne2")
    ->Arg(int(Way::raw))
    ->Arg(int(Way::batch))
    ->Arg(int(Way::oneByOne))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brindlow
