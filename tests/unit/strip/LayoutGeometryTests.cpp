// Column widths, the viewport between pinned blocks, the vertical band, spans, edge slices, snap
// offsets and the height a stack needs.

#include <gtest/gtest.h>

#include "StripBuilders.h"
#include "strip/CenterMode.h"
#include "strip/LayoutEngine.h"

namespace brindlow {
namespace {

using test::column;
using test::left;
using test::right;
namespace LE = LayoutEngine;

Column withFraction(double fraction, std::optional<Pin> pin = std::nullopt, WindowID id = 1) {
    return column({id}, pin, fraction);
}

Column fullWidth(WindowID id = 1) {
    Column c = column({id});
    c.isFullWidth = true;
    return c;
}

TEST(ColumnWidth, FractionsFillTheRoomBetweenTheOuterGaps) {
    EXPECT_EQ(LE::columnWidth(withFraction(0.5), 1000, 10, 10), 485);
    EXPECT_EQ(LE::columnWidth(withFraction(0.25), 1000, 10, 10), 238);  // 237.5 rounds away
    EXPECT_EQ(LE::columnWidth(withFraction(0.0001), 1000, 10, 10), 1);
    EXPECT_EQ(LE::columnWidth(withFraction(std::nan("")), 1000, 10, 10), 1);
}

TEST(ColumnWidth, FullWidthIgnoresGapsAndRefusals) {
    Column c = fullWidth();
    c.refusedWidth = RefusedWidth{1000, 700};
    EXPECT_EQ(LE::columnWidth(c, 999.6, 10, 10), 1000);
}

TEST(ColumnWidth, ARefusedWidthHoldsWhileTheRequestIsUnchanged) {
    Column c = withFraction(0.5);
    c.refusedWidth = RefusedWidth{485, 600};
    EXPECT_EQ(LE::columnWidth(c, 1000, 10, 10), 600);
    c.refusedWidth = RefusedWidth{485.9, 600};
    EXPECT_EQ(LE::columnWidth(c, 1000, 10, 10), 600);
    c.refusedWidth = RefusedWidth{486, 600};
    EXPECT_EQ(LE::columnWidth(c, 1000, 10, 10), 485);
    c.widthFraction = 0.6;
    c.refusedWidth = RefusedWidth{485, 600};
    EXPECT_EQ(LE::columnWidth(c, 1000, 10, 10), 584);
    c.widthFraction = 0.5;
    c.refusedWidth = RefusedWidth{485, 0};
    EXPECT_EQ(LE::columnWidth(c, 1000, 10, 10), 1);
}

TEST(Viewport, LiesBetweenThePinnedBlocks) {
    const Rect area{0, 25, 1000, 775};
    EXPECT_EQ(LE::viewport({}, area, 10, 10), area);
    const std::vector<Column> columns = {withFraction(0.25, Pin::left), withFraction(0.5),
                                         withFraction(0.25, Pin::right),
                                         withFraction(0.25, Pin::right)};
    EXPECT_EQ(LE::viewport(columns, area, 10, 10), Rect(248, 25, 256, 775));

    const std::vector<Column> tooWide = {withFraction(1, Pin::left), withFraction(1, Pin::right)};
    EXPECT_EQ(LE::viewport(tooWide, area, 10, 10).width, 1);

    const DisplayGeometry geometry{area, {0, 0, 1000, 800}, {}};
    EXPECT_EQ(LE::viewport(columns, geometry, 10, 10), Rect(248, 25, 256, 775));
}

TEST(VerticalBand, TheRoomBelowReachesTheBottomOfTheScreen) {
    const DisplayGeometry dock{{0, 25, 1000, 675}, {0, 0, 1000, 800}, {}};
    EXPECT_EQ(LE::verticalBand(dock, 10), (LE::VerticalBand{655, 110}));

    DisplayGeometry besides = dock;
    besides.otherScreens = {{1000, 0, 800, 600}, {-1000, 800, 1000, 800}};
    EXPECT_EQ(LE::verticalBand(besides, 10).below, 110);

    DisplayGeometry below = dock;
    below.otherScreens = {{500, 799, 1000, 800}};
    EXPECT_EQ(LE::verticalBand(below, 10), (LE::VerticalBand{655, 10}));

    const DisplayGeometry tiny{{0, 0, 1000, 10}, {0, 0, 1000, 10}, {}};
    EXPECT_EQ(LE::verticalBand(tiny, 10).height, 1);
}

TEST(ColumnSpans, UnpinnedColumnsAlongTheStrip) {
    const std::vector<Column> columns = {withFraction(0.25, Pin::left), withFraction(0.5),
                                         fullWidth(), withFraction(0.5)};
    EXPECT_EQ(LE::columnSpans(columns, 1000, 10, 10),
              (std::vector<LE::ColumnSpan>{{10, 485}, {505, 1000}, {1515, 485}}));
    EXPECT_TRUE(LE::columnSpans({}, 1000, 10, 10).empty());
}

TEST(SnapOffsets, AlignEachColumnThenTheLargestOffset) {
    const std::vector<Column> mixed = {withFraction(0.5), fullWidth(), withFraction(0.5)};
    EXPECT_EQ(LE::snapOffsets(mixed, 1000, 10, 10), (std::vector<double>{0, 505, 1010, 1010}));

    const std::vector<Column> halves = {withFraction(0.5), withFraction(0.5), withFraction(0.5)};
    EXPECT_EQ(LE::snapOffsets(halves, 1000, 10, 10), (std::vector<double>{0, 495, 495, 495}));

    const std::vector<Column> narrow = {withFraction(0.3), withFraction(0.3)};
    EXPECT_EQ(LE::snapOffsets(narrow, 1000, 10, 10), (std::vector<double>{0, 0, 0}));

    EXPECT_EQ(LE::snapOffsets(std::vector<Column>{withFraction(0.5, Pin::left)}, 1000, 10, 10),
              std::vector<double>{0});
}

TEST(EdgeSlices, NeverTheFocusedColumnNarrowSlicesOrRefusingWindows) {
    std::vector<Column> halves = {withFraction(0.5), withFraction(0.5), withFraction(0.5)};
    EXPECT_TRUE(LE::edgeSlices(halves, 0, 100, 1000, 10, 10).slices.empty());
    EXPECT_TRUE(LE::edgeSlices(halves, 2, 180, 1000, 10, 10).slices.empty());   // 305 wide
    EXPECT_EQ(LE::edgeSlices(halves, 2, 165, 1000, 10, 10).slices.size(), 1u);  // 320 wide
    EXPECT_TRUE(LE::edgeSlices(halves, 2, 0, 1000, 10, 10).slices.empty());
    halves[0].refusedWidth = RefusedWidth{1, 388};
    EXPECT_TRUE(LE::edgeSlices(halves, 2, 100, 1000, 10, 10).slices.empty());
    // Not sliced, it is parked on the side it is cut at.
    EXPECT_EQ(LE::edgeSlices(halves, 2, 100, 1000, 10, 10).parked,
              (std::map<int, bool>{{0, false}}));
    halves[0].refusedWidth = RefusedWidth{1, 387};
    EXPECT_EQ(LE::edgeSlices(halves, 2, 100, 1000, 10, 10).slices.size(), 1u);
}

TEST(EdgeSlices, PinnedColumnsShiftTheIndicesButNotTheSpans) {
    const std::vector<Column> columns = {withFraction(0.2, Pin::left), withFraction(0.5),
                                         withFraction(0.5), withFraction(0.5)};
    EXPECT_EQ(LE::edgeSlices(columns, 3, 100, 1000, 10, 10).slices,
              (std::map<int, double>{{1, 385}}));
}

TEST(RequiredStackHeight, EveryWindowAtLeastAHundredPointsPlusGaps) {
    EXPECT_EQ(LE::requiredStackHeight(std::vector<double>{0, 250.4}, 12), 362);
    EXPECT_EQ(LE::requiredStackHeight(std::vector<double>{}, 12), 0);
    EXPECT_EQ(LE::requiredStackHeight(std::vector<double>{500.5}, 12), 501);
}

}  // namespace
}  // namespace brindlow
