#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brindlow {

// When a two-finger sideways scroll moves the strip. Stored as its text
// ("always", "withKeys", "off").
enum class TwoFingerScroll { always, withKeys, off };

inline constexpr std::array<TwoFingerScroll, 3> allTwoFingerScrolls = {
    TwoFingerScroll::always, TwoFingerScroll::withKeys, TwoFingerScroll::off};

constexpr std::string_view toText(TwoFingerScroll value) {
    switch (value) {
        case TwoFingerScroll::always:
            return "always";
        case TwoFingerScroll::withKeys:
            return "withKeys";
        case TwoFingerScroll::off:
            return "off";
    }
    return "always";
}

// The case whose text matches exactly (case matters), or none.
constexpr std::optional<TwoFingerScroll> twoFingerScrollFromText(std::string_view text) {
    for (TwoFingerScroll value : allTwoFingerScrolls)
        if (toText(value) == text) return value;
    return std::nullopt;
}

}  // namespace brindlow
