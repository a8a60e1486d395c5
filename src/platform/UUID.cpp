#include "platform/UUID.h"

#include <random>

namespace brindlow {

UUID UUID::random() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    UUID uuid;
    for (size_t i = 0; i < 16; i += 8) {
        const std::uint64_t value = generator();
        for (size_t k = 0; k < 8; ++k)
            uuid.bytes[i + k] = static_cast<std::uint8_t>(value >> (8 * k));
    }
    uuid.bytes[6] = (uuid.bytes[6] & 0x0F) | 0x40;  // version 4
    uuid.bytes[8] = (uuid.bytes[8] & 0x3F) | 0x80;  // RFC 4122 variant
    return uuid;
}

std::optional<UUID> UUID::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    UUID uuid;
    size_t byte = 0;
    for (size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        uuid.bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    return uuid;
}

std::string UUID::text() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

}  // namespace brindlow
