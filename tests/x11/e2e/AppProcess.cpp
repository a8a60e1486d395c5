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
    ChildProcess child(argv, environment, ChildProcess::CaptureOutput{});
    if (!child.started()) return {};
    child.closeInput();
    constexpr double kForever = 1e6;
    child.readOutputToEnd(kForever);
    return {child.waitForExit(kForever).value_or(-1), child.out(), child.err()};
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
    // Close-on-exec, so that no later child holds a copy: closing the input ends this one's.
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_ = spawn(argv, environment, &actions);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]}) close(fd);
    input_ = in[1];
    pipes_[0] = out[0];
    pipes_[1] = err[0];
}

bool ChildProcess::writeInput(const std::string& text) {
    return input_ >= 0 && write(input_, text.data(), text.size()) == ssize_t(text.size());
}

void ChildProcess::closeInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

ChildProcess::~ChildProcess() {
    closeInput();
    for (int pipe : pipes_)
        if (pipe >= 0) close(pipe);
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

// Reads what the pipes hold within `limit`: false after the limit or once both ended.
bool ChildProcess::readOutput(std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{pipes_[0], POLLIN, 0}, {pipes_[1], POLLIN, 0}};
    if (pipes_[0] < 0 && pipes_[1] < 0) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(fds, 2, int(left.count())) <= 0) return false;
    std::string* sinks[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (pipes_[i] < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[4096];
        const ssize_t n = read(pipes_[i], buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, size_t(n));
        } else {
            close(pipes_[i]);
            pipes_[i] = -1;
        }
    }
    return true;
}

bool ChildProcess::waitForOutput(const std::function<bool(const std::string&)>& done,
                                 double limit) {
    const auto deadline = deadlineAfter(limit);
    while (!done(out_ + err_))
        if (!readOutput(deadline)) return false;
    return true;
}

bool ChildProcess::readOutputToEnd(double limit) {
    const auto deadline = deadlineAfter(limit);
    while (readOutput(deadline)) {
    }
    return pipes_[0] < 0 && pipes_[1] < 0;
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
        if (exitEvent < 0) {
            // A kernel without process descriptors: only a blocking wait tells of the exit.
            if (waitpid(pid_, &status, 0) == pid_) {
                exited_ = true;
                if (WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
            }
            break;
        }
        pollfd wait{exitEvent, POLLIN, 0};
        poll(&wait, 1, int(left.count()));  // an interrupted wait is simply asked again
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

}  // namespace brindlow::test
