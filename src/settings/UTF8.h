#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace brindlow {

// One code point read from UTF-8 text and the number of bytes it took.
struct UTF8CodePoint {
    char32_t value = 0;
    size_t length = 0;
};

// The well-formed UTF-8 sequence starting at text[at] (at < text.size()), or nothing when it is
// cut short, overlong, a surrogate, beyond U+10FFFF or starts with a byte no sequence starts with.
inline std::optional<UTF8CodePoint> decodeUTF8(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return UTF8CodePoint{lead, 1};
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return UTF8CodePoint{value, length};
}

// Whether all of `text` is well-formed UTF-8.
inline bool isValidUTF8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const std::optional<UTF8CodePoint> point = decodeUTF8(text, at);
        if (!point) return false;
        at += point->length;
    }
    return true;
}

}  // namespace brindlow
