#include "overlays/BadgeOverlayController.h"

#include "overlays/OverlayContents.h"
#include "overlays/OverlayGeometry.h"

namespace brindlow {

BadgeOverlayController::BadgeOverlayController(SurfaceFactory& factory)
    : factory_(factory), alive_(std::make_shared<BadgeOverlayController*>(this)) {
    std::weak_ptr<BadgeOverlayController*> weak = alive_;
    desktopObserver_ = factory_.addDesktopChangeObserver([weak] {
        if (auto alive = weak.lock()) (*alive)->desktopChanged();
    });
}

BadgeOverlayController::~BadgeOverlayController() {
    factory_.removeDesktopChangeObserver(desktopObserver_);
}

void BadgeOverlayController::update(const std::vector<DisplaySnapshot>& displays, bool paused) {
    std::map<WindowID, Rect> wanted;
    if (!paused) {
        for (const DisplaySnapshot& display : displays) {
            for (const ColumnSnapshot& column : display.columns) {
                for (const WindowSnapshot& window : column.windows) {
                    // A later window with the same id replaces an earlier one.
                    if (window.hasBadge) {
                        const Rect content =
                            contentArea(window.frame, factory_.decorations(window.id));
                        wanted.insert_or_assign(window.id, badgeDotFrame(content, display.frame));
                    }
                }
            }
        }
    }

    for (auto it = dots_.begin(); it != dots_.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        it->second->orderOut();
        it = dots_.erase(it);
    }
    for (const auto& [window, frame] : wanted) {
        std::unique_ptr<Surface>& dot = dots_[window];
        if (!dot) {
            dot = factory_.makeSurface(
                SurfaceOptions{.tier = SurfaceTier::floating, .clickThrough = true, .shadow = true},
                std::make_shared<DotContent>());
        }
        dot->setFrame(frame);
        dot->orderFront();
    }
}

const Surface* BadgeOverlayController::dot(WindowID window) const {
    auto found = dots_.find(window);
    return found == dots_.end() ? nullptr : found->second.get();
}

void BadgeOverlayController::desktopChanged() {
    // The badged windows may not be on the new desktop; the next snapshot brings the dots back.
    for (auto& [window, dot] : dots_) dot->orderOut();
    dots_.clear();
}

}  // namespace brindlow
