// How smoothly and how cheaply Brindlow scrolls real windows, measured against a replay of the
// same motion that the benchmark sends itself at a steady 60 Hz on a second, identical display
// without Brindlow; and what one command and a quit cost with many windows. Run it through
// bench/app/scroll, which makes the two sessions. Every window's ConfigureNotify is recorded (its
// frame's, from the root, and the client's own).
//
// usage: bench_app_scroll scroll --exe PATH [--rounds R] --replay-display NAME
//                                --parent PID --replay-parent PID [--count 1]
//          Starts Brindlow on $DISPLAY (whose clients are already mapped), scrolls with `jump`
//          back and forth, and after every scroll replays its motion on the other display.
//          --count 1: also counts, per process, what each display's clients send and receive.
//        bench_app_scroll many --exe PATH --parent PID [--rounds R]
//          One focus command with every client of $DISPLAY tiled: events and time until the
//          windows rest; then quits at moments after a command: how many windows are back
//          within 2 s.
//
// --parent names the process whose children are the display's X server and window manager
// (the x11-session script), for their CPU time.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchOptions.h"
#include "ProtocolCount.h"
#include "SocketRequest.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool tracing() {
    return std::getenv("BENCH_TRACE") != nullptr;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---- processes ------------------------------------------------------------------------------

// Nanoseconds on a CPU, summed over the threads of a process.
double cpuSeconds(pid_t pid) {
    double total = 0;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* tasks = opendir(folder.c_str());
    if (!tasks) return 0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(folder + "/" + entry->d_name + "/schedstat");
        double ns = 0;
        if (stat >> ns) total += ns;
    }
    closedir(tasks);
    return total / 1e9;
}

// Per thread name: CPU seconds and context switches (each a wake-up) of a process's threads.
std::map<std::string, std::pair<double, double>> threadUse(pid_t pid) {
    std::map<std::string, std::pair<double, double>> use;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* tasks = opendir(folder.c_str());
    if (!tasks) return use;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        const std::string task = folder + "/" + entry->d_name;
        std::string name;
        std::getline(std::ifstream(task + "/comm"), name);
        double ns = 0;
        std::ifstream(task + "/schedstat") >> ns;
        double switches = 0;
        std::ifstream status(task + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                switches += std::atof(line.c_str() + line.find(':') + 1);
        auto& [cpu, wakeups] = use[name];
        cpu += ns / 1e9;
        wakeups += switches;
    }
    closedir(tasks);
    return use;
}

// The children of `parent` whose command is `name`.
std::optional<pid_t> childNamed(pid_t parent, const std::string& name) {
    DIR* proc = opendir("/proc");
    std::optional<pid_t> found;
    while (const dirent* entry = readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string comm = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent && comm == name) found = pid;
    }
    closedir(proc);
    return found;
}

struct SessionProcesses {
    pid_t server = 0, windowManager = 0;
    static SessionProcesses of(pid_t parent) {
        SessionProcesses p;
        p.server = childNamed(parent, "Xvfb").value_or(0);
        p.windowManager = childNamed(parent, "openbox").value_or(0);
        if (!p.server || !p.windowManager)
            std::fprintf(stderr, "no Xvfb or openbox under pid %d\n", int(parent));
        return p;
    }
};

// CPU seconds of a set of processes between two readings.
struct CpuReading {
    std::vector<double> at;
    static CpuReading of(const std::vector<pid_t>& pids) {
        CpuReading r;
        for (pid_t pid : pids) r.at.push_back(pid ? cpuSeconds(pid) : 0);
        return r;
    }
};

