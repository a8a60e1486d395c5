#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <set>
#include <utility>

#include "platform/AccessibilityTypes.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Minimising and desktops: who asked the window manager to iconify a window or to move it to
// another desktop (Brindlow, for parking, or someone else), and the minimise as a request.
class DesktopsAndMinimise : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    AXError setMinimized(xcb_window_t window, bool on, double timeout);
    // Someone asked the window manager to iconify the window (WM_CHANGE_STATE): unless it was
    // Brindlow hiding it for parking, the window is minimised from now on.
    void iconifyRequested(xcb_window_t window);
    // Someone asked the window manager to move the window to `desktop` (_NET_WM_DESKTOP): unless
    // it was Brindlow, a window shown from parking now or soon goes there, whatever its map does.
    void desktopRequested(xcb_window_t window, std::uint32_t desktop);
    // Maps a window shown from parking and sends it to `desktop` (someone else's choice made
    // meanwhile wins), in one step with desktopRequested.
    void mapToDesktop(xcb_window_t window, std::optional<std::uint32_t> desktop);
    // Asks the window manager once more to minimise a window the user minimised while Brindlow
    // was mapping it back from parking.
    void minimiseAgain(xcb_window_t window);

  private:
    // Desktop requests Brindlow sent for windows shown from parking, not come back to it yet: a
    // window and its desktop each (a user's request for another desktop in between is not ours).
    // Under the records' lock.
    std::multiset<std::pair<xcb_window_t, std::uint32_t>> ownDesktopRequests_;
};

}  // namespace brindlow
