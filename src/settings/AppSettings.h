#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppRule.h"
#include "settings/SettingsEnums.h"
#include "settings/TwoFingerScroll.h"
#include "strip/CenterMode.h"

namespace brindlow {

// The whole user configuration as one value, stored as "settings.json". Every
// field has a default; nothing is clamped when decoded or stored, so readers
// bound a value where they use it.
struct AppSettings {
    double gap = 12;            // points between columns and between stacked windows
    double outerGap = 12;       // points between the strip and the usable area's edges
    double defaultWidth = 0.5;  // fraction of the viewport for a new column
    std::vector<double> presetWidths = {0.25, 1.0 / 3.0, 0.5, 2.0 / 3.0, 0.75};
    double widthStep = 0.1;  // step of wider / narrower
    CenterMode centerMode = CenterMode::never;
    bool animationsEnabled = true;
    double springStiffness = 300;  // the scroll animation's duration derives from it
    double springDamping = 35;     // reset together with the stiffness; not read by the animation
    std::vector<std::string> disabledDisplays;  // display uuids that keep no strip
    bool focusCrossesDisplays = true;
    TwoFingerScroll twoFingerScroll = TwoFingerScroll::always;
    bool gesturesEnabled = false;
    std::int64_t gestureFingers = 3;  // kept as written; the gesture setup bounds it
    double gestureSensitivity = 1.0;  // multiplies the fling velocity of a swipe
    bool showIndicator = true;
    IndicatorPosition indicatorPosition = IndicatorPosition::bottom;
    bool showPositionInMenuBar = true;
    bool focusBorder = false;
    double focusBorderWidth = 3;
    std::string focusBorderColor = "#4C8DFF";
    bool dimInactive = false;
    double dimAmount = 0.25;  // opacity of the dimming, 0 to 1
    bool focusFollowsMouse = false;
    std::vector<AppRule> appRules;  // in the user's order; the first match applies
    bool terminalBadges = true;
    bool firstRunDone = false;

    // The first rule whose bundle identifier equals `bundleID` exactly; none
    // without an identifier.
    std::optional<AppRule> rule(std::optional<std::string_view> bundleID) const;

    // Width fraction of a new column for an application: its rule's width when
    // the first matching rule has one, otherwise `defaultWidth`.
    double newColumnWidth(std::optional<std::string_view> bundleID) const;

    // Every field; numbers by value, so a NaN is never equal.
    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

// All 27 keys, each with its value. A NaN or infinite number is kept in the
// JSON value; the file writer refuses it and keeps the old file.
nlohmann::json toJSON(const AppSettings& settings);

// Lenient, key by key: a missing key, a null, a value of the wrong type, a text
// that is no case or an integer that is not integral leaves that key at its
// default and never affects another key. Unknown keys are ignored. Within
// "appRules" only the rules that fail to decode are dropped (each one logged
// and described in `droppedRules` when given). Throws DecodeError only when the
// value is not an object.
AppSettings decodeAppSettings(const nlohmann::json& value,
                              std::vector<std::string>* droppedRules = nullptr);

// ADL hook for readJSON / writeJSON; same as decodeAppSettings.
void fromJSON(const nlohmann::json& value, AppSettings& settings);

}  // namespace brindlow
