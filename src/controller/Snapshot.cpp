#include "controller/Snapshot.h"

namespace brindlow {

const WindowSnapshot* ColumnSnapshot::activeWindow() const {
    if (windows.empty()) return nullptr;
    if (activeWindowID) {
        for (const WindowSnapshot& window : windows)
            if (window.id == *activeWindowID) return &window;
    }
    if (activeIndex >= 0 && activeIndex < int(windows.size())) return &windows[size_t(activeIndex)];
    return &windows.front();
}

const DisplaySnapshot* StripSnapshot::activeDisplay() const {
    for (const DisplaySnapshot& display : displays)
        if (display.isActive) return &display;
    return displays.empty() ? nullptr : &displays.front();
}

std::vector<WindowSnapshot> StripSnapshot::allWindows() const {
    std::vector<WindowSnapshot> all;
    for (const DisplaySnapshot& display : displays)
        for (const ColumnSnapshot& column : display.columns)
            all.insert(all.end(), column.windows.begin(), column.windows.end());
    return all;
}

bool StripSnapshot::hasAnyBadge() const {
    for (const DisplaySnapshot& display : displays)
        for (const ColumnSnapshot& column : display.columns)
            for (const WindowSnapshot& window : column.windows)
                if (window.hasBadge) return true;
    return false;
}

}  // namespace brindlow
