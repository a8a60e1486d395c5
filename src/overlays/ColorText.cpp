#include "overlays/ColorText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace brindlow {

std::optional<Color> colorFromText(std::string_view text) {
    const auto trimmed = [](char c) { return c == '#' || c == ' '; };
    while (!text.empty() && trimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && trimmed(text.back())) text.remove_suffix(1);
    if (text.size() != 6) return std::nullopt;

    // A leading sign reads the way the standard integer reader reads it: "+" and five digits,
    // "-00000" is zero, and a negative value is no colour.
    bool negative = false;
    std::string_view digits = text;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    std::uint32_t number = 0;
    for (char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        number = number * 16 + std::uint32_t(digit);
    }
    if (negative && number != 0) return std::nullopt;
    const auto component = [number](int shift) { return double((number >> shift) & 0xFF) / 255.0; };
    return Color{component(16), component(8), component(0), 1.0};
}

std::string colorText(const Color& color) {
    const double parts[] = {color.red, color.green, color.blue};
    int values[3];
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(parts[i])) return std::string(kDefaultColorText);
        values[i] = static_cast<int>(std::clamp(parts[i], 0.0, 1.0) * 255.0);
    }
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", values[0], values[1], values[2]);
    return buffer;
}

}  // namespace brindlow
