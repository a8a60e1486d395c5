#include "windows/ParkedStacking.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <unordered_map>

#include "platform/Accessibility.h"

namespace brindlow {

int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows,
                       const std::vector<WindowID>& frontToBack, std::set<WindowID>& lowered) {
    // Windows that went away are forgotten.
    for (auto id = lowered.begin(); id != lowered.end();)
        id = windows.contains(*id) ? std::next(id) : lowered.erase(id);
    // The place of each window in the stacking order, front first; the backmost visible one.
    std::unordered_map<WindowID, std::size_t> depth;
    for (std::size_t i = 0; i < frontToBack.size(); ++i) depth.emplace(frontToBack[i], i);
    // The visible windows: where each stands and its place in the order.
    struct Shown {
        Rect frame;
        std::size_t depth;
    };
    std::vector<Shown> shown;
    for (const Placement& placement : placements) {
        if (placement.isParked || !placement.isVisible) continue;
        const auto found = depth.find(placement.windowID);
        const auto window = windows.find(placement.windowID);
        if (found != depth.end() && window != windows.end())
            shown.push_back({window->second.frame, found->second});
    }
    int asked = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) {
            lowered.erase(placement.windowID);
            continue;
        }
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) continue;
        // In the way: in front of a visible window that it overlaps (a window manager may keep
        // more of a parked window on screen than the layout asked for).
        bool inTheWay = !lowered.contains(placement.windowID);
        if (!frontToBack.empty()) {
            const auto found = depth.find(placement.windowID);
            inTheWay = found != depth.end() &&
                       std::any_of(shown.begin(), shown.end(), [&](const Shown& visible) {
                           return found->second < visible.depth &&
                                  visible.frame.intersects(window->second.frame);
                       });
        }
        if (!inTheWay) continue;
        window->second.element->performAction(ax::lowerAction);
        lowered.insert(placement.windowID);
        ++asked;
    }
    return asked;
}

}  // namespace brindlow
