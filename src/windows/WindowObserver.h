#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/AccessibilityTypes.h"
#include "windows/AppRef.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

class Accessibility;

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

// The last verdict given on each window, by application, so that a window judged again with the
// same result (every catch-up pass judges the windows it does not tile) is logged once, not at
// every pass. One owner at a time (the strip queue).
class VerdictMemory {
  public:
    // Records the verdict on a window (none: it may be tiled); whether it differs from the last
    // one recorded for that window (a first verdict always does).
    bool changed(std::int32_t pid, WindowID window, const std::optional<std::string>& reason);
    // Forgets the application's windows that are not in `listed` (they are gone; X reuses ids).
    void keepOnly(std::int32_t pid, const std::set<WindowID>& listed);
    void forgetApplication(std::int32_t pid);
    // How many windows have a verdict recorded.
    std::size_t size() const;

  private:
    std::map<std::int32_t, std::map<WindowID, std::optional<std::string>>> verdicts_;
};

// Whether a window out of sight for a while (on another virtual desktop, or minimised) may be
// adopted: only the start takes such windows, to keep their places and their frames from before
// tiling until they come back.
enum class OutOfSight { refused, accepted };

// Nothing when the window may be tiled, else the first failing test's reason:
// "not a window", "subrole <subrole|none>", "minimized", "fullscreen",
// "Finder desktop", "fixed size", "cannot move".
std::optional<std::string> ineligibilityReason(const WindowFacts& facts);
// The same, reading the attributes from the element as far as needed.
std::optional<std::string> ineligibilityReason(const AXElementRef& element,
                                               const std::optional<std::string>& bundleID,
                                               const std::string& title,
                                               OutOfSight outOfSight = OutOfSight::refused);

// Whether the application shows a window a user could tile or give a rule: any window but a
// dock, a desktop or a panel (subrole "AXUnknown"). True when its windows cannot be read.
bool showsOrdinaryWindows(Accessibility& accessibility, std::int32_t pid);

// Sets the element's messaging time-out to 1.0 s, then gives the window's record,
// or nothing when it must float (logged at debug level with the reason) or its
// geometry cannot be read (not logged). With `verdicts`, a window that must float
// for the reason it floated for last time is not logged again.
std::optional<ManagedWindow> makeManagedWindow(const AXElementRef& element, const AppRef& app,
                                               VerdictMemory* verdicts = nullptr,
                                               OutOfSight outOfSight = OutOfSight::refused);

}  // namespace WindowObserver
}  // namespace brindlow
