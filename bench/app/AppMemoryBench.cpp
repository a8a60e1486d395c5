// What a running Brindlow keeps of applications and windows that are gone: its resident memory
// while short-lived applications come and go on the current X display (run it inside
// bench/app/memory, which makes the session and starts Brindlow).
//
// usage: bench_app_memory --pid PID --socket PATH --testclient PATH
//          [--apps N] [--batch K] [--warmup W] [--storms S] [--storm-windows M]
//   Applications: N test clients, K at a time, each with one window: started, listed by
//   Brindlow, quit, gone from the list. The resident memory is printed every 100 applications;
//   the growth is counted from the end of the first W (200: by then the in-memory log, which
//   keeps a fixed number of lines, is full).
//   Storms: S times one client with M windows at once, added and removed.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BenchOptions.h"
#include "SocketRequest.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    pid_t pid = 0;
    std::string socket;
    std::string testclient;
    int apps = 1000;
    int batch = 10;
    int warmup = 200;
    int storms = 20;
    int stormWindows = 50;
};

using brindlow::bench::request;

// How many windows Brindlow lists (one "app" key each).
int listedWindows(const std::string& socketPath) {
    const auto reply = request(socketPath, "{\"args\":[\"list\"],\"callerPID\":null}\n");
    if (!reply) return -1;
    int count = 0;
    for (size_t at = reply->find("\\\"app\\\""); at != std::string::npos;
         at = reply->find("\\\"app\\\"", at + 1))
        ++count;
    return count;
}

// Waits (each try a round trip to Brindlow) until it lists `count` windows; false after 30 s.
bool waitForListed(const std::string& socketPath, int count) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline)
        if (listedWindows(socketPath) == count) return true;
    return false;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A test client that lives while its standard input stays open.
struct Client {
    pid_t pid = -1;
    int input = -1;
};

Client startClient(const std::string& testclient, const std::vector<std::string>& args) {
    int pipeFDs[2];
    // Close-on-exec: a later client must not hold this one's input open.
    if (pipe2(pipeFDs, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFDs[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeFDs[1]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argv = {testclient};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    Client client;
    if (posix_spawn(&client.pid, testclient.c_str(), &actions, nullptr, pointers.data(), environ) !=
        0)
        client.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFDs[0]);
    client.input = pipeFDs[1];
    return client;
}

void quit(Client& client) {
    close(client.input);
    waitpid(client.pid, nullptr, 0);
}

Options parse(int argc, char** argv) {
    const brindlow::bench::BenchOptions given(argc, argv);
    Options o;
    o.pid = given.number("--pid", o.pid);
    o.socket = given.text("--socket");
    o.testclient = given.text("--testclient");
    o.apps = given.number("--apps", o.apps);
    o.batch = given.number("--batch", o.batch, 1);
    o.warmup = given.number("--warmup", o.warmup);
    o.storms = given.number("--storms", o.storms);
    o.stormWindows = given.number("--storm-windows", o.stormWindows);
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    if (o.pid <= 0 || o.socket.empty() || o.testclient.empty()) {
        std::fprintf(stderr,
                     "usage: bench_app_memory --pid PID --socket PATH --testclient PATH [--apps N] "
                     "[--batch K] [--warmup W] [--storms S] [--storm-windows M]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    const int baseline = listedWindows(o.socket);
    if (baseline < 0) {
        std::fprintf(stderr, "bench_app_memory: Brindlow does not answer on %s\n",
                     o.socket.c_str());
        return 1;
    }

    std::printf("applications: %d, %d at a time, one window each\n", o.apps, o.batch);
    std::printf("%8s %10s\n", "apps", "rss KiB");
    std::printf("%8d %10ld\n", 0, residentKiB(o.pid));
    long afterWarmup = -1;
    for (int done = 0; done < o.apps;) {
        const int count = std::min(o.batch, o.apps - done);
        std::vector<Client> clients;
        for (int i = 0; i < count; ++i)
            clients.push_back(
                startClient(o.testclient, {"--title", "memory " + std::to_string(done + i)}));
        if (!waitForListed(o.socket, baseline + count)) {
            std::fprintf(stderr, "bench_app_memory: the windows were not all listed\n");
            return 1;
        }
        for (Client& client : clients) quit(client);
        if (!waitForListed(o.socket, baseline)) {
            std::fprintf(stderr, "bench_app_memory: the windows did not all go\n");
            return 1;
        }
        const int before = done;
        done += count;
        if (before < o.warmup && done >= o.warmup) afterWarmup = residentKiB(o.pid);
        if (done / 100 != before / 100 || done == o.apps)
            std::printf("%8d %10ld\n", done, residentKiB(o.pid));
        std::fflush(stdout);
    }
    const long afterApps = residentKiB(o.pid);
    if (afterWarmup >= 0)
        std::printf(
            "growth after the first %d applications: %ld KiB (%.0f bytes per application)\n",
            o.warmup, afterApps - afterWarmup,
            double(afterApps - afterWarmup) * 1024.0 / double(o.apps - o.warmup));

    if (o.storms > 0) {
        std::printf("storms: %d times %d windows added and removed at once\n", o.storms,
                    o.stormWindows);
        long afterFirstStorm = -1;
        for (int storm = 1; storm <= o.storms; ++storm) {
            Client client = startClient(
                o.testclient, {"--title", "storm", "--windows", std::to_string(o.stormWindows)});
            if (!waitForListed(o.socket, baseline + o.stormWindows)) {
                std::fprintf(stderr, "bench_app_memory: the storm's windows were not all listed\n");
                return 1;
            }
            quit(client);
            if (!waitForListed(o.socket, baseline)) {
                std::fprintf(stderr, "bench_app_memory: the storm's windows did not all go\n");
                return 1;
            }
            if (storm == 1) afterFirstStorm = residentKiB(o.pid);
            if (storm % 10 == 0) std::printf("%8d %10ld  (storms)\n", storm, residentKiB(o.pid));
            std::fflush(stdout);
        }
        const long afterStorms = residentKiB(o.pid);
        std::printf("rss after the first storm %ld KiB, after the last %ld KiB: growth %ld KiB\n",
                    afterFirstStorm, afterStorms, afterStorms - afterFirstStorm);
    }
    return 0;
}
