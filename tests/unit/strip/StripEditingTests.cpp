// Insertion, removal, focus steps, moves and pins: the editing rules users feel most directly.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "StripBuilders.h"
#include "strip/Strip.h"

namespace brindlow {
namespace {

using test::column;
using test::left;
using test::right;
using test::shape;
using test::strip;

TEST(StripQueries, PinBlocksWindowsAndLocations) {
    const Strip s = strip({left({1}), left({2}), column({3, 4}), right({5})}, 2);
    EXPECT_EQ(s.leftPinnedCount(), 2);
    EXPECT_EQ(s.rightPinnedCount(), 1);
    EXPECT_EQ(s.allWindowIDs(), (std::vector<WindowID>{1, 2, 3, 4, 5}));
    EXPECT_EQ(s.locate(4), (StripLocation{2, 1}));
    EXPECT_FALSE(s.locate(9));
    EXPECT_EQ(s.focusedWindowID(), 3u);
}

TEST(StripQueries, FocusedWindowClampsTheActiveRowAndNeedsAValidFocus) {
    Strip s = strip({column({1, 2, 3})}, 0);
    s.columns[0].activeIndex = 7;
    EXPECT_EQ(s.focusedWindowID(), 3u);
    s.columns[0].activeIndex = -2;
    EXPECT_EQ(s.focusedWindowID(), 1u);
    s.focusedIndex = 1;
    EXPECT_FALSE(s.focusedWindowID());
    s.focusedIndex.reset();
    EXPECT_FALSE(s.focusedWindowID());
}

TEST(StripInsert, IntoAnEmptyStripFocusesTheNewColumn) {
    Strip s;
    EXPECT_EQ(s.insertWindow(7, 0.6), 0);
    EXPECT_EQ(shape(s), "*7");
    const Column& c = s.columns[0];
    EXPECT_EQ(c.weights, std::vector<double>{1.0});
    EXPECT_EQ(c.widthFraction, 0.6);
    EXPECT_EQ(c.activeIndex, 0);
    EXPECT_FALSE(c.isFullWidth || c.isTabbed || c.autoTabbed || c.pin || c.refusedWidth);
}

TEST(StripInsert, GoesRightOfAnUnpinnedFocusWithoutTakingFocus) {
    Strip s = strip({column({1}), column({2}), column({3})}, 1);
    EXPECT_EQ(s.insertWindow(9, 0.5), 2);
    EXPECT_EQ(shape(s), "1 *2 9 3");
}

TEST(StripInsert, NextToPinnedBlocksOnTheirInnerSide) {
    Strip fromLeft = strip({left({1}), left({2}), column({3}), right({4})}, 0);
    EXPECT_EQ(fromLeft.insertWindow(9, 0.5), 2);
    EXPECT_EQ(shape(fromLeft), "*L:1 L:2 9 3 R:4");

    Strip fromRight = strip({left({1}), column({3}), right({4}), right({5})}, 2);
    EXPECT_EQ(fromRight.insertWindow(9, 0.5), 2);
    EXPECT_EQ(shape(fromRight), "L:1 3 9 *R:4 R:5");

    Strip unfocused = strip({column({1}), right({2})});
    EXPECT_EQ(unfocused.insertWindow(9, 0.5), 1);
    EXPECT_EQ(shape(unfocused), "1 *9 R:2");
}

TEST(StripInsert, ColumnsArriveUnpinnedAtTheNearestEdgeOfTheUnpinnedRun) {
    Strip s = strip({left({1}), left({2}), column({3}), right({4})}, 3);
    EXPECT_EQ(s.insertColumn(right({8}), 0), 2);
    EXPECT_EQ(s.insertColumn(left({9}), 99), 4);
    EXPECT_EQ(shape(s), "L:1 L:2 8 3 9 *R:4");
    EXPECT_FALSE(s.columns[2].pin);
    EXPECT_FALSE(s.columns[4].pin);
}

TEST(StripRemove, FocusFollowsTheRemovedColumn) {
    Strip last = strip({column({1}), column({2}), column({3})}, 2);
    last.remove(3);
    EXPECT_EQ(shape(last), "1 *2");

    Strip leftOfFocus = strip({column({1}), column({2}), column({3})}, 2);
    leftOfFocus.remove(1);
    EXPECT_EQ(shape(leftOfFocus), "2 *3");

    Strip rightOfFocus = strip({column({1}), column({2}), column({3})}, 0);
    rightOfFocus.remove(2);
    EXPECT_EQ(shape(rightOfFocus), "*1 3");

    Strip middle = strip({column({1}), column({2}), column({3})}, 1);
    middle.remove(2);
    EXPECT_EQ(shape(middle), "1 *3");

    Strip only = strip({column({1})}, 0);
    only.remove(1);
    EXPECT_TRUE(only.columns.empty());
    EXPECT_FALSE(only.focusedIndex);

    Strip unfocused = strip({column({1}), column({2})});
    unfocused.remove(1);
    EXPECT_EQ(shape(unfocused), "2");
}

TEST(StripRemove, UnknownWindowChangesNothing) {
    Strip s = strip({column({1, 2}), column({3})}, 1);
    const Strip before = s;
    s.remove(42);
    EXPECT_EQ(s, before);
}

TEST(StripRemove, ActiveRowKeepsItsWindowWherePossible) {
    Strip above = strip({column({1, 2, 3})}, 0);
    above.columns[0].weights = {1, 2, 3};
    above.columns[0].activeIndex = 1;
    above.remove(1);
    EXPECT_EQ(above.columns[0].windows, (std::vector<WindowID>{2, 3}));
    EXPECT_EQ(above.columns[0].weights, (std::vector<double>{2, 3}));
    EXPECT_EQ(above.focusedWindowID(), 2u);

    Strip activeBottom = strip({column({1, 2, 3})}, 0);
    activeBottom.columns[0].activeIndex = 2;
    activeBottom.remove(3);
    EXPECT_EQ(activeBottom.focusedWindowID(), 2u);

    Strip activeMiddle = strip({column({1, 2, 3})}, 0);
    activeMiddle.columns[0].activeIndex = 1;
    activeMiddle.remove(2);
    EXPECT_EQ(activeMiddle.focusedWindowID(), 3u);

    Strip below = strip({column({1, 2, 3}), column({4})}, 1);
    below.remove(3);
    EXPECT_EQ(below.columns[0].activeIndex, 0);
    EXPECT_EQ(below.focusedIndex, 1);
}

TEST(StripRemove, ShortWeightListIsNotReadPastItsEnd) {
    Strip s = strip({column({1, 2, 3})}, 0);
    s.columns[0].weights = {4};
    s.remove(3);
    EXPECT_EQ(s.columns[0].windows, (std::vector<WindowID>{1, 2}));
    EXPECT_EQ(s.columns[0].weights, std::vector<double>{4});
}

TEST(StripFocus, FocusingAWindowSelectsItsColumnAndRow) {
    Strip s = strip({column({1}), column({2, 3})}, 0);
    EXPECT_TRUE(s.focus(3));
    EXPECT_EQ(shape(s), "1 *2,3");
    EXPECT_EQ(s.columns[1].activeIndex, 1);
    EXPECT_FALSE(s.focus(3));
    EXPECT_TRUE(s.focus(2));
    EXPECT_FALSE(s.focus(99));
    EXPECT_EQ(s.focusedWindowID(), 2u);
}

TEST(StripFocus, SideStepsStopAtTheEnds) {
    Strip s = strip({column({1}), column({2}), column({3})}, 2);
    EXPECT_FALSE(s.moveFocus(1));
    EXPECT_TRUE(s.moveFocus(-1));
    EXPECT_EQ(s.focusedIndex, 1);
    EXPECT_TRUE(s.moveFocus(-5));
    EXPECT_EQ(s.focusedIndex, 0);
    EXPECT_FALSE(s.moveFocus(-1));
    EXPECT_TRUE(s.moveFocus(INT_MAX));
    EXPECT_EQ(s.focusedIndex, 2);
    EXPECT_FALSE(s.moveFocus(INT_MAX));
    EXPECT_FALSE(s.moveFocus(0));

    Strip unfocused = strip({column({1}), column({2})});
    EXPECT_FALSE(unfocused.moveFocus(1));
    EXPECT_FALSE(unfocused.focusEdge(1));
}

TEST(StripFocus, EdgesJumpToFirstAndLast) {
    Strip s = strip({column({1}), column({2}), column({3})}, 1);
    EXPECT_TRUE(s.focusEdge(1));
    EXPECT_EQ(s.focusedIndex, 2);
    EXPECT_FALSE(s.focusEdge(0));
    EXPECT_TRUE(s.focusEdge(-1));
    EXPECT_EQ(s.focusedIndex, 0);
    EXPECT_FALSE(s.focusEdge(-3));
}

TEST(StripFocus, StepsInsideAStackWithoutWrapping) {
    Strip s = strip({column({1, 2, 3})}, 0);
    EXPECT_FALSE(s.moveFocusInStack(-1));
    EXPECT_TRUE(s.moveFocusInStack(5));
    EXPECT_EQ(s.focusedWindowID(), 3u);
    EXPECT_FALSE(s.moveFocusInStack(1));
    EXPECT_TRUE(s.moveFocusInStack(-9));
    EXPECT_EQ(s.focusedWindowID(), 1u);
    s.columns[0].isTabbed = true;
    EXPECT_TRUE(s.moveFocusInStack(1));
    EXPECT_EQ(s.focusedWindowID(), 2u);
    EXPECT_FALSE(strip({column({1})}, 0).moveFocusInStack(1));
}

TEST(StripMove, ColumnsSwapOnlyWithinTheirPinGroup) {
    Strip s = strip({left({1}), left({2}), column({3}), column({4}), right({5})}, 1);
    EXPECT_FALSE(s.moveColumn(1));  // out of the left block
    EXPECT_TRUE(s.moveColumn(-1));
    EXPECT_EQ(shape(s), "*L:2 L:1 3 4 R:5");
    EXPECT_FALSE(s.moveColumn(-1));  // past the start

    s.focusedIndex = 3;
    EXPECT_FALSE(s.moveColumn(1));  // into the right block
    EXPECT_TRUE(s.moveColumn(-1));
    EXPECT_EQ(shape(s), "L:2 L:1 *4 3 R:5");
    EXPECT_FALSE(s.moveColumn(-1));  // into the left block

    Strip edges = strip({left({1}), right({2})}, 0);
    EXPECT_FALSE(edges.moveColumn(1));
    EXPECT_FALSE(strip({column({1})}).moveColumn(1));
}

TEST(StripReorder, ClampsIntoTheColumnsOwnGroupAndFollowsTheFocusedWindow) {
    Strip s = strip({left({1}), left({2}), column({3}), column({4}), right({5})}, 0);
    s.reorderColumn(0, 99);
    EXPECT_EQ(shape(s), "L:2 *L:1 3 4 R:5");

    s.reorderColumn(3, 0);
    EXPECT_EQ(shape(s), "L:2 *L:1 4 3 R:5");

    s.reorderColumn(4, 0);
    EXPECT_EQ(shape(s), "L:2 *L:1 4 3 R:5");

    s.reorderColumn(2, -7);
    EXPECT_EQ(shape(s), "L:2 *L:1 4 3 R:5");

    const Strip before = s;
    s.reorderColumn(5, 0);
    s.reorderColumn(-1, 0);
    EXPECT_EQ(s, before);

    Strip across = strip({column({1}), column({2}), column({3})}, 2);
    across.reorderColumn(0, 2);
    EXPECT_EQ(shape(across), "2 *3 1");

    Strip unfocused = strip({column({1}), column({2})});
    unfocused.reorderColumn(0, 1);
    EXPECT_EQ(shape(unfocused), "2 1");
}

TEST(StripPins, PinningPlacesTheColumnAtTheInnerEndOfItsBlock) {
    Strip s = strip({left({1}), column({2}), column({3}), right({4})}, 1);
    EXPECT_TRUE(s.togglePin(Pin::left));
    EXPECT_EQ(shape(s), "L:1 *L:2 3 R:4");

    s.focusedIndex = 2;
    EXPECT_TRUE(s.togglePin(Pin::right));
    EXPECT_EQ(shape(s), "L:1 L:2 *R:3 R:4");
}

TEST(StripPins, UnpinningPlacesTheColumnNextToItsFormerBlock) {
    Strip fromLeft = strip({left({1}), left({2}), column({3}), right({4})}, 0);
    EXPECT_TRUE(fromLeft.togglePin(Pin::left));
    EXPECT_EQ(shape(fromLeft), "L:2 *1 3 R:4");

    Strip fromRight = strip({column({1}), right({2}), right({3})}, 2);
    EXPECT_TRUE(fromRight.togglePin(Pin::right));
    EXPECT_EQ(shape(fromRight), "1 *3 R:2");
}

TEST(StripPins, SwitchingEdgesMovesTheColumnAcross) {
    Strip s = strip({column({1}), right({2})}, 1);
    EXPECT_TRUE(s.togglePin(Pin::left));
    EXPECT_EQ(shape(s), "*L:2 1");
    EXPECT_FALSE(strip({column({1})}).togglePin(Pin::left));
}

TEST(StripPins, TextForms) {
    EXPECT_EQ(toText(Pin::left), "left");
    EXPECT_EQ(toText(Pin::right), "right");
    EXPECT_EQ(pinFromText("right"), Pin::right);
    EXPECT_FALSE(pinFromText("Left"));
    EXPECT_FALSE(pinFromText(""));
}

TEST(StripEquality, ComparesEveryFieldAndNeverEqualsANaNFraction) {
    const Strip a = strip({column({1, 2})}, 0);
    Strip b = a;
    EXPECT_EQ(a, b);
    b.columns[0].refusedWidth = RefusedWidth{485, 600};
    EXPECT_NE(a, b);
    b = a;
    b.columns[0].autoTabbed = true;
    EXPECT_NE(a, b);
    b = a;
    b.focusedIndex.reset();
    EXPECT_NE(a, b);
    b = a;
    b.scrollOffset = 1;
    EXPECT_NE(a, b);

    Column nan = test::column({1}, std::nullopt, std::nan(""));
    EXPECT_NE(nan, nan);
}

}  // namespace
}  // namespace brindlow
