#include "panels/OverviewController.h"

#include <algorithm>

#include "geometry/Rounding.h"

namespace brindlow {

namespace OverviewGeometry {

double baseWidth(const ColumnSnapshot& column) {
    const WindowSnapshot* active = column.activeWindow();
    return active ? active->frame.width : kEmptyColumnWidth;
}

double columnHeight(const ColumnSnapshot& column) {
    if (column.windows.empty()) return kEmptyColumnHeight;
    double top = column.windows.front().frame.minY();
    double bottom = column.windows.front().frame.maxY();
    for (const WindowSnapshot& window : column.windows) {
        top = std::min(top, window.frame.minY());
        bottom = std::max(bottom, window.frame.maxY());
    }
    return bottom - top;
}

namespace {

// The largest factor at which the row fits `width`. Only the cards shrink: the gaps and paddings
// keep their size, and a card at its minimum width shrinks no further, so such cards are taken
// out of the share one by one.
double widthScale(const std::vector<ColumnSnapshot>& columns, double width) {
    const double count = double(columns.size());
    const double fixed = 2 * kSidePadding + kCardSpacing * (count - 1) + 2 * kCardPadding * count;
    std::vector<bool> atMinimum(columns.size(), false);
    double widest = 0;
    for (const ColumnSnapshot& column : columns) widest = std::max(widest, baseWidth(column));
    for (;;) {
        double shrinking = 0;
        double held = 0;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (atMinimum[i])
                held += kMinCardWidth;
            else
                shrinking += baseWidth(columns[i]);
        }
        // Every card at its minimum: no smaller factor narrows the row.
        if (shrinking <= 0) return kMinCardWidth / std::max(1.0, widest);
        const double factor = (width - fixed - held) / shrinking;
        bool changed = false;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (!atMinimum[i] && baseWidth(columns[i]) * factor < kMinCardWidth) {
                atMinimum[i] = true;
                changed = true;
            }
        }
        if (!changed) return factor;
    }
}

}  // namespace

double scale(const DisplaySnapshot* display, Size size) {
    double tallest = 0;
    const bool hasColumns = display && !display->columns.empty();
    if (hasColumns) {
        for (const ColumnSnapshot& column : display->columns)
            tallest = std::max(tallest, columnHeight(column));
    } else {
        tallest = kEmptyColumnHeight;
    }
    const double byWidth =
        hasColumns ? widthScale(display->columns, size.width) : size.width - 2 * kSidePadding;
    const double byHeight = kMaxHeightShare * size.height / std::max(1.0, tallest);
    return std::min({kMaxScale, byWidth, byHeight});
}

double cardWidth(const ColumnSnapshot& column, double scale) {
    return std::max(kMinCardWidth, baseWidth(column) * scale);
}

double rowWidth(const std::vector<ColumnSnapshot>& columns, double scale) {
    double width = 2 * kSidePadding + kCardSpacing * std::max(0.0, double(columns.size()) - 1);
    for (const ColumnSnapshot& column : columns)
        width += cardWidth(column, scale) + 2 * kCardPadding;
    return width;
}

double tileHeight(const WindowSnapshot& window, double scale) {
    return std::max(kMinTileHeight, window.frame.height * scale);
}

int dragSteps(double dx, double cardWidth) {
    return int(roundHalfAway(dx / (cardWidth + kCardSpacing)));
}

}  // namespace OverviewGeometry

OverviewController::OverviewController(PanelHost& panel, StripActions strip)
    : panel_(panel), strip_(std::move(strip)) {}

void OverviewController::toggle(const StripSnapshot& snapshot) {
    if (panel_.isVisible()) {
        hide();
        return;
    }
    const DisplaySnapshot* display = snapshot.activeDisplay();
    if (!display || display->columns.empty()) return;
    model_.display = *display;
    model_.selection = display->focusedIndex.value_or(0);
    changed();
    panel_.show(display->visible);
}

void OverviewController::refresh(const std::vector<DisplaySnapshot>& displays) {
    if (!panel_.isVisible() || !model_.display) return;
    const std::string shown = model_.display->id;
    const auto found = std::find_if(displays.begin(), displays.end(),
                                    [&](const DisplaySnapshot& d) { return d.id == shown; });
    if (found == displays.end())
        model_.display.reset();
    else
        model_.display = *found;
    changed();
}

void OverviewController::hide() {
    hide(true);
}

void OverviewController::resignedKey() {
    hide(false);
}

void OverviewController::hide(bool giveFocusBack) {
    panel_.orderOut(giveFocusBack && panel_.isKey());
}

void OverviewController::choose(int index) {
    if (!model_.display || index < 0 || index >= int(model_.display->columns.size())) return;
    const WindowSnapshot* window = model_.display->columns[size_t(index)].activeWindow();
    if (!window) return;
    const WindowID chosen = window->id;
    if (strip_.jump) strip_.jump(chosen);
    // The focus goes to the chosen window as the panel goes; the jump scrolls the strip to it.
    panel_.orderOutFocusing(chosen);
}

bool OverviewController::handleKey(PanelKey key) {
    const int last = model_.display ? int(model_.display->columns.size()) - 1 : -1;
    switch (key) {
        case PanelKey::left:
            model_.selection = std::max(0, model_.selection - 1);
            changed();
            return true;
        case PanelKey::right:
            model_.selection = std::min(model_.selection + 1, std::max(0, last));
            changed();
            return true;
        case PanelKey::returnKey:
        case PanelKey::keypadEnter:
            choose(model_.selection);
            return true;
        case PanelKey::escape:
            hide();
            return true;
        default:
            return false;
    }
}

void OverviewController::dragEnded(int index, double dx, double cardWidth) {
    if (!model_.display) return;
    const int count = int(model_.display->columns.size());
    const int target =
        std::clamp(index + OverviewGeometry::dragSteps(dx, cardWidth), 0, std::max(0, count - 1));
    // Asked even when the target is the card's own place; the strip ignores that.
    if (strip_.reorderColumn) strip_.reorderColumn(model_.display->id, index, target);
    model_.selection = target;
    changed();
}

void OverviewController::changed() {
    if (onChange) onChange();
}

}  // namespace brindlow
