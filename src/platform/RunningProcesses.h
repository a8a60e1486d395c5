#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brindlow {

// One entry of the process table.
struct RunningProcess {
    std::int32_t pid = 0;
    std::string name;                    // the short name, as the kernel keeps it
    std::vector<std::string> arguments;  // the first two command-line words
    friend bool operator==(const RunningProcess&, const RunningProcess&) = default;
};

// Every process in `proc` (a folder laid out like /proc), in process-id order. It reads a file
// or two of every process: call it when something that shows the outcome appears or comes to
// the front, never on a timer.
std::vector<RunningProcess> runningProcesses(const std::filesystem::path& proc = "/proc");

// The short names of runningProcesses(), in the same order: one small read per process, for a
// view that follows the table while it shows.
std::vector<std::string> runningProcessNames(const std::filesystem::path& proc = "/proc");

// runningProcessNames() for a view that reads the table again and again while it shows. Each read
// first looks at the kernel's count of tasks and the last process id it handed out (loadavg):
// while neither moved, no process started or ended and the last names stand. Otherwise it lists
// the process ids and reads the names of only the processes it has not seen before. Every
// `fullReadEvery`th read names every process anew (one that replaced its program keeps its id).
// Not thread-safe.
class ProcessNames {
  public:
    explicit ProcessNames(std::filesystem::path proc = "/proc", int fullReadEvery = 30);
    std::vector<std::string> read();

  private:
    std::filesystem::path proc_;
    int fullReadEvery_;
    int reads_ = 0;
    std::optional<std::string> stamp_;
    std::map<std::int32_t, std::string> names_;
};

// The whole content of a file, none when it cannot be read.
std::optional<std::string> fileText(const std::filesystem::path& file);

}  // namespace brindlow
