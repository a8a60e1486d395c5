#pragma once

#include <cstdint>

#include "geometry/Geometry.h"

namespace brindlow {

// Modifier flags of an input event, with the designed bit values.
namespace modifier {
inline constexpr std::uint32_t shift = 0x20000;
inline constexpr std::uint32_t control = 0x40000;
inline constexpr std::uint32_t option = 0x80000;    // x11: Alt
inline constexpr std::uint32_t command = 0x100000;  // x11: Super
}  // namespace modifier

// One pointer-device event as the gesture recognizer reads it, whatever the back end.
struct InputEvent {
    enum class Kind { swipe, scroll };
    enum class Phase { none, began, changed, ended, cancelled };

    Kind kind = Kind::scroll;
    // Swipes: began, changed, ended or cancelled. Scrolls: the scroll phase (none for a wheel).
    Phase phase = Phase::none;
    // Scrolls only: the momentum phase after the fingers lifted (none while they touch).
    Phase momentum = Phase::none;
    // Swipes: the fingers' centroid movement since the previous event, in trackpad widths.
    // Scrolls: points, positive when the content moves right / down (fingers right / down
    // with natural scrolling).
    double dx = 0;
    double dy = 0;
    // A precise (trackpad) scroll rather than wheel clicks.
    bool continuous = false;
    std::uint32_t modifiers = 0;
    // Global coordinates (top-left origin) of the pointer.
    Point location;
    // Swipes: fingers touching (0 once the gesture ended).
    int fingers = 0;
    // Seconds on a monotonic clock.
    double time = 0;
    // Given back by the recognizer; never examined again.
    bool reposted = false;
};

}  // namespace brindlow
