#include "controller/Ease.h"

#include <gtest/gtest.h>

namespace brindlow {
namespace {

TEST(Ease, StartsAtFromWithItsVelocityAndEndsAtRest) {
    const Ease ease{100, 300, 50, 10.0, 0.5};
    EXPECT_DOUBLE_EQ(ease.value(10.0), 100);
    EXPECT_DOUBLE_EQ(ease.velocityAt(10.0), 50);
    EXPECT_FALSE(ease.isFinished(10.0));
    EXPECT_FALSE(ease.isFinished(10.4999));
    EXPECT_TRUE(ease.isFinished(10.5));
    EXPECT_DOUBLE_EQ(ease.value(10.5), 300);
    EXPECT_NEAR(ease.velocityAt(10.5), 0, 1e-9);
}

TEST(Ease, HalfwayWithoutVelocityIsTheMidpointAtGreatestSpeed) {
    const Ease ease{0, 200, 0, 0, 2.0};
    EXPECT_DOUBLE_EQ(ease.value(1.0), 100);
    EXPECT_DOUBLE_EQ(ease.velocityAt(1.0), 1.5 * 200 / 2.0);
    // Nowhere else is it faster.
    for (double t = 0; t <= 2.0; t += 0.05) EXPECT_LE(ease.velocityAt(t), 150 + 1e-9);
}

TEST(Ease, BeforeItsStartItGivesFromAndTheStartVelocity) {
    const Ease ease{40, 80, -20, 5.0, 1.0};
    EXPECT_DOUBLE_EQ(ease.value(3.0), 40);
    EXPECT_DOUBLE_EQ(ease.velocityAt(3.0), -20);
    EXPECT_FALSE(ease.isFinished(3.0));
}

TEST(Ease, WithNoDistanceAStartVelocityMovesAwayAndComesBack) {
    const Ease ease{50, 50, 100, 0, 1.0};
    EXPECT_GT(ease.value(0.25), 50);
    EXPECT_GT(ease.value(0.5), 50);
    EXPECT_DOUBLE_EQ(ease.value(1.0), 50);
    EXPECT_NEAR(ease.velocityAt(1.0), 0, 1e-9);
    // It turns round once, a third of the way through.
    EXPECT_GT(ease.velocityAt(0.2), 0);
    EXPECT_LT(ease.velocityAt(0.5), 0);
}

TEST(Ease, IsMonotonicForAModestStartVelocity) {
    const Ease ease{0, 1000, 800, 0, 0.4};
    double previous = ease.value(0);
    for (double t = 0.01; t <= 0.4; t += 0.01) {
        const double value = ease.value(t);
        EXPECT_GE(value, previous);
        previous = value;
    }
}

}  // namespace
}  // namespace brindlow
