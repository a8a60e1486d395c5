#include "settings/AppSettings.h"

#include "settings/JSONCoding.h"
#include "settings/Loggers.h"

namespace brindlow {

std::optional<AppRule> AppSettings::rule(std::optional<std::string_view> bundleID) const {
    if (!bundleID) return std::nullopt;
    for (const AppRule& candidate : appRules)
        if (candidate.bundleID == *bundleID) return candidate;
    return std::nullopt;
}

double AppSettings::newColumnWidth(std::optional<std::string_view> bundleID) const {
    const std::optional<AppRule> found = rule(bundleID);
    if (found && found->defaultWidth) return *found->defaultWidth;
    return defaultWidth;
}

nlohmann::json toJSON(const AppSettings& s) {
    nlohmann::json rules = nlohmann::json::array();
    for (const AppRule& rule : s.appRules) rules.push_back(toJSON(rule));
    return {
        {"gap", s.gap},
        {"outerGap", s.outerGap},
        {"defaultWidth", s.defaultWidth},
        {"presetWidths", s.presetWidths},
        {"widthStep", s.widthStep},
        {"centerMode", std::string(toText(s.centerMode))},
        {"animationsEnabled", s.animationsEnabled},
        {"springStiffness", s.springStiffness},
        {"springDamping", s.springDamping},
        {"disabledDisplays", s.disabledDisplays},
        {"focusCrossesDisplays", s.focusCrossesDisplays},
        {"twoFingerScroll", std::string(toText(s.twoFingerScroll))},
        {"gesturesEnabled", s.gesturesEnabled},
        {"gestureFingers", s.gestureFingers},
        {"gestureSensitivity", s.gestureSensitivity},
        {"showIndicator", s.showIndicator},
        {"indicatorPosition", std::string(toText(s.indicatorPosition))},
        {"showPositionInMenuBar", s.showPositionInMenuBar},
        {"focusBorder", s.focusBorder},
        {"focusBorderWidth", s.focusBorderWidth},
        {"focusBorderColor", s.focusBorderColor},
        {"dimInactive", s.dimInactive},
        {"dimAmount", s.dimAmount},
        {"focusFollowsMouse", s.focusFollowsMouse},
        {"appRules", std::move(rules)},
        {"terminalBadges", s.terminalBadges},
        {"firstRunDone", s.firstRunDone},
    };
}

namespace {

// Leaves `field` untouched when the key is missing or null, or when `decode`
// throws: a bad value means "use the default" and never spoils another key.
template <typename T, typename Decode>
void decodeKey(const nlohmann::json& object, std::string_view key, T& field, Decode decode) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return;
    try {
        field = decode(*found, key);
    } catch (const std::exception&) {
        // Falls back to the default, silently.
    }
}

double number(const nlohmann::json& value, std::string_view key) {
    return json::asDouble(value, key);
}

bool boolean(const nlohmann::json& value, std::string_view key) {
    return json::asBool(value, key);
}

std::int64_t integer(const nlohmann::json& value, std::string_view key) {
    return json::asInt(value, key);
}

std::string text(const nlohmann::json& value, std::string_view key) {
    return json::asString(value, key);
}

std::vector<double> numbers(const nlohmann::json& value, std::string_view key) {
    if (!value.is_array()) throw DecodeError("Expected an array for \"" + std::string(key) + "\"");
    std::vector<double> out;
    out.reserve(value.size());
    for (const auto& element : value) out.push_back(json::asDouble(element, key));
    return out;
}

std::vector<std::string> texts(const nlohmann::json& value, std::string_view key) {
    if (!value.is_array()) throw DecodeError("Expected an array for \"" + std::string(key) + "\"");
    std::vector<std::string> out;
    out.reserve(value.size());
    for (const auto& element : value) out.push_back(json::asString(element, key));
    return out;
}

template <typename Enum, typename Parse>
auto enumeration(Parse parse) {
    return [parse](const nlohmann::json& value, std::string_view key) -> Enum {
        const std::optional<Enum> parsed = parse(json::asString(value, key));
        if (!parsed) throw DecodeError("Unknown value for \"" + std::string(key) + "\"");
        return *parsed;
    };
}

// One malformed rule must not cost the user every other rule: each element is
// decoded on its own and only the bad ones are dropped.
std::vector<AppRule> rules(const nlohmann::json& value, std::vector<std::string>* dropped) {
    if (!value.is_array()) throw DecodeError("Expected an array for \"appRules\"");
    std::vector<AppRule> out;
    out.reserve(value.size());
    std::size_t index = 0;
    for (const auto& element : value) {
        try {
            AppRule rule;
            fromJSON(element, rule);
            out.push_back(std::move(rule));
        } catch (const std::exception& error) {
            settingsLog().error("Dropped unreadable app rule %ld: %{public}s",
                                static_cast<long>(index), std::string(error.what()));
            if (dropped) dropped->push_back(error.what());
        }
        ++index;
    }
    return out;
}

}  // namespace

AppSettings decodeAppSettings(const nlohmann::json& value, std::vector<std::string>* droppedRules) {
    if (!value.is_object()) throw DecodeError("The settings are not a JSON object.");
    AppSettings s;
    decodeKey(value, "gap", s.gap, number);
    decodeKey(value, "outerGap", s.outerGap, number);
    decodeKey(value, "defaultWidth", s.defaultWidth, number);
    decodeKey(value, "presetWidths", s.presetWidths, numbers);
    decodeKey(value, "widthStep", s.widthStep, number);
    decodeKey(value, "centerMode", s.centerMode, enumeration<CenterMode>(centerModeFromText));
    decodeKey(value, "animationsEnabled", s.animationsEnabled, boolean);
    decodeKey(value, "springStiffness", s.springStiffness, number);
    decodeKey(value, "springDamping", s.springDamping, number);
    decodeKey(value, "disabledDisplays", s.disabledDisplays, texts);
    decodeKey(value, "focusCrossesDisplays", s.focusCrossesDisplays, boolean);
    decodeKey(value, "twoFingerScroll", s.twoFingerScroll,
              enumeration<TwoFingerScroll>(twoFingerScrollFromText));
    decodeKey(value, "gesturesEnabled", s.gesturesEnabled, boolean);
    decodeKey(value, "gestureFingers", s.gestureFingers, integer);
    decodeKey(value, "gestureSensitivity", s.gestureSensitivity, number);
    decodeKey(value, "showIndicator", s.showIndicator, boolean);
    decodeKey(value, "indicatorPosition", s.indicatorPosition,
              enumeration<IndicatorPosition>(indicatorPositionFromText));
    decodeKey(value, "showPositionInMenuBar", s.showPositionInMenuBar, boolean);
    decodeKey(value, "focusBorder", s.focusBorder, boolean);
    decodeKey(value, "focusBorderWidth", s.focusBorderWidth, number);
    decodeKey(value, "focusBorderColor", s.focusBorderColor, text);
    decodeKey(value, "dimInactive", s.dimInactive, boolean);
    decodeKey(value, "dimAmount", s.dimAmount, number);
    decodeKey(value, "focusFollowsMouse", s.focusFollowsMouse, boolean);
    decodeKey(value, "appRules", s.appRules,
              [droppedRules](const nlohmann::json& rulesValue, std::string_view) {
                  return rules(rulesValue, droppedRules);
              });
    decodeKey(value, "terminalBadges", s.terminalBadges, boolean);
    decodeKey(value, "firstRunDone", s.firstRunDone, boolean);
    return s;
}

void fromJSON(const nlohmann::json& value, AppSettings& settings) {
    settings = decodeAppSettings(value);
}

}  // namespace brindlow
