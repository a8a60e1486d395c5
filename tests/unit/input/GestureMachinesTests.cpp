// The two trackpad state machines, fed with recorded event sequences.
#include <gtest/gtest.h>

#include "GestureTestSupport.h"
#include "support/QuietLog.h"

namespace brindlow::test {
namespace {

using Phase = InputEvent::Phase;
using Verdict = EventTap::Verdict;

// MARK: Velocity

struct VelocityCase {
    std::vector<std::pair<double, double>> samples;
    double velocity;
};

class VelocityWindow : public ::testing::TestWithParam<VelocityCase> {};

TEST_P(VelocityWindow, CoversTheLastTenthOfASecond) {
    VelocitySamples samples;
    for (const auto& [time, x] : GetParam().samples) samples.add(time, x);
    EXPECT_NEAR(samples.velocity(), GetParam().velocity, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, VelocityWindow,
    ::testing::Values(VelocityCase{{}, 0}, VelocityCase{{{0, 0}, {0.01, 5}}, 0},
                      VelocityCase{{{0, 0}, {0.02, 1}}, 50}, VelocityCase{{{0, 0}, {0.1, 2}}, 20},
                      // The sample at 0 is more than 0.1 s older than the newest one.
                      VelocityCase{{{0, 0}, {0.05, 1}, {0.12, 3}}, 2 / 0.07},
                      VelocityCase{{{0, 0}, {0.05, 1}, {0.2, 4}}, 0}));

// MARK: Finger swipe

class TouchMachineTest : public QuietLogTest {
  protected:
    void SetUp() override {
        QuietLogTest::SetUp();
        machine.reset(3);
    }
    void feed(Phase phase, int fingers, double dx = 0, double dy = 0, double time = 0) {
        machine.handle(swipe(phase, fingers, dx, dy, time));
    }

    RecordingTarget recording;
    TouchMachine machine{recording.target, makeLogger("Gestures")};
};

struct StartCase {
    double dx, dy;
    TouchMachine::Phase phase;
};

class SwipeStart : public TouchMachineTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(SwipeStart, NeedsSidewaysMovementPastTheThreshold) {
    feed(Phase::began, 3);
    feed(Phase::changed, 3, GetParam().dx, GetParam().dy);
    EXPECT_EQ(machine.phase(), GetParam().phase);
    EXPECT_EQ(recording.calls.size(), GetParam().phase == TouchMachine::Phase::tracking ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, SwipeStart,
                         ::testing::Values(StartCase{0.03, 0, TouchMachine::Phase::possible},
                                           StartCase{0.0301, 0, TouchMachine::Phase::tracking},
                                           StartCase{-0.0301, 0, TouchMachine::Phase::tracking},
                                           StartCase{0.06, 0.04, TouchMachine::Phase::possible},
                                           StartCase{0.0601, 0.04, TouchMachine::Phase::tracking},
                                           StartCase{0, 0.05, TouchMachine::Phase::possible},
                                           StartCase{0, 0.0501, TouchMachine::Phase::ignored},
                                           StartCase{0.01, -0.06, TouchMachine::Phase::ignored}));

TEST_F(TouchMachineTest, TracksFromWhereTheSwipeStartedAndEndsWithTheVelocity) {
    feed(Phase::began, 3, 0.5, 0.5, 0.0);  // where the fingers land does not count
    feed(Phase::changed, 3, 0.04, 0, 0.0);
    feed(Phase::changed, 3, 0.1, 0.01, 0.05);
    feed(Phase::changed, 3, 0.1, 0, 0.1);
    feed(Phase::ended, 0, 0.3, 0, 0.11);  // the ending event adds no sample
    constexpr GestureUnit kWidth = GestureUnit::trackpadWidth;
    EXPECT_EQ(recording.calls,
              (std::vector<GestureCall>{began({700, 300}), changed(0.1, kWidth),
                                        changed(0.2, kWidth), ended(2.0, kWidth)}));
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::idle);
}

TEST_F(TouchMachineTest, AFourthFingerEndsTheSwipeAndIgnoresTheRestUntilAllLift) {
    feed(Phase::began, 3);
    feed(Phase::changed, 3, 0.05, 0, 0.0);
    feed(Phase::changed, 3, 0.05, 0, 0.05);
    feed(Phase::changed, 4, 0.05, 0, 0.06);
    ASSERT_EQ(recording.calls.size(), 3u);
    EXPECT_EQ(recording.calls[2], ended(1.0, GestureUnit::trackpadWidth));
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::ignored);
    feed(Phase::changed, 3, 0.2, 0, 0.1);
    EXPECT_EQ(recording.calls.size(), 3u);
    feed(Phase::ended, 0);
    feed(Phase::began, 3);
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::possible);
}

TEST_F(TouchMachineTest, OnlyTheChosenFingerCountSwipesAndTheFirstTouchIsLoggedOnce) {
    feed(Phase::began, 2);
    feed(Phase::changed, 2, 0.3, 0);
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::idle);
    feed(Phase::ended, 0);
    // A finger count that changes before the swipe starts ignores it.
    feed(Phase::began, 3);
    feed(Phase::changed, 4, 0.3, 0);
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::ignored);
    feed(Phase::ended, 0);
    machine.reset(4);
    feed(Phase::began, 3);
    feed(Phase::changed, 3, 0.1, 0);
    EXPECT_TRUE(recording.calls.empty());
    feed(Phase::ended, 0);
    feed(Phase::began, 4);
    feed(Phase::changed, 4, -0.1, 0);
    EXPECT_EQ(machine.phase(), TouchMachine::Phase::tracking);
    int logged = 0;
    for (const LogRecord& record : LogSink::recent())
        logged += record.message == "First trackpad touch event received (2 fingers)";
    EXPECT_EQ(logged, 1);
}

