#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "platform/AccessibilityTypes.h"

namespace brindlow {

// A tiled window as the strip controller keeps it. The element is shared by
// every copy, so a messaging time-out set once holds for all later calls.
struct ManagedWindow {
    WindowID id = 0;  // the element's identity
    std::int32_t pid = 0;
    std::optional<std::string> bundleID;
    std::string appName;
    std::string title;  // "" when unreadable
    Rect frame;         // as last known
    AXElementRef element;
    std::optional<std::uint32_t> windowNumber;
    // Handed to a raise: how many minimises of the window the strip had heard when it asked
    // (none: not told).
    std::optional<std::uint64_t> minimisesHeard;

    // How log lines name the window: application name, blank, quoted title.
    std::string label() const { return appName + " '" + title + "'"; }
};

}  // namespace brindlow
