#include <gtest/gtest.h>

#include "controller/DisplayAnimator.h"

namespace brindlow {
namespace {

using Kind = DisplayAnimator::Step::Kind;

// A stiffness of 100 gives a base of 0.62 s: a glide of 0.682 s, a scroll of 0.8 bases plus one
// for every 2500 points, at most 1.5 bases.
constexpr double kStiffness = 100;

// The first tick of an animation that starts at rest with `restingSpeed` (a released swipe's
// fling) at `displayed`, heading for `target`.
struct FirstTickCase {
    const char* name;
    double displayed;
    double target;
    double restingSpeed;
    Kind kind;
    double duration;  // of the scroll ease
    double startSpeed;
};

class AnimatorFirstTick : public testing::TestWithParam<FirstTickCase> {};

TEST_P(AnimatorFirstTick, BuildsTheScrollEaseFromWhereTheWindowsStand) {
    const FirstTickCase& c = GetParam();
    DisplayAnimator animator;
    animator.beginSwipe(c.displayed);
    animator.endSwipe(c.restingSpeed);
    ASSERT_TRUE(animator.animate(10.0, std::nullopt));
    const DisplayAnimator::Step step = animator.advance(10.0, c.target, c.displayed, kStiffness);
    EXPECT_EQ(step.kind, c.kind);
    const std::optional<Ease> ease = animator.scrollEase();
    ASSERT_TRUE(ease);
    EXPECT_DOUBLE_EQ(ease->from, c.displayed);
    EXPECT_DOUBLE_EQ(ease->to, c.target);
    EXPECT_NEAR(ease->duration, c.duration, 1e-9);
    EXPECT_NEAR(ease->velocity, c.startSpeed, 1e-4);
    // The frame is laid out 8 ms ahead, where the ease will be by the next display frame.
    EXPECT_NEAR(step.offset, ease->value(10.008), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnimatorFirstTick,
    testing::Values(
        FirstTickCase{"ThousandPoints", 0, 1000, 0, Kind::frame, 0.744, 0},
        // A fling of 2000 points per second from 500 toward 900: 0.96 bases, 0.5952 s, and the
        // start speed limited to 2.5 times the average, 1680.1075 points per second.
        FirstTickCase{"FlingIsLimitedByTheEase", 500, 900, 2000, Kind::frame, 0.5952, 1680.1075},
        FirstTickCase{"SlowFlingKeepsItsSpeed", 500, 900, 300, Kind::frame, 0.5952, 300}),
    [](const auto& named) { return std::string(named.param.name); });

// Within half a point and slower than a point per second, a target is reached at once: no frame
// is sent, so the landing has no summary to log.
TEST(DisplayAnimator, ALandingWithinHalfAPointCountsNoFrames) {
    DisplayAnimator animator;
    animator.animate(1.0, std::nullopt);
    const DisplayAnimator::Step step = animator.advance(1.0, 300.4, 300, kStiffness);
    EXPECT_EQ(step.kind, Kind::landed);
    EXPECT_EQ(step.frames, 0);
    EXPECT_DOUBLE_EQ(step.displayedOffset, 300.4);
    EXPECT_TRUE(animator.isResting());
}

TEST(DisplayAnimator, AGlideRunsItsOwnDurationThenLandsWithTheFramesItSent) {
    DisplayAnimator animator;
    animator.animate(2.0, std::map<WindowID, Rect>{{7, Rect(0, 0, 800, 600)}});
    int frames = 0;
    double time = 2.0;
    DisplayAnimator::Step step = animator.advance(time, 0, 0, kStiffness);
    ASSERT_TRUE(animator.glide() && animator.glide()->ease);
    EXPECT_NEAR(animator.glide()->ease->duration, 0.682, 1e-9);
    // A slow application's longer lead sees the glide further on; no lead is shorter than the
    // next display frame.
    EXPECT_EQ(step.predictor(0), std::make_pair(step.offset, step.progress));
    EXPECT_GT(step.predictor(0.1).second, step.progress);
    while (step.kind == Kind::frame) {
        ++frames;
        EXPECT_GE(step.progress, 0);
        EXPECT_LE(step.progress, 1000);
        time += 1.0 / 60.0;
        step = animator.advance(time, 0, 0, kStiffness);
    }
    EXPECT_EQ(step.kind, Kind::landed);
    EXPECT_EQ(step.frames, frames);
    EXPECT_EQ(frames, 41);
    EXPECT_DOUBLE_EQ(step.startTime, 2.0);
    EXPECT_FALSE(animator.glide());
}

TEST(DisplayAnimator, ANewGlideInFlightStartsOverButTheScrollKeepsItsSpeed) {
    DisplayAnimator animator;
    animator.animate(0, std::nullopt);
    animator.advance(0, 1000, 0, kStiffness);
    const DisplayAnimator::Step step = animator.advance(0.2, 1000, 0, kStiffness);
    const double speed = animator.velocity();
    ASSERT_GT(speed, 100);
    EXPECT_FALSE(animator.animate(0.2, std::map<WindowID, Rect>{{1, Rect(0, 0, 10, 10)}}));
    ASSERT_TRUE(animator.glide());
    EXPECT_DOUBLE_EQ(animator.glide()->progress, 0);
    EXPECT_DOUBLE_EQ(animator.velocity(), speed);
    // Retargeted, the next tick eases from where the windows stand with the speed they had.
    animator.advance(0.21, 0, step.displayedOffset, kStiffness);
    ASSERT_TRUE(animator.scrollEase());
    EXPECT_DOUBLE_EQ(animator.scrollEase()->from, step.displayedOffset);
    EXPECT_DOUBLE_EQ(animator.scrollEase()->to, 0);
}

TEST(DisplayAnimator, ASwipeDropsTheAnimationAndKeepsItsFlingSpeed) {
    DisplayAnimator animator;
    animator.animate(0, std::map<WindowID, Rect>{{1, Rect(0, 0, 10, 10)}});
    animator.beginSwipe(250);
    EXPECT_TRUE(animator.isSwiped());
    EXPECT_FALSE(animator.glide());
    EXPECT_DOUBLE_EQ(animator.swipeStart(), 250);
    EXPECT_EQ(animator.advance(1, 0, 250, kStiffness).kind, Kind::still);
    animator.endSwipe(-1200);
    EXPECT_TRUE(animator.isResting());
    EXPECT_DOUBLE_EQ(animator.velocity(), -1200);
}

TEST(DisplayAnimator, HaltingKeepsTheSpeedAndRestingForgetsIt) {
    DisplayAnimator animator;
    animator.animate(0, std::nullopt);
    animator.advance(0.2, 1000, 0, kStiffness);
    animator.advance(0.3, 1000, 0, kStiffness);
    const double speed = animator.velocity();
    animator.halt();
    EXPECT_TRUE(animator.isResting());
    EXPECT_DOUBLE_EQ(animator.velocity(), speed);
    animator.rest();
    EXPECT_DOUBLE_EQ(animator.velocity(), 0);
}

}  // namespace
}  // namespace brindlow
