// Whole-application timings against real windows on the current X display (run it inside
// bench/app/flood or bench/app/start-quit, which make the session). The moment a window lands is
// the last ConfigureNotify it sends, watched on every client window.
//
// usage: bench_app_x11 flood --socket PATH [--commands N] [--rounds R] [--limit SECONDS]
//          A burst of N focus commands over the socket of a running Brindlow; per round the
//          time from the last send until the windows and the list have settled, and the
//          latency of `list` requests made during the burst.
//        bench_app_x11 start-quit --exe PATH [--windows N] [--rounds R]
//          Starts Brindlow with N client windows on the display: start to all tiled; then the
//          quit signal to all back where they were.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "SocketRequest.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5))];
}

using brindlow::bench::request;

std::string requestLine(const std::string& word) {
    return "{\"args\":[\"" + word + "\"],\"callerPID\":null}\n";
}

// The focused column (counted from 1) and the column count of the active display, read from the
// list reply without a JSON library: the reply's "focused" and "pin" keys (one per column).
struct Listed {
    int focused = 0;
    int columns = 0;
};

std::optional<Listed> listed(const std::string& socketPath) {
    const std::optional<std::string> reply = request(socketPath, requestLine("list"));
    if (!reply || reply->find("\"ok\":true") == std::string::npos) return std::nullopt;
    Listed result;
    const size_t focused = reply->find("\\\"focused\\\"");
    if (focused == std::string::npos) return std::nullopt;
    result.focused = std::atoi(reply->c_str() + reply->find(':', focused) + 1);
    for (size_t at = 0; (at = reply->find("\\\"pin\\\"", at)) != std::string::npos; ++at)
        ++result.columns;
    return result;
}

