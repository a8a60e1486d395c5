#include "settings/TextFolding.h"

#include <locale.h>
#include <wctype.h>
#include <algorithm>

#include "settings/UTF8.h"

namespace brindlow {

namespace {

// Invalid bytes map to U+10FF00 + byte: outside every real letter, distinct per byte.
constexpr char32_t kInvalidByteBase = 0x10FF00;

// A code point, or the invalid byte's stand-in for a byte that starts no valid sequence.
UTF8CodePoint decodeAt(std::string_view text, size_t at) {
    if (const std::optional<UTF8CodePoint> decoded = decodeUTF8(text, at)) return *decoded;
    return {kInvalidByteBase + static_cast<unsigned char>(text[at]), 1};
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
        const UTF8CodePoint decoded = decodeAt(utf8, at);
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
        const UTF8CodePoint decoded = decodeAt(utf8, start);
        if (!isWhiteSpaceOrNewline(decoded.value)) break;
        start += decoded.length;
    }
    // The end of the last code point that is not white space.
    size_t end = start;
    for (size_t at = start; at < utf8.size();) {
        const UTF8CodePoint decoded = decodeAt(utf8, at);
        at += decoded.length;
        if (!isWhiteSpaceOrNewline(decoded.value)) end = at;
    }
    return std::string(utf8.substr(start, end - start));
}

}  // namespace brindlow
