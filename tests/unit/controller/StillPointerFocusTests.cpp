// A focus the window manager gives a window our moves slid under a pointer that stood still,
// told from the user's own focus changes.
#include "controller/StillPointerFocus.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brindlow {
namespace {

// Moves at the listed times, each reading the pointer where the row says, then a focus event at
// `focusTime` for the window at {0, 0, 900, 1000} with the pointer at `pointerNow`.
struct StillPointerCase {
    const char* name;
    std::vector<std::pair<double, std::optional<PointerState>>> moves;
    double focusTime;
    std::optional<PointerState> pointerNow;
    bool ours;
};

void PrintTo(const StillPointerCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerFocusTest : public ::testing::TestWithParam<StillPointerCase> {};

TEST_P(StillPointerFocusTest, TellsTheFocusOurMovesCaused) {
    const StillPointerCase& row = GetParam();
    StillPointerFocus decision;
    for (const auto& [time, pointer] : row.moves)
        decision.moved(time, [&pointer] { return pointer; });
    EXPECT_EQ(decision.slidUnder(row.focusTime, row.pointerNow, {0, 0, 900, 1000}), row.ours);
}

const std::optional<PointerState> kStill = PointerState{{400, 500}, false};
const std::optional<PointerState> kElsewhere = PointerState{{1200, 500}, false};
const std::optional<PointerState> kHeld = PointerState{{400, 500}, true};

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerFocusTest,
    ::testing::Values(
        StillPointerCase{"DuringTheScroll",
                         {{10.0, kStill}, {10.016, kStill}, {10.033, kStill}},
                         10.02,
                         kStill,
                         true},
        StillPointerCase{
            "ShortlyAfterTheLanding", {{10.0, kStill}, {10.25, kStill}}, 10.9, kStill, true},
        StillPointerCase{
            "LongAfterTheLanding", {{10.0, kStill}, {10.25, kStill}}, 11.1, kStill, false},
        StillPointerCase{"WithoutAnyMoveOfOurs", {}, 10.0, kStill, false},
        StillPointerCase{"ThePointerMovedSinceTheLastMove",
                         {{10.0, kStill}},
                         10.1,
                         PointerState{{401, 500}},
                         false},
        StillPointerCase{"AClick", {{10.0, kStill}}, 10.1, kHeld, false},
        StillPointerCase{
            "AButtonHeldAtTheLastMove", {{10.0, kStill}, {10.05, kHeld}}, 10.1, kStill, false},
        StillPointerCase{
            "ThePointerIsNotOverTheWindow", {{10.0, kElsewhere}}, 10.1, kElsewhere, false},
        StillPointerCase{"ThePointerCannotBeTold", {{10.0, std::nullopt}}, 10.1, kStill, false},
        // The user moved the pointer into the window while our windows moved: the focus the
        // window manager gives it at once is the user's.
        StillPointerCase{
            "ThePointerJustArrived", {{10.0, kElsewhere}, {10.016, kStill}}, 10.05, kStill, false},
        // It came to rest there before our windows slid under it.
        StillPointerCase{"ThePointerRestedThereDuringTheRun",
                         {{10.0, kElsewhere}, {10.016, kStill}, {10.2, kStill}},
                         10.2,
                         kStill,
                         true},
        // A button let go during the run: from then on the pointer rests.
        StillPointerCase{"AButtonLetGoDuringTheRun",
                         {{10.0, kHeld}, {10.1, kStill}, {10.3, kStill}},
                         10.3,
                         kStill,
                         true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
