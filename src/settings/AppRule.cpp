#include "settings/AppRule.h"

#include "settings/JSONCoding.h"

namespace brindlow {

nlohmann::json toJSON(const AppRule& rule) {
    nlohmann::json object = {
        {"bundleID", rule.bundleID},
        {"name", rule.name},
        {"behavior", std::string(toText(rule.behavior))},
    };
    if (rule.defaultWidth) object["defaultWidth"] = *rule.defaultWidth;
    return object;
}

void fromJSON(const nlohmann::json& value, AppRule& rule) {
    AppRule decoded;
    decoded.bundleID = json::asString(json::required(value, "bundleID"), "bundleID");
    decoded.name = json::asString(json::required(value, "name"), "name");
    const std::string& behavior = json::asString(json::required(value, "behavior"), "behavior");
    const std::optional<AppBehavior> parsed = appBehaviorFromText(behavior);
    if (!parsed) throw DecodeError("Unknown behavior \"" + behavior + "\"");
    decoded.behavior = *parsed;
    if (const nlohmann::json* width = json::member(value, "defaultWidth"))
        decoded.defaultWidth = json::asDouble(*width, "defaultWidth");
    rule = std::move(decoded);
}

}  // namespace brindlow
