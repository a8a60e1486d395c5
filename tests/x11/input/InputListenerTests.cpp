// The XInput2 listeners against the session's X server: Control+Alt scroll clicks come to the
// trackpad tap alone while plain clicks reach the window under the pointer, stopping joins its
// thread, raw pointer motion reaches the main executor, and a wait for the hand ends after the
// motion reported before it was heard.
#include <xcb/xtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "platform/Clock.h"
#include "platform/x11/input/X11GestureTap.h"
#include "platform/x11/input/X11PointerActivity.h"
#include "platform/x11/input/X11PointerMonitor.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

using Phase = InputEvent::Phase;

// Every event the tap delivers, for the test thread to wait on.
struct TapRecord {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<InputEvent> events;

    EventTap::Handler handler() {
        return [this](const InputEvent& event) {
            std::lock_guard lock(mutex);
            events.push_back(event);
            changed.notify_all();
            return EventTap::Verdict::pass;
        };
    }
    // Waits until `count` events arrived; `limit` only bounds a hang.
    bool waitFor(size_t count, double limit = 10.0) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::duration<double>(limit),
                                [&] { return events.size() >= count; });
    }
};

class InputListeners : public X11Fixture {
  protected:
    std::string display() const { return std::getenv("DISPLAY"); }

    // An unmanaged window at the top left that records the buttons pressed on it.
    xcb_window_t makeClickTarget() {
        xcb_connection_t* c = connection().xcb();
        const xcb_window_t window = xcb_generate_id(c);
        const std::uint32_t values[] = {1, XCB_EVENT_MASK_BUTTON_PRESS};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, connection().root(), 0, 0, 200, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c, window);
        listener_ = connection().addListener([this, window](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_BUTTON_PRESS) return;
            const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
            if (press.event != window) return;
            std::lock_guard lock(pressedMutex_);
            pressed_.push_back(press.detail);
        });
        connection().sync();
        return window;
    }
    std::vector<int> pressed() {
        std::lock_guard lock(pressedMutex_);
        return pressed_;
    }

    void TearDown() override {
        if (listener_) connection().removeListener(listener_);
    }

    std::uint64_t listener_ = 0;
    std::mutex pressedMutex_;
    std::vector<int> pressed_;
};

TEST_F(InputListeners, ControlAltScrollClicksComeToTheTapAlone) {
    makeClickTarget();
    X11GestureTap tap(display());
    TapRecord record;
    ASSERT_TRUE(tap.start({false, true, true}, record.handler()).running);
    ASSERT_TRUE(xdotool(
        {"mousemove", "100", "100", "keydown", "ctrl+alt", "click", "7", "keyup", "ctrl+alt"}));
    // The click, then the end made up after the pause.
    ASSERT_TRUE(record.waitFor(2));
    {
        std::lock_guard lock(record.mutex);
        const InputEvent& click = record.events[0];
        EXPECT_EQ(click.phase, Phase::began);
        EXPECT_EQ(click.dx, -X11GestureTap::kPointsPerClick);
        EXPECT_TRUE(click.continuous);
        EXPECT_EQ(click.modifiers, modifier::control | modifier::option);
        EXPECT_EQ(click.location, (Point{100, 100}));
        EXPECT_EQ(record.events[1].phase, Phase::ended);
    }
    // Without the keys the click is the window's; the grabbed one never reached it.
    ASSERT_TRUE(xdotool({"click", "6"}));
    ASSERT_TRUE(settle([&] { return !pressed().empty(); }));
    EXPECT_EQ(pressed(), std::vector<int>{6});
    tap.stop();
}

TEST_F(InputListeners, StoppingJoinsTheThreadWhileClicksStream) {
    makeClickTarget();
    X11GestureTap tap(display());
    std::atomic<bool> stopped{false};
    std::atomic<int> late{0}, delivered{0};
    std::atomic<bool> clicking{true};
    std::thread clicks([&clicking] {
        xdotool({"mousemove", "100", "100", "keydown", "ctrl+alt", "click", "--repeat", "300",
                 "--delay", "1", "6", "keyup", "ctrl+alt"});
        clicking = false;
    });
    // Restart for as long as the clicks stream (at least 60 times), however slowly the
    // machine runs them, so that stops really overlap deliveries.
    for (int i = 0; i < 60 || (clicking && i < 100000); ++i) {
        stopped = false;
        const bool running = tap.start({i % 2 == 0, true, true},
                                       [&](const InputEvent&) {
                                           if (stopped) ++late;
                                           ++delivered;
                                           return EventTap::Verdict::swallow;
                                       })
                                 .running;
        ASSERT_TRUE(running);
        connection().sync();
        tap.stop();
        stopped = true;
    }
    clicks.join();
    EXPECT_EQ(late.load(), 0);
    EXPECT_GT(delivered.load(), 0);
}

TEST_F(InputListeners, PointerMotionReachesTheMainExecutor) {
    X11PointerMonitor monitor(display(), main_);
    std::atomic<int> moves{0};
    ASSERT_TRUE(monitor.start([&] { ++moves; }));
    // A warp (what an absolute "mousemove" does) moves no device: relative XTest motion does.
    ASSERT_TRUE(xdotool({"mousemove", "290", "300", "mousemove_relative", "10", "10"}));
    EXPECT_TRUE(main_.runUntil([&] { return moves > 0; }));
    EXPECT_EQ(monitor.pointer().location, (Point{300, 310}));
    EXPECT_FALSE(monitor.pointer().buttonDown);
    monitor.stop();
}

// The hand is heard on a connection of its own: a wait asked right after a motion ends once that
// motion was heard, however late the hand's thread gets to it.
TEST_F(InputListeners, AWaitForTheHandEndsAfterTheMotionReportedBeforeIt) {
    X11PointerActivity activity(display());
    ASSERT_TRUE(activity.listenUntil(MonotonicClock::shared().now() + 60));
    for (int step = 0; step < 50; ++step) {
        const std::optional<double> before = activity.lastActivity();
        // A relative motion (a warp moves no device), back and forth: the pointer ends where it
        // stood. Once synced, the server has reported it on the hand's connection.
        xcb_test_fake_input(connection().xcb(), XCB_MOTION_NOTIFY, 1, XCB_CURRENT_TIME, XCB_NONE,
                            std::int16_t(step % 2 == 0 ? 1 : -1), 0, 0);
        connection().sync();
        std::promise<std::optional<double>> heard;
        ASSERT_TRUE(activity.afterHeardUpToNow([&] { heard.set_value(activity.lastActivity()); }));
        std::future<std::optional<double>> answer = heard.get_future();
        ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        const std::optional<double> last = answer.get();
        ASSERT_TRUE(last) << "step " << step;
        if (before) {
            EXPECT_GT(*last, *before) << "step " << step;
        }
    }
}

}  // namespace
}  // namespace brindlow::test
