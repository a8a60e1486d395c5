#pragma once

#include <optional>
#include <string>

#include "platform/AccessibilityTypes.h"
#include "windows/AppRef.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// What the eligibility rule looks at, read from one window element.
struct WindowFacts {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    std::optional<bool> minimized;
    std::optional<bool> fullScreen;
    std::optional<std::string> bundleID;
    std::string title;
    bool sizeSettable = false;      // the query succeeded and said yes
    bool positionSettable = false;  // the query succeeded and said yes
};

// Which windows may be tiled, and adopting them. Logs under "WindowObserver".
namespace WindowObserver {

// Nothing when the window may be tiled, else the first failing test's reason:
// "not a window", "subrole <subrole|none>", "minimized", "fullscreen",
// "Finder desktop", "fixed size", "cannot move".
std::optional<std::string> ineligibilityReason(const WindowFacts& facts);
// The same, reading the attributes from the element as far as needed.
std::optional<std::string> ineligibilityReason(const AXElementRef& element,
                                               const std::optional<std::string>& bundleID,
                                               const std::string& title);

// Sets the element's messaging time-out to 1.0 s, then gives the window's record,
// or nothing when it must float (logged at debug level with the reason) or its
// geometry cannot be read (not logged).
std::optional<ManagedWindow> makeManagedWindow(const AXElementRef& element, const AppRef& app);

}  // namespace WindowObserver
}  // namespace brindlow
