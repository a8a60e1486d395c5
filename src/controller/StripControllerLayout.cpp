// Layout application: the viewport clamp, the choice between a jump and an animation, the glide
// start and the gap strips; the apply itself is the layout applier's.
#include <algorithm>
#include <cmath>

#include "controller/StripController.h"
#include "strip/Viewport.h"
#include "windows/WindowNumbers.h"

namespace brindlow {

void StripController::clampViewport(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    Strip& strip = display->strip;
    const double gap = std::max(0.0, state_.settings.gap);
    const double outer = std::max(0.0, state_.settings.outerGap);
    const double width = LayoutEngine::viewport(strip.columns, geometry(uuid), gap, outer).width;
    strip.scrollOffset =
        Viewport::clampedOffset(strip, width, gap, outer, state_.settings.centerMode);
}

void StripController::relayout(const std::string& uuid) {
    if (state_.paused || stopped_.load()) return;
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    if (display->animator.isSwiped()) {
        applier_->apply(uuid, ApplyOptions::frame(display->displayedOffset));
        return;
    }
    if (state_.settings.animationsEnabled) {
        // Edge slices are judged where the strip is going: when that moves the run of columns,
        // the offset the windows stand at is counted under the new slicing, so the scroll carries
        // them on from where they are instead of jumping the run first.
        const double shift =
            applier_->sliceShift(display->strip, geometry(uuid)) - display->lastSliceShift;
        if (std::fabs(shift) >= 0.5 && !display->lastLayout.placements.empty()) {
            display->displayedOffset += shift;
            display->lastLayoutOffset += shift;
            display->lastSliceShift += shift;
            display->animator.restartScroll();
        }
        std::optional<std::map<WindowID, Rect>> glideFrom = glideStart(uuid);
        if (display->animator.isAnimating() || glideFrom ||
            std::fabs(display->displayedOffset - display->strip.scrollOffset) >= 0.5) {
            const bool starts =
                display->animator.animate(now(), std::move(glideFrom), display->lastLayoutOffset);
            applier_->apply(uuid, ApplyOptions::frame(display->displayedOffset));
            if (starts) asyncMover_->resetSlowest();
            // Starting a running clock does nothing; starting also retries a link that could
            // not be made before, without which an animation would never land.
            displayLink_->start();
            return;
        }
    }
    const double shownOffset = display->displayedOffset;
    const StripLayout shownLayout = display->lastLayout;
    display->displayedOffset = display->strip.scrollOffset;
    display->animator.rest();
    applier_->apply(uuid, ApplyOptions::landing(display->strip.scrollOffset));
    // Landed at once: published as an animated landing is, else the indicator and the badge dots
    // keep showing the strip where it stood. Most changes publish their own snapshot in this same
    // job, which then shows the landing too; only a landing nothing else shows gets its own.
    display = stateOf(uuid);
    if (!display ||
        (shownOffset == display->strip.scrollOffset && display->lastLayout == shownLayout))
        return;
    if (!landingUnpublished_)
        enqueue([this] {
            if (landingUnpublished_) publishSnapshot(SnapshotReason::quiet());
        });
    landingUnpublished_ = true;
}

void StripController::clampAndRelayoutAll() {
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder))
        clampViewport(uuid);
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder)) relayout(uuid);
}

std::optional<std::map<WindowID, Rect>> StripController::glideStart(const std::string& uuid) const {
    const DisplayState* display = stateOf(uuid);
    if (!display) return std::nullopt;
    const StripLayout layout =
        applier_->layOut(display->strip, geometry(uuid), minimumHeights(display->strip),
                         display->strip.scrollOffset, display->displayedOffset);
    std::map<WindowID, Rect> previous;
    for (const Placement& placement : display->lastLayout.placements)
        if (placement.isVisible) previous.emplace(placement.windowID, placement.frame);
    for (const Placement& placement : layout.placements) {
        if (!placement.isVisible) continue;
        const auto old = previous.find(placement.windowID);
        if (old != previous.end() && differsBy(old->second, placement.frame, 2.0)) return previous;
    }
    return std::nullopt;
}

std::vector<GapStrip> StripController::makeGapStrips(const std::vector<GapBand>& bands) {
    std::vector<GapStrip> strips;
    if (state_.settings.gap < 2.0) return strips;
    // Read at most once per pass, and only when a window's number is not known yet.
    std::optional<std::vector<WindowListEntry>> onScreen;
    for (const GapBand& band : bands) {
        const auto window = state_.windows.find(band.covering);
        if (window == state_.windows.end()) continue;
        ManagedWindow& managed = window->second;
        // By identity, not by the last known frame: a window that cannot shrink is often not
        // where the layout put it, and its band is exactly the case that needs the cover.
        if (!managed.windowNumber) {
            if (!onScreen) onScreen = env_.platform.windowList->onScreenWindows();
            managed.windowNumber = windowNumber(*onScreen, managed.id);
        }
        if (!managed.windowNumber) continue;
        strips.push_back(GapStrip{band.rect, *managed.windowNumber});
    }
    return strips;
}

}  // namespace brindlow
