// Times a focus change two ways on a running Brindlow, interleaved: from an
// XTest press of Ctrl+Alt+L (a default key of "focus right") to the change of
// _NET_ACTIVE_WINDOW, and from the spawn of `brindlow focus-right` to the same
// change. Before every sample `brindlow focus-first` puts the focus back on
// the first column (untimed, waiting for its change). Prints the medians and
// the 10th and 90th percentiles.
//
// usage: bench_input_shortcut_latency [--runs N]
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchOptions.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kXControl = 37;
constexpr std::uint8_t kXAlt = 64;
constexpr std::uint8_t kXL = 46;
constexpr double kLimit = 5.0;

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t activeWindow = 0;
};

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

xcb_window_t activeWindow(const Display& d) {
    auto* reply = xcb_get_property_reply(
        d.connection,
        xcb_get_property(d.connection, 0, d.root, d.activeWindow, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t window = 0;
    if (reply && xcb_get_property_value_length(reply) >= 4) {
        window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    return window;
}

// Runs `start`, then waits until the active window is `target` (any window
// other than `before` when `target` is 0); the seconds from the start, or a
// negative value on timeout.
double timeActiveChange(const Display& d, xcb_window_t before, xcb_window_t target,
                        const std::function<void()>& start) {
    const auto begin = Clock::now();
    start();
    const auto reached = [&] {
        const xcb_window_t now = activeWindow(d);
        return target ? now == target : now != before;
    };
    while (std::chrono::duration<double>(Clock::now() - begin).count() < kLimit) {
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(d.connection)) {
            changed |=
                (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == d.activeWindow;
            std::free(event);
        }
        if (changed && reached())
            return std::chrono::duration<double>(Clock::now() - begin).count();
        pollfd fd{xcb_get_file_descriptor(d.connection), POLLIN, 0};
        poll(&fd, 1, 50);
    }
    return -1;
}

pid_t spawnTool(const char* command) {
    std::string exe = BRINDLOW_EXECUTABLE_PATH;
    std::string word = command;
    char* argv[] = {exe.data(), word.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void runTool(const char* command) {
    const pid_t pid = spawnTool(command);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
}

void pressCtrlAltL(const Display& d) {
    for (std::uint8_t key : {kXControl, kXAlt, kXL}) {
        xcb_test_fake_input(d.connection, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    for (std::uint8_t key : {kXL, kXAlt, kXControl}) {
        xcb_test_fake_input(d.connection, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
    }
    xcb_flush(d.connection);
}

// Moves the focus with a tool command and waits until the active window
// changed (to `target` when given); the active window then, 0 on timeout.
xcb_window_t moveFocus(const Display& d, const char* command, xcb_window_t target = 0) {
    const xcb_window_t before = activeWindow(d);
    if (target && before == target) return target;
    if (timeActiveChange(d, before, target, [&] { runTool(command); }) < 0) return 0;
    runTool("list");  // a round trip through the strip queue: the command is done
    return activeWindow(d);
}

double percentile(std::vector<double> sorted, double fraction) {
    const size_t index =
        std::min(sorted.size() - 1, size_t(fraction * double(sorted.size() - 1) + 0.5));
    return sorted[index];
}

void report(const char* name, std::vector<double> samples) {
    if (samples.empty()) {
        std::printf("%-22s every run failed\n", name);
        return;
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%-22s %6zu %9.2f %9.2f %9.2f\n", name, samples.size(), percentile(samples, 0.1),
                percentile(samples, 0.5), percentile(samples, 0.9));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = brindlow::bench::BenchOptions(argc, argv).number("--runs", 50, 1);
    Display d;
    int screen = 0;
    d.connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(d.connection)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    d.root = xcb_setup_roots_iterator(xcb_get_setup(d.connection)).data->root;
    d.activeWindow = intern(d.connection, "_NET_ACTIVE_WINDOW");
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(d.connection, d.root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(d.connection);

    // The first two columns' windows, learnt once.
    const xcb_window_t first = moveFocus(d, "focus-last") ? moveFocus(d, "focus-first") : 0;
    const xcb_window_t second = first ? moveFocus(d, "focus-right") : 0;
    if (!first || !second) {
        std::fprintf(stderr, "the tool's focus commands changed no active window\n");
        return 1;
    }
    std::vector<double> keySamples, toolSamples;
    int failed = 0;
    for (int i = 0; i < runs + 2; ++i) {
        const bool warmUp = i < 2;
        if (moveFocus(d, "focus-first", first) != first) return 1;
        const double key = timeActiveChange(d, first, second, [&] { pressCtrlAltL(d); });
        runTool("list");
        if (moveFocus(d, "focus-first", first) != first) return 1;
        pid_t tool = -1;
        const double command =
            timeActiveChange(d, first, second, [&] { tool = spawnTool("focus-right"); });
        int status = 0;
        if (tool > 0) waitpid(tool, &status, 0);
        runTool("list");
        if (warmUp) continue;
        if (key < 0 || command < 0) {
            ++failed;
            continue;
        }
        keySamples.push_back(key * 1000.0);
        toolSamples.push_back(command * 1000.0);
    }
    std::printf("%-22s %6s %9s %9s %9s\n", "focus right by", "runs", "p10 ms", "median ms",
                "p90 ms");
    report("Ctrl+Alt+L (XTest)", keySamples);
    report("brindlow focus-right", toolSamples);
    if (failed > 0) std::printf("%d runs timed out\n", failed);
    xcb_disconnect(d.connection);
    return failed > 0 ? 1 : 0;
}
