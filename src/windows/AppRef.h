#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Workspace.h"

namespace brindlow {

// A running application that may own tiled windows.
struct AppRef {
    std::int32_t pid = 0;
    std::string name;  // trimmed localized name, "Unknown" when empty
    std::optional<std::string> bundleID;

    friend bool operator==(const AppRef&, const AppRef&) = default;

    // Nothing for applications that are not regular ones and for this process.
    static std::optional<AppRef> make(const RunningApplication& app, std::int32_t ownPID);
    // Every running application that gives an AppRef, in the workspace's order.
    static std::vector<AppRef> runningApps(const Workspace& workspace);

    // Whitespace, newlines and control characters removed from both ends.
    static std::string trimmedName(const std::string& name);
};

}  // namespace brindlow
