#include "panels/SearchPanelController.h"

#include <algorithm>

namespace brindlow {

namespace {

const DisplaySnapshot* activeDisplay(const std::vector<DisplaySnapshot>& displays) {
    for (const DisplaySnapshot& display : displays)
        if (display.isActive) return &display;
    return displays.empty() ? nullptr : &displays.front();
}

}  // namespace

SearchPanelController::SearchPanelController(SearchModel& model, PanelHost& panel,
                                             StripActions strip)
    : model_(model), panel_(panel), strip_(std::move(strip)) {}

void SearchPanelController::reload(const std::vector<DisplaySnapshot>& displays) {
    std::vector<SearchItem> all;
    for (const DisplaySnapshot& display : displays) {
        for (size_t c = 0; c < display.columns.size(); ++c) {
            const std::string number = std::to_string(c + 1);
            const std::string place = displays.size() == 1
                                          ? "Column " + number
                                          : display.name + " \u00B7 column " + number;
            for (const WindowSnapshot& window : display.columns[c].windows)
                all.push_back({window, place});
        }
    }
    model_.setAll(std::move(all));
    model_.update();
}

Rect SearchPanelController::frameFor(const Rect& target) {
    return {target.midX() - kWidth / 2, target.midY() - kHeight / 2 - kRaise, kWidth, kHeight};
}

void SearchPanelController::toggle(const std::vector<DisplaySnapshot>& displays) {
    if (panel_.isVisible()) {
        hide();
        return;
    }
    reload(displays);
    model_.setQuery("");
    model_.setSelection(0);
    const DisplaySnapshot* display = activeDisplay(displays);
    const Rect target = display ? display->visible : panel_.mainScreenVisibleFrame();
    panel_.show(frameFor(target));
}

void SearchPanelController::hide() {
    hide(true);
}

void SearchPanelController::resignedKey() {
    // The focus went elsewhere on purpose: it stays there.
    hide(false);
}

void SearchPanelController::hide(bool giveFocusBack) {
    panel_.orderOut(giveFocusBack && panel_.isKey());
}

bool SearchPanelController::handleKey(PanelKey key) {
    switch (key) {
        case PanelKey::returnKey:
        case PanelKey::keypadEnter:
            choose(model_.selection());
            return true;
        case PanelKey::escape:
            hide();
            return true;
        case PanelKey::up:
            model_.setSelection(std::max(model_.selection() - 1, 0));
            return true;
        case PanelKey::down:
            model_.setSelection(
                std::min(model_.selection() + 1, std::max(int(model_.results().size()) - 1, 0)));
            return true;
        default:
            return false;
    }
}

void SearchPanelController::choose(int index) {
    if (index < 0 || index >= int(model_.results().size())) return;
    const WindowID chosen = model_.results()[size_t(index)].window.id;
    if (strip_.jump) strip_.jump(chosen);
    // The focus goes to the chosen window as the panel goes; the jump scrolls the strip to it.
    panel_.orderOutFocusing(chosen);
}

}  // namespace brindlow
