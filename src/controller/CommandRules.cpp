#include "controller/CommandRules.h"

#include <algorithm>

#include "geometry/Rounding.h"
#include "strip/LayoutEngine.h"

namespace brindlow::CommandRules {

std::vector<double> cyclePresets(const std::vector<double>& presets) {
    std::vector<double> kept;
    for (const double preset : presets)
        if (preset > 0 && preset <= 1.0) kept.push_back(preset);
    std::sort(kept.begin(), kept.end());
    return kept;
}

void cycleWidth(Column& column, const std::vector<double>& sortedPresets) {
    const double threshold = column.isFullWidth ? 1.01 : column.widthFraction + 0.01;
    double width = 0.5;
    if (!sortedPresets.empty()) {
        width = sortedPresets.front();
        for (const double preset : sortedPresets)
            if (preset > threshold) {
                width = preset;
                break;
            }
    }
    column.widthFraction = width;
    column.isFullWidth = false;
    column.refusedWidth.reset();
}

double widthStep(double setting) {
    return std::max(setting, 0.01);
}

void resizeColumn(Column& column, double step) {
    const double base = column.isFullWidth ? 1.0 : column.widthFraction;
    column.widthFraction = std::max(std::min(1.0, base + step), 0.1);
    column.isFullWidth = false;
    column.refusedWidth.reset();
}

Rect floatingFrame(const Rect& window, const Rect& visible) {
    const double width = std::min(window.width, 0.8 * visible.width);
    const double height = std::min(window.height, 0.8 * visible.height);
    return Rect(roundHalfAway(visible.midX() - width / 2),
                roundHalfAway(visible.midY() - height / 2), width, height);
}

int crossingIndex(const Strip& target, int direction) {
    if (direction > 0) return target.leftPinnedCount();
    return int(target.columns.size()) - target.rightPinnedCount();
}

std::optional<size_t> neighbourIndex(const std::vector<std::string>& order, const std::string& uuid,
                                     int steps, bool wrap) {
    const auto found = std::find(order.begin(), order.end(), uuid);
    if (found == order.end()) return std::nullopt;
    const long n = long(order.size());
    long index = long(found - order.begin()) + steps;
    if (wrap) return size_t(((index % n) + n) % n);
    if (index < 0 || index >= n) return std::nullopt;
    return size_t(index);
}

ToastMessage tabsNeedAStack() {
    return {"Tabs need a stack",
            "Stack two or three windows in one column first, then turn on tabs.", std::nullopt,
            std::nullopt};
}

ToastMessage heightNeedsAStack() {
    return {"Taller and shorter need a stack",
            "Stack two or three windows in one column first, then change their heights.",
            std::nullopt, std::nullopt};
}

ToastMessage heightRefused(const std::string& appName, bool taller) {
    if (taller)
        return {appName + " can't get taller here",
                "The other windows in this stack can't get any shorter.", std::nullopt,
                std::nullopt};
    return {appName + " can't get shorter here",
            "It is already as short as it can be in this stack.", std::nullopt, std::nullopt};
}

}  // namespace brindlow::CommandRules
