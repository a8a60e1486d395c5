// A focus the window manager gives a window our moves slid under a pointer that stood still,
// told from the user's own focus changes.
#include "controller/StillPointerFocus.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace brindlow {
namespace {

// Moves at the listed times, then a focus event at `focusTime` for the window at
// {0, 0, 900, 1000} with the pointer at `pointerNow` and the user's hand last heard at
// `lastActive` (none: not since listening began).
struct StillPointerCase {
    const char* name;
    std::vector<double> moves;
    std::optional<double> lastActive;
    double focusTime;
    std::optional<PointerState> pointerNow;
    bool ours;
    bool heard = true;
};

void PrintTo(const StillPointerCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerFocusTest : public ::testing::TestWithParam<StillPointerCase> {};

TEST_P(StillPointerFocusTest, TellsTheFocusOurMovesCaused) {
    const StillPointerCase& row = GetParam();
    StillPointerFocus decision;
    for (const double time : row.moves)
        EXPECT_DOUBLE_EQ(decision.moved(time), time + 0.75) << "listen until";
    const StillPointerFocus::Hand hand{row.heard, row.lastActive};
    EXPECT_EQ(decision.slidUnder(row.focusTime, row.pointerNow, hand, {0, 0, 900, 1000}), row.ours);
}

const std::optional<PointerState> kStill = PointerState{{400, 500}, false};
const std::optional<PointerState> kElsewhere = PointerState{{1200, 500}, false};
const std::optional<PointerState> kHeld = PointerState{{400, 500}, true};

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerFocusTest,
    ::testing::Values(
        StillPointerCase{"DuringTheScroll", {10.0, 10.016, 10.033}, {}, 10.02, kStill, true},
        StillPointerCase{"ShortlyAfterTheLanding", {10.0, 10.25}, {}, 10.9, kStill, true},
        StillPointerCase{"LongAfterTheLanding", {10.0, 10.25}, {}, 11.1, kStill, false},
        StillPointerCase{"WithoutAnyMoveOfOurs", {}, {}, 10.0, kStill, false},
        // Moved a pixel 50 ms before the focus: the user's hand.
        StillPointerCase{"ThePointerMovedSinceTheLastMove",
                         {10.0},
                         10.05,
                         10.1,
                         PointerState{{401, 500}},
                         false},
        StillPointerCase{"AClick", {10.0}, 10.05, 10.1, kHeld, false},
        // A button let go 30 ms before the focus: that click chose the window.
        StillPointerCase{"AButtonJustLetGo", {10.0, 10.05}, 10.07, 10.1, kStill, false},
        StillPointerCase{"ThePointerIsNotOverTheWindow", {10.0}, {}, 10.1, kElsewhere, false},
        StillPointerCase{"ThePointerCannotBeTold", {10.0}, {}, 10.1, std::nullopt, false},
        StillPointerCase{"TheHandCannotBeHeard", {10.0}, {}, 10.1, kStill, false, false},
        // The user moved the pointer into the window while our windows moved: the focus the
        // window manager gives it at once is the user's.
        StillPointerCase{"ThePointerJustArrived", {10.0, 10.016}, 10.016, 10.05, kStill, false},
        // It came to rest there before our windows slid under it.
        StillPointerCase{
            "ThePointerRestedThereDuringTheRun", {10.0, 10.016, 10.2}, 10.016, 10.2, kStill, true},
        // A button let go during the run: from then on the pointer rests.
        StillPointerCase{"AButtonLetGoDuringTheRun", {10.0, 10.1, 10.3}, 10.05, 10.3, kStill, true},
        // Whatever the hand did before the run started counts as resting.
        StillPointerCase{"MovedJustBeforeTheRun", {10.0, 10.016}, 9.98, 10.02, kStill, true},
        // A new run starts after a pause longer than the echo wait: a motion in the pause is
        // before it.
        StillPointerCase{"MovedBetweenTwoRuns", {10.0, 11.0, 11.016}, 10.9, 11.02, kStill, true},
        StillPointerCase{
            "MovedEarlyInTheSecondRun", {10.0, 11.0, 11.016}, 11.01, 11.05, kStill, false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
