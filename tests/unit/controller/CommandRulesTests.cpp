#include <gtest/gtest.h>

#include "controller/CommandRules.h"

namespace brindlow {
namespace {

using namespace CommandRules;

const std::vector<double> kDefaults = {0.25, 1.0 / 3.0, 0.5, 2.0 / 3.0, 0.75};

double cycled(double width, bool fullWidth = false, std::vector<double> presets = kDefaults) {
    Column column = Column::single(1, width);
    column.isFullWidth = fullWidth;
    cycleWidth(column, cyclePresets(presets));
    EXPECT_FALSE(column.isFullWidth);
    return column.widthFraction;
}

TEST(CommandRules, CycleWidthWalksThePresetsUpwardAndWraps) {
    EXPECT_DOUBLE_EQ(cycled(0.5), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(cycled(0.75), 0.25);
    EXPECT_DOUBLE_EQ(cycled(0.745), 0.25);  // within 0.01 below a preset counts as it
    EXPECT_DOUBLE_EQ(cycled(0.9, true), 0.25);
    EXPECT_DOUBLE_EQ(cycled(0.4, false, {0, -1, 1.5}), 0.5);
    EXPECT_DOUBLE_EQ(cycled(0.4, false, {}), 0.5);
    EXPECT_DOUBLE_EQ(cycled(0.4, false, {1.0, 0.6, 0.6}), 0.6);
}

TEST(CommandRules, CyclingClearsARefusedWidthSoAnUnchangedWidthStillCounts) {
    Column column = Column::single(1, 0.5);
    column.refusedWidth = RefusedWidth{500, 540};
    const Column before = column;
    cycleWidth(column, {0.5});
    EXPECT_DOUBLE_EQ(column.widthFraction, 0.5);
    EXPECT_NE(column, before);
    Column plain = Column::single(1, 0.5);
    cycleWidth(plain, {0.5});
    EXPECT_EQ(plain, Column::single(1, 0.5));
}

TEST(CommandRules, WiderAndNarrowerStayWithinTheLimits) {
    Column column = Column::single(1, 0.5);
    resizeColumn(column, widthStep(0.1));
    EXPECT_DOUBLE_EQ(column.widthFraction, 0.6);
    // At the narrowest the step still clears a refused width, so the command counts as a change.
    column.widthFraction = 0.1;
    column.refusedWidth = RefusedWidth{192, 400};
    resizeColumn(column, -widthStep(0.1));
    EXPECT_DOUBLE_EQ(column.widthFraction, 0.1);
    EXPECT_FALSE(column.refusedWidth);
    column.isFullWidth = true;
    resizeColumn(column, widthStep(0.1));
    EXPECT_DOUBLE_EQ(column.widthFraction, 1.0);
    EXPECT_FALSE(column.isFullWidth);
    EXPECT_DOUBLE_EQ(widthStep(0), 0.01);
    EXPECT_DOUBLE_EQ(widthStep(-3), 0.01);
}

TEST(CommandRules, AFloatedWindowIsCentredAtMostFourFifthsOfTheArea) {
    const Rect visible(0, 25, 1440, 875);
    const Rect big = floatingFrame(Rect(10, 10, 2000, 1400), visible);
    EXPECT_DOUBLE_EQ(big.width, 1152);
    EXPECT_DOUBLE_EQ(big.height, 700);
    EXPECT_DOUBLE_EQ(big.minX(), 144);
    EXPECT_DOUBLE_EQ(big.minY(), 113);  // 462.5 - 350 = 112.5, halves away from zero
    const Rect small = floatingFrame(Rect(10, 10, 600, 400), visible);
    EXPECT_EQ(small, Rect(420, 263, 600, 400));
}

TEST(CommandRules, CrossingLandsBesideThePinnedBlocks) {
    Strip target;
    target.columns = {Column::single(1, 0.2), Column::single(2, 0.5), Column::single(3, 0.2)};
    target.columns[0].pin = Pin::left;
    target.columns[2].pin = Pin::right;
    EXPECT_EQ(crossingIndex(target, +1), 1);
    EXPECT_EQ(crossingIndex(target, -1), 2);
    EXPECT_EQ(crossingIndex(Strip{}, -1), 0);
}

TEST(CommandRules, NeighbouringDisplaysWrapOnlyWhenAsked) {
    const std::vector<std::string> order = {"A", "B", "C"};
    EXPECT_EQ(neighbourIndex(order, "C", 1, true), 0u);
    EXPECT_EQ(neighbourIndex(order, "C", 1, false), std::nullopt);
    EXPECT_EQ(neighbourIndex(order, "A", -1, false), std::nullopt);
    EXPECT_EQ(neighbourIndex(order, "B", -1, false), 0u);
    EXPECT_EQ(neighbourIndex(order, "X", 1, true), std::nullopt);
}

TEST(CommandRules, RefusalTexts) {
    EXPECT_EQ(heightRefused("Term", true).title, "Term can't get taller here");
    EXPECT_EQ(heightRefused("Term", false).detail,
              "It is already as short as it can be in this stack.");
    EXPECT_EQ(
        tabsNeedAStack().summary(),
        "Tabs need a stack. Stack two or three windows in one column first, then turn on tabs.");
}

}  // namespace
}  // namespace brindlow
