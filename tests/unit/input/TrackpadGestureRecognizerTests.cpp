// Starting, restarting and stopping the trackpad tap, and what a cut-short gesture
// leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <utility>

#include "GestureTestSupport.h"
#include "input/TrackpadGestureRecognizer.h"
#include "support/QuietLog.h"

namespace brindlow::test {
namespace {

using Phase = InputEvent::Phase;

class FakeTap : public EventTap {
  public:
    Started start(const Options& options, Handler handler) override {
        starts.push_back(options);
        if (!succeed) return {};
        handler_ = std::move(handler);
        return {true, swipes};
    }
    void stop() override {
        if (handler_) ++stops;
        handler_ = nullptr;
    }
    void repost(const std::vector<InputEvent>& events) override {
        reposted.insert(reposted.end(), events.begin(), events.end());
    }
    Verdict send(const InputEvent& event) { return handler_(event); }
    bool running() const { return bool(handler_); }

    bool succeed = true;
    bool swipes = true;
    std::vector<Options> starts;
    int stops = 0;
    std::vector<InputEvent> reposted;

  private:
    Handler handler_;
};

std::vector<std::string> gestureLog() {
    std::vector<std::string> lines;
    for (const LogRecord& record : LogSink::recent())
        if (record.category == "Gestures") lines.push_back(record.message);
    return lines;
}

class GestureRecognizerTest : public QuietLogTest {
  protected:
    FakeTap tap;
    RecordingTarget recording;
    GestureRecognizer recognizer{&tap, recording.target};
};

struct ApplyCase {
    GestureConfig config;
    EventTap::Options options;
    std::string line;
};

class ApplyConfig : public GestureRecognizerTest,
                    public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplyConfig, NormalisesTheFingersAndStartsOneTap) {
    recognizer.apply(GetParam().config);
    recognizer.apply(GetParam().config);
    ASSERT_EQ(tap.starts.size(), 1u);
    EXPECT_EQ(tap.starts[0], GetParam().options);
    EXPECT_EQ(gestureLog(), std::vector<std::string>{GetParam().line});
}

INSTANTIATE_TEST_SUITE_P(
    Configs, ApplyConfig,
    ::testing::Values(ApplyCase{{5, TwoFingerScroll::off},
                                {true, false, false},
                                "Trackpad listening: 4-finger swipe, two-finger scroll off"},
                      ApplyCase{{2, TwoFingerScroll::always},
                                {true, true, false},
                                "Trackpad listening: 3-finger swipe, two-finger scroll always"},
                      ApplyCase{
                          {std::nullopt, TwoFingerScroll::withKeys},
                          {false, true, true},
                          "Trackpad listening: no finger swipe, two-finger scroll withKeys"}));

TEST_F(GestureRecognizerTest, ChangesRestartTheTapAndNothingSwitchedOnStopsIt) {
    recognizer.apply({3, TwoFingerScroll::off});
    recognizer.apply({3, TwoFingerScroll::always});
    EXPECT_EQ(tap.starts.size(), 2u);
    EXPECT_EQ(tap.stops, 1);
    recognizer.apply({});
    recognizer.apply({});
    EXPECT_FALSE(tap.running());
    EXPECT_FALSE(recognizer.running());
    const auto lines = gestureLog();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Trackpad listening off"), 2);
    EXPECT_EQ(lines.back(), "Trackpad listening off");
}

TEST_F(GestureRecognizerTest, AFailedStartIsLoggedAndTheSameConfigurationTriesAgain) {
    tap.succeed = false;
    recognizer.apply({4, TwoFingerScroll::always});
    EXPECT_FALSE(recognizer.running());
    EXPECT_EQ(errorsMentioning("Could not create the trackpad event tap").size(), 1u);
    tap.succeed = true;
    recognizer.apply({4, TwoFingerScroll::always});
    EXPECT_EQ(tap.starts.size(), 2u);
    ASSERT_TRUE(recognizer.running());
    EXPECT_EQ(*recognizer.running(), (GestureConfig{4, TwoFingerScroll::always}));
}

TEST_F(GestureRecognizerTest, SwipesTheBackEndCannotDeliverAreReported) {
    tap.swipes = false;
    recognizer.apply({3, TwoFingerScroll::always});
    EXPECT_TRUE(recognizer.running());
    EXPECT_EQ(errorsMentioning("Finger swipes are unavailable").size(), 1u);
}

TEST_F(GestureRecognizerTest, StoppingMidSwipeEndsItWithoutAFling) {
    recognizer.apply({3, TwoFingerScroll::always});
    tap.send(swipe(Phase::began, 3, 0, 0, 0));
    tap.send(swipe(Phase::changed, 3, 0.1, 0, 0));
    tap.send(swipe(Phase::changed, 3, 0.1, 0, 0.05));
    recognizer.apply({4, TwoFingerScroll::always});
    ASSERT_EQ(recording.calls.size(), 3u);
    EXPECT_EQ(recording.calls[2], ended(0, GestureUnit::trackpadWidth));
    // The restarted tap begins from scratch: a 4-finger swipe is possible at once.
    tap.send(swipe(Phase::began, 4, 0, 0, 1));
    tap.send(swipe(Phase::changed, 4, 0.1, 0, 1));
    EXPECT_EQ(recording.calls.size(), 4u);
}

TEST_F(GestureRecognizerTest, StoppingMidScrollEndsItAndForgetsHeldEvents) {
    recognizer.apply({std::nullopt, TwoFingerScroll::always});
    tap.send(scroll(Phase::began, 8, 0));
    recognizer.apply({});
    ASSERT_EQ(recording.calls.size(), 3u);
    EXPECT_EQ(recording.calls[2], ended(0, GestureUnit::points));
    recognizer.apply({std::nullopt, TwoFingerScroll::always});
    tap.send(scroll(Phase::began, 1, 0));
    recognizer.apply({});
    recognizer.apply({std::nullopt, TwoFingerScroll::always});
    // The held event is gone: a vertical scroll gives back only its own events.
    EXPECT_EQ(tap.send(scroll(Phase::began, 0, 9)), EventTap::Verdict::swallow);
    ASSERT_EQ(tap.reposted.size(), 1u);
    EXPECT_EQ(tap.reposted[0].dy, 9);
    EXPECT_EQ(recording.calls.size(), 3u);
}

// A tap whose thread sends events as fast as it can until stopped: the recognizer's
// reset at each restart must not race with the last events of the old thread. Like a real
// tap, start returns once events flow. A promise says so: its future wakes on the value
// itself, where a flag's wait/notify pair leans on the library's shared waiter pool.
class SpinningTap : public EventTap {
  public:
    Started start(const Options&, Handler handler) override {
        stop_ = false;
        std::promise<void> flowing;
        std::future<void> started = flowing.get_future();
        thread_ = std::thread(
            [this, handler = std::move(handler), flowing = std::move(flowing)]() mutable {
                double time = 0;
                bool told = false;
                while (!stop_.load()) {
                    handler(swipe(Phase::began, 3, 0, 0, time));
                    handler(swipe(Phase::changed, 3, 0.2, 0, time += 0.02));
                    handler(scroll(Phase::began, 8, 0, time));
                    handler(scroll(Phase::changed, 0, 9, time += 0.02));
                    if (!std::exchange(told, true)) flowing.set_value();
                }
            });
        started.wait();
        return {true, true};
    }
    void stop() override {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
    }
    void repost(const std::vector<InputEvent>&) override {}

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(QuietLogTest, RestartingUnderAStreamOfEventsEndsEverySwipe) {
    SpinningTap tap;
    std::atomic<int> began{0}, ended{0};
    GestureTarget target{[&](Point) { ++began; }, [](double, GestureUnit) {},
                         [&](double, GestureUnit) { ++ended; }};
    {
        GestureRecognizer recognizer(&tap, target);
        for (int i = 0; i < 200; ++i)
            recognizer.apply({3 + i % 2, i % 3 ? TwoFingerScroll::always : TwoFingerScroll::off});
        recognizer.apply({});
    }
    EXPECT_GT(began.load(), 0);
    EXPECT_EQ(began.load(), ended.load());
}

}  // namespace
}  // namespace brindlow::test
