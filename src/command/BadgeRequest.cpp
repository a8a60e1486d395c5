#include "command/BadgeRequest.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "settings/JSONCoding.h"

namespace brindlow {

namespace {

std::int32_t asInt32(const nlohmann::json& value, std::string_view key) {
    const std::int64_t number = json::asInt(value, key);
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        throw DecodeError("Number out of range for \"" + std::string(key) + "\"");
    return static_cast<std::int32_t>(number);
}

// Present and not null: a null is a value of the wrong type here, not a missing one.
const nlohmann::json& present(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object()) throw DecodeError("Expected an object");
    const auto found = object.find(key);
    if (found == object.end()) throw DecodeError("No value for key \"" + std::string(key) + "\"");
    if (found->is_null()) throw DecodeError("Null value for key \"" + std::string(key) + "\"");
    return *found;
}

}  // namespace

nlohmann::ordered_json toJSON(const BadgeRequest& request) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["shellPID"] = request.shellPID;
    object["directory"] = request.directory;
    object["command"] = request.command;
    object["status"] = request.status;
    return object;
}

void fromJSON(const nlohmann::json& value, BadgeRequest& request) {
    BadgeRequest decoded;
    decoded.shellPID = asInt32(present(value, "shellPID"), "shellPID");
    decoded.directory = json::asString(present(value, "directory"), "directory");
    decoded.command = json::asString(present(value, "command"), "command");
    decoded.status = asInt32(present(value, "status"), "status");
    request = std::move(decoded);
}

std::string encodeBadgeRequest(const BadgeRequest& request) {
    return toJSON(request).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<BadgeRequest> decodeBadgeRequest(std::string_view text, std::string* error) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded()) {
        if (error) *error = "Not JSON";
        return std::nullopt;
    }
    try {
        BadgeRequest request;
        fromJSON(parsed, request);
        return request;
    } catch (const DecodeError& failure) {
        if (error) *error = failure.what();
        return std::nullopt;
    }
}

}  // namespace brindlow
