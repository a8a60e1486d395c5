// Times `brindlow <command>` against the running instance: from the spawn of
// the tool's process to its exit, for each command, and prints the median, the
// 10th and 90th percentiles and the slowest run in milliseconds.
//
// usage: bench_app_cli_roundtrip [--runs N] [command ...]
//        (default commands: "version", which never reaches the application and
//        so gives the cost of starting the process, then "list" and "focus-right")
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// One run of the tool with its output discarded; the elapsed seconds, or a
// negative value when it did not exit with status 0.
double timedRun(const std::vector<std::string>& words) {
    std::vector<std::string> args = {BRINDLOW_EXECUTABLE_PATH};
    args.insert(args.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

double percentile(std::vector<double> sorted, double fraction) {
    const size_t index =
        std::min(sorted.size() - 1, size_t(fraction * double(sorted.size() - 1) + 0.5));
    return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 200;
    std::vector<std::vector<std::string>> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::istringstream words(arg);
            std::vector<std::string> command;
            for (std::string word; words >> word;) command.push_back(word);
            if (!command.empty()) commands.push_back(command);
        }
    }
    if (commands.empty()) commands = {{"version"}, {"list"}, {"focus-right"}};

    std::printf("%-16s %6s %9s %9s %9s %9s\n", "command", "runs", "p10 ms", "median ms", "p90 ms",
                "max ms");
    int failed = 0;
    for (const auto& command : commands) {
        // A few warm-up runs fill the page cache and the dynamic loader's caches.
        for (int i = 0; i < 5; ++i) timedRun(command);
        std::vector<double> samples;
        for (int i = 0; i < runs; ++i) {
            const double seconds = timedRun(command);
            if (seconds < 0) {
                ++failed;
                continue;
            }
            samples.push_back(seconds * 1000.0);
        }
        std::string name;
        for (const std::string& word : command) name += (name.empty() ? "" : " ") + word;
        if (samples.empty()) {
            std::printf("%-16s every run failed\n", name.c_str());
            continue;
        }
        std::sort(samples.begin(), samples.end());
        std::printf("%-16s %6zu %9.2f %9.2f %9.2f %9.2f\n", name.c_str(), samples.size(),
                    percentile(samples, 0.1), percentile(samples, 0.5), percentile(samples, 0.9),
                    samples.back());
    }
    if (failed > 0) std::printf("%d runs failed (non-zero exit status)\n", failed);
    return failed > 0 ? 1 : 0;
}
