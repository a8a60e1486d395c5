#include "platform/x11/focus/MapFocusDue.h"

#include "platform/x11/focus/MappedBackFocus.h"

namespace brindlow {

std::optional<MapFocusDue::Clock::duration> MapFocusDue::awaitedFor(xcb_window_t window,
                                                                    Clock::time_point now) const {
    const auto listed = listedAt_.find(window);
    if (listed == listedAt_.end()) return std::nullopt;
    const Clock::duration left = listed->second + MappedBackFocus::kMapAnswer - now;
    if (left <= Clock::duration::zero()) return std::nullopt;
    return left;
}

}  // namespace brindlow
