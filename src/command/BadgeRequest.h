#pragma once

#include <cstdint>
#include <string>

namespace brindlow {

// One finished terminal command reported by a shell hook ("notify done"): the
// strip controller badges the terminal window in which that shell runs.
struct BadgeRequest {
    std::int32_t shellPID = 0;
    std::string directory;
    std::string command;
    std::int32_t status = 0;  // logged only

    bool operator==(const BadgeRequest&) const = default;
};

}  // namespace brindlow
