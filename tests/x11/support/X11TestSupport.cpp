#include "x11/support/X11TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace brindlow::test {

void TestMainExecutor::async(Block block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    changed_.notify_all();
}

bool TestMainExecutor::runUntil(const std::function<bool()>& done, double limit) {
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(limit));
    while (true) {
        if (done()) return true;
        Block block;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [&] { return !blocks_.empty(); })) {
                return done();
            }
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        block();
    }
}

void TestMainExecutor::runPending() {
    while (true) {
        Block block;
        {
            std::lock_guard lock(mutex_);
            if (blocks_.empty()) return;
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        block();
    }
}

TestClientProcess::TestClientProcess(std::vector<std::string> arguments) {
    int toChild[2], fromChild[2];
    // Close-on-exec, so a client started later holds no copy of this one's stdin: closing it
    // must end this client.
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addclose(&actions, toChild[1]);
    posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    std::vector<std::string> all = {BRINDLOW_TESTCLIENT_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    if (pid_ < 0) return;
    while (true) {
        std::string line = readLine();
        if (line.empty() || line == "ready") {
            ready_ = line == "ready";
            break;
        }
        if (line.rfind("window ", 0) == 0) {
            windows_.push_back(xcb_window_t(std::strtoul(line.c_str() + 7, nullptr, 16)));
        }
        if (line.rfind("owner ", 0) == 0) {
            owner_ = xcb_window_t(std::strtoul(line.c_str() + 6, nullptr, 16));
        }
    }
}

TestClientProcess::~TestClientProcess() {
    if (in_ >= 0) close(in_);  // end of stdin ends the client
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    if (out_ >= 0) close(out_);
}

std::string TestClientProcess::readLine() {
    while (true) {
        size_t newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        // A bound against a client that hangs; it answers in milliseconds.
        pollfd fd{out_, POLLIN, 0};
        if (poll(&fd, 1, 10000) <= 0) return {};
        char chunk[256];
        ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) return {};
        buffer_.append(chunk, size_t(n));
    }
}

bool TestClientProcess::command(const std::string& line) {
    std::string text = line + "\n";
    if (write(in_, text.data(), text.size()) != ssize_t(text.size())) return false;
    return readLine() == "ok";
}

void TestClientProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace brindlow::test
