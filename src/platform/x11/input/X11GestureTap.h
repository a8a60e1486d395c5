#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/EventTap.h"
#include "platform/Log.h"
#include "platform/x11/input/X11InputSession.h"

namespace brindlow {

// The trackpad tap over XInput2, on a connection and thread of its own:
// - finger swipes from XI 2.4 swipe gesture events, where the server has them;
// - two-finger scrolls from the raw smooth-scroll valuators of touchpads, with the
//   scroll phases made up: began after a pause, ended after 80 ms of silence;
// - with `scrollsWithKeysOnly`, a passive grab of the scroll buttons (4 to 7) with
//   Control+Alt held: those scrolls come to us alone.
// X cannot hold another client's events back and inject them later: without the
// grab the tap only listens, and the application under the pointer scrolls too.
class X11GestureTap final : public EventTap {
  public:
    static constexpr double kScrollPause = 0.08;
    // Points of strip scrolling per scroll click (a valuator increment or a button).
    static constexpr double kPointsPerClick = 30.0;
    // Unaccelerated swipe deltas per trackpad width: 1000 per inch, a 4 inch touchpad.
    static constexpr double kSwipeUnitsPerWidth = 4000.0;

    explicit X11GestureTap(std::string display);
    ~X11GestureTap() override;

    Started start(const Options& options, Handler handler) override;
    void stop() override;
    // The scrolls were never held back from their applications (or, grabbed with the
    // keys, are not theirs): nothing to give back.
    void repost(const std::vector<InputEvent>&) override {}

    // The XInput version of the last start, 0.0 before any.
    std::pair<int, int> xinputVersion() const { return version_; }

  private:
    struct ScrollAxis {
        bool horizontal = false;
        double increment = 1;
    };
    struct Device {
        bool touchpad = false;
        std::map<int, ScrollAxis> axes;  // by valuator number
    };

    void readDevices();
    bool grabScrollButtons();
    void onEvent(const xcb_ge_generic_event_t& event);
    void onSwipe(const xcb_ge_generic_event_t& event);
    void onRawMotion(const xcb_ge_generic_event_t& event);
    void onGrabbedButton(const xcb_ge_generic_event_t& event);
    // Sends one scroll event, making up its phase.
    void scroll(double dx, double dy, bool continuous, std::optional<std::uint32_t> modifiers,
                std::optional<Point> location);
    double scrollDeadline() const;
    void endScroll();

    const std::string display_;
    Logger log_;
    std::unique_ptr<X11InputSession> session_;
    Handler handler_;
    Options options_;
    std::pair<int, int> version_{0, 0};
    // Tap thread only, once running.
    std::map<int, Device> devices_;
    bool scrolling_ = false;
    bool scrollContinuous_ = false;
    double lastScroll_ = 0;
    std::uint32_t scrollModifiers_ = 0;
    Point scrollLocation_;
};

// The designed modifier flags of an X modifier mask (Alt as Mod1, Super as Mod4).
std::uint32_t modifiersFromX(std::uint32_t mask);

}  // namespace brindlow
