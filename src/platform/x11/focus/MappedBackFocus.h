#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <optional>

namespace brindlow {

// What is known when the window manager names a window active that Brindlow had just mapped back
// from parking, to tell whether it only took the focus because of that map (some window managers
// focus a window leaving the iconic state), or because somebody chose it.
struct MappedBackFocus {
    // Whether the running window manager focuses windows mapped back at all.
    bool windowManagerFocusesMappedBack = false;
    // The window that had the focus when the map went out, and the one that had it just now.
    std::optional<xcb_window_t> focusedAtMap;
    std::optional<xcb_window_t> former;
    // Whether that former window is still a client the desktop knows.
    bool formerKnown = false;
    // Brindlow's own activation of the window is under way, or was the last it asked for.
    bool activatedByBrindlow = false;
    // From the map to this focus.
    std::chrono::steady_clock::duration sinceMap{};

    // Longer than a window manager takes to map a window and focus it. A window manager that
    // declined to focus the window as it mapped it says nothing, so a later focus of the window
    // (the user's click) must not be taken for the answer to the map.
    static constexpr std::chrono::milliseconds kMapAnswer{1000};

    // Whether the focus answers the map, and so goes back to `former`.
    bool answersTheMap() const {
        if (!windowManagerFocusesMappedBack || activatedByBrindlow) return false;
        if (!former || former != focusedAtMap || !formerKnown) return false;
        return sinceMap <= kMapAnswer;
    }
};

}  // namespace brindlow
