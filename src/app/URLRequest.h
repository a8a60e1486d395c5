#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CLIMessages.h"

namespace brindlow {

inline constexpr std::string_view kURLScheme = "brindlow";

// True when the text starts with the scheme "brindlow:"; the command-line tool
// forwards such an argument as a URL request.
bool looksLikeBrindlowURL(std::string_view text);

// The request words of a "brindlow" URL: the host, then every non-empty path
// component, then the value of the first query item named "name" (when it has
// one). All parts are percent-decoded ("+" stays a plus). None for another
// scheme, a missing or empty host, a bad percent escape or text that does not
// decode to UTF-8.
//   brindlow://focus-left              → focus-left
//   brindlow://jump/3                  → jump 3
//   brindlow://layout/restore?name=Work → layout restore Work
std::optional<std::vector<std::string>> urlArguments(std::string_view url);

// The request a URL makes: its words and no caller process id.
std::optional<CLIRequest> requestForURL(std::string_view url);

// Decodes %XX escapes; none for a malformed escape or a result that is not UTF-8.
std::optional<std::string> percentDecode(std::string_view text);

}  // namespace brindlow
