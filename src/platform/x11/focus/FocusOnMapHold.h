#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace brindlow {

class X11Connection;

// Some window managers (icewm, xfwm4) focus a window that leaves the iconic state, so a parked
// window mapped back as its column scrolls into view would take the focus from the window the
// user works in, or close a panel of ours. A user time of 0 asks the window manager not to focus
// a window as it maps it; the window's own value comes back once the window manager has shown it.
// Any thread.
class FocusOnMapHold {
  public:
    explicit FocusOnMapHold(X11Connection& connection);

    // Before the window is mapped back: its user time reads 0 (on the window the client keeps
    // its user time on, when it names one). Held again before the release keeps the value from
    // before the first hold.
    void hold(xcb_window_t window);
    // The window manager has shown the window, or it is no longer Brindlow's to show: the
    // client's own user time comes back, unless the client wrote a new one meanwhile.
    void release(xcb_window_t window);
    // Every window's own user time back, as Brindlow ends.
    void releaseAll();

  private:
    struct Held {
        xcb_window_t timeWindow = XCB_WINDOW_NONE;
        std::optional<std::uint32_t> time;  // none: the client had not set one
    };

    X11Connection& x_;
    mutable std::mutex mutex_;
    std::map<xcb_window_t, Held> held_;
};

}  // namespace brindlow
