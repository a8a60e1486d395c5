#include "panels/ShortcutsPanelController.h"

#include "geometry/Rounding.h"

namespace brindlow {

std::vector<std::string> shortcutSheetGestureHints(const AppSettings& settings) {
    std::vector<std::string> hints;
    switch (settings.twoFingerScroll) {
        case TwoFingerScroll::always:
            hints.push_back(
                "Two-finger swipe sideways scrolls the strip and the app under the pointer; "
                "hold Alt to scroll only the app.");
            break;
        case TwoFingerScroll::withKeys:
            hints.push_back("Hold Ctrl+Alt and swipe two fingers sideways to scroll the strip.");
            break;
        case TwoFingerScroll::off:
            break;
    }
    if (settings.gesturesEnabled)
        hints.push_back(std::to_string(settings.gestureFingers) +
                        "-finger swipe sideways scrolls the strip too.");
    hints.push_back(
        "Drag a title bar to move a window in the strip, or sideways out of its stack.");
    return hints;
}

ShortcutsPanelController::ShortcutsPanelController(PanelHost& panel, ShortcutsSheetView& view,
                                                   const ShortcutSource& shortcuts,
                                                   std::function<AppSettings()> settings)
    : panel_(panel),
      view_(view),
      shortcuts_(shortcuts),
      settings_(std::move(settings)),
      alive_(std::make_shared<ShortcutsPanelController*>(this)) {}

Rect ShortcutsPanelController::frameFor(const Rect& target, Size size) {
    return {roundHalfAway(target.midX() - 0.5 * size.width),
            roundHalfAway(target.midY() - 0.5 * size.height), size.width, size.height};
}

void ShortcutsPanelController::toggle(const DisplaySnapshot* display) {
    if (isOpen_) {
        hide();
        return;
    }
    isOpen_ = true;
    shown_ = currentContent();
    size_ = view_.setContent(shown_);
    target_ = display ? display->visible : panel_.mainScreenVisibleFrame();
    panel_.setAlpha(0);
    panel_.show(frameFor(target_, size_));
    panel_.fadeAlpha(1, kFadeIn, nullptr);
}

ShortcutsSheetContent ShortcutsPanelController::currentContent() const {
    ShortcutsSheetContent content;
    content.keys = ShortcutGuide::keyTexts(shortcuts_);
    content.gestureHints = shortcutSheetGestureHints(settings_ ? settings_() : AppSettings{});
    return content;
}

void ShortcutsPanelController::refresh() {
    if (!isOpen_) return;
    ShortcutsSheetContent content = currentContent();
    if (content == shown_) return;
    shown_ = std::move(content);
    const Size size = view_.setContent(shown_);
    if (size == size_) return;
    size_ = size;
    panel_.show(frameFor(target_, size_));
}

void ShortcutsPanelController::hide() {
    hide(true);
}

void ShortcutsPanelController::resignedKey() {
    hide(false);
}

void ShortcutsPanelController::hide(bool giveFocusBack) {
    if (!isOpen_) return;
    isOpen_ = false;
    const bool giveBack = giveFocusBack && panel_.isKey();
    std::weak_ptr<ShortcutsPanelController*> weak = alive_;
    panel_.fadeAlpha(0, kFadeOut, [weak, giveBack] {
        const auto alive = weak.lock();
        // A sheet opened again while the fade ran stays on screen.
        if (!alive || (*alive)->isOpen_) return;
        (*alive)->panel_.orderOut(giveBack);
    });
}

bool ShortcutsPanelController::handleKey(PanelKey key) {
    if (key != PanelKey::escape) return false;
    hide();
    return true;
}

}  // namespace brindlow
