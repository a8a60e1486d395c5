#include "settings/SettingsRanges.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "settings/Loggers.h"

namespace brindlow {

namespace {

struct Range {
    double lowest;
    double highest;
};

// The settings pages' slider and picker bounds.
constexpr Range kGap{0, 48};
constexpr Range kColumnWidth{0.25, 1.0};
constexpr Range kWidthStep{0.05, 0.25};
constexpr Range kSpringStiffness{50, 1200};
constexpr Range kGestureSensitivity{0.5, 2.5};
constexpr Range kFocusBorderWidth{1, 10};
constexpr Range kDimAmount{0.05, 0.7};
// A preset must be more than 5 % and at most the whole viewport.
constexpr Range kPreset{0.05, 1.0};

std::string numberText(double value) {
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
    settingsLog().log("Setting %{public}s is out of range (%{public}s); using %{public}s", key,
                      written, used);
}

void hold(const std::string& key, double& value, Range range, double fallback) {
    const double used =
        std::isnan(value) ? fallback : std::clamp(value, range.lowest, range.highest);
    if (used == value) return;
    warnOnce(key, std::isnan(value) ? "nan" : numberText(value), numberText(used));
    value = used;
}

std::string listText(const std::vector<double>& values) {
    std::string text = "[";
    for (const double value : values) {
        if (text.size() > 1) text += ", ";
        text += std::isnan(value) ? "nan" : numberText(value);
    }
    return text + "]";
}

}  // namespace

AppSettings settingsInRange(const AppSettings& settings) {
    const AppSettings defaults;
    AppSettings used = settings;
    hold("gap", used.gap, kGap, defaults.gap);
    hold("outerGap", used.outerGap, kGap, defaults.outerGap);
    hold("defaultWidth", used.defaultWidth, kColumnWidth, defaults.defaultWidth);
    hold("widthStep", used.widthStep, kWidthStep, defaults.widthStep);
    hold("springStiffness", used.springStiffness, kSpringStiffness, defaults.springStiffness);
    hold("gestureSensitivity", used.gestureSensitivity, kGestureSensitivity,
         defaults.gestureSensitivity);
    hold("focusBorderWidth", used.focusBorderWidth, kFocusBorderWidth, defaults.focusBorderWidth);
    hold("dimAmount", used.dimAmount, kDimAmount, defaults.dimAmount);

    std::vector<double> presets;
    for (const double width : settings.presetWidths) {
        if (width > kPreset.lowest && width <= kPreset.highest) presets.push_back(width);
    }
    if (presets.empty()) presets = defaults.presetWidths;
    if (presets != settings.presetWidths) {
        warnOnce("presetWidths", listText(settings.presetWidths), listText(presets));
        used.presetWidths = std::move(presets);
    }
    for (AppRule& rule : used.appRules) {
        if (!rule.defaultWidth) continue;
        hold("appRules " + rule.bundleID + " defaultWidth", *rule.defaultWidth, kColumnWidth,
             defaults.defaultWidth);
    }
    return used;
}

}  // namespace brindlow
