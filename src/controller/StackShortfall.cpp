#include "controller/StackShortfall.h"

#include <cmath>
#include <map>

namespace brindlow {

namespace {

// Heights and positions within this of each other count as the same.
constexpr double kSame = 0.5;
// A row this close to the height the window took less of is that height again.
constexpr double kSameRow = 1.0;

}  // namespace

void giveStackShortfalls(std::vector<Placement>& placements, const Strip& strip,
                         const WindowRecords& records, double gap) {
    std::map<WindowID, Placement*> byWindow;
    for (const Column& column : strip.columns) {
        if (column.isTabbed || column.windows.size() < 2) continue;
        for (std::size_t row = 0; row + 1 < column.windows.size(); ++row) {
            const std::optional<ShortHeight> shortHeight =
                records.get(column.windows[row]).shortHeight;
            if (!shortHeight) continue;
            if (byWindow.empty())
                for (Placement& placement : placements) byWindow[placement.windowID] = &placement;
            const auto above = byWindow.find(column.windows[row]);
            const auto below = byWindow.find(column.windows[row + 1]);
            if (above == byWindow.end() || below == byWindow.end()) continue;
            Rect& upper = above->second->frame;
            Rect& lower = below->second->frame;
            const double shortfall = upper.height - shortHeight->taken;
            if (std::fabs(upper.height - shortHeight->requested) >= kSameRow || shortfall <= 0 ||
                std::fabs(lower.y - (upper.maxY() + gap)) > kSame)
                continue;
            upper.height = shortHeight->taken;
            lower.y -= shortfall;
            lower.height += shortfall;
        }
    }
}

}  // namespace brindlow
