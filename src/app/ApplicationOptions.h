#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brindlow {

// The options the application role accepts: those the toolkit and its X connection take
// (`-display :1`, `-platform xcb`, `--reverse`, …, with one dash or two). Brindlow defines none
// of its own: no launcher passes an application anything else, so any other word is a mistake
// the user hears of rather than a tiler started in spite of it.
struct ApplicationOptions {
    // The value of the last `-display` (or `--display`), which the toolkit connects to.
    std::optional<std::string> display;
    // The value of the last `-platform`, the toolkit's windowing back end.
    std::optional<std::string> platform;
    // Set when the words are no valid options: the message for standard error, without the
    // usage text that follows it.
    std::optional<std::string> error;
};

// Reads the arguments (without the program path) of a start as the application.
ApplicationOptions readApplicationOptions(const std::vector<std::string>& args);

}  // namespace brindlow
