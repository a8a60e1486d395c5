#include <gtest/gtest.h>

#include "PanelFakes.h"
#include "panels/OverviewController.h"

namespace brindlow::test {
namespace {

namespace geometry = OverviewGeometry;

std::vector<ColumnSnapshot> columnsOfWidth(int count, double width) {
    std::vector<ColumnSnapshot> columns;
    for (int i = 0; i < count; ++i)
        columns.push_back(column({window(WindowID(i + 1), "A", "w", {0, 0, width, 1000})}));
    return columns;
}

TEST(OverviewGeometry, ScaleIsTheSmallestOfHalfTheWidthShareAndTheHeightShare) {
    const Size area{1920, 1080};
    DisplaySnapshot d = display("d", "D", columnsOfWidth(2, 800));
    EXPECT_DOUBLE_EQ(geometry::scale(&d, area), 0.5);
    // Six cards of 800: 1920 less the side paddings (48), five gaps (70) and six card paddings
    // (48) is shared by 4800 points of windows.
    d.columns = columnsOfWidth(6, 800);
    EXPECT_DOUBLE_EQ(geometry::scale(&d, area), 1754.0 / 4800);
    // A stack spans from its top window's top to its bottom window's bottom.
    d.columns = {
        column({window(1, "A", "a", {0, 0, 800, 500}), window(2, "B", "b", {0, 512, 800, 1500})})};
    EXPECT_DOUBLE_EQ(geometry::columnHeight(d.columns[0]), 2012);
    EXPECT_DOUBLE_EQ(geometry::scale(&d, area), 648.0 / 2012);
    // An empty column counts as 400 wide and 600 high.
    d.columns = {column({})};
    EXPECT_DOUBLE_EQ(geometry::baseWidth(d.columns[0]), 400);
    EXPECT_DOUBLE_EQ(geometry::scale(&d, {500, 400}), 0.4);
    d.columns.clear();
    // Without columns the width term is the width less the paddings.
    EXPECT_DOUBLE_EQ(geometry::scale(&d, {48.25, 1080}), 0.25);
    EXPECT_DOUBLE_EQ(geometry::scale(nullptr, {1920, 400}), 0.4);
}

// Seven columns of 942 on a 1920-wide display: the gaps and paddings do not shrink with the cards,
// so the row with them fits the width instead of overflowing it by some 60 points.
TEST(OverviewGeometry, SevenWideColumnsFitWithTheirRealGapsAndPaddings) {
    DisplaySnapshot d = display("d", "D", columnsOfWidth(7, 942));
    const double s = geometry::scale(&d, {1920, 1080});
    EXPECT_NEAR(s, 0.26266, 1e-5);
    EXPECT_NEAR(geometry::rowWidth(d.columns, s), 1920, 1e-6);
    EXPECT_NEAR(geometry::cardWidth(d.columns[0], s), 247.43, 0.01);
}

// Cards held at 80 points do not shrink further: the others share what is left.
TEST(OverviewGeometry, CardsAtTheirMinimumLeaveTheRestToTheWideOnes) {
    DisplaySnapshot d = display("d", "D", columnsOfWidth(10, 100));
    d.columns.push_back(column({window(99, "B", "b", {0, 0, 2000, 1000})}));
    const double s = geometry::scale(&d, {1920, 1080});
    // 1920 - 48 - 10 gaps of 14 - 11 paddings of 8 - 10 cards of 80 = 844 for the wide one.
    EXPECT_NEAR(s, 844.0 / 2000, 1e-9);
    EXPECT_NEAR(geometry::rowWidth(d.columns, s), 1920, 1e-6);
    EXPECT_DOUBLE_EQ(geometry::cardWidth(d.columns[0], s), 80);
}

TEST(OverviewGeometry, CardsAndTilesKeepTheirMinimumsAndDragsRoundHalvesAway) {
    const WindowSnapshot w = window(1, "A", "a", {0, 0, 1000, 600});
    EXPECT_DOUBLE_EQ(geometry::cardWidth(column({w}), 0.3), 300);
    EXPECT_DOUBLE_EQ(geometry::cardWidth(column({w}), 0.01), 80);
    EXPECT_DOUBLE_EQ(geometry::tileHeight(w, 0.3), 180);
    EXPECT_DOUBLE_EQ(geometry::tileHeight(w, 0.01), 70);
    // One card step is the card width plus 14.
    EXPECT_EQ(geometry::dragSteps(171, 100), 2);
    EXPECT_EQ(geometry::dragSteps(-171, 100), -2);
    EXPECT_EQ(geometry::dragSteps(0.49 * 114, 100), 0);
    EXPECT_EQ(geometry::dragSteps(-57, 100), -1);
}

class Overview : public ::testing::Test {
  protected:
    Overview() : controller(host, strip.actions()) {}

