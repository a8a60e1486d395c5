#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/x11/focus/RaiseSteps.h"

namespace brindlow {
namespace {

// One activation asked: of which window, for which raise (none: a restore, a panel's choice).
struct Ask {
    std::uint32_t window;
    std::optional<std::uint64_t> raise;
};

struct StepsCase {
    std::string name;
    std::vector<Ask> asks;
    // For each ask: "first" (goes out as asked), "step" (a further step of the raise before) or
    // "other" (a first step of that raise, for another window than the one before).
    std::vector<std::string> seen;
};

class ActivationsAsked : public ::testing::TestWithParam<StepsCase> {};

TEST_P(ActivationsAsked, AreTheirRaisesStepsOnlyWhenTheRaiseIsTheSame) {
    RaiseSteps steps;
    std::vector<std::string> seen;
    for (const Ask& ask : GetParam().asks) {
        const bool further = steps.furtherStep(ask.window, ask.raise);
        seen.push_back(further                                         ? "step"
                       : steps.forAnotherWindow(ask.window, ask.raise) ? "other"
                                                                       : "first");
        // A further step sends nothing while the window manager still names the window active.
        if (!further) steps.sent(ask.window, ask.raise);
    }
    EXPECT_EQ(seen, GetParam().seen);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ActivationsAsked,
    ::testing::Values(
        // Main window, raise, application frontmost.
        StepsCase{
            "TheThreeStepsOfOneRaise", {{0xa, 7}, {0xa, 7}, {0xa, 7}}, {"first", "step", "step"}},
        // The user's second jump to the same window, right after the first.
        StepsCase{"ANewRaiseOfTheSameWindow",
                  {{0xa, 7}, {0xa, 7}, {0xa, 8}, {0xa, 8}},
                  {"first", "step", "first", "step"}},
        StepsCase{"ARaiseOfAnotherWindowBetween",
                  {{0xa, 7}, {0xb, 8}, {0xa, 9}},
                  {"first", "first", "first"}},
        // The application frontmost names another of its windows.
        StepsCase{"TheApplicationsOtherWindow",
                  {{0xa, 7}, {0xa, 7}, {0xb, 7}},
                  {"first", "step", "other"}},
        // A command restores the window the raise before activated.
        StepsCase{"ARestoreRightAfterARaise",
                  {{0xa, 7}, {0xa, std::nullopt}, {0xa, std::nullopt}},
                  {"first", "first", "first"}},
        StepsCase{"ARaiseRightAfterARestore",
                  {{0xa, std::nullopt}, {0xa, 7}, {0xa, 7}},
                  {"first", "first", "step"}}),
    [](const testing::TestParamInfo<StepsCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
