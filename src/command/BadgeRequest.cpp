#include "command/BadgeRequest.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "settings/JSONCoding.h"

namespace brindlow {

nlohmann::json toJSON(const BadgeRequest& request) {
    return {{"shellPID", request.shellPID},
            {"directory", request.directory},
            {"command", request.command},
            {"status", request.status}};
}

void fromJSON(const nlohmann::json& object, BadgeRequest& out) {
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