// MARK: Two-finger scroll

class ScrollMachineTest : public QuietLogTest {
  protected:
    void SetUp() override {
        QuietLogTest::SetUp();
        machine.reset(TwoFingerScroll::always);
    }
    Verdict feed(const InputEvent& event) {
        giveBack.clear();
        return machine.handle(event, giveBack);
    }

    RecordingTarget recording;
    ScrollMachine machine{recording.target, makeLogger("Gestures")};
    std::vector<InputEvent> giveBack;
};

struct DecideCase {
    std::vector<std::pair<double, double>> deltas;  // began, then changed
    ScrollMachine::State state;
    size_t givenBack;
};

class ScrollDecision : public ScrollMachineTest,
                       public ::testing::WithParamInterface<DecideCase> {};

TEST_P(ScrollDecision, HoldsUpToFiveEventsOrSixPointsThenDecides) {
    bool first = true;
    for (const auto& [dx, dy] : GetParam().deltas) {
        EXPECT_EQ(feed(scroll(first ? Phase::began : Phase::changed, dx, dy)), Verdict::swallow);
        first = false;
    }
    EXPECT_EQ(machine.state(), GetParam().state);
    EXPECT_EQ(giveBack.size(), GetParam().givenBack);
    for (const InputEvent& event : giveBack) EXPECT_TRUE(event.reposted);
}

