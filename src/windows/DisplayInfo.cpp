#include "windows/DisplayInfo.h"

#include <algorithm>

namespace brindlow {

namespace {
constexpr double kDockGap = 4;
constexpr double kDockEdgeReach = 200;
}  // namespace

std::vector<DisplayInfo> DisplayInfo::current(const Screens& screens) {
    return fromScreens(screens.screens(), screens.dockFrame());
}

std::vector<DisplayInfo> DisplayInfo::fromScreens(const std::vector<ScreenInfo>& screens,
                                                  const std::optional<Rect>& dockFrame) {
    std::vector<DisplayInfo> displays;
    for (const ScreenInfo& screen : screens) {
        if (!screen.number) continue;
        DisplayInfo info;
        info.id = *screen.number;
        info.frame = screen.frame;
        info.visible = usableArea(screen.frame, screen.visibleFrame, dockFrame);
        info.uuid = screen.uuid && !screen.uuid->empty() ? *screen.uuid
                                                         : "display-" + std::to_string(info.id);
        info.name = screen.name;
        displays.push_back(std::move(info));
    }
    std::stable_sort(displays.begin(), displays.end(),
                     [](const DisplayInfo& a, const DisplayInfo& b) {
                         if (a.frame.minX() != b.frame.minX())
                             return a.frame.minX() < b.frame.minX();
                         return a.frame.minY() < b.frame.minY();
                     });
    return displays;
}

Rect DisplayInfo::usableArea(const Rect& frame, const Rect& visible,
                             const std::optional<Rect>& dock) {
    if (!dock || !dock->intersects(frame)) return visible;
    const Rect& d = *dock;
    Rect v = visible;
    if (d.width >= d.height) {
        if (d.minY() > frame.maxY() - kDockEdgeReach && v.maxY() > d.minY()) {
            v = Rect(v.x, v.y, v.width, std::max(0.0, (d.minY() - kDockGap) - v.minY()));
        }
    } else if (d.maxX() < frame.minX() + kDockEdgeReach && d.maxX() > v.minX()) {
        const double left = d.maxX() + kDockGap;
        v = Rect(left, v.minY(), std::max(0.0, v.maxX() - left), v.height);
    } else if (d.minX() > frame.maxX() - kDockEdgeReach && v.maxX() > d.minX()) {
        v = Rect(v.minX(), v.minY(), std::max(0.0, (d.minX() - kDockGap) - v.minX()), v.height);
    }
    return v.integral();
}

std::vector<Size> DisplayInfo::usableSizes(const std::vector<DisplayInfo>& displays) {
    std::vector<Size> sizes;
    for (const DisplayInfo& display : displays) sizes.push_back(display.visible.size());
    return sizes;
}

}  // namespace brindlow
