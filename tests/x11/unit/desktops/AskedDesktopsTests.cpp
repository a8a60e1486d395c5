#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/x11/desktops/AskedDesktops.h"

namespace brindlow {
namespace {

// What is heard of one window, in order, each at a time in milliseconds (the pace only tells the
// story: nothing is decided by it), and where a map back then sends it.
enum class Step {
    asked,  // someone asks to move it to `desktop`, read on `read` as that is heard
    reads,  // it reads on `desktop`
    mapped  // mapped back from parking, read on `read`: where it goes ("stays" when as read)
};

struct At {
    Step step;
    int ms;
    std::optional<std::uint32_t> desktop = std::nullopt;
    std::optional<std::uint32_t> read = std::nullopt;
};

struct DesktopCase {
    std::string name;
    std::vector<At> steps;
    std::vector<std::string> sentTo;
};

void PrintTo(const DesktopCase& row, std::ostream* out) {
    *out << row.name;
}

class AMapBack : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(AMapBack, SendsTheWindowWhereSomeoneAskedUntilItReadsThere) {
    AskedDesktops asked;
    std::vector<std::string> sentTo;
    for (const At& at : GetParam().steps) {
        switch (at.step) {
            case Step::asked:
                asked.asked(0xa, *at.desktop, at.read);
                break;
            case Step::reads:
                asked.reads(0xa, at.desktop);
                break;
            case Step::mapped: {
                const std::optional<std::uint32_t> to = asked.notCarriedOut(0xa);
                sentTo.push_back(to && to != at.read ? std::to_string(*to) : "stays");
                break;
            }
        }
    }
    EXPECT_EQ(sentTo, GetParam().sentTo);
}

using enum Step;

INSTANTIATE_TEST_SUITE_P(
    Sequences, AMapBack,
    ::testing::Values(
        DesktopCase{"NothingAsked", {{mapped, 0, std::nullopt, 0}}, {"stays"}},
        // The window manager has not moved it when the map reads its desktop.
        DesktopCase{
            "AMoveNotCarriedOutYet", {{asked, 0, 1, 0}, {mapped, 5, std::nullopt, 0}}, {"1"}},
        // However late the window manager is.
        DesktopCase{"AMoveCarriedOutLate",
                    {{asked, 0, 1, 0}, {mapped, 1500, std::nullopt, 0}, {reads, 1600, 1}},
                    {"1"}},
        // Carried out, then moved on by the window manager's own key: where it reads is where
        // the user put it last.
        DesktopCase{
            "AMoveCarriedOutThenAnother",
            {{asked, 0, 1, 0}, {reads, 10, 1}, {reads, 300, 2}, {mapped, 400, std::nullopt, 2}},
            {"stays"}},
        DesktopCase{"AMoveHeardOnceCarriedOut",
                    {{asked, 0, 1, 1}, {reads, 200, 0}, {mapped, 300, std::nullopt, 0}},
                    {"stays"}},
        // Read on the desktop it leaves in between (another property of it changed).
        DesktopCase{"ReadOnItsOldDesktopMeanwhile",
                    {{asked, 0, 1, 0}, {reads, 2, 0}, {mapped, 5, std::nullopt, 0}},
                    {"1"}},
        DesktopCase{
            "ASecondMoveBeforeTheFirstWasCarriedOut",
            {{asked, 0, 1, 0}, {asked, 5, 2, 0}, {reads, 8, 1}, {mapped, 10, std::nullopt, 1}},
            {"2"}}),
    [](const testing::TestParamInfo<DesktopCase>& row) { return row.param.name; });

TEST(AskedDesktops, AWindowGoneTakesItsRequestAlong) {
    AskedDesktops asked;
    asked.asked(0xa, 1, 0);
    asked.forget(0xa);
    EXPECT_EQ(asked.notCarriedOut(0xa), std::nullopt);
}

}  // namespace
}  // namespace brindlow
