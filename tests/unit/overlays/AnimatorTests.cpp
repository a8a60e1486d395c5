#include "platform/Animator.h"

#include <gtest/gtest.h>

#include "platform/ManualUiScheduler.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

class AnimatorTest : public ::testing::Test {
  protected:
    FakeSurfaceFactory factory;
    ManualUiScheduler clock{1000.0, 1.0 / 64};
    Animator animator{clock};
    std::unique_ptr<Surface> surface = factory.makeSurface({}, nullptr);
};

TEST_F(AnimatorTest, StepsOncePerFrameEndsOnTimeAndLeavesNoTimerBehind) {
    surface->setFrame(Rect(0, 0, 100, 100));
    int completions = 0;
    animator.animate(*surface, {Rect(100, 0, 100, 100), 0.0}, 0.2, AnimationCurve::linear,
                     [&] { ++completions; });
    EXPECT_EQ(clock.advance(0.1), 6u);  // frames at 1/64 s
    EXPECT_NEAR(surface->frame().x, 6.0 / 64 / 0.2 * 100, 1e-9);
    clock.advance(0.1);
    EXPECT_EQ(surface->frame().x, 100);
    EXPECT_EQ(surface->alpha(), 0.0);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(animator.isIdle());
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(AnimatorTest, TimingCurvesStartSlowOrEndSlow) {
    EXPECT_NEAR(Animator::ease(AnimationCurve::easeInEaseOut, 0.5), 0.5, 1e-9);
    EXPECT_LT(Animator::ease(AnimationCurve::easeIn, 0.5), 0.5);
    EXPECT_GT(Animator::ease(AnimationCurve::easeOut, 0.5), 0.5);
    EXPECT_EQ(Animator::ease(AnimationCurve::easeOut, 1.0), 1.0);
}

TEST_F(AnimatorTest, ANewAnimationOfAPropertyTakesItOverAndTheOldCompletionNeverRuns) {
    int first = 0, second = 0;
    animator.animate(*surface, AnimationTarget::toAlpha(0.0), 0.3, AnimationCurve::linear,
                     [&] { ++first; });
    clock.advance(0.1);
    animator.animate(*surface, AnimationTarget::toAlpha(1.0), 0.2, AnimationCurve::linear,
                     [&] { ++second; });
    clock.advance(0.5);
    EXPECT_EQ(surface->alpha(), 1.0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST_F(AnimatorTest, AnimatingOnePropertyLeavesTheOtherRunning) {
    surface->setFrame(Rect(0, 0, 10, 10));
    animator.animate(*surface, AnimationTarget::toFrame(Rect(64, 0, 10, 10)), 0.5,
                     AnimationCurve::linear);
    clock.advance(0.1);
    animator.animate(*surface, AnimationTarget::toAlpha(0.0), 0.1, AnimationCurve::linear);
    clock.advance(0.5);
    EXPECT_EQ(surface->frame().x, 64);
    EXPECT_EQ(surface->alpha(), 0.0);
}

TEST_F(AnimatorTest, SettingAValueStopsItsRunningAnimation) {
    surface->setFrame(Rect(0, 0, 10, 10));
    animator.animate(*surface, {Rect(64, 0, 10, 10), 0.0}, 0.5, AnimationCurve::linear);
    clock.advance(0.1);
    animator.setFrame(*surface, Rect(5, 5, 10, 10));
    clock.advance(0.5);
    EXPECT_EQ(surface->frame(), Rect(5, 5, 10, 10));
    EXPECT_EQ(surface->alpha(), 0.0);  // the alpha part ran on
}

TEST_F(AnimatorTest, ZeroDurationAndNoBlendingApplyAtOnce) {
    int completions = 0;
    animator.animate(*surface, AnimationTarget::toAlpha(0.0), 0, AnimationCurve::linear,
                     [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(surface->alpha(), 0.0);

    factory.setCompositing(false);
    animator.animate(*surface, AnimationTarget::toAlpha(1.0), 0.3, AnimationCurve::linear,
                     [&] { ++completions; });
    EXPECT_EQ(surface->alpha(), 1.0);
    EXPECT_EQ(completions, 2);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(AnimatorTest, StoppingDropsTheAnimationWithoutItsCompletion) {
    int completions = 0;
    animator.animate(*surface, AnimationTarget::toAlpha(0.0), 0.3, AnimationCurve::linear,
                     [&] { ++completions; });
    animator.stop(*surface);
    clock.advance(1.0);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

}  // namespace
}  // namespace brindlow::test
