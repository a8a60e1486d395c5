#include "overlays/IndicatorController.h"

#include "overlays/IndicatorGeometry.h"

namespace brindlow {

IndicatorController::IndicatorController(SurfaceFactory& factory, UiScheduler& scheduler,
                                         Animator& animator, ViewMaker makeView, Actions actions)
    : factory_(factory),
      scheduler_(scheduler),
      animator_(animator),
      makeView_(std::move(makeView)),
      actions_(std::move(actions)),
      alive_(std::make_shared<IndicatorController*>(this)) {}

IndicatorController::~IndicatorController() {
    alive_.reset();
    for (auto& [display, panel] : panels_) {
        if (panel->hideWork) scheduler_.cancel(panel->hideWork);
        animator_.forget(*panel->surface);
    }
}

void IndicatorController::update(const StripSnapshot& snapshot, const AppSettings& settings) {
    const std::string shown =
        snapshot.paused || !settings.showIndicator ? std::string() : displayToShow(snapshot);
    for (const DisplaySnapshot& display : snapshot.displays) {
        if (!shown.empty() && display.id == shown && !display.columns.empty()) {
            show(display, settings.indicatorPosition);
            continue;
        }
        // A pill on screen follows every change, its size included, whatever the reason.
        auto found = panels_.find(display.id);
        if (found == panels_.end()) continue;
        Panel& panel = *found->second;
        panel.view->setDisplay(display);
        if (!panel.surface->isVisible()) continue;
        if (display.columns.empty()) {
            // Nothing left to show (every window gone or out of reach): no empty pill lingers.
            if (panel.hideWork) scheduler_.cancel(panel.hideWork);
            panel.hideWork = 0;
            hide(panel);
            continue;
        }
        animator_.setFrame(*panel.surface, indicatorFrame(display.visible, display.columns.size(),
                                                          settings.indicatorPosition));
    }
}

std::string IndicatorController::displayToShow(const StripSnapshot& snapshot) {
    switch (snapshot.reason.kind) {
        case SnapshotReason::Kind::focus:
            return snapshot.reason.displayUUID;
        case SnapshotReason::Kind::structure: {
            const DisplaySnapshot* active = snapshot.activeDisplay();
            return active ? active->id : std::string();
        }
        case SnapshotReason::Kind::quiet:
            break;
    }
    return {};
}

void IndicatorController::show(const DisplaySnapshot& display, IndicatorPosition position) {
    auto found = panels_.find(display.id);
    Panel& panel = found != panels_.end() ? *found->second : makePanel(display.id);
    panel.view->setDisplay(display);
    // Setting the values stops a running fade, whose completion would order the pill out.
    animator_.setFrame(*panel.surface,
                       indicatorFrame(display.visible, display.columns.size(), position));
    animator_.setAlpha(*panel.surface, 1.0);
    panel.surface->redraw();
    panel.surface->orderFront();
    scheduleHide(display.id);
}

IndicatorController::Panel& IndicatorController::makePanel(const std::string& display) {
    auto panel = std::make_unique<Panel>();
    panel->view = makeView_();
    panel->surface = factory_.makeSurface(
        SurfaceOptions{.tier = SurfaceTier::status, .clickThrough = false, .shadow = false},
        panel->view);
    std::weak_ptr<IndicatorController*> weak = alive_;
    IndicatorPresentation::Handlers handlers;
    handlers.hoverChanged = [weak, display](bool hovering) {
        auto alive = weak.lock();
        if (!alive) return;
        auto found = (*alive)->panels_.find(display);
        if (found == (*alive)->panels_.end()) return;
        found->second->hovering = hovering;
        if (!hovering) (*alive)->scheduleHide(display);
    };
    handlers.jump = [weak](WindowID window) {
        auto alive = weak.lock();
        if (alive && (*alive)->actions_.jump) (*alive)->actions_.jump(window);
    };
    handlers.reorder = [weak, display](int from, int to) {
        auto alive = weak.lock();
        if (alive && (*alive)->actions_.reorder) (*alive)->actions_.reorder(display, from, to);
    };
    panel->view->setHandlers(std::move(handlers));
    return *panels_.emplace(display, std::move(panel)).first->second;
}

void IndicatorController::scheduleHide(const std::string& display) {
    auto found = panels_.find(display);
    if (found == panels_.end()) return;
    Panel& panel = *found->second;
    if (panel.hideWork) scheduler_.cancel(panel.hideWork);
    std::weak_ptr<IndicatorController*> weak = alive_;
    panel.hideWork = scheduler_.schedule(kHold, [weak, display] {
        auto alive = weak.lock();
        if (!alive) return;
        auto again = (*alive)->panels_.find(display);
        if (again == (*alive)->panels_.end()) return;
        Panel& p = *again->second;
        p.hideWork = 0;
        if (!p.hovering) (*alive)->hide(p);
    });
}

void IndicatorController::hide(Panel& panel) {
    if (!panel.surface->isVisible()) return;
    Panel* faded = &panel;
    animator_.animate(*panel.surface, AnimationTarget::toAlpha(0.0), kFadeOut,
                      AnimationCurve::easeInEaseOut, [faded] {
                          if (faded->surface->alpha() >= 0.01) return;
                          faded->surface->orderOut();
                          // Ordered out under the pointer: no leave will ever come.
                          faded->hovering = false;
                      });
}

void IndicatorController::hideAll() {
    for (auto& [display, panel] : panels_) hide(*panel);
}

const Surface* IndicatorController::panel(const std::string& display) const {
    auto found = panels_.find(display);
    return found == panels_.end() ? nullptr : found->second->surface.get();
}

bool IndicatorController::hovering(const std::string& display) const {
    auto found = panels_.find(display);
    return found != panels_.end() && found->second->hovering;
}

}  // namespace brindlow
