#include "settings/UsableSettings.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "settings/Loggers.h"

namespace brindlow {

namespace {

std::string numberText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.ends_with('.')) text.pop_back();
    return text;
}

void warnOnce(const std::string& key, const std::string& written, const std::string& used) {
    static std::mutex mutex;
    static std::set<std::pair<std::string, std::string>> warned;
    {
        std::lock_guard lock(mutex);
        if (!warned.emplace(key, written).second) return;
    }
    settingsLog().log("Setting %{public}s cannot be used as written (%{public}s); using %{public}s",
                      key, written, used);
}

// Replaces `value` by `used` (when it differs) and says so once.
void hold(const std::string& key, double& value, double used) {
    if (used == value) return;
    warnOnce(key, numberText(value), numberText(used));
    value = used;
}

void holdNonNegative(const std::string& key, double& value, double fallback) {
    hold(key, value, !std::isfinite(value) ? fallback : std::max(0.0, value));
}

void holdPositive(const std::string& key, double& value, double fallback) {
    hold(key, value, std::isfinite(value) && value > 0 ? value : fallback);
}

// A fraction of the viewport: more than nothing and at most the whole.
bool isWidth(double value) {
    return value > 0 && value <= 1;
}

void holdWidth(const std::string& key, double& value, double fallback) {
    if (std::isfinite(value) && value > 1) return hold(key, value, 1.0);
    hold(key, value, isWidth(value) ? value : fallback);
}

std::string listText(const std::vector<double>& values) {
    std::string text = "[";
    for (const double value : values) {
        if (text.size() > 1) text += ", ";
        text += numberText(value);
    }
    return text + "]";
}

// The narrowest column a width fraction of the settings asks for.
double narrowestWidth(const AppSettings& s) {
    double narrowest = s.defaultWidth;
    for (const double preset : s.presetWidths) narrowest = std::min(narrowest, preset);
    for (const AppRule& rule : s.appRules)
        if (rule.defaultWidth) narrowest = std::min(narrowest, *rule.defaultWidth);
    return narrowest;
}

// Whether a column of `fraction` and a stack of three windows keep at least one point each on
// an area of `smallest` (the least width and the least height of the displays).
bool gapsLeaveRoom(double gap, double outerGap, double fraction, Size smallest) {
    const double room = smallest.width - 2 * outerGap + gap;
    return fraction * room - gap >= 1 && smallest.height - 2 * outerGap - 2 * gap >= 3;
}

void holdGapsToRoom(AppSettings& used, std::span<const Size> areas) {
    if (areas.empty()) return;
    Size smallest = areas.front();
    for (const Size& area : areas) {
        smallest.width = std::min(smallest.width, area.width);
        smallest.height = std::min(smallest.height, area.height);
    }
    const AppSettings defaults;
    const double fraction = narrowestWidth(used);
    if (!gapsLeaveRoom(0, used.outerGap, fraction, smallest)) {
        hold("outerGap", used.outerGap,
             gapsLeaveRoom(0, defaults.outerGap, fraction, smallest) ? defaults.outerGap : 0);
    }
    if (!gapsLeaveRoom(used.gap, used.outerGap, fraction, smallest)) {
        hold("gap", used.gap,
             gapsLeaveRoom(defaults.gap, used.outerGap, fraction, smallest) ? defaults.gap : 0);
    }
}

}  // namespace

AppSettings usableSettings(const AppSettings& settings, std::span<const Size> displayAreas) {
    const AppSettings defaults;
    AppSettings used = settings;
    holdNonNegative("gap", used.gap, defaults.gap);
    holdNonNegative("outerGap", used.outerGap, defaults.outerGap);
    holdNonNegative("focusBorderWidth", used.focusBorderWidth, defaults.focusBorderWidth);
    holdWidth("defaultWidth", used.defaultWidth, defaults.defaultWidth);
    holdWidth("widthStep", used.widthStep, defaults.widthStep);
    holdPositive("springStiffness", used.springStiffness, defaults.springStiffness);
    holdPositive("gestureSensitivity", used.gestureSensitivity, defaults.gestureSensitivity);
    hold("dimAmount", used.dimAmount,
         std::isnan(used.dimAmount) ? defaults.dimAmount : std::clamp(used.dimAmount, 0.0, 1.0));
    if (used.gestureFingers <= 0) {
        warnOnce("gestureFingers", std::to_string(used.gestureFingers),
                 std::to_string(defaults.gestureFingers));
        used.gestureFingers = defaults.gestureFingers;
    }

    // A written empty list stays empty (cycling then goes to half the width).
    std::vector<double> presets;
    for (const double width : settings.presetWidths)
        if (isWidth(width)) presets.push_back(width);
    if (presets.empty() && !settings.presetWidths.empty()) presets = defaults.presetWidths;
    if (presets != settings.presetWidths) {
        warnOnce("presetWidths", listText(settings.presetWidths), listText(presets));
        used.presetWidths = std::move(presets);
    }
    for (AppRule& rule : used.appRules) {
        if (!rule.defaultWidth) continue;
        holdWidth("appRules " + rule.bundleID + " defaultWidth", *rule.defaultWidth,
                  defaults.defaultWidth);
    }
    holdGapsToRoom(used, displayAreas);
    return used;
}

}  // namespace brindlow
