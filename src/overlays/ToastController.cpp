#include "overlays/ToastController.h"

#include <utility>

#include "overlays/OverlayGeometry.h"

namespace brindlow {

ToastController::ToastController(SurfaceFactory& factory, UiScheduler& scheduler,
                                 Animator& animator, std::shared_ptr<ToastPresentation> view,
                                 std::function<std::optional<Rect>()> mainVisibleFrame)
    : factory_(factory),
      scheduler_(scheduler),
      animator_(animator),
      view_(std::move(view)),
      mainVisibleFrame_(std::move(mainVisibleFrame)),
      alive_(std::make_shared<ToastController*>(this)) {}

ToastController::~ToastController() {
    alive_.reset();
    if (hideWork_) scheduler_.cancel(hideWork_);
    if (panel_) animator_.forget(*panel_);
}

void ToastController::show(const ToastMessage& message, const DisplaySnapshot* display) {
    message_ = message;
    view_->setMessage(message);
    const Size size = view_->fittingSize();

    Rect area;
    if (display) {
        area = display->visible;
    } else if (mainVisibleFrame_) {
        area = mainVisibleFrame_().value_or(Rect());
    }
    const Rect frame = toastFrame(area, size);

    if (hideWork_) scheduler_.cancel(hideWork_);
    hideWork_ = 0;
    ++generation_;
    // A toast that has begun to fade out may still read alpha 1.0 in its first frames: replacing
    // it in place would let the fade run on and hide the new message.
    const bool fadingOut = std::exchange(fadingOut_, false);

    if (!panel_) {
        panel_ = factory_.makeSurface(
            SurfaceOptions{.tier = SurfaceTier::status, .clickThrough = true, .shadow = true},
            view_);
    }
    Surface& panel = *panel_;
    panel.redraw();
    if (panel.isVisible() && panel.alpha() > 0.99 && !fadingOut) {
        animator_.setFrame(panel, frame);
    } else {
        // Setting the values first stops a running fade, which would otherwise overwrite them.
        animator_.setFrame(panel, frame.offsetBy(0, kRise));
        animator_.setAlpha(panel, 0);
        panel.orderFront();
        animator_.animate(panel, {frame, 1.0}, kFadeIn, AnimationCurve::easeOut);
    }

    std::weak_ptr<ToastController*> weak = alive_;
    const std::uint64_t generation = generation_;
    hideWork_ = scheduler_.schedule(kHold, [weak, frame, generation] {
        if (auto alive = weak.lock()) (*alive)->hide(frame, generation);
    });
}

void ToastController::hide(const Rect& frame, std::uint64_t generation) {
    hideWork_ = 0;
    if (!panel_) return;
    Surface* panel = panel_.get();
    std::weak_ptr<ToastController*> weak = alive_;
    fadingOut_ = true;
    animator_.animate(*panel, {frame.offsetBy(0, kSink), 0.0}, kFadeOut, AnimationCurve::easeIn,
                      [weak, panel, generation] {
                          auto alive = weak.lock();
                          if (!alive || (*alive)->generation_ != generation) return;
                          (*alive)->fadingOut_ = false;
                          if (panel->alpha() < 0.01) panel->orderOut();
                      });
}

}  // namespace brindlow