    StripSnapshot snapshotWith(int columns, std::optional<int> focused) {
        StripSnapshot s;
        s.displays = {display("other", "Other", columnsOfWidth(1, 800)),
                      display("main", "Main", columnsOfWidth(columns, 800), focused)};
        s.displays[1].isActive = true;
        s.displays[1].visible = {1920, 30, 1920, 1050};
        return s;
    }

    FakePanelHost host;
    StripRecorder strip;
    OverviewController controller;
};

TEST_F(Overview, OpensOnTheActiveDisplaysVisibleAreaWithTheFocusedColumnSelected) {
    controller.toggle(StripSnapshot{});
    controller.toggle(snapshotWith(0, std::nullopt));
    EXPECT_TRUE(host.shownFrames.empty());

    controller.toggle(snapshotWith(3, 2));
    ASSERT_TRUE(host.visible);
    EXPECT_EQ(host.shownFrames.back(), Rect(1920, 30, 1920, 1050));
    EXPECT_EQ(controller.model().display->id, "main");
    EXPECT_EQ(controller.model().selection, 2);

    controller.toggle(snapshotWith(3, 2));
    EXPECT_FALSE(host.visible);
    EXPECT_EQ(host.focusGivenBack.back(), true);
    controller.toggle(snapshotWith(3, std::nullopt));
    EXPECT_EQ(controller.model().selection, 0);
}

TEST_F(Overview, ArrowsStayInsideAndReturnJumpsToTheActiveWindow) {
    StripSnapshot s = snapshotWith(2, 0);
    s.displays[1].columns[1] = column({window(7, "A", "a"), window(8, "B", "b")});
    s.displays[1].columns[1].activeIndex = 1;
    controller.toggle(s);
    EXPECT_TRUE(controller.handleKey(PanelKey::left));
    EXPECT_EQ(controller.model().selection, 0);
    EXPECT_TRUE(controller.handleKey(PanelKey::right));
    EXPECT_TRUE(controller.handleKey(PanelKey::right));
    EXPECT_EQ(controller.model().selection, 1);
    EXPECT_FALSE(controller.handleKey(PanelKey::up));
    EXPECT_TRUE(controller.handleKey(PanelKey::returnKey));
    EXPECT_EQ(strip.jumps, std::vector<WindowID>{8});
    EXPECT_FALSE(host.visible);
    // The focus goes straight to the chosen window, not back to the one before.
    EXPECT_EQ(host.focusHandedTo, std::vector<WindowID>{8});
    EXPECT_TRUE(host.focusGivenBack.empty());
}

TEST_F(Overview, RefreshLeavesTheSelectionUnclampedAndLosesAVanishedDisplay) {
    controller.toggle(snapshotWith(4, 3));
    StripSnapshot fewer = snapshotWith(2, 1);
    controller.refresh(fewer.displays);
    EXPECT_EQ(controller.model().display->columns.size(), 2u);
    EXPECT_EQ(controller.model().selection, 3);
    EXPECT_TRUE(controller.handleKey(PanelKey::returnKey));
    EXPECT_TRUE(strip.jumps.empty());
    EXPECT_TRUE(controller.handleKey(PanelKey::right));
    EXPECT_EQ(controller.model().selection, 1);

    controller.refresh({fewer.displays[0]});
    EXPECT_FALSE(controller.model().display);
    controller.handleKey(PanelKey::right);
    EXPECT_EQ(controller.model().selection, 0);
    EXPECT_TRUE(controller.handleKey(PanelKey::returnKey));
    EXPECT_TRUE(host.visible);
    EXPECT_TRUE(controller.handleKey(PanelKey::escape));
    EXPECT_FALSE(host.visible);
    // Hidden: snapshots change nothing.
    controller.refresh(fewer.displays);
    EXPECT_FALSE(controller.model().display);
}

TEST_F(Overview, AClickOnAnEmptyColumnKeepsTheOverviewOpen) {
    StripSnapshot s = snapshotWith(2, 0);
    s.displays[1].columns[0] = column({});
    controller.toggle(s);
    controller.choose(0);
    EXPECT_TRUE(strip.jumps.empty());
    EXPECT_TRUE(host.visible);
    controller.choose(1);
    EXPECT_EQ(strip.jumps, std::vector<WindowID>{2});
}

TEST_F(Overview, ADragAsksForTheReorderEvenOntoItsOwnPlaceAndClampsFarDrags) {
    controller.toggle(snapshotWith(4, 0));
    controller.dragEnded(1, 40, 100);
    controller.dragEnded(1, 171, 100);
    controller.dragEnded(2, -5000, 100);
    controller.dragEnded(0, 5000, 100);
    using Reorder = std::tuple<std::string, int, int>;
    EXPECT_EQ(strip.reorders, (std::vector<Reorder>{
                                  {"main", 1, 1}, {"main", 1, 3}, {"main", 2, 0}, {"main", 0, 3}}));
    EXPECT_EQ(controller.model().selection, 3);
    EXPECT_TRUE(host.visible);
}

}  // namespace
}  // namespace brindlow::test
