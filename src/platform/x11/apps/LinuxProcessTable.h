#pragma once

#include <string>

#include "platform/ProcessTable.h"

namespace brindlow {

// The process table read from /proc (or another folder laid out like it).
class LinuxProcessTable final : public ProcessTable {
  public:
    explicit LinuxProcessTable(std::string procFolder = "/proc");
    std::optional<std::int32_t> parentProcessID(std::int32_t pid) const override;
    std::optional<std::string> processName(std::int32_t pid) const override;

  private:
    // The command name and the parent from /proc/<pid>/stat.
    bool readStat(std::int32_t pid, std::string& name, std::int32_t& parent) const;
    std::string folder_;
};

}  // namespace brindlow
