#pragma once

#include <optional>

#include "input/GestureMachines.h"
#include "platform/EventTap.h"
#include "platform/Log.h"
#include "settings/TwoFingerScroll.h"

namespace brindlow {

// What the trackpad recognizer listens for, built from the settings.
struct GestureConfig {
    std::optional<int> fingers;  // 3 or 4; none = finger swipes off
    TwoFingerScroll twoFinger = TwoFingerScroll::off;
    friend bool operator==(const GestureConfig&, const GestureConfig&) = default;
};

// Turns trackpad swipes and sideways two-finger scrolls into strip scrolling. Owns
// the start and stop of the event tap; the two machines run on the tap's thread and
// are reset only while no tap thread exists. apply() is called on the main thread.
class GestureRecognizer {
  public:
    // `tap` may be null (no back end): every start then fails.
    GestureRecognizer(EventTap* tap, GestureTarget target);
    ~GestureRecognizer();
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    // Starts, restarts or stops the tap to match; an unchanged configuration keeps
    // the running tap. A failure is only logged, and the next apply() tries again.
    void apply(GestureConfig config);
    // The configuration the live tap was started with; none while no tap runs.
    const std::optional<GestureConfig>& running() const { return running_; }

  private:
    void stop();
    void start(const GestureConfig& config);
    EventTap::Verdict handle(const InputEvent& event);

    EventTap* tap_;
    GestureTarget target_;
    Logger log_;
    std::optional<GestureConfig> running_;
    GestureConfig config_;
    TouchMachine touches_;
    ScrollMachine scrolls_;
    std::vector<InputEvent> giveBack_;
};

}  // namespace brindlow
