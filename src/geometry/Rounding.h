#pragma once

#include <cmath>
#include <cstdint>

namespace brindlow {

// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3). Every
// point value the layout produces goes through this one function, many times
// per frame, so it avoids the library call: below 2^52 the fraction is exact
// after truncating through an integer; larger values, infinities and NaN are
// already whole (or not numbers) and take std::round. The sign of zero is kept
// (-0.3 -> -0).
inline double roundHalfAway(double value) {
    if (!(std::fabs(value) < 4503599627370496.0)) return std::round(value);
    double whole = static_cast<double>(static_cast<std::int64_t>(value));
    const double fraction = value - whole;
    if (fraction >= 0.5) {
        whole += 1;
    } else if (fraction <= -0.5) {
        whole -= 1;
    }
    return std::copysign(whole, value);
}

// Rounds to `decimals` places: the value scaled by 10^decimals, rounded with
// halves away from zero, scaled back. No bias toward the decimal reading, so
// what is printed depends only on the binary value (0.125 -> 0.13).
inline double roundHalfAway(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

}  // namespace brindlow
