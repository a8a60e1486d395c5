#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/EventTap.h"
#include "platform/InputEvent.h"
#include "platform/Log.h"
#include "settings/GestureUnit.h"
#include "settings/TwoFingerScroll.h"

namespace brindlow {

// Where recognised gestures go: the strip controller's three entry points. Called on
// the tap thread; each must return at once.
struct GestureTarget {
    std::function<void(Point)> began;
    std::function<void(double amount, GestureUnit)> changed;
    std::function<void(double velocity, GestureUnit)> ended;
};

// Recent (time, x) samples of a gesture; the velocity covers the last 0.1 s.
class VelocitySamples {
  public:
    static constexpr double kWindow = 0.1;
    static constexpr double kMinimumSpan = 0.01;

    void restart(double time, double x);
    // Appends and drops samples older than the window.
    void add(double time, double x);
    // Units per second, 0 with no samples or a span of 0.01 s or less.
    double velocity() const;
    size_t size() const { return samples_.size(); }

  private:
    std::deque<std::pair<double, double>> samples_;
};

// The finger swipe: idle until exactly N fingers touch, possible until the movement
// is sideways enough (tracking) or too vertical or the count changes (ignored, until
// every finger lifted). Pure: fed with swipe events, it calls the target.
class TouchMachine {
  public:
    enum class Phase { idle, possible, tracking, ignored };
    static constexpr double kStartDistance = 0.03;
    static constexpr double kSidewaysRatio = 1.5;
    static constexpr double kVerticalLimit = 0.05;

    TouchMachine(GestureTarget& target, Logger log) : target_(target), log_(std::move(log)) {}

    // Finger count of the swipe (3 or 4); every swipe restarts from idle.
    void reset(int fingers);
    // A swipe cut short (the tap stopped) ends where it stands, without a fling.
    void abandon();
    void handle(const InputEvent& event);
    Phase phase() const { return phase_; }

  private:
    GestureTarget& target_;
    Logger log_;
    int fingers_ = 3;
    Phase phase_ = Phase::idle;
    // Centroid relative to where the fingers came down, in trackpad widths.
    double x_ = 0;
    double y_ = 0;
    double startX_ = 0;
    double startY_ = 0;
    VelocitySamples samples_;
    bool loggedFirstTouch_ = false;
};

// The two-finger strip scroll: holds the first events of a scroll back until it is
// clearly sideways (the strip takes it) or not (the events are given back).
class ScrollMachine {
  public:
    enum class State { idle, deciding, tracking, passing };
    using Verdict = EventTap::Verdict;
    static constexpr double kDecideDistance = 6.0;
    static constexpr size_t kDecideEvents = 5;
    static constexpr double kSidewaysRatio = 1.2;

    ScrollMachine(GestureTarget& target, Logger log) : target_(target), log_(std::move(log)) {}

    // Forgets held events and any scroll in progress.
    void reset(TwoFingerScroll mode);
    // A strip scroll cut short ends without a fling; held events are forgotten.
    void abandon();
    // Events to give back are appended to `giveBack`, in arrival order.
    Verdict handle(const InputEvent& event, std::vector<InputEvent>& giveBack);
    State state() const { return state_; }
    bool swallowingMomentum() const { return swallowMomentum_; }

  private:
    bool modifiersAllow(std::uint32_t modifiers) const;
    Verdict decide(const InputEvent& event, std::vector<InputEvent>& giveBack);
    void giveBackHeld(std::vector<InputEvent>& giveBack);

    GestureTarget& target_;
    Logger log_;
    TwoFingerScroll mode_ = TwoFingerScroll::off;
    State state_ = State::idle;
    std::vector<InputEvent> held_;
    double heldDX_ = 0;
    double heldDY_ = 0;
    double total_ = 0;
    VelocitySamples samples_;
    bool swallowMomentum_ = false;
    bool loggedFirstScroll_ = false;
};

}  // namespace brindlow
