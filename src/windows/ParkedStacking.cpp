#include "windows/ParkedStacking.h"

#include <iterator>

#include "platform/Accessibility.h"

namespace brindlow {

int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows,
                       std::set<WindowID>& lowered) {
    // Windows that went away are forgotten.
    for (auto id = lowered.begin(); id != lowered.end();)
        id = windows.contains(*id) ? std::next(id) : lowered.erase(id);
    int asked = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) {
            lowered.erase(placement.windowID);
            continue;
        }
        if (lowered.contains(placement.windowID)) continue;
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) continue;
        window->second.element->performAction(ax::lowerAction);
        lowered.insert(placement.windowID);
        ++asked;
    }
    return asked;
}

}  // namespace brindlow
