#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace brindlow {

// A whole decimal number in the range of T: an optional "+" or "-", then one or
// more digits and nothing else. No blanks, no fraction; overflow gives none.
template <typename T>
std::optional<T> parseDecimal(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    // from_chars takes a "-" but not a "+": hand it the digits with the minus kept.
    const std::string_view number = (!text.empty() && text.front() == '+') ? digits : text;
    T value{};
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

}  // namespace brindlow