pid_t spawn(const std::string& exe) {
    std::vector<char*> argv = {const_cast<char*>(exe.c_str()), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    // BENCH_LOG names a file for Brindlow's log (its level from BRINDLOW_LOG).
    const char* log = std::getenv("BENCH_LOG");
    posix_spawn_file_actions_addopen(&quiet, 2, log ? log : "/dev/null",
                                     log ? O_WRONLY | O_CREAT | O_APPEND : O_WRONLY, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), &quiet, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

// ---- the socket -----------------------------------------------------------------------------

std::optional<std::string> request(const std::string& socketPath,
                                   const std::vector<std::string>& args) {
    std::string line = "{\"args\":[";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? ",\"" : "\"") + args[i] + "\"";
    line += "],\"callerPID\":null}\n";
    return brindlow::bench::request(socketPath, line);
}

// The number of windows the list shows (its "app" keys), or none when nothing answers.
std::optional<int> listedWindows(const std::string& socketPath) {
    const auto reply = request(socketPath, {"list"});
    if (!reply || reply->find("\"ok\":true") == std::string::npos) return std::nullopt;
    int count = 0;
    for (size_t at = 0; (at = reply->find("\\\"app\\\"", at)) != std::string::npos; ++at) ++count;
    return count;
}

// ---- a display and its recorded events ------------------------------------------------------

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

struct Event {
    // What happened: a ConfigureNotify, or (recorded with BENCH_TRACE only) a frame mapped or
    // unmapped, or the window manager naming the window active.
    enum class Kind { configure, map, unmap, active };
    Clock::time_point time;
    int window = -1;  // index in the client list
    bool frame = false;
    Geometry geometry;
    Kind kind = Kind::configure;
};

// One X display: its clients (in the window manager's list order), their frames, and a thread
// that records every ConfigureNotify of both.
class Display {
  public:
    explicit Display(const char* name) : connection_(xcb_connect(name, nullptr)) {
        if (xcb_connection_has_error(connection_)) {
            std::fprintf(stderr, "cannot open the display %s\n", name ? name : "");
            std::exit(2);
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | (tracing() ? XCB_EVENT_MASK_PROPERTY_CHANGE : 0);
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        moveResize_ = atom("_NET_MOVERESIZE_WINDOW");
        activeWindow_ = atom("_NET_ACTIVE_WINDOW");
        sync();
        reader_ = std::thread([this] { read(); });
    }
    ~Display() {
        stop_ = true;
        reader_.join();
        xcb_disconnect(connection_);
    }

    // Reads the client list and the frames, and watches the clients. The count.
    size_t watchClients() {
        std::vector<xcb_window_t> clients = clientList();
        std::vector<xcb_window_t> frames;
        for (xcb_window_t client : clients) frames.push_back(topLevel(client));
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        for (xcb_window_t client : clients)
            xcb_change_window_attributes(connection_, client, XCB_CW_EVENT_MASK, &mask);
        sync();
        std::lock_guard lock(mutex_);
        clients_ = clients;
        frames_ = frames;
        return clients.size();
    }
    size_t count() const { return clients_.size(); }

    Geometry frameGeometry(size_t index) { return geometryOf(frames_[index]); }
    Geometry clientGeometry(size_t index) { return geometryOf(clients_[index]); }
    std::vector<Geometry> frameGeometries() {
        std::vector<Geometry> all;
        for (size_t i = 0; i < frames_.size(); ++i) all.push_back(frameGeometry(i));
        return all;
    }

    // Asks the window manager to move a client's frame to (x, y), and to give the client
    // `clientSize` when set: a pager's request with north-west gravity, as Brindlow sends it.
    void moveFrame(size_t index, int x, int y, std::optional<std::pair<int, int>> clientSize) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = clients_[index];
        message.type = moveResize_;
        uint32_t flags = 1 /* NorthWest */ | (1u << 8) | (1u << 9) | (2u << 12);
        if (clientSize) flags |= (1u << 10) | (1u << 11);
        message.data.data32[0] = flags;
        message.data.data32[1] = uint32_t(x);
        message.data.data32[2] = uint32_t(y);
        message.data.data32[3] = clientSize ? uint32_t(clientSize->first) : 0;
        message.data.data32[4] = clientSize ? uint32_t(clientSize->second) : 0;
        xcb_send_event(connection_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    void flush() { xcb_flush(connection_); }
    void sync() {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    // The events recorded since `from` (an index into the record), and the record's length.
    std::vector<Event> eventsSince(size_t from) {
        std::lock_guard lock(mutex_);
        return std::vector<Event>(events_.begin() + long(std::min(from, events_.size())),
                                  events_.end());
    }
    size_t recorded() {
        std::lock_guard lock(mutex_);
        return events_.size();
    }
    Clock::time_point lastEvent() {
        std::lock_guard lock(mutex_);
        return last_;
    }
    // Waits until an event is recorded after the first `mark`, at most `limit` seconds.
    bool waitForEventAfter(size_t mark, double limit) {
        const Clock::time_point start = Clock::now();
        while (secondsSince(start, Clock::now()) < limit) {
            if (recorded() > mark) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // Waits until no window was configured for `quiet` seconds, at most `limit` seconds.
    bool waitForRest(double quiet, double limit) {
        const Clock::time_point start = Clock::now();
        while (secondsSince(start, Clock::now()) < limit) {
            const Clock::time_point last = std::max(lastEvent(), start);
            if (secondsSince(last, Clock::now()) >= quiet) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

  private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    }
    std::vector<xcb_window_t> clientList() {
        auto* list =
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, root_, atom("_NET_CLIENT_LIST"),
                                                    XCB_ATOM_WINDOW, 0, 4096),
                                   nullptr);
        std::vector<xcb_window_t> windows;
        if (!list) return windows;
        const auto* values = static_cast<const xcb_window_t*>(xcb_get_property_value(list));
        windows.assign(values, values + size_t(xcb_get_property_value_length(list)) / 4);
        free(list);
        return windows;
    }
    xcb_window_t topLevel(xcb_window_t window) {
        for (;;) {
            auto* tree =
                xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
            if (!tree) return window;
            const xcb_window_t parent = tree->parent;
            free(tree);
            if (parent == root_ || parent == XCB_WINDOW_NONE) return window;
            window = parent;
        }
    }
    Geometry geometryOf(xcb_window_t window) {
        auto* reply =
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
        Geometry g;
        if (reply) g = {reply->x, reply->y, reply->width, reply->height};
        free(reply);
        return g;
    }

    // With BENCH_TRACE: frames mapped and unmapped, and the window named active, in time order
    // with the moves.
    void noteTraced(const xcb_generic_event_t* event) {
        const uint8_t type = event->response_type & 0x7f;
        Event::Kind kind = Event::Kind::map;
        xcb_window_t window = XCB_WINDOW_NONE;
        bool frame = true;
        if (type == XCB_MAP_NOTIFY) {
            window = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
        } else if (type == XCB_UNMAP_NOTIFY) {
            kind = Event::Kind::unmap;
            window = reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
        } else if (type == XCB_PROPERTY_NOTIFY &&
                   reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom ==
                       activeWindow_) {
            kind = Event::Kind::active;
            frame = false;
            auto* reply = xcb_get_property_reply(
                connection_,
                xcb_get_property(connection_, 0, root_, activeWindow_, XCB_ATOM_WINDOW, 0, 1),
                nullptr);
            if (reply && xcb_get_property_value_length(reply) == 4)
                window = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
            free(reply);
        } else {
            return;
        }
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(mutex_);
        const auto& list = frame ? frames_ : clients_;
        const auto found = std::find(list.begin(), list.end(), window);
        if (found == list.end()) return;
        events_.push_back({now, int(found - list.begin()), frame, {}, kind});
    }

    void read() {
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        while (!stop_) {
            if (poll(&descriptor, 1, 20) <= 0) continue;
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if (tracing()) noteTraced(event);
                if ((event->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) {
                    const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                    const Clock::time_point now = Clock::now();
                    std::lock_guard lock(mutex_);
                    const bool frame = configure->event == root_;
                    const auto& list = frame ? frames_ : clients_;
                    const auto found = std::find(list.begin(), list.end(), configure->window);
                    if (found != list.end()) {
                        events_.push_back(
                            {now,
                             int(found - list.begin()),
                             frame,
                             {configure->x, configure->y, configure->width, configure->height}});
                        last_ = now;
                    }
                }
                free(event);
            }
            if (xcb_connection_has_error(connection_)) return;
        }
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_atom_t moveResize_ = XCB_ATOM_NONE;
    xcb_atom_t activeWindow_ = XCB_ATOM_NONE;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<xcb_window_t> clients_, frames_;
    std::vector<Event> events_;
    Clock::time_point last_{};
};

// ---- one scroll, analysed -------------------------------------------------------------------

struct Step {
    double t = 0;  // seconds from the scroll's first move
    Geometry geometry;
};

// The motion of one scroll: every window's frame positions in time, from where it stood.
struct Motion {
    std::vector<Geometry> start;
    std::vector<std::vector<Step>> steps;  // per window
    double duration = 0;                   // first move to last move
};

struct ScrollFigures {
    double fps = 0;              // median over the moving windows of moves per second
    double longestGap = 0;       // ms, the longest pause between two moves of one window
    double shareOver20 = 0;      // % of the gaps between moves over 20 ms
    double seconds = 0;          // animated: first move to last move
    int restingEvents = 0;       // ConfigureNotify of windows that did not move
    int restingWhileMoving = 0;  // of those, before the scroll's last move
    int stillFrameEvents = 0;    // frame ConfigureNotify without a change of geometry
    int events = 0;              // every ConfigureNotify, frames and clients
    int backward = 0;            // moves against the window's direction
    double worstBackward = 0;    // px
    int doubled = 0;             // two moves of one window within 4 ms
    double spread = 0;           // ms, median spread of the windows' moves within one frame
};

// The moves of a window that stepped against its direction, on stderr, in time order with its
// frame's maps and unmaps and the moments it was named active (ms from the scroll's first move).
void traceBackward(const std::vector<Event>& events, size_t w, const Geometry& start, size_t step,
                   size_t steps, Clock::time_point first) {
    std::fprintf(stderr, "backward: window %zu start x %d step %zu of %zu:", w, start.x, step,
                 steps);
    for (const Event& e : events) {
        if (e.window != int(w)) continue;
        const double ms = std::chrono::duration<double, std::milli>(e.time - first).count();
        switch (e.kind) {
            case Event::Kind::configure:
                if (e.frame)
                    std::fprintf(stderr, " %.0f:%d,%d %dx%d", ms, e.geometry.x, e.geometry.y,
                                 e.geometry.width, e.geometry.height);
                break;
            case Event::Kind::map:
                std::fprintf(stderr, " %.0f:[mapped]", ms);
                break;
            case Event::Kind::unmap:
                std::fprintf(stderr, " %.0f:[unmapped]", ms);
                break;
            case Event::Kind::active:
                std::fprintf(stderr, " %.0f:[active]", ms);
                break;
        }
    }
    std::fprintf(stderr, "\n");
}

ScrollFigures analyse(const std::vector<Event>& events, const std::vector<Geometry>& start,
                      Motion* motion) {
    const size_t n = start.size();
    std::vector<Geometry> last = start;
    std::vector<std::vector<std::pair<Clock::time_point, Geometry>>> moves(n);
    std::vector<int> eventsOf(n, 0);
    ScrollFigures f;
    // Filled even when nothing moved: the replay reads every window's steps.
    if (motion) {
        motion->start = start;
        motion->steps.assign(n, {});
        motion->duration = 0;
    }
    for (const Event& e : events) {
        if (e.window < 0 || size_t(e.window) >= n || e.kind != Event::Kind::configure) continue;
        ++f.events;
        ++eventsOf[size_t(e.window)];
        if (!e.frame) continue;
        Geometry& before = last[size_t(e.window)];
        if (e.geometry == before) {
            ++f.stillFrameEvents;
            continue;
        }
        before = e.geometry;
        moves[size_t(e.window)].push_back({e.time, e.geometry});
    }
    std::optional<Clock::time_point> first, end;
    for (const auto& m : moves) {
        if (m.empty()) continue;
        if (!first || m.front().first < *first) first = m.front().first;
        if (!end || m.back().first > *end) end = m.back().first;
    }
    if (!first) return f;
    f.seconds = secondsSince(*first, *end);
    std::vector<double> rates, gaps;
    std::vector<Clock::time_point> allMoves;
    for (const Event& e : events)
        if (e.window >= 0 && size_t(e.window) < n && e.kind == Event::Kind::configure &&
            moves[size_t(e.window)].empty() && e.time < *end)
            ++f.restingWhileMoving;
    for (size_t w = 0; w < n; ++w) {
        const auto& m = moves[w];
        if (m.empty()) {
            f.restingEvents += eventsOf[w];
            continue;
        }
        const double direction = m.back().second.x - start[w].x;
        int previousX = start[w].x;
        for (size_t i = 0; i < m.size(); ++i) {
            const int dx = m[i].second.x - previousX;
            if (direction * dx < 0 && std::abs(dx) >= 1) {
                ++f.backward;
                f.worstBackward = std::max(f.worstBackward, double(std::abs(dx)));
                if (tracing() && motion) traceBackward(events, w, start[w], i, m.size(), *first);
            }
            previousX = m[i].second.x;
            allMoves.push_back(m[i].first);
            if (i == 0) continue;
            const double gap = secondsSince(m[i - 1].first, m[i].first) * 1000;
            gaps.push_back(gap);
            if (gap < 4) ++f.doubled;
        }
        if (m.size() >= 3) {
            const double span = secondsSince(m.front().first, m.back().first);
            if (span > 0) rates.push_back(double(m.size() - 1) / span);
        }
    }
    f.fps = median(rates);
    f.longestGap = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    f.shareOver20 =
        gaps.empty()
            ? 0
            : 100.0 *
                  double(std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 20; })) /
                  double(gaps.size());
    // Frames: moves closer than 8 ms to the previous one belong to the same frame.
    std::sort(allMoves.begin(), allMoves.end());
    std::vector<double> spreads;
    for (size_t i = 0; i < allMoves.size();) {
        size_t j = i;
        while (j + 1 < allMoves.size() && secondsSince(allMoves[j], allMoves[j + 1]) < 0.008) ++j;
        if (j > i) spreads.push_back(secondsSince(allMoves[i], allMoves[j]) * 1000);
        i = j + 1;
    }
    f.spread = median(spreads);
    if (motion) {
        motion->duration = f.seconds;
        for (size_t w = 0; w < n; ++w)
            for (const auto& [time, geometry] : moves[w])
                motion->steps[w].push_back({secondsSince(*first, time), geometry});
    }
    return f;
}

// Where a window stands at `t` seconds of a recorded motion: between two recorded moves, on the
// straight line between them.
Geometry positionAt(const Motion& motion, size_t w, double t) {
    const auto& steps = motion.steps[w];
    if (steps.empty() || t <= steps.front().t) {
        if (steps.empty()) return motion.start[w];
        // Before its first move the window rests where it stood.
        return motion.start[w];
    }
    for (size_t i = 1; i < steps.size(); ++i) {
        if (t < steps[i].t) {
            const Step& a = steps[i - 1];
            const Step& b = steps[i];
            const double f = (t - a.t) / std::max(b.t - a.t, 1e-9);
            Geometry g = a.geometry;
            g.x = int(std::lround(a.geometry.x + (b.geometry.x - a.geometry.x) * f));
            g.y = int(std::lround(a.geometry.y + (b.geometry.y - a.geometry.y) * f));
            return g;
        }
    }
    return steps.back().geometry;
}

void sleepUntil(Clock::time_point deadline) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch());
    timespec at{time_t(ns.count() / 1000000000), long(ns.count() % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
}

// ---- scroll mode ----------------------------------------------------------------------------

struct Row {
    ScrollFigures figures;
    double cpuBrindlow = 0, cpuWM = 0, cpuServer = 0;  // ms per animated second
};

void printRow(const char* name, const std::vector<Row>& rows) {
    const auto med = [&](auto pick) {
        std::vector<double> v;
        for (const Row& r : rows) v.push_back(pick(r));
        return median(v);
    };
    const auto maxOf = [&](auto pick) {
        double m = 0;
        for (const Row& r : rows) m = std::max(m, double(pick(r)));
        return m;
    };
    std::printf(
        "%-8s fps %5.1f  longest gap %5.1f ms (worst %5.1f)  gaps>20ms %5.1f %%  animated %.2f s  "
        "cpu ms/animated s: brindlow %6.1f wm %6.1f server %6.1f (wm+server %6.1f)  "
        "events/scroll %5.0f  resting-window events %4.0f (while moving %3.0f)  "
        "still frame events %4.0f  "
        "backward moves %3.0f (worst %4.0f px)  double moves %3.0f  spread in frame %.1f ms\n",
        name, med([](const Row& r) { return r.figures.fps; }),
        med([](const Row& r) { return r.figures.longestGap; }),
        maxOf([](const Row& r) { return r.figures.longestGap; }),
        med([](const Row& r) { return r.figures.shareOver20; }),
        med([](const Row& r) { return r.figures.seconds; }),
        med([](const Row& r) { return r.cpuBrindlow; }), med([](const Row& r) { return r.cpuWM; }),
        med([](const Row& r) { return r.cpuServer; }),
        med([](const Row& r) { return r.cpuWM + r.cpuServer; }),
        med([](const Row& r) { return double(r.figures.events); }),
        med([](const Row& r) { return double(r.figures.restingEvents); }),
        med([](const Row& r) { return double(r.figures.restingWhileMoving); }),
        med([](const Row& r) { return double(r.figures.stillFrameEvents); }),
        med([](const Row& r) { return double(r.figures.backward); }),
        maxOf([](const Row& r) { return r.figures.worstBackward; }),
        med([](const Row& r) { return double(r.figures.doubled); }),
        med([](const Row& r) { return r.figures.spread; }));
}

std::string socketPath() {
    return std::string(std::getenv("XDG_DATA_HOME")) + "/Brindlow/brindlow.sock";
}

// Starts Brindlow and waits until it lists `windows` windows and they rest.
pid_t startBrindlow(const std::string& exe, Display& display, size_t windows, double limit) {
    const pid_t pid = spawn(exe);
    if (pid <= 0) return pid;
    const Clock::time_point started = Clock::now();
    while (secondsSince(started, Clock::now()) < limit) {
        const auto listed = listedWindows(socketPath());
        if (listed && size_t(*listed) >= windows) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    display.waitForRest(1.0, limit);
    return pid;
}

void quit(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

int scroll(const std::string& exe, int rounds, const char* replayName, pid_t parent,
           pid_t replayParent, bool countProtocol) {
    Display brindlowDisplay(nullptr);
    Display replayDisplay(replayName);
    const size_t windows = brindlowDisplay.watchClients();
    if (replayDisplay.watchClients() != windows) {
        std::fprintf(stderr, "the two displays hold different numbers of windows\n");
        return 1;
    }
    const SessionProcesses session = SessionProcesses::of(parent);
    const SessionProcesses replay = SessionProcesses::of(replayParent);
    const pid_t app = startBrindlow(exe, brindlowDisplay, windows, 60);
    if (app <= 0) return 1;
    // What each client sends and receives, counted by the servers (only when asked: recording
    // costs the servers time of their own).
    std::optional<brindlow::bench::ProtocolRecorder> brindlowRecord, replayRecord;
    if (countProtocol) {
        brindlowRecord.emplace(nullptr);
        replayRecord.emplace(replayName);
        if (!brindlowRecord->ok() || !replayRecord->ok()) {
            std::fprintf(stderr, "the X server does not record (RECORD extension)\n");
            return 1;
        }
    }
    brindlow::bench::CountsByProcess brindlowProtocol, replayProtocol;
    double replayedSeconds = 0;
    const auto addProtocol = [](brindlow::bench::CountsByProcess& sum,
                                const brindlow::bench::CountsByProcess& after,
                                const brindlow::bench::CountsByProcess& before) {
        for (const auto& [process, counts] : after) {
            const auto was = before.find(process);
            sum[process] += was == before.end() ? counts : counts.minus(was->second);
        }
    };
    // Back and forth between two columns four apart: about 2,000 points at a 0.3 width on a
    // 3840-point display.
    const int from = windows >= 7 ? 3 : 1, to = from + 4;
    request(socketPath(), {"jump", std::to_string(from)});
    brindlowDisplay.waitForRest(0.6, 10);

    std::vector<Row> brindlowRows, replayRows;
    double animatedSeconds = 0;
    std::map<std::string, std::pair<double, double>> threadsAfter;
    for (int round = 0; round < rounds; ++round) {
        // Brindlow's scroll.
        const std::vector<Geometry> start = brindlowDisplay.frameGeometries();
        const size_t mark = brindlowDisplay.recorded();
        const CpuReading before = CpuReading::of({app, session.windowManager, session.server});
        const auto threads = threadUse(app);
        const auto protocolBefore =
            brindlowRecord ? brindlowRecord->counts() : brindlow::bench::CountsByProcess{};
        request(socketPath(), {"jump", std::to_string(round % 2 ? from : to)});
        // A busy Brindlow may begin late: the rest counts from its first move.
        brindlowDisplay.waitForEventAfter(mark, 5);
        brindlowDisplay.waitForRest(0.5, 10);
        const CpuReading after = CpuReading::of({app, session.windowManager, session.server});
        if (brindlowRecord) addProtocol(brindlowProtocol, brindlowRecord->counts(), protocolBefore);
        for (const auto& [name, use] : threadUse(app)) {
            const auto was = threads.find(name);
            if (was == threads.end()) continue;
            threadsAfter[name].first += use.first - was->second.first;
            threadsAfter[name].second += use.second - was->second.second;
        }
        Motion motion;
        Row row;
        row.figures = analyse(brindlowDisplay.eventsSince(mark), start, &motion);
        const double animated = std::max(row.figures.seconds, 0.001);
        animatedSeconds += animated;
        row.cpuBrindlow = (after.at[0] - before.at[0]) * 1000 / animated;
        row.cpuWM = (after.at[1] - before.at[1]) * 1000 / animated;
        row.cpuServer = (after.at[2] - before.at[2]) * 1000 / animated;
        brindlowRows.push_back(row);

        // The replay: the same windows put where Brindlow's stood, then moved along the
        // recorded motion at a steady 60 Hz.
        for (size_t w = 0; w < windows; ++w) {
            const Geometry client = brindlowDisplay.clientGeometry(w);
            replayDisplay.moveFrame(w, start[w].x, start[w].y,
                                    std::make_pair(client.width, client.height));
        }
        replayDisplay.flush();
        replayDisplay.waitForRest(0.3, 10);
        const std::vector<Geometry> replayStart = replayDisplay.frameGeometries();
        const size_t replayMark = replayDisplay.recorded();
        const CpuReading replayBefore = CpuReading::of({0, replay.windowManager, replay.server});
        const auto replayProtocolBefore =
            replayRecord ? replayRecord->counts() : brindlow::bench::CountsByProcess{};
        std::vector<Geometry> sent = replayStart;
        // The decorations around each client, so that a recorded frame size becomes the client
        // size to ask for: the replay resizes where Brindlow did (edge slices), as it moves.
        std::vector<std::pair<int, int>> decorations;
        for (size_t w = 0; w < windows; ++w) {
            const Geometry client = replayDisplay.clientGeometry(w);
            decorations.push_back(
                {replayStart[w].width - client.width, replayStart[w].height - client.height});
        }
        const Clock::time_point begin = Clock::now();
        const int ticks = int(std::ceil(motion.duration * 60));
        for (int k = 0; k <= ticks; ++k) {
            sleepUntil(begin + std::chrono::microseconds(k * 1000000 / 60));
            const double t = std::min(k / 60.0, motion.duration);
            for (size_t w = 0; w < windows; ++w) {
                const Geometry g = positionAt(motion, w, t);
                if (g == sent[w]) continue;
                std::optional<std::pair<int, int>> clientSize;
                if (g.width != sent[w].width || g.height != sent[w].height)
                    clientSize = std::make_pair(g.width - decorations[w].first,
                                                g.height - decorations[w].second);
                replayDisplay.moveFrame(w, g.x, g.y, clientSize);
                sent[w] = g;
            }
            replayDisplay.flush();
        }
        replayDisplay.waitForRest(0.5, 10);
        const CpuReading replayAfter = CpuReading::of({0, replay.windowManager, replay.server});
        if (replayRecord) addProtocol(replayProtocol, replayRecord->counts(), replayProtocolBefore);
        Row replayRow;
        replayRow.figures = analyse(replayDisplay.eventsSince(replayMark), replayStart, nullptr);
        const double replayed = std::max(replayRow.figures.seconds, 0.001);
        replayedSeconds += replayed;
        replayRow.cpuWM = (replayAfter.at[1] - replayBefore.at[1]) * 1000 / replayed;
        replayRow.cpuServer = (replayAfter.at[2] - replayBefore.at[2]) * 1000 / replayed;
        replayRows.push_back(replayRow);

        double distance = 0;
        for (size_t w = 0; w < windows; ++w)
            if (!motion.steps[w].empty())
                distance = std::max(
                    distance, double(std::abs(motion.steps[w].back().geometry.x - start[w].x)));
        std::printf(
            "round %2d: %4.0f px; brindlow %5.1f fps, longest gap %5.1f ms, %5.1f %% over 20 ms, "
            "%3d resting-window events, %2d backward (%4.0f px), %2d doubled, cpu %5.0f/%5.0f/%5.0f"
            " ms/s; replay %5.1f fps, longest gap %5.1f ms, %5.1f %% over 20 ms, cpu "
            "-/%5.0f/%5.0f\n",
            round + 1, distance, row.figures.fps, row.figures.longestGap, row.figures.shareOver20,
            row.figures.restingEvents, row.figures.backward, row.figures.worstBackward,
            row.figures.doubled, row.cpuBrindlow, row.cpuWM, row.cpuServer, replayRow.figures.fps,
            replayRow.figures.longestGap, replayRow.figures.shareOver20, replayRow.cpuWM,
            replayRow.cpuServer);
        std::fflush(stdout);
    }
    quit(app);
    std::printf("median over %d scrolls with %zu windows:\n", rounds, windows);
    printRow("brindlow", brindlowRows);
    printRow("replay", replayRows);
    std::printf("brindlow's threads per animated second (cpu ms, context switches):");
    for (const auto& [name, use] : threadsAfter)
        std::printf("  %s %.0f/%.0f", name.c_str(), use.first * 1000 / animatedSeconds,
                    use.second / animatedSeconds);
    std::printf("\n");
    if (countProtocol) {
        const auto perSecond = [](const brindlow::bench::CountsByProcess& all, double seconds) {
            brindlow::bench::CountsByProcess scaled;
            for (const auto& [process, counts] : all)
                scaled[process] = counts.scaled(1 / std::max(seconds, 0.001));
            return scaled;
        };
        brindlow::bench::printCounts("X protocol per animated second, brindlow's session:",
                                     perSecond(brindlowProtocol, animatedSeconds), 14);
        brindlow::bench::printCounts("X protocol per animated second, the replay's session:",
                                     perSecond(replayProtocol, replayedSeconds), 14);
    }
    return 0;
}

// ---- many windows ---------------------------------------------------------------------------

// How many windows stand within 2 points of where they stood at first.
int backInPlace(Display& display, const std::vector<Geometry>& original) {
    int back = 0;
    const std::vector<Geometry> now = display.frameGeometries();
    for (size_t w = 0; w < original.size(); ++w) {
        if (std::abs(now[w].x - original[w].x) <= 2 && std::abs(now[w].y - original[w].y) <= 2 &&
            std::abs(now[w].width - original[w].width) <= 2 &&
            std::abs(now[w].height - original[w].height) <= 2)
            ++back;
    }
    return back;
}

int many(const std::string& exe, pid_t parent, int rounds) {
    Display display(nullptr);
    const size_t windows = display.watchClients();
    const SessionProcesses session = SessionProcesses::of(parent);
    const std::vector<Geometry> original = display.frameGeometries();
    std::vector<Geometry> clientSizes;
    for (size_t w = 0; w < windows; ++w) clientSizes.push_back(display.clientGeometry(w));
    const auto putBack = [&] {
        for (size_t w = 0; w < windows; ++w)
            display.moveFrame(w, original[w].x, original[w].y,
                              std::make_pair(clientSizes[w].width, clientSizes[w].height));
        display.flush();
        display.waitForRest(0.5, 30);
    };

    Clock::time_point started = Clock::now();
    pid_t app = startBrindlow(exe, display, windows, 120);
    if (app <= 0) return 1;
    std::printf("%zu windows tiled after %.1f s\n", windows, secondsSince(started, Clock::now()));
    // Focus moves to a neighbour (the view may not need to move) and jumps far along the strip.
    const std::vector<std::vector<std::string>> commands = {
        {"focus-right"}, {"focus-left"}, {"jump", "40"}, {"jump", "1"}};
    std::map<std::string, std::vector<double>> eventCounts, settles, serverCpu, wmCpu, appCpu;
    for (int round = 0; round < rounds; ++round) {
        for (const std::vector<std::string>& command : commands) {
            display.waitForRest(2.0, 120);
            const std::vector<Geometry> start = display.frameGeometries();
            const size_t mark = display.recorded();
            const CpuReading before = CpuReading::of({app, session.windowManager, session.server});
            const Clock::time_point sent = Clock::now();
            request(socketPath(), command);
            // The command's moves may begin late when Brindlow is busy; it has settled once
            // nothing moved for 2 s.
            display.waitForEventAfter(mark, 30);
            display.waitForRest(2.0, 120);
            const CpuReading after = CpuReading::of({app, session.windowManager, session.server});
            std::vector<Event> events = display.eventsSince(mark);
            std::erase_if(events, [](const Event& e) { return e.kind != Event::Kind::configure; });
            const double settled = events.empty() ? 0 : secondsSince(sent, events.back().time);
            const std::string kind = command.front();
            eventCounts[kind].push_back(double(events.size()));
            settles[kind].push_back(settled * 1000);
            appCpu[kind].push_back((after.at[0] - before.at[0]) * 1000);
            wmCpu[kind].push_back((after.at[1] - before.at[1]) * 1000);
            serverCpu[kind].push_back((after.at[2] - before.at[2]) * 1000);
            // Frames that changed place or size, and frames only restacked.
            const ScrollFigures split = analyse(events, start, nullptr);
            int moved = 0;
            for (const Event& e : events) moved += e.frame;
            moved -= split.stillFrameEvents;
            std::printf(
                "%s %s: %zu ConfigureNotify (frames: %d moved, %d restacked), settled after %.0f "
                "ms; cpu ms: brindlow %.0f, wm %.0f, server %.0f\n",
                command.front().c_str(), command.size() > 1 ? command[1].c_str() : "",
                events.size(), moved, split.stillFrameEvents, settled * 1000, appCpu[kind].back(),
                wmCpu[kind].back(), serverCpu[kind].back());
            std::fflush(stdout);
        }
    }
    for (const auto& [kind, counts] : eventCounts)
        std::printf(
            "median of one %s with %zu windows: %.0f ConfigureNotify, settled after %.0f ms; "
            "cpu ms: brindlow %.0f, wm %.0f, server %.0f\n",
            kind.c_str(), windows, median(counts), median(settles[kind]), median(appCpu[kind]),
            median(wmCpu[kind]), median(serverCpu[kind]));
    quit(app);
    display.waitForRest(1.0, 60);
    std::printf("after the first quit: %d of %zu back\n", backInPlace(display, original), windows);
    putBack();

    // Quits at moments after a command (and one shortly after the start, without a command).
    const std::vector<double> delays = {-1, 0.05, 0.3, 1.0};
    for (const double delay : delays) {
        app = startBrindlow(exe, display, windows, 120);
        if (app <= 0) return 1;
        if (delay >= 0) {
            request(socketPath(), {"focus-right"});
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        }
        const Clock::time_point signalled = Clock::now();
        kill(app, SIGTERM);
        // Counted 2 s after the signal, whether or not the process has ended.
        std::optional<double> exitedAt;
        int status = 0;
        while (secondsSince(signalled, Clock::now()) < 2.0) {
            if (!exitedAt && waitpid(app, &status, WNOHANG) == app)
                exitedAt = secondsSince(signalled, Clock::now());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const int within = backInPlace(display, original);
        if (!exitedAt) {
            waitpid(app, &status, 0);
            exitedAt = secondsSince(signalled, Clock::now());
        }
        const double exited = *exitedAt;
        display.waitForRest(1.0, 60);
        const int finally = backInPlace(display, original);
        if (delay >= 0)
            std::printf(
                "quit %.2f s after a command: %d of %zu back within 2 s, %d in the end, "
                "exit after %.1f s\n",
                delay, within, windows, finally, exited);
        else
            std::printf(
                "quit once tiled, no command: %d of %zu back within 2 s, %d in the end, "
                "exit after %.1f s\n",
                within, windows, finally, exited);
        std::fflush(stdout);
        if (finally != int(windows)) putBack();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const brindlow::bench::BenchOptions options(argc, argv);
    const std::string mode = options.word();
    const int rounds = options.number("--rounds", 20, 1);
    const pid_t parent = options.number("--parent", 0);
    if (mode == "scroll" && options.has("--exe") && options.has("--replay-display"))
        return scroll(options.text("--exe"), rounds, options.text("--replay-display").c_str(),
                      parent, options.number("--replay-parent", 0),
                      options.number("--count", 0) == 1);
    if (mode == "many" && options.has("--exe")) return many(options.text("--exe"), parent, rounds);
    std::fprintf(stderr,
                 "usage: bench_app_scroll scroll --exe PATH [--rounds R] --replay-display NAME "
                 "--parent PID --replay-parent PID [--count 1]\n"
                 "       bench_app_scroll many --exe PATH --parent PID [--rounds R]\n");
    return 2;
}
