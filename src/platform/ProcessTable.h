#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brindlow {

// The system's process table.
class ProcessTable {
  public:
    virtual ~ProcessTable() = default;

    // The parent of a process; nothing when the process does not exist.
    virtual std::optional<std::int32_t> parentProcessID(std::int32_t pid) const = 0;
    // The short command name of a process, when it exists.
    virtual std::optional<std::string> processName(std::int32_t pid) const = 0;
};

}  // namespace brindlow
