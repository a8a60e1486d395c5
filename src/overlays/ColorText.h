#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Color.h"

namespace brindlow {

// The colour the settings start with, and the text of a colour that has none.
inline constexpr std::string_view kDefaultColorText = "#4C8DFF";
// That colour itself, a clear blue: also the accent where the desktop names none.
inline constexpr Color kDefaultColor{0x4C / 255.0, 0x8D / 255.0, 0xFF / 255.0, 1.0};

// Colour text ("#" and six hexadecimal digits, red, green, blue) to an opaque colour. Any number
// of "#" and spaces around the digits are ignored; anything else that is not exactly six digits
// (read the way the standard integer reader reads them) gives nothing.
std::optional<Color> colorFromText(std::string_view text);

// A colour to its text, "#%02X%02X%02X" with each component times 255 cut toward zero. A colour
// that is not a valid sRGB colour (a component not finite) gives "#4C8DFF"; components beyond
// 0…1 are clamped.
std::string colorText(const Color& color);

}  // namespace brindlow
