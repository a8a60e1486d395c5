#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "controller/Snapshot.h"
#include "geometry/Geometry.h"
#include "platform/Animator.h"
#include "platform/Surface.h"
#include "platform/UiScheduler.h"
#include "settings/ToastMessage.h"

namespace brindlow {

// What the toast shows: the view draws the message and knows the size it needs.
class ToastPresentation : public SurfaceContent {
  public:
    virtual void setMessage(const ToastMessage& message) = 0;
    // Width 380; the height the current message needs.
    virtual Size fittingSize() = 0;
};

// A short message centred near the bottom of a display: it slides up 10 points while fading in
// (0.25 s), stays 4.0 s after the last message, then sinks 6 points while fading out (0.3 s). A
// message arriving while the toast is fully shown replaces it in place. Never takes the focus;
// clicks pass through. Main thread only.
class ToastController {
  public:
    static constexpr double kFadeIn = 0.25;
    static constexpr double kHold = 4.0;
    static constexpr double kFadeOut = 0.3;
    static constexpr double kRise = 10;
    static constexpr double kSink = 6;

    // `mainVisibleFrame` gives the primary screen's visible frame, for a message without a display.
    ToastController(SurfaceFactory& factory, UiScheduler& scheduler, Animator& animator,
                    std::shared_ptr<ToastPresentation> view,
                    std::function<std::optional<Rect>()> mainVisibleFrame);
    ~ToastController();
    ToastController(const ToastController&) = delete;
    ToastController& operator=(const ToastController&) = delete;

    // Shows the message on the display (its visible frame), else on the primary screen.
    void show(const ToastMessage& message, const DisplaySnapshot* display);

    const ToastMessage& message() const { return message_; }
    // The toast's surface, made by the first message.
    const Surface* panel() const { return panel_.get(); }

  private:
    void hide(const Rect& frame, std::uint64_t generation);

    SurfaceFactory& factory_;
    UiScheduler& scheduler_;
    Animator& animator_;
    std::shared_ptr<ToastPresentation> view_;
    std::function<std::optional<Rect>()> mainVisibleFrame_;
    ToastMessage message_;
    std::unique_ptr<Surface> panel_;
    UiScheduler::TaskID hideWork_ = 0;
    // Counts shows, so a fade-out that a newer message overtook leaves the toast on screen.
    std::uint64_t generation_ = 0;
    // The hide's fade-out is under way (until it ends or a new message takes over).
    bool fadingOut_ = false;
    std::shared_ptr<ToastController*> alive_;
};

}  // namespace brindlow
