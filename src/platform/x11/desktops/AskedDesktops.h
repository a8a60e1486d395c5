#pragma once

#include <cstdint>
#include <map>
#include <optional>

namespace brindlow {

// The desktop someone else (the user, a pager) asked the window manager to move each window to,
// kept until the window reads on it (_NET_WM_DESKTOP): until then the desktop read for the window
// may still be the one it leaves. Not thread-safe.
class AskedDesktops {
  public:
    // Someone asked to move `window` to `desktop`; `readNow`: the desktop it reads on as the
    // request is heard (the window manager may have carried it out already).
    void asked(std::uint32_t window, std::uint32_t desktop, std::optional<std::uint32_t> readNow);
    // The window reads on `desktop` now.
    void reads(std::uint32_t window, std::optional<std::uint32_t> desktop);
    void forget(std::uint32_t window);
    // Where a window mapped back now is to go: the desktop asked and not read yet, if any.
    std::optional<std::uint32_t> notCarriedOut(std::uint32_t window) const;

  private:
    std::map<std::uint32_t, std::uint32_t> asked_;
};

}  // namespace brindlow
