#include "app/CLIMessages.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "settings/JSONCoding.h"

namespace brindlow {

namespace {

nlohmann::json parseObject(std::string_view line) {
    // No exceptions: a malformed line (including invalid UTF-8 or trailing
    // bytes) comes back discarded.
    nlohmann::json value = nlohmann::json::parse(line, nullptr, false);
    if (value.is_discarded() || !value.is_object()) return nullptr;
    return value;
}

}  // namespace

std::optional<std::string> encodeLine(const CLIRequest& request) {
    nlohmann::json object = nlohmann::json::object();
    object["args"] = request.args;
    if (request.callerPID) object["callerPID"] = *request.callerPID;
    try {
        return object.dump() + "\n";
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::string encodeLine(const CLIResponse& response) {
    const nlohmann::json object = {{"ok", response.ok}, {"output", response.output}};
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<CLIRequest> decodeRequest(std::string_view line) {
    const nlohmann::json object = parseObject(line);
    if (object.is_null()) return std::nullopt;
    try {
        CLIRequest request;
        const nlohmann::json& args = json::required(object, "args");
        if (!args.is_array()) return std::nullopt;
        for (const auto& word : args) request.args.push_back(json::asString(word, "args"));
        if (const nlohmann::json* pid = json::member(object, "callerPID")) {
            const std::int64_t value = json::asInt(*pid, "callerPID");
            if (value < std::numeric_limits<std::int32_t>::min() ||
                value > std::numeric_limits<std::int32_t>::max())
                return std::nullopt;
            request.callerPID = static_cast<std::int32_t>(value);
        }
        return request;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

std::optional<CLIResponse> decodeResponse(std::string_view line) {
    const nlohmann::json object = parseObject(line);
    if (object.is_null()) return std::nullopt;
    try {
        CLIResponse response;
        response.ok = json::asBool(json::required(object, "ok"), "ok");
        response.output = json::asString(json::required(object, "output"), "output");
        return response;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

}  // namespace brindlow
