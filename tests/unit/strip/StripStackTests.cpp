// Stacks, tabs, weights and full width: how windows move between columns and share a column.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>

#include "StripBuilders.h"
#include "strip/Strip.h"

namespace brindlow {
namespace {

using test::column;
using test::left;
using test::parse;
using test::right;
using test::shape;
using test::strip;

double share(const Column& c, int row) {
    double sum = 0;
    for (double w : c.weights) sum += w;
    return c.weights[static_cast<std::size_t>(row)] / sum;
}

TEST(StripStacking, AppendedWeightLandsOnItsOwnRowWhenWeightsWereOutOfStep) {
    Strip s = strip({column({1, 2}), column({3})}, 1);
    s.columns[0].weights = {};
    EXPECT_TRUE(s.stackIntoNeighbour(-1));
    EXPECT_EQ(s.columns[0].weights, (std::vector<double>{1, 1, 1}));

    Strip extra = strip({column({1}), column({2})}, 0);
    extra.columns[0].weights = {2, 5, 7};
    EXPECT_TRUE(extra.pullFromNeighbour(1));
    EXPECT_EQ(extra.columns[0].weights, (std::vector<double>{2, 1}));
}

TEST(StripExpel, TheFocusedWindowLeavesForANewColumnAndKeepsFocus) {
    Strip s = strip({column({1, 2, 3}), column({4})}, 0);
    s.columns[0].activeIndex = 1;
    s.columns[0].widthFraction = 0.7;
    EXPECT_TRUE(s.expelWindow(2));
    EXPECT_EQ(shape(s), "1,3^ *2 4");
    EXPECT_EQ(s.columns[1].widthFraction, 0.7);
    EXPECT_EQ(s.columns[1].weights, std::vector<double>{1});
}

TEST(StripTabs, TogglingTabsIsTheUsersChoice) {
    Strip s = strip({column({1, 2})}, 0);
    s.columns[0].autoTabbed = true;
    EXPECT_TRUE(s.toggleTabbed());
    EXPECT_TRUE(s.columns[0].isTabbed);
    EXPECT_FALSE(s.columns[0].autoTabbed);
    EXPECT_TRUE(s.toggleTabbed());
    EXPECT_FALSE(s.columns[0].isTabbed);
}

TEST(StripMoveInStack, WindowsAndWeightsSwapTogether) {
    Strip s = strip({column({1, 2, 3})}, 0);
    s.columns[0].weights = {1, 2, 3};
    EXPECT_TRUE(s.moveWindowInStack(1));
    EXPECT_EQ(s.columns[0].windows, (std::vector<WindowID>{2, 1, 3}));
    EXPECT_EQ(s.columns[0].weights, (std::vector<double>{2, 1, 3}));
    EXPECT_EQ(s.focusedWindowID(), 1u);
    EXPECT_FALSE(s.moveWindowInStack(2));
    EXPECT_TRUE(s.moveWindowInStack(-1));
    EXPECT_FALSE(s.moveWindowInStack(-1));

    s.columns[0].weights = {5};
    EXPECT_TRUE(s.moveWindowInStack(1));
    EXPECT_EQ(s.columns[0].weights, std::vector<double>{5});
}

TEST(StripWeights, ASteppedShareGivesTheActiveWindowItsTarget) {
    Strip s = strip({column({1, 2})}, 0);
    EXPECT_TRUE(s.adjustActiveWeight(0.1));
    EXPECT_DOUBLE_EQ(s.columns[0].weights[0], 1.5);
    EXPECT_DOUBLE_EQ(s.columns[0].weights[1], 1.0);
    EXPECT_DOUBLE_EQ(share(s.columns[0], 0), 0.6);
}

TEST(StripWeights, SharesStayBetweenFifteenPercentAndWhatTheOthersLeave) {
    Strip s = strip({column({1, 2, 3})}, 0);
    s.columns[0].activeIndex = 2;
    while (s.adjustActiveWeight(0.25)) {
    }
    EXPECT_NEAR(share(s.columns[0], 2), 0.7, 1e-9);
    EXPECT_EQ(s.columns[0].weights[0], 1.0);
    while (s.adjustActiveWeight(-0.25)) {
    }
    EXPECT_NEAR(share(s.columns[0], 2), 0.15, 1e-9);

    // With seven windows the bounds cross and the lower one wins.
    Strip seven = strip({column({1, 2, 3, 4, 5, 6, 7})}, 0);
    EXPECT_TRUE(seven.adjustActiveWeight(0.5));
    EXPECT_NEAR(share(seven.columns[0], 0), 0.15, 1e-9);
}

TEST(StripWeights, EqualizingResetsOneWeightPerWindow) {
    Strip s = strip({column({1, 2, 3})}, 0);
    s.columns[0].weights = {2, 0.5};
    EXPECT_TRUE(s.equalizeHeights());
    EXPECT_EQ(s.columns[0].weights, (std::vector<double>{1, 1, 1}));
    EXPECT_TRUE(s.equalizeHeights());
}

// An edit the strip refuses answers false and leaves every field as it was.
struct Refusal {
    std::string name;
    Strip before;
    std::function<bool(Strip&)> edit;
};

class StripRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(StripRefusals, AnswerFalseAndChangeNothing) {
    Strip s = GetParam().before;
    EXPECT_FALSE(GetParam().edit(s));
    EXPECT_EQ(s, GetParam().before);
}

Strip withWeights(Strip s, std::vector<double> weights, bool tabbed = false) {
    s.columns[0].weights = std::move(weights);
    s.columns[0].isTabbed = tabbed;
    return s;
}

const Strip kFullStack = strip({column({1, 2, 3}), column({4})}, 1);
const Strip kPair = strip({column({1, 2})}, 0);

INSTANTIATE_TEST_SUITE_P(
    Cases, StripRefusals,
    testing::Values(
        Refusal{"JoinAFullStack", kFullStack, [](Strip& s) { return s.stackIntoNeighbour(-1); }},
        Refusal{"JoinPastTheEnd", kFullStack, [](Strip& s) { return s.stackIntoNeighbour(1); }},
        // A zero delta is refused before the window is taken out.
        Refusal{"JoinByZero", strip({column({1}), column({2, 3})}, 1),
                [](Strip& s) { return s.stackIntoNeighbour(0); }},
        Refusal{"PullByZero", strip({column({1}), column({2, 3})}, 1),
                [](Strip& s) { return s.pullFromNeighbour(0); }},
        Refusal{"PullAcrossPinGroups", strip({left({1}), column({2})}, 1),
                [](Strip& s) { return s.pullFromNeighbour(-1); }},
        Refusal{"PullIntoAFullStack", strip({column({1, 2, 3}), column({4})}, 0),
                [](Strip& s) { return s.pullFromNeighbour(1); }},
        Refusal{"PullFromNothing", strip({column({1, 2, 3}), column({4})}, 0),
                [](Strip& s) { return s.pullFromNeighbour(-1); }},
        Refusal{"PullWithoutFocus", strip({column({1})}),
                [](Strip& s) { return s.pullFromNeighbour(1); }},
        // The chosen way refuses: no fallback to the other one.
        Refusal{"GrowBesideAFullStack", strip({column({1, 2, 3}), column({4}), column({5})}, 1),
                [](Strip& s) { return s.growStack(); }},
        Refusal{"GrowAlone", strip({column({1})}), [](Strip& s) { return s.growStack(); }},
        Refusal{"ExpelALoneWindow", strip({column({1}), column({2, 3})}, 0),
                [](Strip& s) { return s.expelWindow(1); }},
        Refusal{"RemoveAnUnknownWindow", strip({column({1, 2}), column({3})}, 1),
                [](Strip& s) {
                    s.remove(42);
                    return false;
                }},
        Refusal{"ExpelAnUnknownWindow", strip({column({1}), column({2, 3})}, 0),
                [](Strip& s) { return s.expelWindow(9); }},
        Refusal{"PopALoneWindow", strip({column({1})}, 0),
                [](Strip& s) { return s.popActiveWindow(1); }},
        Refusal{"TabsWithoutFocus", strip({column({1})}),
                [](Strip& s) { return s.toggleTabbed(); }},
        Refusal{"ATinyWeightStep", kPair, [](Strip& s) { return s.adjustActiveWeight(0.001); }},
        Refusal{"ANaNWeightStep", kPair,
                [](Strip& s) { return s.adjustActiveWeight(std::nan("")); }},
        Refusal{"WeightOfATabbedStack", withWeights(kPair, {1, 1}, true),
                [](Strip& s) { return s.adjustActiveWeight(0.1); }},
        Refusal{"WeightsOutOfStep", withWeights(kPair, {1}),
                [](Strip& s) { return s.adjustActiveWeight(0.1); }},
        Refusal{"AZeroWeight", withWeights(kPair, {1, 0}),
                [](Strip& s) { return s.adjustActiveWeight(0.1); }},
        Refusal{"WeightOfALoneWindow", strip({column({1})}, 0),
                [](Strip& s) { return s.adjustActiveWeight(0.1); }},
        Refusal{"EqualizeWithoutFocus", strip({column({1})}),
                [](Strip& s) { return s.equalizeHeights(); }},
        // Focus steps stop at the ends and need a focus.
        Refusal{"FocusTheFocusedWindow", parse("1 *2,3^"), [](Strip& s) { return s.focus(3); }},
        Refusal{"FocusAnUnknownWindow", parse("1 *2,3^"), [](Strip& s) { return s.focus(99); }},
        Refusal{"StepPastTheEnd", parse("1 2 *3"), [](Strip& s) { return s.moveFocus(1); }},
        Refusal{"StepPastTheStart", parse("*1 2 3"), [](Strip& s) { return s.moveFocus(-1); }},
        Refusal{"FarStepAtTheEnd", parse("1 2 *3"), [](Strip& s) { return s.moveFocus(INT_MAX); }},
        Refusal{"StepUnfocused", parse("1 2"), [](Strip& s) { return s.moveFocus(1); }},
        Refusal{"EdgeUnfocused", parse("1 2"), [](Strip& s) { return s.focusEdge(1); }},
        Refusal{"EdgeByZeroAtTheEnd", parse("1 2 *3"), [](Strip& s) { return s.focusEdge(0); }},
        Refusal{"EdgeAtTheStart", parse("*1 2 3"), [](Strip& s) { return s.focusEdge(-3); }},
        Refusal{"StackStepAboveTheTop", parse("*1,2,3"),
                [](Strip& s) { return s.moveFocusInStack(-1); }},
        Refusal{"StackStepBelowTheBottom", parse("*1,2,3^"),
                [](Strip& s) { return s.moveFocusInStack(1); }},
        // Columns never move out of their pin group.
        Refusal{"MoveOutOfTheLeftBlock", parse("L:1 *L:2 3 4 R:5"),
                [](Strip& s) { return s.moveColumn(1); }},
        Refusal{"MovePastTheStart", parse("*L:2 L:1 3 4 R:5"),
                [](Strip& s) { return s.moveColumn(-1); }},
        Refusal{"MoveIntoTheRightBlock", parse("L:2 L:1 3 *4 R:5"),
                [](Strip& s) { return s.moveColumn(1); }},
        Refusal{"MoveUnfocused", parse("1"), [](Strip& s) { return s.moveColumn(1); }},
        Refusal{"PinUnfocused", parse("1"), [](Strip& s) { return s.togglePin(Pin::left); }}),
    [](const testing::TestParamInfo<Refusal>& row) { return row.param.name; });

TEST(StripFullWidth, TogglingForgetsARefusedWidth) {
    Strip s = strip({column({1})}, 0);
    s.columns[0].refusedWidth = RefusedWidth{485, 600};
    EXPECT_TRUE(s.toggleFullWidth());
    EXPECT_TRUE(s.columns[0].isFullWidth);
    EXPECT_FALSE(s.columns[0].refusedWidth);
    EXPECT_TRUE(s.toggleFullWidth());
    EXPECT_FALSE(s.columns[0].isFullWidth);
    EXPECT_FALSE(strip({column({1})}).toggleFullWidth());
}

}  // namespace
}  // namespace brindlow
