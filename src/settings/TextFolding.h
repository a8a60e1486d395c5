#pragma once

#include <string>
#include <string_view>

// Comparing names and titles the way a user reads them: letter case ignored in every script (the
// C library's Unicode lower-case mapping, ASCII only where no UTF-8 locale exists), accents and
// everything else compared exactly.
namespace brindlow {

// The text as code points with every letter lower-cased. Bytes that are not UTF-8 keep their own
// value in a private range, so they only ever match themselves.
std::u32string foldedCase(std::string_view utf8);

bool equalIgnoringCase(std::string_view a, std::string_view b);

// Whether `text` contains `part` (an empty part is always contained).
bool textContainsIgnoringCase(std::string_view text, std::string_view part);

// Whether the code point is white space or a line break: the Unicode space separators, the line
// and paragraph separators, tab, the ASCII line breaks and U+0085.
bool isWhiteSpaceOrNewline(char32_t c);

// UTF-8 text without white space and line breaks at either end.
std::string trimmedWhiteSpace(std::string_view utf8);

}  // namespace brindlow
