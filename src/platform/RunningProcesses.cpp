#include "platform/RunningProcesses.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

namespace brindlow {

namespace {

std::optional<std::int32_t> processID(const std::string& folderName) {
    std::int32_t pid = 0;
    const char* end = folderName.data() + folderName.size();
    const auto [stop, error] = std::from_chars(folderName.data(), end, pid);
    if (error != std::errc() || stop != end || pid <= 0) return std::nullopt;
    return pid;
}

// The kernel's short name of a process (at most 15 bytes and a newline), without a stream: a
// read of every process's name should cost little more than the system calls. None when the
// process ended meanwhile.
std::optional<std::string> shortName(const std::filesystem::path& folder) {
    const int file = ::open((folder / "comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return std::nullopt;
    char buffer[64];
    const ssize_t length = ::read(file, buffer, sizeof buffer);
    ::close(file);
    if (length < 0) return std::nullopt;
    std::string name(buffer, std::size_t(length));
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
    return name;
}

}  // namespace

std::optional<std::string> fileText(const std::filesystem::path& file) {
    // Plain reads, not a stream: a file of a process that ends between the open and the read
    // opens but cannot be read, and a stream's iterator throws out of its buffer then.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    ssize_t length = 0;
    while ((length = ::read(descriptor, buffer, sizeof buffer)) != 0) {
        if (length < 0 && errno == EINTR) continue;
        if (length < 0) break;
        text.append(buffer, std::size_t(length));
    }
    ::close(descriptor);
    if (length < 0) return std::nullopt;
    return text;
}

std::vector<RunningProcess> runningProcesses(const std::filesystem::path& proc) {
    std::vector<RunningProcess> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(proc, error)) {
        const std::optional<std::int32_t> pid = processID(entry.path().filename().string());
        if (!pid) continue;
        // A process that ended meanwhile has no files left.
        std::optional<std::string> name = shortName(entry.path());
        if (!name) continue;
        RunningProcess process{*pid, std::move(*name), {}};
        // Words end with a NUL; kernel threads have none.
        if (const std::optional<std::string> cmdline = fileText(entry.path() / "cmdline")) {
            std::size_t start = 0;
            while (process.arguments.size() < 2 && start < cmdline->size()) {
                const std::size_t end = std::min(cmdline->find('\0', start), cmdline->size());
                process.arguments.push_back(cmdline->substr(start, end - start));
                start = end + 1;
            }
        }
        processes.push_back(std::move(process));
    }
    std::sort(processes.begin(), processes.end(),
              [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
    return processes;
}

std::vector<std::string> runningProcessNames(const std::filesystem::path& proc) {
    std::vector<std::pair<std::int32_t, std::string>> named;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(proc, error)) {
        const std::optional<std::int32_t> pid = processID(entry.path().filename().string());
        if (!pid) continue;
        if (std::optional<std::string> name = shortName(entry.path()))
            named.emplace_back(*pid, std::move(*name));
    }
    std::sort(named.begin(), named.end());
    std::vector<std::string> names;
    names.reserve(named.size());
    for (auto& [pid, name] : named) names.push_back(std::move(name));
    return names;
}

ProcessNames::ProcessNames(std::filesystem::path proc, int fullReadEvery)
    : proc_(std::move(proc)), fullReadEvery_(std::max(1, fullReadEvery)) {}

namespace {

// "358 16769" of "0.52 0.61 0.70 2/358 16769": the tasks there are and the last process id
// handed out, without the first fields, which change by the moment. None without the file.
std::optional<std::string> tableStamp(const std::filesystem::path& proc) {
    const int file = ::open((proc / "loadavg").c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return std::nullopt;
    char buffer[128];
    const ssize_t length = ::read(file, buffer, sizeof buffer);
    ::close(file);
    if (length <= 0) return std::nullopt;
    const std::string text(buffer, std::size_t(length));
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    return text.substr(slash + 1);
}

}  // namespace

std::vector<std::string> ProcessNames::read() {
    const bool full = reads_++ % fullReadEvery_ == 0;
    std::optional<std::string> stamp = tableStamp(proc_);
    if (full || !stamp || stamp != stamp_) {
        std::map<std::int32_t, std::string> current;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(proc_, error)) {
            const std::optional<std::int32_t> pid = processID(entry.path().filename().string());
            if (!pid) continue;
            const auto known = names_.find(*pid);
            if (!full && known != names_.end()) {
                current.emplace(*pid, std::move(known->second));
            } else if (std::optional<std::string> name = shortName(entry.path())) {
                current.emplace(*pid, std::move(*name));
            }
        }
        names_ = std::move(current);
        stamp_ = std::move(stamp);
    }
    std::vector<std::string> names;
    names.reserve(names_.size());
    for (const auto& [pid, name] : names_) names.push_back(name);
    return names;
}

}  // namespace brindlow
