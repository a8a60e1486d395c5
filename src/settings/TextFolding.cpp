#include "settings/TextFolding.h"

#include <locale.h>
#include <wctype.h>
#include <algorithm>

namespace brindlow {

namespace {

// Invalid bytes map to U+10FF00 + byte: outside every real letter, distinct per byte.
constexpr char32_t kInvalidByteBase = 0x10FF00;

// One decoded code point and the number of bytes it took.
struct Decoded {
    char32_t value;
    size_t length;
};

Decoded decodeAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const Decoded invalid{kInvalidByteBase + lead, 1};
    if (lead < 0x80) return {lead, 1};
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
        return invalid;
    }
    if (at + length > text.size()) return invalid;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return invalid;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return invalid;
    return {value, length};
}

locale_t unicodeLocale() {
    // Made once and kept for the life of the process.
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!made) made = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        return made;
    }();
    return locale;
}

char32_t lowerCased(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    if (c >= kInvalidByteBase) return c;
    const locale_t locale = unicodeLocale();
    if (!locale) return c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

}  // namespace

std::u32string foldedCase(std::string_view utf8) {
    std::u32string result;
    result.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const Decoded decoded = decodeAt(utf8, at);
        result.push_back(lowerCased(decoded.value));
        at += decoded.length;
    }
    return result;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a == b || foldedCase(a) == foldedCase(b);
}

bool textContainsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    return foldedCase(text).find(foldedCase(part)) != std::u32string::npos;
}

bool isWhiteSpaceOrNewline(char32_t c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string trimmedWhiteSpace(std::string_view utf8) {
    size_t start = 0;
    while (start < utf8.size()) {
        const Decoded decoded = decodeAt(utf8, start);
        if (!isWhiteSpaceOrNewline(decoded.value)) break;
        start += decoded.length;
    }
    // The end of the last code point that is not white space.
    size_t end = start;
    for (size_t at = start; at < utf8.size();) {
        const Decoded decoded = decodeAt(utf8, at);
        at += decoded.length;
        if (!isWhiteSpaceOrNewline(decoded.value)) end = at;
    }
    return std::string(utf8.substr(start, end - start));
}

}  // namespace brindlow
