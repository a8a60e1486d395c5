#include "AppProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

extern char** environ;

namespace brindlow::test {

namespace {

std::chrono::steady_clock::time_point deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string key = text.substr(0, text.find('='));
        if (!extra.contains(key)) result.push_back(text);
    }
    for (const auto& [key, value] : extra) result.push_back(key + "=" + value);
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra,
            posix_spawn_file_actions_t* actions) {
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(extra);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argp[0], actions, nullptr, argp.data(), envp.data()) != 0) return -1;
    return pid;
}

}  // namespace

ProcessRun runProcess(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& environment) {
    ProcessRun run;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    const pid_t pid = spawn(argv, environment, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = pid > 0 ? 2 : 0;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    }
    return run;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment,
                           const std::optional<std::filesystem::path>& logFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string target = logFile ? logFile->string() : "/dev/null";
    posix_spawn_file_actions_addopen(&actions, 1, target.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_ = spawn(argv, environment, &actions);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment, CaptureOutput) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    pid_ = spawn(argv, environment, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    outputPipe_ = fds[0];
}

ChildProcess::~ChildProcess() {
    if (outputPipe_ >= 0) close(outputPipe_);
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

// Reads what the pipe holds within `limit`: false at its end or after the limit, and sets `ended`
// at its end.
bool ChildProcess::readOutput(std::chrono::steady_clock::time_point deadline, bool& ended) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{outputPipe_, POLLIN, 0};
    if (left.count() <= 0 || poll(&fd, 1, int(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(outputPipe_, buffer, sizeof buffer);
    ended = n <= 0;
    if (n > 0) output_.append(buffer, size_t(n));
    return n > 0;
}

bool ChildProcess::waitForOutput(const std::function<bool(const std::string&)>& done,
                                 double limit) {
    const auto deadline = deadlineAfter(limit);
    bool ended = false;
    while (!done(output_))
        if (!readOutput(deadline, ended)) return false;
    return true;
}

bool ChildProcess::readOutputToEnd(double limit) {
    const auto deadline = deadlineAfter(limit);
    bool ended = false;
    while (readOutput(deadline, ended)) {
    }
    return ended;
}

void ChildProcess::signal(int number) const {
    if (pid_ > 0 && !exited_) kill(pid_, number);
}

std::optional<int> ChildProcess::waitForExit(double limit) {
    if (pid_ <= 0) return std::nullopt;
    const auto deadline = deadlineAfter(limit);
    // The process descriptor becomes readable when the child exits.
    const int exitEvent = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    while (!exited_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            if (WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{exitEvent, POLLIN, 0};
        if (exitEvent < 0 || poll(&wait, 1, int(left.count())) < 0) usleep(10'000);
    }
    if (exitEvent >= 0) close(exitEvent);
    return exited_ ? exitStatus_ : std::nullopt;
}

bool xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv).status == 0;
}

void screenshot(const std::string& name) {
    const char* folder = std::getenv("BRINDLOW_SCREENSHOT_DIR");
    if (folder && *folder)
        runProcess({"import", "-window", "root", std::string(folder) + "/" + name + ".png"});
}

void stopBrindlow(std::unique_ptr<ChildProcess>& brindlow, const std::filesystem::path& logFile,
                  bool testFailed) {
    if (brindlow && !brindlow->hasExited()) {
        brindlow->signal(SIGTERM);
        brindlow->waitForExit(5.0);
    }
    if (testFailed) {
        std::ifstream log(logFile);
        std::stringstream text;
        text << log.rdbuf();
        std::cerr << "---- brindlow log ----\n" << text.str() << "----\n";
    }
    brindlow.reset();
}

}  // namespace brindlow::test
