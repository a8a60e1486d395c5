#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// A 128-bit identifier, written as its 36-character text in upper case and
// read in either case.
struct UUID {
    std::array<std::uint8_t, 16> bytes{};

    static UUID random();
    static std::optional<UUID> parse(std::string_view text);
    std::string text() const;

    friend bool operator==(const UUID&, const UUID&) = default;
    friend auto operator<=>(const UUID&, const UUID&) = default;
};

}  // namespace brindlow
