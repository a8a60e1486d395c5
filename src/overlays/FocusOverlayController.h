#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "platform/Animator.h"
#include "platform/Surface.h"
#include "platform/UiScheduler.h"
#include "settings/AppSettings.h"

namespace brindlow {

class BorderContent;

// The focus border (a coloured rounded stroke around the focused window) and the dim (translucent
// black over the whole display, directly below the focused window) of every display, following
// the focus frames the strip controller publishes. Surfaces are made per display on first need
// and reused for the life of the controller. Without a compositor the border is a shaped ring and
// dimming is unavailable; both follow a compositor that starts or stops. Main thread only.
class FocusOverlayController {
  public:
    static constexpr double kBorderSlide = 0.18;
    static constexpr double kBorderFadeIn = 0.2;
    static constexpr double kBorderFadeOut = 0.2;
    static constexpr double kBorderFadeOutMoving = 0.12;
    static constexpr double kBorderCatchUp = 0.15;
    static constexpr double kDimFade = 0.22;
    static constexpr double kReassertDelays[3] = {0.1, 0.3, 0.7};

    FocusOverlayController(SurfaceFactory& factory, UiScheduler& scheduler, Animator& animator);
    ~FocusOverlayController();
    FocusOverlayController(const FocusOverlayController&) = delete;
    FocusOverlayController& operator=(const FocusOverlayController&) = delete;

    // The full list of focus frames (one per display; may be empty) and the current settings.
    void update(const std::vector<FocusFrame>& frames, const AppSettings& settings);
    // Where our own windows stand (global frames); the dim leaves them undimmed. Read at every
    // update of the dim.
    void setOwnWindows(std::function<std::vector<Rect>()> frames) {
        ownWindows_ = std::move(frames);
    }

    // New settings for the frames last shown: the border's width and colour and the dimming
    // amount change at once, not at the next focus change.
    void settingsChanged(const AppSettings& settings);

    // What tests and diagnostics look at; null when the display has none (yet).
    const Surface* border(const std::string& display) const;
    const BorderContent* borderContent(const std::string& display) const;
    const Surface* dim(const std::string& display) const;
    const Surface* spareDim(const std::string& display) const;
    bool borderWanted(const std::string& display) const;
    bool dimWanted(const std::string& display) const;

  private:
    struct OverlayWindow {
        std::unique_ptr<Surface> surface;
        std::shared_ptr<BorderContent> content;  // borders only
        std::optional<Color> background;         // dims only: the fill last set
        bool wanted = false;
    };
    struct DisplayOverlays {
        std::unique_ptr<OverlayWindow> border;
        std::unique_ptr<OverlayWindow> dim;    // the one in use
        std::unique_ptr<OverlayWindow> spare;  // faded out at the last change of target
        std::optional<std::uint32_t> borderAbove;
        std::optional<Rect> borderTarget;
        std::optional<std::uint32_t> dimBelow;
    };

    void updateBorder(const FocusFrame& frame, const AppSettings& settings);
    void updateDim(const FocusFrame& frame, const AppSettings& settings);
    void hideBorder(DisplayOverlays& overlays, double duration, const AppSettings& settings);
    void hideDim(DisplayOverlays& overlays, const AppSettings& settings);
    void fadeOut(OverlayWindow& window, double duration, const AppSettings& settings);
    void animate(Surface& surface, const AnimationTarget& target, double duration,
                 const AppSettings& settings, Animator::Completion completion = {});
    void orderBorder(OverlayWindow& border, std::optional<std::uint32_t> windowNumber);
    void reassertOrder(const std::string& display, std::optional<std::uint32_t> windowNumber);
    void desktopChanged();
    static void setBackground(OverlayWindow& dim, const Color& color);
    std::unique_ptr<OverlayWindow> makeDim();
    const DisplayOverlays* find(const std::string& display) const;

    SurfaceFactory& factory_;
    UiScheduler& scheduler_;
    Animator& animator_;
    std::map<std::string, DisplayOverlays> displays_;
    std::function<std::vector<Rect>()> ownWindows_;
    AppSettings lastSettings_;
    // What the last update showed; emptied when the desktop changes (nothing shows until the
    // next frames).
    std::vector<FocusFrame> lastFrames_;
    ObserverToken desktopObserver_ = 0;
    ObserverToken compositingObserver_ = 0;
    // Scheduled work holds this weakly and does nothing once the controller is gone.
    std::shared_ptr<FocusOverlayController*> alive_;
};

}  // namespace brindlow
