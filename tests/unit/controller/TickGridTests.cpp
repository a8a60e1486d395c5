#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controller/TickGrid.h"

namespace brindlow {
namespace {

// The controller's two timers, display re-read every 2 s and catch-up every 3 s, started at 0.
struct GridCase {
    std::string name;
    std::vector<double> wakeUps;                     // when the thread wakes, in order
    std::vector<std::vector<std::size_t>> expected;  // the periods due at each wake-up
    std::vector<double> nextDue;                     // the next due time after each wake-up
};

class TickGridTable : public testing::TestWithParam<GridCase> {};

TEST_P(TickGridTable, TicksComeDueOnTheGridFromTheStart) {
    const GridCase& c = GetParam();
    TickGrid grid(0.0, {2.0, 3.0});
    EXPECT_EQ(grid.nextDue(), 2.0);
    for (std::size_t i = 0; i < c.wakeUps.size(); ++i) {
        EXPECT_EQ(grid.takeDue(c.wakeUps[i]), c.expected[i]) << "wake-up at " << c.wakeUps[i];
        EXPECT_DOUBLE_EQ(grid.nextDue(), c.nextDue[i]) << "wake-up at " << c.wakeUps[i];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickGridTable,
    testing::Values(
        // Woken at each due time: the two meet at 6 s and at 12 s, one wake-up each.
        GridCase{"OnTime",
                 {2, 3, 4, 6, 8, 9, 10, 12},
                 {{0}, {1}, {0}, {0, 1}, {0}, {1}, {0}, {0, 1}},
                 {3, 4, 6, 8, 9, 10, 12, 14}},
        // Woken 40 ms late every time: the next ticks stay on the grid, so they still meet.
        GridCase{"LateByFortyMilliseconds",
                 {2.04, 3.04, 4.04, 6.04},
                 {{0}, {1}, {0}, {0, 1}},
                 {3, 4, 6, 8}},
        // A timer that fires a millisecond early counts as on time, and so does a coarse
        // timer 100 ms early.
        GridCase{"EarlyByAMillisecond", {1.999, 2.999}, {{0}, {1}}, {3, 4}},
        GridCase{"EarlyByAHundredMilliseconds", {1.9, 2.9, 3.9}, {{0}, {1}, {0}}, {3, 4, 6}},
        // A wake-up that comes too early finds nothing due and changes nothing.
        GridCase{"TooEarly", {1.5}, {{}}, {2}},
        // A wake-up 7.5 s late runs each timer once and goes on from the grid after it.
        GridCase{"SevenAndAHalfSecondsLate", {9.5}, {{0, 1}}, {10}},
        // Another timer's time between the grid points.
        GridCase{"BetweenGridPoints", {2, 3, 3.5}, {{0}, {1}, {}}, {3, 4, 4}}),
    [](const testing::TestParamInfo<GridCase>& row) { return row.param.name; });

TEST(TickGrid, AfterALateWakeUpTheNextTicksAreTheFirstOnesAfterIt) {
    TickGrid grid(100.0, {2.0, 3.0});
    EXPECT_EQ(grid.takeDue(109.5), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(grid.takeDue(110.0), (std::vector<std::size_t>{0}));
    EXPECT_EQ(grid.takeDue(112.0), (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace brindlow
