#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowManagerTraits.h"

namespace brindlow {

// The running window manager's process as /proc shows it: what its configuration is found by.
struct WindowManagerProcess {
    std::map<std::string, std::string> environment;
    std::vector<std::string> arguments;  // without the program

    std::string env(const std::string& name) const;
    // The value after `option` ("-f file", "--config-file=file"), if given.
    std::optional<std::string> option(std::initializer_list<std::string_view> names) const;
};

// The focus model a window manager's configuration text states; none when it states none.
// `window manager` is the key of the known window managers ("openbox", "xfwm4", …).
std::optional<FocusModel> focusModelStated(std::string_view windowManager, std::string_view text);

// Where a window manager reads its focus model from, first first; the text of each file through
// `read` (none: no such file).
struct FocusModelReading {
    FocusModel model = FocusModel::unknown;
    std::string source;
};
using FileReader = std::function<std::optional<std::string>(const std::string& path)>;
// What the window manager's configuration says of its focus model, the window manager's own
// default where it says nothing; none for a window manager not known. `firstFile` goes first
// (one the window manager publishes itself).
std::optional<FocusModelReading> readFocusModel(std::string_view windowManager,
                                                const WindowManagerProcess& process,
                                                const FileReader& read,
                                                const std::optional<std::string>& firstFile = {});

// The key of a known window manager in its published name ("openbox" for "Openbox"); empty for
// any other.
std::string windowManagerKey(std::string_view name);

}  // namespace brindlow
