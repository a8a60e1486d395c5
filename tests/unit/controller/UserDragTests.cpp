#include <gtest/gtest.h>

#include "controller/UserDrag.h"

namespace brindlow {
namespace {

using UserDrag::dropColumn;

Column stack(std::vector<WindowID> ids, double width, int active = 0) {
    Column column;
    column.windows = ids;
    column.weights.assign(ids.size(), 1.0);
    column.activeIndex = active;
    column.widthFraction = width;
    return column;
}

// Columns 400 points wide side by side from x = 0, one placement per window.
StripLayout layoutOf(const Strip& strip) {
    StripLayout layout;
    double x = 0;
    for (const Column& column : strip.columns) {
        for (const WindowID id : column.windows)
            layout.placements.push_back({id, Rect(x, 0, 400, 300), false, true});
        x += 400;
    }
    return layout;
}

TEST(UserDrag, FramesCloseAllowsThreePointsOnEveryEdgeAndSize) {
    const Rect recorded(100, 100, 800, 600);
    EXPECT_TRUE(UserDrag::framesClose(Rect(103, 97, 803, 597), recorded, 3.0));
    EXPECT_FALSE(UserDrag::framesClose(Rect(104, 100, 800, 600), recorded, 3.0));
    EXPECT_FALSE(UserDrag::framesClose(Rect(100, 100, 800, 604), recorded, 3.0));
    EXPECT_TRUE(UserDrag::isResize(Rect(0, 0, 804, 600), recorded));
    EXPECT_FALSE(UserDrag::isResize(Rect(500, 500, 803, 603), recorded));
}

TEST(UserDrag, DropIndexCountsColumnsLeftOfTheDropCentre) {
    Strip strip;
    for (WindowID id = 1; id <= 4; ++id) strip.columns.push_back(Column::single(id, 0.5));
    const StripLayout layout = layoutOf(strip);
    // Window 1 dropped with its centre at x = 1300: columns 2, 3 (centres 600, 1000) lie left.
    EXPECT_EQ(dropColumn(strip, layout, Rect(1100, 0, 400, 300), 1), 2);
    // Dropped far left: the first unpinned index.
    EXPECT_EQ(dropColumn(strip, layout, Rect(-500, 0, 400, 300), 3), 0);
    // A centre exactly on a column's centre stays before it.
    EXPECT_EQ(dropColumn(strip, layout, Rect(400, 0, 400, 300), 1), 0);
}

TEST(UserDrag, DropIndexStaysWithinTheUnpinnedRun) {
    Strip strip;
    strip.columns = {Column::single(1, 0.3), Column::single(2, 0.3), Column::single(3, 0.3),
                     Column::single(4, 0.3)};
    strip.columns[0].pin = Pin::left;
    strip.columns[3].pin = Pin::right;
    const StripLayout layout = layoutOf(strip);
    EXPECT_EQ(dropColumn(strip, layout, Rect(-900, 0, 400, 300), 2), 1);
    EXPECT_EQ(dropColumn(strip, layout, Rect(5000, 0, 400, 300), 2), 2);
    EXPECT_EQ(dropColumn(strip, layout, Rect(5000, 0, 400, 300), 9), 3);
}

TEST(UserDrag, DropIndexStopsWhenTheLayoutKnowsNoPlacement) {
    Strip strip;
    for (WindowID id = 1; id <= 3; ++id) strip.columns.push_back(Column::single(id, 0.5));
    EXPECT_EQ(dropColumn(strip, StripLayout{}, Rect(5000, 0, 10, 10), 9), 0);
}

// A window dragged out of a stack that lies left of the drop point must land right of that stack:
// the stack stays in the strip and counts.
TEST(UserDrag, AWindowDraggedOutOfAStackLandsRightOfThatStack) {
    Strip strip;
    strip.columns = {stack({1, 2}, 0.5, 1), Column::single(3, 0.5), Column::single(4, 0.5)};
    strip.focusedIndex = 0;
    const StripLayout layout = layoutOf(strip);
    // Window 2 (the stack's active row) dropped between columns 3 and 4 (centres 600, 1000).
    const Rect live(600, 0, 400, 300);
    const int index = dropColumn(strip, layout, live, 2);
    EXPECT_EQ(index, 2);
    UserDrag::moveWithinStrip(strip, 2, index);
    ASSERT_EQ(strip.columns.size(), 4u);
    EXPECT_EQ(strip.columns[0].windows, (std::vector<WindowID>{1}));
    EXPECT_EQ(strip.columns[1].windows, (std::vector<WindowID>{3}));
    EXPECT_EQ(strip.columns[2].windows, (std::vector<WindowID>{2}));
    EXPECT_EQ(strip.columns[2].widthFraction, 0.5);
    EXPECT_EQ(strip.focusedIndex, 2);
}

TEST(UserDrag, ResizeGivesTheInverseWidthFractionWithinItsLimits) {
    EXPECT_DOUBLE_EQ(UserDrag::widthFraction(600, 1000, 0, 0), 0.6);
    EXPECT_DOUBLE_EQ(UserDrag::widthFraction(5000, 1000, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(UserDrag::widthFraction(5, 1000, 0, 0), 0.1);
    EXPECT_DOUBLE_EQ(UserDrag::widthFraction(482, 1000, 12, 12), 0.5);
    EXPECT_DOUBLE_EQ(UserDrag::widthFraction(400, 10, 0, 12), 0.5);  // no room: the fallback
}

TEST(UserDrag, ResizeInAStackScalesTheRowWeightWithinItsLimits) {
    Column column = stack({1, 2}, 0.5);
    column.isFullWidth = true;
    column.refusedWidth = RefusedWidth{500, 520};
    UserDrag::applyResize(column, 0, Rect(0, 0, 600, 450), Rect(0, 0, 500, 300), 1000, 0, 0);
    EXPECT_DOUBLE_EQ(column.widthFraction, 0.6);
    EXPECT_FALSE(column.isFullWidth);
    EXPECT_FALSE(column.refusedWidth);
    EXPECT_DOUBLE_EQ(column.weights[0], 1.5);
    EXPECT_DOUBLE_EQ(column.weights[1], 1.0);
    UserDrag::applyResize(column, 1, Rect(0, 0, 600, 30000), Rect(0, 0, 600, 300), 1000, 0, 0);
    EXPECT_DOUBLE_EQ(column.weights[1], 10.0);
    UserDrag::applyResize(column, 1, Rect(0, 0, 600, 1), Rect(0, 0, 600, 300), 1000, 0, 0);
    EXPECT_DOUBLE_EQ(column.weights[1], 0.1);

    Column tabs = stack({1, 2}, 0.5);
    tabs.isTabbed = true;
    UserDrag::applyResize(tabs, 0, Rect(0, 0, 600, 450), Rect(0, 0, 500, 300), 1000, 0, 0);
    EXPECT_EQ(tabs.weights, (std::vector<double>{1.0, 1.0}));
}

TEST(UserDrag, AShakeInsideAStackIsRecognisedByTheCentre) {
    const Rect recorded(400, 0, 400, 300);
    const Column pair = stack({1, 2}, 0.5);
    EXPECT_TRUE(UserDrag::shookInsideStack(pair, Rect(590, 40, 400, 300), recorded));
    EXPECT_TRUE(UserDrag::shookInsideStack(pair, Rect(600, 40, 400, 300), recorded));
    EXPECT_FALSE(UserDrag::shookInsideStack(pair, Rect(601, 40, 400, 300), recorded));
    EXPECT_FALSE(
        UserDrag::shookInsideStack(Column::single(1, 0.5), Rect(410, 0, 400, 300), recorded));
}

}  // namespace
}  // namespace brindlow
