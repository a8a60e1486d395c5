#include "windows/WindowNumbers.h"

#include <cmath>

namespace brindlow {

namespace {
constexpr double kBoundsTolerance = 4.0;
constexpr std::int32_t kNormalLayer = 0;

bool close(double a, double b) {
    return std::fabs(a - b) < kBoundsTolerance;
}
}  // namespace

std::optional<std::uint32_t> windowNumber(const WindowList& list, std::int32_t pid,
                                          const Rect& frame) {
    for (const WindowListEntry& entry : list.onScreenWindows()) {
        if (entry.ownerPID != pid || entry.layer != kNormalLayer) continue;
        const Rect& b = entry.bounds;
        if (close(b.minX(), frame.minX()) && close(b.minY(), frame.minY()) &&
            close(b.width, frame.width) && close(b.height, frame.height)) {
            return entry.number;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> windowNumber(const std::vector<WindowListEntry>& windows,
                                          WindowID window) {
    if (window == 0) return std::nullopt;  // entries of unknown identity carry 0
    for (const WindowListEntry& entry : windows)
        if (entry.identity == window) return entry.number;
    return std::nullopt;
}

}  // namespace brindlow
