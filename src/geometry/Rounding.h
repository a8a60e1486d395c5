#pragma once

#include <cmath>

namespace brindlow {

// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3). Every
// point value the layout produces goes through this one function.
inline double roundHalfAway(double value) { return std::round(value); }

// Rounds to `decimals` places with halves away from zero, as used for the
// width fractions printed by `list` (0.125 -> 0.13). The small bias absorbs the
// binary representation error of values such as 0.125 * 100.
inline double roundHalfAway(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    const double nudged = scaled + std::copysign(1e-9 * std::max(1.0, std::fabs(scaled)), scaled);
    return std::round(nudged) / scale;
}

}  // namespace brindlow
