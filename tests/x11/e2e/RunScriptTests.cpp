// scripts/run as a user starts it: without a usable display it starts a
// throwaway session, says how to drive Brindlow, and a quit request to the
// script ends Brindlow in order and takes the whole session down with it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>

#include "AppProcess.h"
#include "support/TempFolder.h"

extern char** environ;

namespace brindlow::test {
namespace {

constexpr double kStartLimit = 60.0;
constexpr double kQuitLimit = 20.0;

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// scripts/run with its standard output and error on a pipe that the test reads.
class RunScript {
  public:
    RunScript(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        output_ = fds[0];
        std::vector<std::string> argv = {std::string(BRINDLOW_SOURCE_DIR) + "/scripts/run"};
        argv.insert(argv.end(), args.begin(), args.end());
        // The given variables replace the inherited ones of the same name.
        std::vector<std::string> env = extraEnv;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text(*entry);
            const std::string key = text.substr(0, text.find('=') + 1);
            bool replaced = false;
            for (const std::string& extra : extraEnv) replaced |= extra.rfind(key, 0) == 0;
            if (!replaced) env.push_back(text);
        }
        std::vector<char*> argp, envp;
        for (std::string& text : argv) argp.push_back(text.data());
        for (std::string& text : env) envp.push_back(text.data());
        argp.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        if (posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
    }

    ~RunScript() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) close(output_);
    }

    pid_t pid() const { return pid_; }
    const std::string& output() const { return text_; }

    // Reads output until `pattern` matches it; the first group of the match.
    std::optional<std::string> waitForOutput(const std::regex& pattern, double limit) {
        const auto deadline = deadlineAfter(limit);
        std::smatch match;
        while (!std::regex_search(text_, match, pattern)) {
            if (!readSome(deadline)) return std::nullopt;
        }
        return match.size() > 1 ? match[1].str() : match[0].str();
    }

    // Reads whatever output comes within `seconds`; false when none came.
    bool readFor(double seconds) { return readSome(deadlineAfter(seconds)); }

    // Reads the output to its end (every process that held the pipe is gone)
    // and reaps the script; its exit status, none when the limit passed first.
    std::optional<int> waitForEnd(double limit) {
        const auto deadline = deadlineAfter(limit);
        while (readSome(deadline)) {
        }
        if (Clock::now() >= deadline) return std::nullopt;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    // False at the end of the output or at the deadline.
    bool readSome(Clock::time_point deadline) {
        pollfd fd{output_, POLLIN, 0};
        const int ready = poll(&fd, 1, millisecondsUntil(deadline));
        if (ready <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) return false;
        text_.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int output_ = -1;
    bool exited_ = false;
    std::string text_;
};

bool displayAnswers(const std::string& display) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

TEST(RunScript, ThrowawaySessionStopsCleanlyWhenTheScriptIsAskedToQuit) {
    TempFolder data;
    const std::string buildDir = BRINDLOW_BUILD_DIR_PATH;
    RunScript run({"--demo", "--no-build"},
                  {"XDG_DATA_HOME=" + data.path().string(), "BRINDLOW_BUILD_DIR=" + buildDir,
                   "BRINDLOW_LOG=info"});
    ASSERT_GT(run.pid(), 0);

    const auto display =
        run.waitForOutput(std::regex("Brindlow runs on display (:[0-9]+)\\."), kStartLimit);
    ASSERT_TRUE(display) << run.output();
    EXPECT_NE(run.output().find(" list --titles"), std::string::npos) << run.output();

    // Brindlow answers on its socket once it is up; each try is a full round
    // trip of the tool, waiting on the script's output in between.
    const std::map<std::string, std::string> toolEnvironment = {
        {"XDG_DATA_HOME", data.path().string()}};
    bool answered = false;
    const auto deadline = deadlineAfter(kStartLimit);
    while (!answered && Clock::now() < deadline) {
        answered = runProcess({BRINDLOW_EXECUTABLE_PATH, "list"}, toolEnvironment).status == 0;
        if (!answered) run.readFor(0.1);
    }
    ASSERT_TRUE(answered) << run.output();
    EXPECT_TRUE(displayAnswers(*display));

    // A quit request to the script alone, as `kill <pid>` sends it.
    kill(run.pid(), SIGTERM);
    const auto status = run.waitForEnd(kQuitLimit);
    ASSERT_TRUE(status) << "scripts/run did not end after SIGTERM\n" << run.output();
    EXPECT_NE(run.output().find("Quitting on signal"), std::string::npos) << run.output();
    // Brindlow quit in order (its socket is gone) and the session went with it.
    EXPECT_FALSE(std::filesystem::exists(data.path() / "Brindlow" / "brindlow.sock"));
    EXPECT_FALSE(displayAnswers(*display));
}

}  // namespace
}  // namespace brindlow::test
