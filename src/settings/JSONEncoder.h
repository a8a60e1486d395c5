#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

namespace brindlow {

// The one JSON text form of every stored file and of `list`: pretty-printed with
// two-space indentation and "key" : value members, keys of every object sorted,
// "/" escaped as "\/", whole numbers written without a fraction, invalid UTF-8
// replaced by U+FFFD. The same value always gives the same bytes.
//
// Returns nothing when the value cannot be written (a NaN or infinite number),
// with the reason in `error`. Never throws.
std::optional<std::string> encodeJSON(const nlohmann::json& value, std::string* error = nullptr);

// Text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string sanitizeUTF8(std::string_view text);

}  // namespace brindlow
