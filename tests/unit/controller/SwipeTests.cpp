#include <gtest/gtest.h>

#include "controller/Swipe.h"

namespace brindlow {
namespace {

Strip halves(int count) {
    Strip strip;
    for (int i = 0; i < count; ++i) strip.columns.push_back(Column::single(WindowID(i + 1), 0.5));
    strip.focusedIndex = 0;
    return strip;
}

TEST(Swipe, DraggingFollowsTheFingersAndRubberBandsPastBothEnds) {
    EXPECT_DOUBLE_EQ(Swipe::draggedOffset(100, 190, 1.0, 1000), -30);     // would be -90
    EXPECT_DOUBLE_EQ(Swipe::draggedOffset(1000, -300, 1.0, 1000), 1100);  // would be 1300
    EXPECT_DOUBLE_EQ(Swipe::draggedOffset(500, 100, 2.0, 1000), 300);     // sensitivity doubles
    EXPECT_DOUBLE_EQ(Swipe::inPoints(0.25, GestureUnit::trackpadWidth, 1600), 400);
    EXPECT_DOUBLE_EQ(Swipe::inPoints(0.25, GestureUnit::points, 1600), 0.25);
}

TEST(Swipe, VelocityIsSmoothedAndIgnoresSamplesTooCloseTogether) {
    EXPECT_DOUBLE_EQ(Swipe::smoothedVelocity(100, std::nullopt, 1.0, 50), 100);
    EXPECT_DOUBLE_EQ(Swipe::smoothedVelocity(100, std::pair(1.0, 0.0), 1.001, 50), 100);
    EXPECT_DOUBLE_EQ(Swipe::smoothedVelocity(100, std::pair(1.0, 0.0), 1.1, 50), 0.4 * 500 + 60);
}

TEST(Swipe, ReleasedWithoutVelocityItSettlesOnTheNearestColumn) {
    const Strip strip = halves(4);  // snaps 0, 500, 1000, 1500->1000 clamped, 1000
    Swipe::Settle settle = Swipe::settle(strip, 740, 0, 1000, 0, 0);
    EXPECT_DOUBLE_EQ(settle.target, 500);
    EXPECT_EQ(settle.focusedIndex, 1);  // centre 1000: column 2 (x 500..1000) and 3 tie; left wins
    EXPECT_DOUBLE_EQ(settle.velocity, 0);
    settle = Swipe::settle(strip, 760, 0, 1000, 0, 0);
    EXPECT_DOUBLE_EQ(settle.target, 1000);
    EXPECT_EQ(settle.focusedIndex, 2);
}

TEST(Swipe, AFlingCoastsPointTwoSecondsBeforeSnapping) {
    const Strip strip = halves(6);  // snaps every 500 up to 2000
    // A fling of 2000 pt/s to the left (v = -2000) from 500 projects to 900: the snap is 1000.
    const Swipe::Settle settle = Swipe::settle(strip, 500, -2000, 1000, 0, 0);
    EXPECT_DOUBLE_EQ(settle.target, 1000);
    EXPECT_DOUBLE_EQ(settle.velocity, 2000);
    EXPECT_EQ(settle.focusedIndex, 2);
    // Equally far from two snaps: the earlier one.
    EXPECT_DOUBLE_EQ(Swipe::settle(strip, 250, 0, 1000, 0, 0).target, 0);
}

TEST(Swipe, PinnedColumnsOffsetTheFocusedIndexAndAnEmptyStripKeepsFocus) {
    Strip strip = halves(3);
    strip.columns.insert(strip.columns.begin(), Column::single(9, 0.2));
    strip.columns[0].pin = Pin::left;
    const Swipe::Settle settle = Swipe::settle(strip, 0, 0, 800, 0, 0);
    EXPECT_EQ(settle.focusedIndex, 1);
    const Swipe::Settle empty = Swipe::settle(Strip{}, 40, 0, 800, 0, 0);
    EXPECT_DOUBLE_EQ(empty.target, 0);
    EXPECT_EQ(empty.focusedIndex, std::nullopt);
}

}  // namespace
}  // namespace brindlow
