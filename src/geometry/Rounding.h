#pragma once

#include <cmath>

namespace brindlow {

// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3). Every
// point value the layout produces goes through this one function.
inline double roundHalfAway(double value) { return std::round(value); }

// Rounds to `decimals` places: the value scaled by 10^decimals, rounded with
// halves away from zero, scaled back. No bias toward the decimal reading, so
// what is printed depends only on the binary value (0.125 -> 0.13).
inline double roundHalfAway(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

}  // namespace brindlow
