#include "platform/RunningProcesses.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
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

}  // namespace

std::optional<std::string> fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<RunningProcess> runningProcesses(const std::filesystem::path& proc) {
    std::vector<RunningProcess> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(proc, error)) {
        const std::optional<std::int32_t> pid = processID(entry.path().filename().string());
        if (!pid) continue;
        // A process that ended meanwhile has no files left.
        std::optional<std::string> name = fileText(entry.path() / "comm");
        if (!name) continue;
        while (!name->empty() && (name->back() == '\n' || name->back() == ' ')) name->pop_back();
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

}  // namespace brindlow
