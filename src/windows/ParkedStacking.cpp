#include "windows/ParkedStacking.h"

#include "platform/Accessibility.h"

namespace brindlow {

int lowerParkedWindows(const std::vector<Placement>& placements,
                       const std::map<WindowID, ManagedWindow>& windows) {
    int lowered = 0;
    for (const Placement& placement : placements) {
        if (!placement.isParked) continue;
        const auto window = windows.find(placement.windowID);
        if (window == windows.end() || !window->second.element) continue;
        window->second.element->performAction(ax::lowerAction);
        ++lowered;
    }
    return lowered;
}

}  // namespace brindlow