// Watches every client window for ConfigureNotify on a connection of its own.
class LandingWatch {
  public:
    LandingWatch() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_)) {
            std::fprintf(stderr, "cannot open the display\n");
            std::exit(2);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        reader_ = std::thread([this] { read(); });
    }
    ~LandingWatch() {
        stop_ = true;
        reader_.join();
        xcb_disconnect(connection_);
    }

    // Selects StructureNotify on the clients of the window manager's list; their count.
    size_t watchClients() {
        const xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, 16, "_NET_CLIENT_LIST"), nullptr);
        xcb_get_property_reply_t* list = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, root_, atom->atom, XCB_ATOM_WINDOW, 0, 4096), nullptr);
        free(const_cast<xcb_intern_atom_reply_t*>(atom));
        if (!list) return 0;
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list));
        const size_t count = size_t(xcb_get_property_value_length(list)) / sizeof(xcb_window_t);
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        for (size_t i = 0; i < count; ++i)
            xcb_change_window_attributes(connection_, windows[i], XCB_CW_EVENT_MASK, &mask);
        free(list);
        syncDisplay();
        return count;
    }

    std::optional<Clock::time_point> lastConfigure() {
        std::lock_guard lock(mutex_);
        return last_;
    }
    std::optional<Clock::time_point> firstConfigureSince(Clock::time_point start) {
        std::lock_guard lock(mutex_);
        const auto found = std::lower_bound(all_.begin(), all_.end(), start);
        if (found == all_.end()) return std::nullopt;
        return *found;
    }
    // The last configure of the batch that began with the first one at or after `start`: the
    // batch ends at the first pause of `gap` seconds (a later catch-up pass is not part of it).
    std::optional<Clock::time_point> batchEndSince(Clock::time_point start, double gap) {
        std::lock_guard lock(mutex_);
        auto at = std::lower_bound(all_.begin(), all_.end(), start);
        if (at == all_.end()) return std::nullopt;
        while (at + 1 != all_.end() && millisecondsBetween(*at, *(at + 1)) < gap * 1000) ++at;
        return *at;
    }
    // Waits until no window was configured for `quiet` seconds (or `limit` passed); the last
    // configure time, if any.
    std::optional<Clock::time_point> waitForRest(double quiet, double limit) {
        const Clock::time_point start = Clock::now();
        while (millisecondsBetween(start, Clock::now()) < limit * 1000) {
            const std::optional<Clock::time_point> last = lastConfigure();
            if (millisecondsBetween(last.value_or(start), Clock::now()) >= quiet * 1000) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lastConfigure();
    }

  private:
    void syncDisplay() {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    void read() {
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        while (!stop_) {
            if (poll(&descriptor, 1, 20) <= 0) continue;
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if ((event->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) {
                    const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                    // The root's substructure reports frames; the clients report themselves.
                    if (configure->event != root_) {
                        const Clock::time_point now = Clock::now();
                        std::lock_guard lock(mutex_);
                        last_ = now;
                        all_.push_back(now);
                    }
                }
                free(event);
            }
            if (xcb_connection_has_error(connection_)) return;
        }
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::optional<Clock::time_point> last_;
    std::vector<Clock::time_point> all_;
};

int flood(const std::string& socketPath, int commands, int rounds, double limit) {
    LandingWatch watch;
    std::printf("watching %zu client windows\n", watch.watchClients());
    std::vector<double> bursts, listedAfters, settles, listMedians, listMaxima;
    int listFailures = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::optional<Listed> before = listed(socketPath);
        if (!before || before->columns < 2) {
            std::fprintf(stderr, "Brindlow lists no strip to walk\n");
            return 1;
        }
        // Sweeps from end to end, so nearly every command moves the focus; where it ends is
        // worked out the way the strip clamps it.
        std::vector<std::string> words;
        int focus = before->focused, direction = focus == before->columns ? -1 : +1;
        for (int i = 0; i < commands; ++i) {
            if (focus + direction < 1 || focus + direction > before->columns)
                direction = -direction;
            focus += direction;
            words.push_back(direction > 0 ? "focus-right" : "focus-left");
        }
        // The final focus must differ from the first, so that the list can tell it settled.
        if (focus == before->focused) {
            words.pop_back();
            focus -= direction;
        }

        std::atomic<bool> bursting{true};
        std::vector<double> listLatencies;
        std::thread lister([&] {
            while (bursting) {
                const Clock::time_point sent = Clock::now();
                if (listed(socketPath)) {
                    listLatencies.push_back(millisecondsBetween(sent, Clock::now()));
                } else {
                    ++listFailures;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const Clock::time_point first = Clock::now();
        for (const std::string& word : words) request(socketPath, requestLine(word));
        const Clock::time_point lastSend = Clock::now();
        bursting = false;
        lister.join();

        // Settled: the list shows where the focus ended and no window moved for half a second.
        Clock::time_point shown = Clock::now();
        for (;;) {
            const std::optional<Listed> now = listed(socketPath);
            shown = Clock::now();
            if ((now && now->focused == focus) ||
                millisecondsBetween(lastSend, shown) > limit * 1000)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const Clock::time_point landed = watch.waitForRest(0.5, limit).value_or(lastSend);
        const double listedAfter = millisecondsBetween(lastSend, shown);
        const double settled = std::max(listedAfter, millisecondsBetween(lastSend, landed));
        bursts.push_back(millisecondsBetween(first, lastSend));
        listedAfters.push_back(listedAfter);
        settles.push_back(settled);
        listMedians.push_back(median(listLatencies));
        listMaxima.push_back(listLatencies.empty()
                                 ? 0
                                 : *std::max_element(listLatencies.begin(), listLatencies.end()));
        std::printf(
            "round %d: %zu commands in %.0f ms; the list showed the last focus %.1f ms "
            "after the last command, the windows came to rest after %.1f ms; list during "
            "the burst: %zu answers, median %.2f ms, p90 %.2f ms, max %.2f ms\n",
            round + 1, words.size(), bursts.back(), listedAfter, settled, listLatencies.size(),
            listMedians.back(), percentile(listLatencies, 0.9), listMaxima.back());
        std::fflush(stdout);
    }
    std::printf(
        "median: burst %.0f ms, shown %.1f ms, settled %.1f ms after the last command, "
        "list %.2f ms (slowest %.2f ms), %d lists unanswered\n",
        median(bursts), median(listedAfters), median(settles), median(listMedians),
        median(listMaxima), listFailures);
    return 0;
}

int startQuit(const std::string& exe, size_t windows, int rounds) {
    LandingWatch watch;
    const size_t clients = watch.watchClients();
    if (clients < windows) {
        std::fprintf(stderr, "%zu client windows, expected %zu\n", clients, windows);
        return 1;
    }
    const std::string socketPath =
        std::string(std::getenv("XDG_DATA_HOME")) + "/Brindlow/brindlow.sock";
    std::vector<double> tiledFromStart, tiledFromFirst, backFromSignal, backFromFirst, exits;
    for (int round = 0; round < rounds; ++round) {
        watch.waitForRest(0.5, 10);
        std::vector<char*> argv = {const_cast<char*>(exe.c_str()), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const Clock::time_point started = Clock::now();
        const int spawned = posix_spawn(&pid, exe.c_str(), &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) return 1;
        // Up once the list shows every window; tiled once they stopped moving.
        for (int i = 0; i < 4000; ++i) {
            const std::optional<Listed> now = listed(socketPath);
            if (now && size_t(now->columns) >= windows) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const Clock::time_point tiled = watch.waitForRest(0.5, 30).value_or(started);
        const Clock::time_point firstMove = watch.firstConfigureSince(started).value_or(tiled);
        tiledFromStart.push_back(millisecondsBetween(started, tiled));
        tiledFromFirst.push_back(
            millisecondsBetween(firstMove, watch.batchEndSince(started, 0.1).value_or(tiled)));

        const Clock::time_point signalled = Clock::now();
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        const Clock::time_point exited = Clock::now();
        const Clock::time_point back = watch.waitForRest(0.5, 30).value_or(signalled);
        const Clock::time_point firstBack = watch.firstConfigureSince(signalled).value_or(back);
        backFromSignal.push_back(millisecondsBetween(signalled, back));
        backFromFirst.push_back(
            millisecondsBetween(firstBack, watch.batchEndSince(signalled, 0.1).value_or(back)));
        exits.push_back(millisecondsBetween(signalled, exited));
        std::printf(
            "round %d: tiled %.1f ms after start (first batch of moves %.1f ms); back %.1f "
            "ms after the signal (first batch of moves %.1f ms), exit after %.1f ms\n",
            round + 1, tiledFromStart.back(), tiledFromFirst.back(), backFromSignal.back(),
            backFromFirst.back(), exits.back());
        std::fflush(stdout);
    }
    std::printf(
        "median (%zu windows): start to all tiled %.1f ms (first batch of moves %.1f ms); "
        "quit signal to all back %.1f ms (first batch of moves %.1f ms); exit %.1f ms\n",
        windows, median(tiledFromStart), median(tiledFromFirst), median(backFromSignal),
        median(backFromFirst), median(exits));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const brindlow::bench::BenchOptions options(argc, argv);
    const std::string mode = options.word();
    const int rounds = options.number("--rounds", 5, 1);
    if (mode == "flood" && options.has("--socket"))
        return flood(options.text("--socket"), options.number("--commands", 1200, 2), rounds,
                     options.decimal("--limit", 120, 1));
    if (mode == "start-quit" && options.has("--exe"))
        return startQuit(options.text("--exe"), size_t(options.number("--windows", 20)), rounds);
    std::fprintf(
        stderr,
        "usage: bench_app_x11 flood --socket PATH [--commands N] [--rounds R] [--limit S]\n"
        "       bench_app_x11 start-quit --exe PATH [--windows N] [--rounds R]\n");
    return 2;
}
