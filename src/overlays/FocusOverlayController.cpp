#include "overlays/FocusOverlayController.h"

#include <algorithm>
#include <cmath>

#include "overlays/ColorText.h"
#include "overlays/OverlayContents.h"
#include "overlays/OverlayGeometry.h"

namespace brindlow {

namespace {

double dimAlpha(double amount) {
    return std::isfinite(amount) ? std::clamp(amount, 0.0, 1.0) : 0.0;
}

}  // namespace

FocusOverlayController::FocusOverlayController(SurfaceFactory& factory, UiScheduler& scheduler,
                                               Animator& animator)
    : factory_(factory),
      scheduler_(scheduler),
      animator_(animator),
      alive_(std::make_shared<FocusOverlayController*>(this)) {
    std::weak_ptr<FocusOverlayController*> weak = alive_;
    desktopObserver_ = factory_.addDesktopChangeObserver([weak] {
        if (auto alive = weak.lock()) (*alive)->desktopChanged();
    });
    // Dimming comes and goes with the compositor, without waiting for the next focus change.
    compositingObserver_ = factory_.addCompositingObserver([weak] {
        if (auto alive = weak.lock()) (*alive)->settingsChanged((*alive)->lastSettings_);
    });
}

FocusOverlayController::~FocusOverlayController() {
    factory_.removeDesktopChangeObserver(desktopObserver_);
    factory_.removeCompositingObserver(compositingObserver_);
    alive_.reset();
    for (auto& [display, overlays] : displays_) {
        for (auto* window : {overlays.border.get(), overlays.dim.get(), overlays.spare.get()}) {
            if (window) animator_.forget(*window->surface);
        }
    }
}

void FocusOverlayController::update(const std::vector<FocusFrame>& frames,
                                    const AppSettings& settings) {
    lastSettings_ = settings;
    lastFrames_ = frames;
    std::map<std::string, const FocusFrame*> byDisplay;
    for (const FocusFrame& frame : frames) byDisplay.emplace(frame.displayUUID, &frame);

    for (auto& [display, overlays] : displays_) {
        if (byDisplay.contains(display)) continue;
        hideBorder(overlays, kBorderFadeOut, settings);
        hideDim(overlays, settings);
    }
    for (const FocusFrame& frame : frames) {
        updateBorder(frame, settings);
        updateDim(frame, settings);
    }
}

void FocusOverlayController::settingsChanged(const AppSettings& settings) {
    // A copy: update() replaces the stored frames with the very same ones.
    const std::vector<FocusFrame> frames = lastFrames_;
    update(frames, settings);
}

void FocusOverlayController::animate(Surface& surface, const AnimationTarget& target,
                                     double duration, const AppSettings& settings,
                                     Animator::Completion completion) {
    animator_.animate(surface, target, settings.animationsEnabled ? duration : 0.0,
                      AnimationCurve::easeInEaseOut, std::move(completion));
}

void FocusOverlayController::fadeOut(OverlayWindow& window, double duration,
                                     const AppSettings& settings) {
    if (!window.wanted) return;
    window.wanted = false;
    OverlayWindow* faded = &window;
    animate(*window.surface, AnimationTarget::toAlpha(0.0), duration, settings, [faded] {
        if (!faded->wanted) faded->surface->orderOut();
    });
}

void FocusOverlayController::hideBorder(DisplayOverlays& overlays, double duration,
                                        const AppSettings& settings) {
    if (!overlays.border) return;
    fadeOut(*overlays.border, duration, settings);
    overlays.borderAbove.reset();
    overlays.borderTarget.reset();
}

void FocusOverlayController::hideDim(DisplayOverlays& overlays, const AppSettings& settings) {
    if (overlays.dim) fadeOut(*overlays.dim, kDimFade, settings);
    if (overlays.spare) fadeOut(*overlays.spare, kDimFade, settings);
    overlays.dimBelow.reset();
}

void FocusOverlayController::orderBorder(OverlayWindow& border,
                                         std::optional<std::uint32_t> windowNumber) {
    if (!windowNumber) {
        border.surface->setTier(SurfaceTier::floating);
        border.surface->orderFront();
    } else {
        border.surface->setTier(SurfaceTier::normal);
        border.surface->orderAbove(*windowNumber);
    }
}

void FocusOverlayController::updateBorder(const FocusFrame& frame, const AppSettings& settings) {
    if (!settings.focusBorder || !frame.frame || frame.moving) {
        auto found = displays_.find(frame.displayUUID);
        if (found != displays_.end()) {
            hideBorder(found->second, frame.moving ? kBorderFadeOutMoving : kBorderFadeOut,
                       settings);
        }
        return;
    }

    const double width = sanitizedBorderWidth(settings.focusBorderWidth);
    const Rect target = borderWindowFrame(*frame.frame, width);
    DisplayOverlays& overlays = displays_[frame.displayUUID];
    if (!overlays.border) {
        auto border = std::make_unique<OverlayWindow>();
        border->content = std::make_shared<BorderContent>();
        border->surface = factory_.makeSurface(
            SurfaceOptions{.tier = SurfaceTier::normal, .clickThrough = true, .shadow = false},
            border->content);
        overlays.border = std::move(border);
    }
    OverlayWindow& border = *overlays.border;
    Surface& surface = *border.surface;
    const Color color = colorFromText(settings.focusBorderColor).value_or(kBorderFallbackColor);
    if (border.content->setStroke(width, color)) surface.redraw();

    const std::optional<std::uint32_t> number = frame.windowNumber;
    if (!border.wanted) {
        if (!surface.isVisible()) {
            animator_.setFrame(surface, target);
            animator_.setAlpha(surface, 0);
        } else {
            // Caught during its fade-out: catch up from where it is.
            animate(surface, AnimationTarget::toFrame(target), kBorderCatchUp, settings);
        }
        orderBorder(border, number);
        border.wanted = true;
        animate(surface, AnimationTarget::toAlpha(1.0), kBorderFadeIn, settings);
    } else {
        if (number != overlays.borderAbove) {
            animate(surface, AnimationTarget::toFrame(target), kBorderSlide, settings);
        } else if (overlays.borderTarget != target) {
            animator_.setFrame(surface, target);
        }
        orderBorder(border, number);
    }
    if (number && number != overlays.borderAbove) reassertOrder(frame.displayUUID, number);
    overlays.borderAbove = number;
    overlays.borderTarget = target;
}

std::unique_ptr<FocusOverlayController::OverlayWindow> FocusOverlayController::makeDim() {
    auto dim = std::make_unique<OverlayWindow>();
    dim->surface = factory_.makeSurface(
        SurfaceOptions{.tier = SurfaceTier::normal, .clickThrough = true, .shadow = false},
        nullptr);
    return dim;
}

void FocusOverlayController::updateDim(const FocusFrame& frame, const AppSettings& settings) {
    auto found = displays_.find(frame.displayUUID);
    // Without a compositor a dim could only be opaque black: dimming is unavailable.
    if (!settings.dimInactive || !factory_.compositing()) {
        if (found != displays_.end()) hideDim(found->second, settings);
        return;
    }
    if (!frame.windowNumber || !frame.frame) {
        if (!frame.moving && found != displays_.end()) hideDim(found->second, settings);
        return;
    }

    const std::uint32_t number = *frame.windowNumber;
    const Rect rect = toolkitRect(frame.screen);
    const Color color{0, 0, 0, dimAlpha(settings.dimAmount)};
    DisplayOverlays& overlays = displays_[frame.displayUUID];

    // The focused window shows through the dim wherever the window manager stacks it, and so do
    // our own windows (settings, welcome): they are never dimmed like another application's.
    const Rect hole = toolkitRect(*frame.frame);
    std::vector<Rect> own;
    if (ownWindows_)
        for (const Rect& window : ownWindows_())
            if (window.intersects(frame.screen)) own.push_back(toolkitRect(window));
    if (overlays.dim && overlays.dim->wanted && overlays.dimBelow == number) {
        Surface& surface = *overlays.dim->surface;
        setBackground(*overlays.dim, color);
        if (surface.frame() != rect) animator_.setFrame(surface, rect);
        surface.setHole(hole);
        surface.setMoreHoles(own);
        if (!frame.moving) surface.orderBelow(number);
        return;
    }

    std::unique_ptr<OverlayWindow> old = std::move(overlays.dim);
    overlays.dim = overlays.spare ? std::move(overlays.spare) : makeDim();
    overlays.spare = std::move(old);
    if (overlays.spare) fadeOut(*overlays.spare, kDimFade, settings);

    Surface& fresh = *overlays.dim->surface;
    setBackground(*overlays.dim, color);
    animator_.setFrame(fresh, rect);
    fresh.setHole(hole);
    fresh.setMoreHoles(own);
    if (!fresh.isVisible()) animator_.setAlpha(fresh, 0);
    fresh.orderBelow(number);
    overlays.dim->wanted = true;
    animate(fresh, AnimationTarget::toAlpha(1.0), kDimFade, settings);
    overlays.dimBelow = number;
    reassertOrder(frame.displayUUID, number);
}

void FocusOverlayController::setBackground(OverlayWindow& dim, const Color& color) {
    if (dim.background == color) return;
    dim.background = color;
    dim.surface->setBackgroundColor(color);
}

void FocusOverlayController::reassertOrder(const std::string& display,
                                           std::optional<std::uint32_t> windowNumber) {
    if (!windowNumber) return;
    std::weak_ptr<FocusOverlayController*> weak = alive_;
    const std::uint32_t number = *windowNumber;
    for (double delay : kReassertDelays) {
        scheduler_.schedule(delay, [weak, display, number] {
            auto alive = weak.lock();
            if (!alive) return;
            auto found = (*alive)->displays_.find(display);
            if (found == (*alive)->displays_.end()) return;
            DisplayOverlays& overlays = found->second;
            if (overlays.border && overlays.border->wanted && overlays.borderAbove == number) {
                overlays.border->surface->orderAbove(number);
            }
            if (overlays.dim && overlays.dim->wanted && overlays.dimBelow == number) {
                overlays.dim->surface->orderBelow(number);
            }
        });
    }
}

void FocusOverlayController::desktopChanged() {
    // Our windows show on every desktop; the windows they belong to may not.
    lastFrames_.clear();
    for (auto& [display, overlays] : displays_) {
        hideBorder(overlays, kBorderFadeOut, lastSettings_);
        hideDim(overlays, lastSettings_);
    }
}

const FocusOverlayController::DisplayOverlays* FocusOverlayController::find(
    const std::string& display) const {
    auto found = displays_.find(display);
    return found == displays_.end() ? nullptr : &found->second;
}

const Surface* FocusOverlayController::border(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->border ? o->border->surface.get() : nullptr;
}

const BorderContent* FocusOverlayController::borderContent(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->border ? o->border->content.get() : nullptr;
}

const Surface* FocusOverlayController::dim(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->dim ? o->dim->surface.get() : nullptr;
}

const Surface* FocusOverlayController::spareDim(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->spare ? o->spare->surface.get() : nullptr;
}

bool FocusOverlayController::borderWanted(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->border && o->border->wanted;
}

bool FocusOverlayController::dimWanted(const std::string& display) const {
    const DisplayOverlays* o = find(display);
    return o && o->dim && o->dim->wanted;
}

}  // namespace brindlow
