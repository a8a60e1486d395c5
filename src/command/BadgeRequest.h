#pragma once

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "settings/JSONCoding.h"

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

inline nlohmann::json toJSON(const BadgeRequest& request) {
    return {{"shellPID", request.shellPID},
            {"directory", request.directory},
            {"command", request.command},
            {"status", request.status}};
}

// All four keys are required and must have their types.
inline void fromJSON(const nlohmann::json& object, BadgeRequest& out) {
    const auto int32 = [&](std::string_view key) {
        const std::int64_t value = json::asInt(json::required(object, key), key);
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            throw DecodeError("Number out of range for \"" + std::string(key) + "\"");
        return static_cast<std::int32_t>(value);
    };
    BadgeRequest result;
    result.shellPID = int32("shellPID");
    result.directory = json::asString(json::required(object, "directory"), "directory");
    result.command = json::asString(json::required(object, "command"), "command");
    result.status = int32("status");
    out = std::move(result);
}

}  // namespace brindlow
