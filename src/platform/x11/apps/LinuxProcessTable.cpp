#include "platform/x11/apps/LinuxProcessTable.h"

#include <sstream>

#include "platform/RunningProcesses.h"

namespace brindlow {

LinuxProcessTable::LinuxProcessTable(std::string procFolder) : folder_(std::move(procFolder)) {}

bool LinuxProcessTable::readStat(std::int32_t pid, std::string& name, std::int32_t& parent) const {
    if (pid <= 0) return false;
    const std::string text =
        fileText(folder_ + "/" + std::to_string(pid) + "/stat").value_or(std::string());
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    size_t open = text.find('(');
    size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    long ppid = 0;
    if (!(rest >> state >> ppid)) return false;
    parent = std::int32_t(ppid);
    return true;
}

std::optional<std::int32_t> LinuxProcessTable::parentProcessID(std::int32_t pid) const {
    std::string name;
    std::int32_t parent = 0;
    if (!readStat(pid, name, parent)) return std::nullopt;
    return parent;
}

std::optional<std::string> LinuxProcessTable::processName(std::int32_t pid) const {
    std::string name;
    std::int32_t parent = 0;
    if (!readStat(pid, name, parent)) return std::nullopt;
    return name;
}

}  // namespace brindlow
