#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

#include "geometry/Geometry.h"

namespace brindlow {

// What a window position or size handed to the platform may be: X carries
// positions as 16-bit signed and sizes as 16-bit unsigned numbers, so every back
// end accepts this common range and callers clamp before they write.
inline constexpr double kMinWindowCoordinate = -32768;
inline constexpr double kMaxWindowCoordinate = 32767;
inline constexpr double kMinWindowLength = 1;
inline constexpr double kMaxWindowLength = 32767;

// Nothing for a point that is not finite (it cannot be made into a value);
// otherwise the point clamped into range.
inline std::optional<Point> representablePoint(Point p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
    return Point{std::clamp(p.x, kMinWindowCoordinate, kMaxWindowCoordinate),
                 std::clamp(p.y, kMinWindowCoordinate, kMaxWindowCoordinate)};
}

inline std::optional<Size> representableSize(Size s) {
    if (!std::isfinite(s.width) || !std::isfinite(s.height)) return std::nullopt;
    return Size{std::clamp(s.width, kMinWindowLength, kMaxWindowLength),
                std::clamp(s.height, kMinWindowLength, kMaxWindowLength)};
}

}  // namespace brindlow
