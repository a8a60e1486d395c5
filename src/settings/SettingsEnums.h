#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brindlow {

// What an application rule does with the application's windows. Stored as its
// text ("tile", "float"); the case is `floating` because "float" is a keyword.
enum class AppBehavior { tile, floating };

inline constexpr std::array<AppBehavior, 2> allAppBehaviors = {AppBehavior::tile,
                                                               AppBehavior::floating};

constexpr std::string_view toText(AppBehavior behavior) {
    return behavior == AppBehavior::tile ? "tile" : "float";
}

// The behaviour whose text matches exactly (case matters), or none.
constexpr std::optional<AppBehavior> appBehaviorFromText(std::string_view text) {
    for (AppBehavior behavior : allAppBehaviors)
        if (toText(behavior) == text) return behavior;
    return std::nullopt;
}

// The display edge at which the strip indicator is shown. Stored as its text
// ("top", "bottom").
enum class IndicatorPosition { top, bottom };

inline constexpr std::array<IndicatorPosition, 2> allIndicatorPositions = {
    IndicatorPosition::top, IndicatorPosition::bottom};

constexpr std::string_view toText(IndicatorPosition position) {
    return position == IndicatorPosition::top ? "top" : "bottom";
}

// The position whose text matches exactly (case matters), or none.
constexpr std::optional<IndicatorPosition> indicatorPositionFromText(std::string_view text) {
    for (IndicatorPosition position : allIndicatorPositions)
        if (toText(position) == text) return position;
    return std::nullopt;
}

}  // namespace brindlow
