#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <map>
#include <optional>

namespace brindlow {

// New windows the window manager may still focus for their map. One that focuses new windows
// does so once it shows them, which under a compositor can come a moment after it lists them
// (once they have drawn). Iconified for parking meanwhile, such a window would lose that focus to
// whatever window the window manager picks instead. Under the desktop records' lock.
class MapFocusDue {
  public:
    using Clock = std::chrono::steady_clock;

    // Listed for the first time, beside a window manager that focuses new windows.
    void listed(xcb_window_t window, Clock::time_point at) { listedAt_[window] = at; }
    // Named active (the map's answer came), or no longer listed.
    void ended(xcb_window_t window) { listedAt_.erase(window); }
    // How much longer its map's focus may come: none once it came, or once the window manager
    // has had longer than it takes to map a window and focus it (one that declined to focus the
    // window says nothing).
    std::optional<Clock::duration> awaitedFor(xcb_window_t window, Clock::time_point now) const;

  private:
    std::map<xcb_window_t, Clock::time_point> listedAt_;
};

}  // namespace brindlow
