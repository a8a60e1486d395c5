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

// runningProcessNames() for a view that reads the table again and again while it shows: each read
// lists the process ids and reads the names of only the processes it has not seen before, and
// every name again at every `fullReadEvery`th read (a process that replaced its program keeps
// its id). Listing the ids costs a fraction of reading every name. Not thread-safe.
class ProcessNames {
  public:
    explicit ProcessNames(std::filesystem::path proc = "/proc", int fullReadEvery = 10);
    std::vector<std::string> read();

  private:
    std::filesystem::path proc_;
    int fullReadEvery_;
    int reads_ = 0;
    std::map<std::int32_t, std::string> names_;
};

// The whole content of a file, none when it cannot be read.
std::optional<std::string> fileText(const std::filesystem::path& file);

}  // namespace brindlow
