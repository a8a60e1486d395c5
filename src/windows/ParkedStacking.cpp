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
    std::optional<std::size_t> backmostVisible;
    for (const Placement& placement : placements) {
        if (placement.isParked || !placement.isVisible) continue;
        const auto found = depth.find(placement.windowID);
        if (found != depth.end())
            backmostVisible = std::max(backmostVisible.value_or(0), found->second);
    }
    int asked = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) {
            lowered.erase(placement.windowID);
            continue;
        }
        bool inFront = !lowered.contains(placement.windowID);
        if (!frontToBack.empty()) {
            const auto found = depth.find(placement.windowID);
            inFront = found != depth.end() && backmostVisible && found->second < *backmostVisible;
        }
        if (!inFront) continue;
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) continue;
        window->second.element->performAction(ax::lowerAction);
        lowered.insert(placement.windowID);
        ++asked;
    }
    return asked;
}

}  // namespace brindlow
