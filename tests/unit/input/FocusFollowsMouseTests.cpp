// Focus follows the mouse in virtual time, and the desktop's touchpad settings.
#include <gtest/gtest.h>

#include "input/FocusFollowsMouse.h"
#include "input/TrackpadSettings.h"
#include "platform/ManualExecutor.h"

namespace brindlow::test {
namespace {

class FakeMonitor : public MouseMonitor {
  public:
    bool start(std::function<void()> movedCallback) override {
        ++starts;
        if (!succeed) return false;
        moved = std::move(movedCallback);
        return true;
    }
    void stop() override { moved = nullptr; }
    PointerState pointer() const override { return state; }

    bool succeed = true;
    int starts = 0;
    std::function<void()> moved;
    PointerState state{{300, 200}, false};
};

class MouseFocusTrackerTest : public ::testing::Test {
  protected:
    void move(Point to) {
        monitor.state.location = to;
        monitor.moved();
    }

    VirtualTime time;
    ManualExecutor main{time, "com.vemto.brindlow.main"};
    FakeMonitor monitor;
    std::vector<Point> focused;
    MouseFocusTracker tracker{&monitor, main, [this](Point at) { focused.push_back(at); }};
};

TEST_F(MouseFocusTrackerTest, FocusesWhereThePointerRestsAfterTheLastMove) {
    tracker.setEnabled(true);
    tracker.setEnabled(true);
    EXPECT_EQ(monitor.starts, 1);
    move({10, 10});
    time.advance(0.1);
    move({500, 20});
    time.advance(0.149);
    EXPECT_TRUE(focused.empty());
    monitor.state.location = {520, 30};  // read when the action runs
    time.advance(0.001);
    EXPECT_EQ(focused, (std::vector<Point>{{520, 30}}));
    time.advance(1.0);
    EXPECT_EQ(focused.size(), 1u);
}

TEST_F(MouseFocusTrackerTest, AHeldButtonFocusesNothingAndNothingIsRetried) {
    tracker.setEnabled(true);
    monitor.state.buttonDown = true;
    move({10, 10});
    time.advance(0.15);
    monitor.state.buttonDown = false;
    time.advance(1.0);
    EXPECT_TRUE(focused.empty());
}

TEST_F(MouseFocusTrackerTest, SwitchingOffCancelsThePendingFocusAndStopsListening) {
    tracker.setEnabled(true);
    move({10, 10});
    tracker.setEnabled(false);
    EXPECT_FALSE(monitor.moved);
    time.advance(1.0);
    EXPECT_TRUE(focused.empty());
    EXPECT_FALSE(tracker.enabled());
}

TEST_F(MouseFocusTrackerTest, AMonitorThatCannotStartIsTriedAgain) {
    monitor.succeed = false;
    tracker.setEnabled(true);
    EXPECT_FALSE(tracker.enabled());
    monitor.succeed = true;
    tracker.setEnabled(true);
    EXPECT_TRUE(tracker.enabled());
    EXPECT_EQ(monitor.starts, 2);
}

TEST(TrackpadSettings, KnownDesktopsNameTheirTouchpadSettings) {
    using Command = std::optional<std::vector<std::string>>;
    EXPECT_EQ(touchpadSettingsCommand("ubuntu:GNOME"),
              (Command{{"gnome-control-center", "mouse"}}));
    EXPECT_EQ(touchpadSettingsCommand("XFCE"), (Command{{"xfce4-mouse-settings"}}));
    EXPECT_EQ(touchpadSettingsCommand("KDE"), (Command{{"systemsettings", "kcm_touchpad"}}));
    EXPECT_EQ(touchpadSettingsCommand("openbox"), std::nullopt);
    EXPECT_EQ(touchpadSettingsCommand(""), std::nullopt);
}

}  // namespace
}  // namespace brindlow::test
