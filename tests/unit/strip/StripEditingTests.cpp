// Insertion, removal, focus steps, moves and pins: the editing rules users feel most directly.

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "StripBuilders.h"
#include "strip/Strip.h"
#include "support/StripInvariants.h"

namespace brindlow {
namespace {

using test::column;
using test::shape;
using test::strip;

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

TEST(StripRemove, WeightsLeaveWithTheirWindowAndAShortListIsNotReadPastItsEnd) {
    Strip s = test::parse("*1,2^,3");
    s.columns[0].weights = {1, 2, 3};
    s.remove(1);
    EXPECT_EQ(s.columns[0].weights, (std::vector<double>{2, 3}));
    EXPECT_EQ(s.focusedWindowID(), 2u);

    s.columns[0].weights = {4};
    s.remove(3);
    EXPECT_EQ(s.columns[0].windows, std::vector<WindowID>{2});
    EXPECT_EQ(s.columns[0].weights, std::vector<double>{4});
}

// An edit that the strip accepts, as the shape before and after it. From a sound strip the result
// keeps every rule of a strip (pin blocks, stack sizes, weights, rows and focus in range).
struct Edit {
    std::string name;
    std::string before;
    std::function<bool(Strip&)> edit;
    std::string after;
};

class StripEdits : public testing::TestWithParam<Edit> {};

TEST_P(StripEdits, GiveTheirShapeAndKeepTheStripSound) {
    Strip s = test::parse(GetParam().before);
    const bool sound = test::brokenInvariants(s).empty();
    EXPECT_TRUE(GetParam().edit(s));
    EXPECT_EQ(shape(s), GetParam().after);
    if (sound) {
        EXPECT_EQ(test::brokenInvariants(s), "");
    }
}

bool removing(Strip& s, WindowID id) {
    s.remove(id);
    return true;
}
bool reordering(Strip& s, int from, int to) {
    s.reorderColumn(from, to);
    return true;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripEdits,
    testing::Values(
        Edit{"InsertIntoAnEmptyStrip", "", [](Strip& s) { return s.insertWindow(7, .6) == 0; },
             "*7"},
        // A new window goes right of an unpinned focus without taking it, else next to the
        // pinned blocks on their inner side.
        Edit{"InsertRightOfTheFocus", "1 *2 3", [](Strip& s) { return s.insertWindow(9, .5) == 2; },
             "1 *2 9 3"},
        Edit{"InsertInsideTheLeftBlock", "*L:1 L:2 3 R:4",
             [](Strip& s) { return s.insertWindow(9, .5) == 2; }, "*L:1 L:2 9 3 R:4"},
        Edit{"InsertInsideTheRightBlock", "L:1 3 *R:4 R:5",
             [](Strip& s) { return s.insertWindow(9, .5) == 2; }, "L:1 3 9 *R:4 R:5"},
        Edit{"InsertUnfocused", "1 R:2", [](Strip& s) { return s.insertWindow(9, .5) == 1; },
             "1 *9 R:2"},
        // Whole columns arrive unpinned at the nearest edge of the unpinned run.
        Edit{"InsertColumns", "L:1 L:2 3 *R:4",
             [](Strip& s) {
                 return s.insertColumn(test::right({8}), 0) == 2 &&
                        s.insertColumn(test::left({9}), 99) == 4;
             },
             "L:1 L:2 8 3 9 *R:4"},
        // The focus follows the removed column; the active row keeps its window where it can.
        Edit{"RemoveTheLastFocused", "1 2 *3", [](Strip& s) { return removing(s, 3); }, "1 *2"},
        Edit{"RemoveLeftOfTheFocus", "1 2 *3", [](Strip& s) { return removing(s, 1); }, "2 *3"},
        Edit{"RemoveRightOfTheFocus", "*1 2 3", [](Strip& s) { return removing(s, 2); }, "*1 3"},
        Edit{"RemoveTheFocusedMiddle", "1 *2 3", [](Strip& s) { return removing(s, 2); }, "1 *3"},
        Edit{"RemoveTheOnlyColumn", "*1",
             [](Strip& s) { return removing(s, 1) && !s.focusedIndex; }, ""},
        Edit{"RemoveUnfocused", "1 2", [](Strip& s) { return removing(s, 1); }, "2"},
        Edit{"RemoveTheActiveBottomRow", "*1,2,3^", [](Strip& s) { return removing(s, 3); },
             "*1,2^"},
        Edit{"RemoveTheActiveMiddleRow", "*1,2^,3", [](Strip& s) { return removing(s, 2); },
             "*1,3^"},
        Edit{"RemoveFromAnUnfocusedStack", "1,2,3 *4", [](Strip& s) { return removing(s, 3); },
             "1,2 *4"},
        Edit{"FocusAWindowInAStack", "*1 2,3", [](Strip& s) { return s.focus(3); }, "1 *2,3^"},
        // Side steps stop at the ends; edges jump to the first and last.
        Edit{"StepLeft", "1 2 *3", [](Strip& s) { return s.moveFocus(-1); }, "1 *2 3"},
        Edit{"StepFarLeft", "1 2 *3", [](Strip& s) { return s.moveFocus(-5); }, "*1 2 3"},
        Edit{"StepFarRight", "*1 2 3", [](Strip& s) { return s.moveFocus(INT_MAX); }, "1 2 *3"},
        Edit{"LastColumn", "1 *2 3", [](Strip& s) { return s.focusEdge(1); }, "1 2 *3"},
        Edit{"FirstColumn", "1 *2 3", [](Strip& s) { return s.focusEdge(-1); }, "*1 2 3"},
        Edit{"StackStepDown", "*1,2,3", [](Strip& s) { return s.moveFocusInStack(5); }, "*1,2,3^"},
        Edit{"StackStepUp", "*1,2,3^", [](Strip& s) { return s.moveFocusInStack(-9); }, "*1,2,3"},
        // Columns swap only within their pin group.
        Edit{"MoveInTheLeftBlock", "L:1 *L:2 3 4 R:5", [](Strip& s) { return s.moveColumn(-1); },
             "*L:2 L:1 3 4 R:5"},
        Edit{"MoveUnpinned", "L:1 L:2 3 *4 R:5", [](Strip& s) { return s.moveColumn(-1); },
             "L:1 L:2 *4 3 R:5"},
        // A reorder is clamped into the column's own group and the focus follows its window.
        Edit{"ReorderPastTheBlock", "*L:1 L:2 3 4 R:5",
             [](Strip& s) { return reordering(s, 0, 99); }, "L:2 *L:1 3 4 R:5"},
        Edit{"ReorderBeforeTheBlock", "L:2 *L:1 3 4 R:5",
             [](Strip& s) { return reordering(s, 3, 0); }, "L:2 *L:1 4 3 R:5"},
        Edit{"ReorderThePinnedRight", "L:2 *L:1 4 3 R:5",
             [](Strip& s) { return reordering(s, 4, 0); }, "L:2 *L:1 4 3 R:5"},
        Edit{"ReorderOutOfRange", "*1 2",
             [](Strip& s) { return reordering(s, 5, 0) && reordering(s, -1, 0); }, "*1 2"},
        Edit{"ReorderAcross", "1 2 *3", [](Strip& s) { return reordering(s, 0, 2); }, "2 *3 1"},
        Edit{"ReorderUnfocused", "1 2", [](Strip& s) { return reordering(s, 0, 1); }, "2 1"},
        // Pinning places the column at the inner end of its block, unpinning next to it.
        Edit{"PinLeft", "L:1 *2 3 R:4", [](Strip& s) { return s.togglePin(Pin::left); },
             "L:1 *L:2 3 R:4"},
        Edit{"PinRight", "L:1 L:2 *3 R:4", [](Strip& s) { return s.togglePin(Pin::right); },
             "L:1 L:2 *R:3 R:4"},
        Edit{"UnpinLeft", "*L:1 L:2 3 R:4", [](Strip& s) { return s.togglePin(Pin::left); },
             "L:2 *1 3 R:4"},
        Edit{"UnpinRight", "1 R:2 *R:3", [](Strip& s) { return s.togglePin(Pin::right); },
             "1 *3 R:2"},
        Edit{"SwitchEdges", "1 *R:2", [](Strip& s) { return s.togglePin(Pin::left); }, "*L:2 1"},
        // Stacks: the last window of a column joins its neighbour, taking a pin it has; a
        // stack gives up its active window; pulling takes the neighbour's active window.
        Edit{"JoinLeft", "1 *2 3", [](Strip& s) { return s.stackIntoNeighbour(-1); }, "*1,2^ 3"},
        Edit{"JoinFromAStack", "*1,2^ 3", [](Strip& s) { return s.stackIntoNeighbour(1); },
             "1 *3,2^"},
        Edit{"JoinPinned", "L:1 *2 3", [](Strip& s) { return s.stackIntoNeighbour(-1); },
             "*L:1,2^ 3"},
        Edit{"PullRight", "*1 2,3^ 4", [](Strip& s) { return s.pullFromNeighbour(1); },
             "*1,3^ 2 4"},
        Edit{"PullLeft", "1 *2", [](Strip& s) { return s.pullFromNeighbour(-1); }, "*2,1^"},
        // Growing: a lone window joins its left neighbour, otherwise pulls from the right.
        Edit{"GrowIntoTheLeft", "1 *2 3", [](Strip& s) { return s.growStack(); }, "*1,2^ 3"},
        Edit{"GrowBesideAPin", "L:1 *2 3", [](Strip& s) { return s.growStack(); }, "L:1 *2,3^"},
        Edit{"GrowFirst", "*1 2", [](Strip& s) { return s.growStack(); }, "*1,2^"},
        Edit{"GrowAStack", "1 *2,3 4", [](Strip& s) { return s.growStack(); }, "1 *2,3,4^"},
        Edit{"ExpelFromAPinnedStack", "L:1,2^ *3", [](Strip& s) { return s.expelWindow(1); },
             "L:2 L:1 *3"},
        // The stack's active row moves up when its bottom window leaves.
        Edit{"ExpelTheActiveBottomRow", "*1,2^", [](Strip& s) { return s.expelWindow(2); }, "1 *2"},
        Edit{"PopLeft", "9 *1,2^,3", [](Strip& s) { return s.popActiveWindow(-1); }, "9 *2 1,3^"},
        Edit{"PopRight", "*R:1,2^", [](Strip& s) { return s.popActiveWindow(1); }, "R:1 *R:2"}),
    [](const testing::TestParamInfo<Edit>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
