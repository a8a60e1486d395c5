#include "platform/x11/desktops/AskedDesktops.h"

namespace brindlow {

void AskedDesktops::asked(std::uint32_t window, std::uint32_t desktop,
                          std::optional<std::uint32_t> readNow) {
    // A window manager that refuses the move says nothing (X has no answer for it): the request
    // stands until the window reads on that desktop or another is asked.
    if (readNow == desktop)
        asked_.erase(window);
    else
        asked_[window] = desktop;
}

void AskedDesktops::reads(std::uint32_t window, std::optional<std::uint32_t> desktop) {
    const auto found = asked_.find(window);
    if (found != asked_.end() && desktop == found->second) asked_.erase(found);
}

void AskedDesktops::forget(std::uint32_t window) {
    asked_.erase(window);
}

std::optional<std::uint32_t> AskedDesktops::notCarriedOut(std::uint32_t window) const {
    const auto found = asked_.find(window);
    if (found == asked_.end()) return std::nullopt;
    return found->second;
}

}  // namespace brindlow