INSTANTIATE_TEST_SUITE_P(
    Deltas, ScrollDecision,
    ::testing::Values(
        DecideCase{{{5.9, 0}}, ScrollMachine::State::deciding, 0},
        DecideCase{{{1, 0}, {1, 0}, {1, 0}, {1, 0}}, ScrollMachine::State::deciding, 0},
        DecideCase{{{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}, ScrollMachine::State::tracking, 0},
        DecideCase{{{0, 1}, {0, 1}, {0, 1}, {0, -1}, {0, 1}}, ScrollMachine::State::passing, 5},
        DecideCase{{{6, 5}}, ScrollMachine::State::passing, 1},
        DecideCase{{{6.1, 5}}, ScrollMachine::State::tracking, 0},
        DecideCase{{{-3, 0}, {-3, 0}}, ScrollMachine::State::tracking, 0},
        DecideCase{{{0, 10}}, ScrollMachine::State::passing, 1}));

TEST_F(ScrollMachineTest, AStripScrollIncludesTheHeldDeltasAndEndsWithItsVelocity) {
    feed(scroll(Phase::began, 2, 0, 0.00));
    feed(scroll(Phase::changed, 2, 1, 0.01));
    feed(scroll(Phase::changed, 3, 0, 0.02));  // 8 points: sideways, the strip's
    EXPECT_EQ(feed(scroll(Phase::changed, 10, 0, 0.07)), Verdict::swallow);
    EXPECT_EQ(feed(scroll(Phase::ended, 50, 0, 0.08)), Verdict::swallow);
    constexpr GestureUnit kPoints = GestureUnit::points;
    EXPECT_EQ(recording.calls,
              (std::vector<GestureCall>{began({40, 50}), changed(7, kPoints), changed(17, kPoints),
                                        ended(200, kPoints)}));
    EXPECT_EQ(machine.state(), ScrollMachine::State::idle);
}

TEST_F(ScrollMachineTest, AScrollEndingWhileDecidingIsGivenBackWhole) {
    feed(scroll(Phase::began, 1, 1));
    EXPECT_EQ(feed(scroll(Phase::ended, 0, 0)), Verdict::swallow);
    ASSERT_EQ(giveBack.size(), 2u);
    EXPECT_EQ(giveBack[0].phase, Phase::began);
    EXPECT_EQ(giveBack[1].phase, Phase::ended);
    EXPECT_EQ(machine.state(), ScrollMachine::State::idle);
    // Given back events come through again and are left alone.
    EXPECT_EQ(feed(giveBack[0]), Verdict::pass);
    EXPECT_EQ(machine.state(), ScrollMachine::State::idle);
    EXPECT_TRUE(recording.calls.empty());
}

TEST_F(ScrollMachineTest, MomentumAfterAStripScrollIsDroppedThroughItsEnd) {
    feed(scroll(Phase::began, 8, 0));
    feed(scroll(Phase::ended, 0, 0));
    EXPECT_EQ(feed(momentum(Phase::began)), Verdict::swallow);
    EXPECT_EQ(feed(momentum(Phase::changed)), Verdict::swallow);
    EXPECT_EQ(feed(momentum(Phase::ended)), Verdict::swallow);
    EXPECT_EQ(feed(momentum(Phase::began)), Verdict::pass);
    // A new scroll clears the flag; a vertical one does not set it again.
    feed(scroll(Phase::began, 8, 0));
    feed(scroll(Phase::ended, 0, 0));
    feed(scroll(Phase::began, 0, 8));
    feed(scroll(Phase::ended, 0, 0));
    EXPECT_FALSE(machine.swallowingMomentum());
    EXPECT_EQ(feed(momentum(Phase::changed)), Verdict::pass);
}

TEST_F(ScrollMachineTest, ANewScrollEndsTheTrackedOneWithoutAFling) {
    feed(scroll(Phase::began, 8, 0, 0));
    feed(scroll(Phase::changed, 8, 0, 0.05));
    feed(scroll(Phase::began, 1, 0, 0.06));
    ASSERT_EQ(recording.calls.size(), 4u);
    EXPECT_EQ(recording.calls[3], ended(0, GestureUnit::points));
    EXPECT_EQ(machine.state(), ScrollMachine::State::deciding);
}

TEST_F(ScrollMachineTest, WheelClicksAndChangesWithoutABeginningOutsideAScrollPass) {
    InputEvent wheel = scroll(Phase::began, 30, 0);
    wheel.continuous = false;
    EXPECT_EQ(feed(wheel), Verdict::pass);
    EXPECT_EQ(feed(scroll(Phase::none, 30, 0)), Verdict::pass);
    EXPECT_EQ(machine.state(), ScrollMachine::State::idle);
}

struct ModifierCase {
    TwoFingerScroll mode;
    std::uint32_t modifiers;
    bool strip;
};

class ScrollModifiers : public ScrollMachineTest,
                        public ::testing::WithParamInterface<ModifierCase> {};

TEST_P(ScrollModifiers, DecideWhetherTheStripMayTakeTheScroll) {
    machine.reset(GetParam().mode);
    const Verdict verdict = feed(scroll(Phase::began, 8, 0, 0, GetParam().modifiers));
    EXPECT_EQ(verdict, GetParam().strip ? Verdict::swallow : Verdict::pass);
    EXPECT_EQ(machine.state(),
              GetParam().strip ? ScrollMachine::State::tracking : ScrollMachine::State::passing);
    // The rest of a passed scroll passes too, keys or not.
    EXPECT_EQ(feed(scroll(Phase::changed, 8, 0)) == Verdict::swallow, GetParam().strip);
}

constexpr std::uint32_t kControlOption = modifier::control | modifier::option;

INSTANTIATE_TEST_SUITE_P(
    Modes, ScrollModifiers,
    ::testing::Values(
        ModifierCase{TwoFingerScroll::always, 0, true},
        ModifierCase{TwoFingerScroll::always, modifier::shift, true},
        ModifierCase{TwoFingerScroll::always, modifier::control, false},
        ModifierCase{TwoFingerScroll::always, modifier::option, false},
        ModifierCase{TwoFingerScroll::always, modifier::command, false},
        ModifierCase{TwoFingerScroll::withKeys, 0, false},
        ModifierCase{TwoFingerScroll::withKeys, modifier::control, false},
        ModifierCase{TwoFingerScroll::withKeys, kControlOption, true},
        ModifierCase{TwoFingerScroll::withKeys, kControlOption | modifier::shift, true},
        ModifierCase{TwoFingerScroll::withKeys, kControlOption | modifier::command, false},
        ModifierCase{TwoFingerScroll::off, 0, false}));

}  // namespace
}  // namespace brindlow::test
