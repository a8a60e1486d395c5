#pragma once

#include <optional>
#include <string_view>

namespace brindlow {

// The display edge a column is pinned to. Stored and coded as its text ("left", "right").
enum class Pin { left, right };

std::string_view toText(Pin pin);

// The pin whose text matches exactly, or none.
std::optional<Pin> pinFromText(std::string_view text);

}  // namespace brindlow
