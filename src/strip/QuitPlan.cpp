#include <algorithm>
#include <cmath>

#include "strip/LayoutEngine.h"

namespace brindlow::LayoutEngine {

namespace {

constexpr double cascadeStep = 32;

// The rect moved (and if need be shrunk) into `area`; sizes stay at least 1 point.
Rect clampInto(const Rect& rect, const Rect& area) {
    const double width = std::max(1.0, std::min(rect.width, area.width));
    const double height = std::max(1.0, std::min(rect.height, area.height));
    const double x = std::min(std::max(rect.x, area.minX()), area.maxX() - width);
    const double y = std::min(std::max(rect.y, area.minY()), area.maxY() - height);
    return {std::round(x), std::round(y), width, height};
}

bool onSomeScreen(const Rect& frame, std::span<const Rect> screens) {
    if (!(frame.width >= 1 && frame.height >= 1)) return false;
    // Two points of slack: windows often poke a point past the edge of their display.
    return std::any_of(screens.begin(), screens.end(),
                       [&](const Rect& screen) { return screen.insetBy(-2, -2).contains(frame); });
}

// How many positions the cascade has before it would leave the fallback (at least 1).
long long cascadeSteps(const Rect& area, double margin, double width, double height) {
    const double columns =
        std::max(1.0, std::trunc((area.width - 2 * margin - width) / cascadeStep) + 1);
    const double rows = std::trunc((area.height - 2 * margin - height) / cascadeStep) + 1;
    const double steps = rows > 0 ? std::min(columns, rows) : 1.0;
    if (!(steps >= 1)) return 1;
    return static_cast<long long>(std::min(steps, 1e9));
}

}  // namespace

std::map<WindowID, Rect> quitPlan(std::span<const QuitWindow> windows,
                                  std::span<const Rect> screens, const Rect& fallback,
                                  double margin) {
    std::map<WindowID, Rect> plan;
    long long cascaded = 0;
    for (const QuitWindow& window : windows) {
        if (window.original) {
            plan[window.id] = onSomeScreen(*window.original, screens)
                                  ? *window.original
                                  : clampInto(*window.original, fallback);
        } else if (!window.hidden) {
            plan[window.id] = clampInto(window.current, fallback);
        } else {
            // Out of sight with no place to return to: fan out so none hides another.
            const double width =
                std::max(1.0, std::min(window.current.width, fallback.width - 2 * margin));
            const double height =
                std::max(1.0, std::min(window.current.height, fallback.height - 2 * margin));
            const long long step = cascaded++ % cascadeSteps(fallback, margin, width, height);
            const double shift = margin + cascadeStep * static_cast<double>(step);
            plan[window.id] = {std::round(fallback.minX() + shift),
                               std::round(fallback.minY() + shift), width, height};
        }
    }
    return plan;
}

}  // namespace brindlow::LayoutEngine
