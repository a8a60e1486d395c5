// The layout pass: pinned blocks, the unpinned run at an offset, parking off the area and away
// from other displays, stacks with minimum heights, gap bands, edge slices and tabs.

#include <gtest/gtest.h>

#include "StripBuilders.h"
#include "strip/LayoutEngine.h"

namespace brindlow {
namespace {

using test::column;
using test::left;
using test::right;
using test::strip;
namespace LE = LayoutEngine;

constexpr double peek = 10;
const Rect screen{0, 0, 1000, 800};
const DisplayGeometry single{screen, screen, {}};

StripLayout layoutAt(const Strip& s, double offset, const DisplayGeometry& geometry = single,
                     const LE::MinimumHeights& minimums = {},
                     std::optional<double> sliceOffset = std::nullopt) {
    return LE::layout(s, geometry, minimums, sliceOffset, offset, 10, 10, peek);
}

Placement visible(WindowID id, Rect frame) {
    return {id, frame, false, true};
}
Placement parked(WindowID id, Rect frame) {
    return {id, frame, true, true};
}

TEST(LayoutPass, AnEmptyStripGivesTheAreaAsViewport) {
    const StripLayout result = layoutAt(Strip{}, 0);
    EXPECT_TRUE(result.placements.empty());
    EXPECT_TRUE(result.gapBands.empty());
    EXPECT_EQ(result.viewport, screen);
}

TEST(LayoutPass, TwoHalfColumnsFillTheWidthBetweenTheOuterGaps) {
    const StripLayout result = layoutAt(strip({column({1}), column({2})}, 0), 0);
    EXPECT_EQ(result.placements, (std::vector<Placement>{visible(1, {10, 10, 485, 780}),
                                                         visible(2, {505, 10, 485, 780})}));
}

TEST(LayoutPass, PinnedBlocksStandAtTheEdgesAndComeFirst) {
    std::vector<Column> columns = {left({1}), column({2}), right({3}), right({4})};
    for (Column& c : columns) c.widthFraction = 0.25;
    columns[1].widthFraction = 0.5;
    const StripLayout result = layoutAt(strip(columns, 1), 0);
    EXPECT_EQ(result.viewport, Rect(248, 0, 256, 800));
    // 0.5 of the viewport: round(0.5 * (256 - 20 + 10) - 10) = 113.
    EXPECT_EQ(
        result.placements,
        (std::vector<Placement>{visible(1, {10, 10, 238, 780}), visible(4, {752, 10, 238, 780}),
                                visible(3, {504, 10, 238, 780}), visible(2, {258, 10, 113, 780})}));
}

TEST(LayoutPass, PinnedColumnsAreNeverParked) {
    const DisplayGeometry geometry{screen, screen, {{1000, 0, 1000, 800}}};
    Column wide = left({1});
    wide.widthFraction = 1.2;
    // 1.2 × (1000 − 20 + 10) − 10 = 1178 wide, reaching onto the next display, yet not parked.
    EXPECT_EQ(layoutAt(strip({wide}, 0), 5000, geometry).placements,
              std::vector<Placement>{visible(1, {10, 10, 1178, 780})});
}

TEST(LayoutPass, TheOffsetMovesOnlyTheUnpinnedRun) {
    const StripLayout result =
        layoutAt(strip({left({1}), column({2}), column({3}), column({4})}, 2), 300);
    // Viewport starts at 495; the first unpinned span is 238 wide (237.5 rounded away) against the
    // 505-point viewport.
    EXPECT_EQ(result.viewport, Rect(495, 0, 505, 800));
    EXPECT_EQ(result.placements[0].frame, Rect(10, 10, 485, 780));
    EXPECT_EQ(result.placements[1].frame, Rect(205, 10, 238, 780));
    EXPECT_EQ(result.placements[2].frame.x, 453);
}

TEST(LayoutPass, ParkingStartsWhenLessThanThePeekRemains) {
    // At offset 485 the first column's right edge lies 10 points inside the area: kept.
    const Strip s = strip({column({1}), column({2}), column({3})}, 1);
    EXPECT_EQ(layoutAt(s, 485).placements[0], visible(1, {-475, 10, 485, 780}));
    // One point further it lies 9 points inside: parked with 10 points left on screen.
    EXPECT_EQ(layoutAt(s, 486).placements[0], parked(1, {-475, 10, 485, 780}));
}

TEST(LayoutPass, ColumnsBeyondTheRightEdgeParkThere) {
    const Strip s = strip({column({1}), column({2}), column({3})}, 0);
    // At offset 10 the third column starts 10 points inside the area's right edge: kept.
    EXPECT_EQ(layoutAt(s, 10).placements[2], visible(3, {990, 10, 485, 780}));
    // One point less and only 9 points remain: parked with 10 points left on screen.
    EXPECT_EQ(layoutAt(s, 9).placements[2], parked(3, {990, 10, 485, 780}));
}

// A panel holding one edge of the screen leaves the area short of it there: a column parked on
// that side goes past the screen's edge, so nothing of it lies over the panel; the other side
// keeps its peek.
// Where the side is taken by a shorter display beside this one, the column waits at the bottom:
// past the screen's bottom edge over a bottom panel, else with its peek above that edge.
struct PanelCase {
    const char* name;
    Rect area;
    double offset;
    int parkedIndex;
    Rect parkedFrame;
    std::vector<Rect> others = {};
    friend void PrintTo(const PanelCase& row, std::ostream* out) { *out << row.name; }
};

class ParkingBesideAPanel : public ::testing::TestWithParam<PanelCase> {};

TEST_P(ParkingBesideAPanel, LeavesNothingOverThePanel) {
    const PanelCase& panel = GetParam();
    const Strip s = strip({column({1}), column({2}), column({3})}, 1);
    const StripLayout result = layoutAt(s, panel.offset, {panel.area, screen, panel.others});
    EXPECT_EQ(result.placements[size_t(panel.parkedIndex)],
              parked(WindowID(panel.parkedIndex + 1), panel.parkedFrame));
}

INSTANTIATE_TEST_SUITE_P(
    Sides, ParkingBesideAPanel,
    ::testing::Values(
        // 120 points held on the right: columns 425 wide, the third starting at 880, past 870.
        PanelCase{"RightPanelRightColumn", {0, 0, 880, 800}, 0, 2, {1000, 10, 425, 780}},
        PanelCase{"RightPanelLeftColumn", {0, 0, 880, 800}, 430, 0, {-415, 10, 425, 780}},
        PanelCase{"LeftPanelLeftColumn", {120, 0, 880, 800}, 430, 0, {-425, 10, 425, 780}},
        PanelCase{"LeftPanelRightColumn", {120, 0, 880, 800}, 0, 2, {990, 10, 425, 780}},
        PanelCase{"BottomPanelRightColumn", {0, 0, 1000, 760}, 0, 2, {990, 10, 485, 740}},
        PanelCase{"BottomPanelShortNeighbour",
                  {0, 0, 1000, 760},
                  0,
                  2,
                  {990, 800, 485, 740},
                  {{1000, 0, 1000, 600}}},
        PanelCase{"NoPanelShortNeighbour",
                  {0, 0, 1000, 800},
                  0,
                  2,
                  {990, 790, 485, 780},
                  {{1000, 0, 1000, 600}}}),
    [](const auto& row) { return std::string(row.param.name); });

// In a one-point area every frame is one point square, yet a full-width column stands at the
// area's top and an ordinary one below the outer gap: each is parked at its own top.
TEST(LayoutPass, ParkedColumnsOfOneSizeKeepTheirOwnTops) {
    const Rect point{0, 0, 1, 1};
    Column full = column({1});
    full.isFullWidth = true;
    const StripLayout result = layoutAt(strip({full, column({2})}, 0), 0, {point, point, {}});
    EXPECT_EQ(result.placements,
              (std::vector<Placement>{parked(1, {-9, 0, 1, 1}), parked(2, {-9, 10, 1, 1})}));
}

TEST(LayoutPass, WithoutANeighbourAColumnPartlyOffTheAreaKeepsItsFrame) {
    const Strip s = strip({column({1}), column({2}), column({3})}, 1);
    EXPECT_EQ(layoutAt(s, 200).placements[2], visible(3, {800, 10, 485, 780}));
}

TEST(LayoutPass, AColumnReachingOntoANeighbouringDisplayIsParked) {
    const Strip s = strip({column({1}), column({2}), column({3})}, 1);
    // A display to the right, shorter than this one: the side position overlaps it, the bottom
    // edge of this display on the same side does not.
    const DisplayGeometry shortNeighbour{screen, screen, {{1000, 0, 1000, 600}}};
    EXPECT_EQ(layoutAt(s, 200, shortNeighbour).placements[2], parked(3, {990, 790, 485, 780}));

    // A display as tall as this one: the window goes to the bottom of the opposite side.
    const DisplayGeometry tallNeighbour{screen, screen, {{1000, 0, 1000, 800}}};
    EXPECT_EQ(layoutAt(s, 200, tallNeighbour).placements[2], parked(3, {-475, 790, 485, 780}));

    // Displays on both sides and below: nothing is free, so the first choice stands.
    const DisplayGeometry surrounded{
        screen, screen, {{1000, 0, 1000, 2000}, {-1000, 0, 1000, 2000}, {0, 800, 1000, 800}}};
    EXPECT_EQ(layoutAt(s, 200, surrounded).placements[2], parked(3, {990, 10, 485, 780}));
}

TEST(LayoutPass, ASecondDisplayParksTowardsItsOwnEdges) {
    const Rect rightScreen{1000, 0, 1000, 800};
    const DisplayGeometry geometry{rightScreen, rightScreen, {screen}};
    const Strip s = strip({column({1}), column({2}), column({3})}, 2);
    // At offset 400 the first column starts at 1010 - 400 = 610, over the left display. Its left
    // edge and the bottom left corner both overlap that display, so it waits bottom right.
    const StripLayout result = layoutAt(s, 400, geometry);
    EXPECT_EQ(result.placements[0], parked(1, {1990, 790, 485, 780}));
    EXPECT_EQ(result.placements[1], visible(2, {1105, 10, 485, 780}));
}

TEST(LayoutPass, AFullWidthColumnAtItsSnapOffsetCoversTheViewport) {
    Column full = column({2});
    full.isFullWidth = true;
    const Strip s = strip({left({1}), column({3}), full, column({4})}, 2);
    const StripLayout first = layoutAt(s, 0);
    const auto offsets = LE::snapOffsets(s.columns, first.viewport.width, 10, 10);
    const StripLayout result = layoutAt(s, offsets[1]);
    EXPECT_EQ(result.placements[2], visible(2, result.viewport));
}

TEST(LayoutPass, ATabbedColumnShowsOnlyItsActiveTab) {
    Column tabs = column({1, 2, 3});
    tabs.isTabbed = true;
    tabs.activeIndex = 1;
    const StripLayout result = layoutAt(strip({tabs}, 0), 0);
    const Rect frame{10, 10, 485, 780};
    EXPECT_EQ(result.placements,
              (std::vector<Placement>{
                  {1, frame, false, false}, {2, frame, false, true}, {3, frame, false, false}}));
    EXPECT_TRUE(result.gapBands.empty());
}

TEST(LayoutPass, StacksShareTheBandByWeight) {
    Column stack = column({1, 2});
    stack.weights = {3, 1};
    const StripLayout result = layoutAt(strip({stack}, 0), 0);
    // Band 780, one gap: 770 shared 3:1.
    EXPECT_EQ(result.placements, (std::vector<Placement>{visible(1, {10, 10, 485, 578}),
                                                         visible(2, {10, 598, 485, 192})}));
}

TEST(LayoutPass, AWeightListOutOfStepIsPaddedAndTrimmed) {
    Column shortWeights = column({1, 2, 3});
    shortWeights.weights = {2};
    Column padded = column({1, 2, 3});
    padded.weights = {2, 1, 1};
    EXPECT_EQ(layoutAt(strip({shortWeights}, 0), 0), layoutAt(strip({padded}, 0), 0));

    Column extra = column({1, 2});
    extra.weights = {1, 1, 50};
    EXPECT_EQ(layoutAt(strip({extra}, 0), 0), layoutAt(strip({column({1, 2})}, 0), 0));
}

TEST(LayoutPass, AStackLongerThanTheEditingRulesAllowStillSharesTheBand) {
    // Ten rows take a different path from the usual stacks of up to three.
    const Rect tall{0, 0, 1000, 1200};
    const DisplayGeometry geometry{tall, tall, {}};
    const Strip s = strip({column({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})}, 0);
    const StripLayout result = layoutAt(s, 0, geometry);
    ASSERT_EQ(result.placements.size(), 10u);
    // Band 1180 less nine gaps leaves 1090: 109 points each, 119 apart.
    for (std::size_t row = 0; row < 10; ++row) {
        EXPECT_EQ(result.placements[row],
                  visible(static_cast<WindowID>(row + 1),
                          {10, 10 + 119 * static_cast<double>(row), 485, 109}));
    }
    EXPECT_TRUE(result.gapBands.empty());
}

TEST(LayoutPass, AStackThatFitsOnlyWithTheRoomBelowReachesBelowTheBand) {
    // A panel takes the bottom 100 points: band 680 from y 10, 110 points below it.
    const DisplayGeometry withPanel{{0, 0, 1000, 700}, screen, {}};
    const LE::MinimumHeights minimums{{1, 400}, {2, 330}};
    const StripLayout result = layoutAt(strip({column({1, 2})}, 0), 0, withPanel, minimums);
    EXPECT_EQ(result.placements, (std::vector<Placement>{visible(1, {10, 10, 485, 400}),
                                                         visible(2, {10, 420, 485, 330})}));
    EXPECT_TRUE(result.gapBands.empty());
}

TEST(LayoutPass, ADisplayBelowTakesAwayTheRoomSoTheStackOverlapsWithABand) {
    const DisplayGeometry stacked{{0, 0, 1000, 700}, screen, {{0, 800, 1000, 800}}};
    const LE::MinimumHeights minimums{{1, 400}, {2, 330}};
    const StripLayout result = layoutAt(strip({column({1, 2})}, 0), 0, stacked, minimums);
    // Band 680, avail 670: the active window keeps 400, the other its 330 grown upward.
    EXPECT_EQ(result.placements, (std::vector<Placement>{visible(1, {10, 10, 485, 400}),
                                                         visible(2, {10, 360, 485, 330})}));
    EXPECT_EQ(result.gapBands, (std::vector<GapBand>{{{10, 410, 485, 10}, 2}}));
}

TEST(LayoutPass, AParkedStackLeavesNoGapBands) {
    const LE::MinimumHeights minimums{{3, 900}, {4, 900}};
    const Strip s = strip({column({1}), column({2}), column({3, 4})}, 0);
    const StripLayout shown = layoutAt(s, 500, single, minimums);
    EXPECT_FALSE(shown.gapBands.empty());
    const StripLayout hidden = layoutAt(s, -2000, single, minimums);
    EXPECT_TRUE(hidden.placements.back().isParked);
    EXPECT_TRUE(hidden.gapBands.empty());
}

// A stack with the weights, active row and height of one laid out before it in the same pass
// lies exactly as it would alone, whatever minimum one of its windows has: 385 points each,
// minimums around that and ones that do not fit at all.
TEST(LayoutPass, ARepeatedStackLiesAsItWouldAlone) {
    for (const WindowID row : {3u, 4u}) {
        for (const double minimum : {100.0, 384.6, 385.0, 385.4, 386.0, 700.0, 2000.0, -5.0}) {
            const LE::MinimumHeights minimums{{row, minimum}};
            const StripLayout alone = layoutAt(strip({column({3, 4})}, 0), 0, single, minimums);
            const StripLayout after =
                layoutAt(strip({column({1, 2}), column({3, 4})}, 0), 0, single, minimums);
            ASSERT_EQ(after.placements.size(), 4u);
            for (std::size_t i = 0; i < 2; ++i) {
                const Rect expected = alone.placements[i].frame;
                const Rect actual = after.placements[i + 2].frame;
                EXPECT_EQ(std::pair(actual.y, actual.height),
                          std::pair(expected.y, expected.height))
                    << "window " << row << " minimum " << minimum << " row " << i;
            }
        }
    }
}

// A stack whose minimums shaped it is not remembered for the plain stacks after it: one with the
// same weights still shares the band equally, 385 points each.
class PlainStackAfterAMinimum : public ::testing::TestWithParam<double> {};

TEST_P(PlainStackAfterAMinimum, SharesTheBandEqually) {
    const LE::MinimumHeights minimums{{1, GetParam()}};
    const StripLayout result =
        layoutAt(strip({column({1, 2}), column({3, 4})}, 0), 0, single, minimums);
    ASSERT_EQ(result.placements.size(), 4u);
    EXPECT_EQ(result.placements[2].frame.y, 10);
    EXPECT_EQ(result.placements[2].frame.height, 385);
    EXPECT_EQ(result.placements[3].frame.y, 405);
    EXPECT_EQ(result.placements[3].frame.height, 385);
}

INSTANTIATE_TEST_SUITE_P(Minimums, PlainStackAfterAMinimum, ::testing::Values(500.0, 700.0, 100.0));

TEST(LayoutPass, SlicesAtBothEdgesLeaveTheColumnsBetweenInPlace) {
    Column wideLeft = column({1}, std::nullopt, 0.6);
    Column narrow = column({2}, std::nullopt, 0.2);
    Column wideRight = column({3}, std::nullopt, 0.6);
    const Strip s = strip({wideLeft, narrow, wideRight}, 1);
    const StripLayout plain = layoutAt(s, 200);
    const StripLayout sliced = layoutAt(s, 200, single, {}, 200.0);
    // Unsliced the first column starts at -190 and the last ends at 1186.
    EXPECT_EQ(plain.placements[1], sliced.placements[1]);
    EXPECT_EQ(sliced.placements, (std::vector<Placement>{visible(1, {10, 10, 384, 780}),
                                                         visible(2, {404, 10, 188, 780}),
                                                         visible(3, {602, 10, 388, 780})}));
}

// A column cut by an edge with a width its window refused: one that kept less than it was asked
// for (whole character cells) is still sliced; one that kept more than its slice is parked on
// the side it is cut at, never sent whole partly off the area.
struct CutColumn {
    std::size_t column;  // 0: cut by the left edge, 2: by the right edge
    RefusedWidth refused;
    Placement expected;
};

class ACutColumnWithARefusedWidth : public ::testing::TestWithParam<CutColumn> {};

TEST_P(ACutColumnWithARefusedWidth, IsASliceOrParked) {
    Strip s = strip({column({1}, std::nullopt, 0.6), column({2}, std::nullopt, 0.2),
                     column({3}, std::nullopt, 0.6)},
                    1);
    s.columns[GetParam().column].refusedWidth = GetParam().refused;
    const StripLayout result = layoutAt(s, 200, single, {}, 200.0);
    EXPECT_EQ(result.placements[GetParam().column], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ACutColumnWithARefusedWidth,
    ::testing::Values(CutColumn{2, {584, 580}, visible(3, {602, 10, 388, 780})},
                      CutColumn{2, {584, 700}, parked(3, {990, 10, 700, 780})},
                      CutColumn{2, {584, 389}, visible(3, {602, 10, 388, 780})},
                      CutColumn{0, {584, 581}, visible(1, {10, 10, 381, 780})},
                      CutColumn{0, {584, 700}, parked(1, {-690, 10, 700, 780})}));

// A column cut by an edge with too little of it inside for a slice (under 320 points) stands
// partly off the area, more than half of it inside; where windows cannot stand so, it is parked
// on the side it is cut at. One with room for a slice is sliced either way.
struct NarrowCut {
    const char* name;
    std::vector<double> fractions;
    int focused;
    double offset;
    std::size_t column;
    Placement overhanging;
    Placement kept;  // with cut columns parked
};

void PrintTo(const NarrowCut& row, std::ostream* out) {
    *out << row.name;
}

class ANarrowCutColumn : public ::testing::TestWithParam<NarrowCut> {};

TEST_P(ANarrowCutColumn, OverhangsOrIsParked) {
    const NarrowCut& row = GetParam();
    std::vector<Column> columns;
    for (std::size_t i = 0; i < row.fractions.size(); ++i)
        columns.push_back(column({WindowID(i + 1)}, std::nullopt, row.fractions[i]));
    const Strip s = strip(columns, row.focused);
    EXPECT_EQ(
        LE::layout(s, single, {}, row.offset, row.offset, 10, 10, peek).placements[row.column],
        row.overhanging);
    EXPECT_EQ(LE::layout(s, single, {}, row.offset, row.offset, 10, 10, peek, LE::CutColumns::park)
                  .placements[row.column],
              row.kept);
}

INSTANTIATE_TEST_SUITE_P(Edges, ANarrowCutColumn,
                         ::testing::Values(NarrowCut{"Right287Inside",
                                                     {0.3, 0.4, 0.5},
                                                     1,
                                                     0,
                                                     2,
                                                     visible(3, {703, 10, 485, 780}),
                                                     parked(3, {990, 10, 485, 780})},
                                           NarrowCut{"Left287Inside",
                                                     {0.5, 0.4, 0.3},
                                                     2,
                                                     198,
                                                     0,
                                                     visible(1, {-188, 10, 485, 780}),
                                                     parked(1, {-475, 10, 485, 780})},
                                           NarrowCut{"Right386InsideIsSliced",
                                                     {0.2, 0.4, 0.5},
                                                     1,
                                                     0,
                                                     2,
                                                     visible(3, {604, 10, 386, 780}),
                                                     visible(3, {604, 10, 386, 780})}),
                         [](const auto& cut) { return std::string(cut.param.name); });

TEST(LayoutPass, TinyAreasAndHugeGapsStillGiveFramesOfAtLeastOnePoint) {
    const DisplayGeometry tiny{{0, 0, 5, 5}, {0, 0, 5, 5}, {}};
    Column full = column({4});
    full.isFullWidth = true;
    const Strip s = strip({left({1}), column({2, 3}), full, right({5})}, 1);
    for (double gap : {0.0, 10.0, 400.0}) {
        const StripLayout result = LE::layout(s, tiny, {}, 0.0, 0, gap, gap, peek);
        ASSERT_EQ(result.placements.size(), 5u);
        for (const Placement& p : result.placements) {
            EXPECT_GE(p.frame.width, 1) << p.windowID << " gap " << gap;
            EXPECT_GE(p.frame.height, 1) << p.windowID << " gap " << gap;
        }
    }
}

}  // namespace
}  // namespace brindlow
