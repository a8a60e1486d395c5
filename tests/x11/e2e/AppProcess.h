#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brindlow::test {

// Bounds waits on the session's display against hangs; they end as soon as their condition holds.
inline constexpr double kLimit = 15.0;

struct ProcessRun {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a program to its end with the given extra environment.
ProcessRun runProcess(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& environment = {});

// A long-lived child process (Brindlow itself, an xterm); killed with SIGKILL
// and reaped when it goes out of scope unless it was waited for.
class ChildProcess {
  public:
    // Standard output and error go to `logFile` when given, else to /dev/null.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& environment = {},
                 const std::optional<std::filesystem::path>& logFile = std::nullopt);
    struct CaptureOutput {};
    // Standard input, output and error on pipes: writeInput writes to the first, waitForOutput
    // and readOutputToEnd read the others.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& environment, CaptureOutput);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }
    void signal(int number) const;
    // Waits up to `limit` seconds for the exit; the exit status, or none when
    // it is still running or was killed by a signal.
    std::optional<int> waitForExit(double limit);
    bool hasExited() const { return exited_; }

    bool writeInput(const std::string& text);
    void closeInput();
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }
    // Reads the captured output until `done` holds for standard output and error together; false
    // at their end or after `limit`.
    bool waitForOutput(const std::function<bool(const std::string&)>& done, double limit);
    // Reads the captured output to its end, when every process that held the pipe is gone.
    bool readOutputToEnd(double limit);

  private:
    bool readOutput(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    bool exited_ = false;
    std::optional<int> exitStatus_;
    int input_ = -1;
    int pipes_[2] = {-1, -1};  // standard output and error when captured
    std::string out_, err_;
};

bool xdotool(const std::vector<std::string>& args);

// With BRINDLOW_SCREENSHOT_DIR set, saves the screen there as <name>.png, to look at.
void screenshot(const std::string& name);

}  // namespace brindlow::test
