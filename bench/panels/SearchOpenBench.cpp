// From starting `brindlow search` to the search panel holding the focus, against the Brindlow
// that runs on the session's display (bench/panels/search-open starts both). Each iteration
// closes the panel again, untimed, and waits until the focus has left it.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>

#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/X11Desktop.h"
#include "settings/FilePreferences.h"
#include "x11/support/X11TestSupport.h"

extern char** environ;

namespace brindlow {
namespace {

pid_t spawnTool(const char* command) {
    const char* argv[] = {BRINDLOW_EXECUTABLE_PATH, command, nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, BRINDLOW_EXECUTABLE_PATH, nullptr, nullptr, const_cast<char**>(argv),
                environ);
    return pid;
}

void reap(pid_t pid) {
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
}

// Waits, event by event, until `done` holds; false after `limit` seconds.
bool waitFor(X11Platform& x11, const std::function<bool()>& done, double limit = 5.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        x11.connection().waitForEvent([](const xcb_generic_event_t&) { return true; }, 0.05,
                                      [] { return false; });
    }
    return done();
}

void BM_SearchCommandToFocusedPanel(benchmark::State& state) {
    const char* appPid = std::getenv("BRINDLOW_PID");
    if (!std::getenv("DISPLAY") || !appPid) {
        state.SkipWithError("run through bench/panels/search-open");
        return;
    }
    const std::int32_t brindlow = std::atoi(appPid);
    test::TestMainExecutor main;
    auto x11 = X11Platform::open(main, FilePreferences::inStorageFolder(main));
    X11Desktop& desktop = x11->desktop();
    auto panelFocused = [&] {
        const auto active = desktop.registry().activeWindow();
        return active && desktop.registry().pidOf(*active) == brindlow;
    };
    for (auto _ : state) {
        const pid_t tool = spawnTool("search");
        if (!waitFor(*x11, panelFocused)) {
            state.SkipWithError("the search panel did not take the focus");
            break;
        }
        state.PauseTiming();
        reap(tool);
        reap(spawnTool("search"));
        waitFor(*x11, [&] { return !panelFocused(); });
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SearchCommandToFocusedPanel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brindlow
