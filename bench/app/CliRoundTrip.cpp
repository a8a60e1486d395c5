// Times `brindlow <command>` against the running instance: from the spawn of
// the tool's process to its exit, for each command, and prints the median, the
// 10th and 90th percentiles and the slowest run in milliseconds. With --vs, a
// reference command (another program's command-line tool) runs after each run,
// interleaved, and the median of the run-by-run ratios is printed too.
//
// usage: bench_app_cli_roundtrip [--runs N] [--vs 'program args'] [command ...]
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

#include "BenchOptions.h"

extern char** environ;

namespace {

// One run of the tool with its output discarded; the elapsed seconds, or a
// negative value when it did not exit with status 0.
double timedProcess(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

double timedRun(const std::vector<std::string>& words) {
    std::vector<std::string> args = {BRINDLOW_EXECUTABLE_PATH};
    args.insert(args.end(), words.begin(), words.end());
    return timedProcess(args);
}

std::vector<std::string> splitWords(const std::string& text) {
    std::istringstream words(text);
    std::vector<std::string> result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
}

double percentile(std::vector<double> sorted, double fraction) {
    const size_t index =
        std::min(sorted.size() - 1, size_t(fraction * double(sorted.size() - 1) + 0.5));
    return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
    const brindlow::bench::BenchOptions options(argc, argv);
    const int runs = options.number("--runs", 200, 1);
    const std::vector<std::string> reference = splitWords(options.text("--vs"));
    std::vector<std::vector<std::string>> commands;
    for (const std::string& word : options.words())
        if (auto command = splitWords(word); !command.empty()) commands.push_back(command);
    if (commands.empty()) commands = {{"version"}, {"list"}, {"focus-right"}};

    std::printf("%-16s %6s %9s %9s %9s %9s\n", "command", "runs", "p10 ms", "median ms", "p90 ms",
                "max ms");
    int failed = 0;
    for (const auto& command : commands) {
        // A few warm-up runs fill the page cache and the dynamic loader's caches.
        for (int i = 0; i < 5; ++i) {
            timedRun(command);
            if (!reference.empty()) timedProcess(reference);
        }
        std::vector<double> samples, referenceSamples, ratios;
        for (int i = 0; i < runs; ++i) {
            const double seconds = timedRun(command);
            const double referenceSeconds = reference.empty() ? 0 : timedProcess(reference);
            if (seconds < 0 || referenceSeconds < 0) {
                ++failed;
                continue;
            }
            samples.push_back(seconds * 1000.0);
            if (!reference.empty()) {
                referenceSamples.push_back(referenceSeconds * 1000.0);
                ratios.push_back(seconds / referenceSeconds);
            }
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
        if (!ratios.empty()) {
            std::sort(referenceSamples.begin(), referenceSamples.end());
            std::sort(ratios.begin(), ratios.end());
            std::printf("%-16s %6zu %9.2f %9.2f %9.2f %9.2f   ratio median %.2f\n", "  reference",
                        referenceSamples.size(), percentile(referenceSamples, 0.1),
                        percentile(referenceSamples, 0.5), percentile(referenceSamples, 0.9),
                        referenceSamples.back(), percentile(ratios, 0.5));
        }
    }
    if (failed > 0) std::printf("%d runs failed (non-zero exit status)\n", failed);
    return failed > 0 ? 1 : 0;
}
