#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/x11/focus/CrossedMinimise.h"

namespace brindlow {
namespace {

// What Brindlow hears and does, in order, each at a time in milliseconds (the pace only tells
// the story: nothing is decided by it).
enum class Step {
    askedForA,        // an activation of 0xa asked by one that had heard `heard` minimises of it
    askedForB,        // the same for 0xb
    minimiseOfA,      // someone else's minimise of 0xa reaches the window manager
    ourMinimiseOfA,   // Brindlow's own minimise of 0xa goes out (heard back as minimiseOfA)
    minimiseToldOfA,  // the window manager shows 0xa minimised, and it is told
    restoreOfA,       // 0xa reads shown again
    leftShownA,       // the window manager handled every request before, and 0xa reads shown
    echoOfA,          // an activation of 0xa, looking like ours, reaches the window manager
    echoOfB,          // the same for 0xb
};

struct At {
    Step step;
    int ms;
    std::optional<std::uint64_t> heard = std::nullopt;
};

struct CrossingCase {
    std::string name;
    std::vector<At> steps;
    std::vector<std::string> done;  // "sent 0xa", "not sent 0xa", "minimised 0xa again"
};

class ActivationAndMinimise : public ::testing::TestWithParam<CrossingCase> {};

TEST_P(ActivationAndMinimise, NeverUndoesAMinimiseItsAskerHadNotHeardOf) {
    CrossedMinimise crossed;
    std::set<std::uint32_t> minimised;
    std::vector<std::string> done;
    const auto ask = [&](std::uint32_t window, const std::string& name,
                         std::optional<std::uint64_t> heard) {
        const auto judged = crossed.judge(window, heard, minimised.contains(window));
        if (!judged) {
            done.push_back("not sent " + name);
            return;
        }
        crossed.sent(*judged);
        done.push_back("sent " + name);
    };
    const auto echo = [&](std::uint32_t window, const std::string& name) {
        if (crossed.heard(window)) done.push_back("minimised " + name + " again");
    };
    for (const At& at : GetParam().steps) {
        switch (at.step) {
            case Step::askedForA:
                ask(0xa, "0xa", at.heard);
                break;
            case Step::askedForB:
                ask(0xb, "0xb", at.heard);
                break;
            case Step::minimiseOfA:
                crossed.minimiseAsked(0xa, !minimised.contains(0xa));
                break;
            case Step::ourMinimiseOfA:
                crossed.minimiseSent(0xa);
                break;
            case Step::minimiseToldOfA:
                minimised.insert(0xa);
                crossed.minimiseTold(0xa);
                break;
            case Step::restoreOfA:
                minimised.erase(0xa);
                break;
            case Step::leftShownA:
                crossed.leftShown(0xa);
                break;
            case Step::echoOfA:
                echo(0xa, "0xa");
                break;
            case Step::echoOfB:
                echo(0xb, "0xb");
                break;
        }
    }
    EXPECT_EQ(done, GetParam().done);
}

using enum Step;

INSTANTIATE_TEST_SUITE_P(
    Sequences, ActivationAndMinimise,
    ::testing::Values(
        CrossingCase{"NoMinimise", {{askedForA, 0, 0}, {echoOfA, 2}}, {"sent 0xa"}},
        // The user's minimise reaches the window manager between ours going out and coming
        // back: the window manager shows the window again for ours.
        CrossingCase{"AMinimiseHeardWhileOursIsOnItsWay",
                     {{askedForA, 0, 0}, {minimiseOfA, 3}, {echoOfA, 4}},
                     {"sent 0xa", "minimised 0xa again"}},
        CrossingCase{"AMinimiseAfterOursStands",
                     {{askedForA, 0, 0}, {echoOfA, 2}, {minimiseOfA, 3}},
                     {"sent 0xa"}},
        // Heard before ours, not carried out yet: nobody can have heard of it.
        CrossingCase{
            "AMinimiseNotCarriedOutYet", {{minimiseOfA, 0}, {askedForA, 3, 0}}, {"not sent 0xa"}},
        CrossingCase{"AMinimiseNotCarriedOutYetAndARestore",
                     {{minimiseOfA, 0}, {askedForA, 3}},
                     {"not sent 0xa"}},
        // A raise the strip asked before it heard of the minimise goes out late (a busy queue):
        // however late, it does not show the window again.
        CrossingCase{"ARaiseAskedBeforeTheStripHeardOfTheMinimise",
                     {{minimiseOfA, 0}, {minimiseToldOfA, 20}, {askedForA, 600, 0}},
                     {"not sent 0xa"}},
        // One asked knowing of it means to show the window, however soon.
        CrossingCase{"ARaiseAskedKnowingOfTheMinimise",
                     {{minimiseOfA, 0}, {minimiseToldOfA, 20}, {askedForA, 30, 1}, {echoOfA, 32}},
                     {"sent 0xa"}},
        CrossingCase{"ARestoreAskedKnowingOfEveryMinimiseTold",
                     {{minimiseOfA, 0}, {minimiseToldOfA, 20}, {askedForA, 30}},
                     {"sent 0xa"}},
        // Minimised and shown again before the raise: the raise shows nothing minimised.
        CrossingCase{
            "ARaiseOfAWindowRestoredSince",
            {{minimiseOfA, 0}, {minimiseToldOfA, 20}, {restoreOfA, 40}, {askedForA, 50, 0}},
            {"sent 0xa"}},
        // The window manager refused the minimise (or it was undone before it was told).
        CrossingCase{"AMinimiseTheWindowManagerLeftUndone",
                     {{minimiseOfA, 0}, {leftShownA, 10}, {askedForA, 12, 0}},
                     {"sent 0xa"}},
        // A command minimised the window, the next restores it: it knew of its own minimise.
        CrossingCase{"ARestoreRightAfterOurOwnMinimise",
                     {{ourMinimiseOfA, 0},
                      {minimiseOfA, 1},
                      {minimiseToldOfA, 2},
                      {askedForA, 3, 1},
                      {echoOfA, 5}},
                     {"sent 0xa"}},
        CrossingCase{"TheUsersMinimiseAfterOurOwn",
                     {{ourMinimiseOfA, 0}, {minimiseOfA, 1}, {minimiseOfA, 2}, {askedForA, 3, 0}},
                     {"not sent 0xa"}},
        // A minimise asked again of a window minimised already changes nothing.
        CrossingCase{"AMinimiseOfAMinimisedWindow",
                     {{minimiseOfA, 0},
                      {minimiseToldOfA, 2},
                      {minimiseOfA, 10},
                      {askedForA, 12, 1},
                      {echoOfA, 14}},
                     {"sent 0xa"}},
        // Shown again and minimised once more while ours is on its way.
        CrossingCase{"ASecondMinimiseWhileOursIsOnItsWay",
                     {{minimiseOfA, 0},
                      {minimiseToldOfA, 2},
                      {restoreOfA, 100},
                      {askedForA, 300, 1},
                      {minimiseOfA, 301},
                      {echoOfA, 302}},
                     {"sent 0xa", "minimised 0xa again"}},
        // The window manager minimised the window of its own accord before it got ours.
        CrossingCase{"TheWindowManagersOwnMinimiseWhileOursIsOnItsWay",
                     {{askedForA, 0, 0}, {minimiseToldOfA, 1}, {echoOfA, 2}},
                     {"sent 0xa", "minimised 0xa again"}},
        // A taskbar's activation of the minimised window, while ours was for another.
        CrossingCase{"SomeoneElsesActivation",
                     {{askedForB, 0, 0}, {minimiseOfA, 1}, {echoOfA, 2}, {echoOfB, 3}},
                     {"sent 0xb"}},
        CrossingCase{"EachEchoAnswersOneOfOurs",
                     {{askedForA, 0, 0}, {echoOfA, 2}, {minimiseOfA, 3}, {echoOfA, 4}},
                     {"sent 0xa"}},
        CrossingCase{
            "OursForAnotherWindowComesBackFirst",
            {{askedForB, 0, 0}, {askedForA, 1, 0}, {minimiseOfA, 2}, {echoOfB, 3}, {echoOfA, 4}},
            {"sent 0xb", "sent 0xa", "minimised 0xa again"}}),
    [](const testing::TestParamInfo<CrossingCase>& row) { return row.param.name; });

TEST(CrossedMinimise, AWindowGoneTakesItsMinimisesAlong) {
    CrossedMinimise crossed;
    crossed.minimiseAsked(0xa, true);
    crossed.minimiseTold(0xa);
    crossed.forget(0xa);
    // Its identity back for a new window, minimised before anyone heard of it: a raise that
    // heard of none is judged on the new window's minimises alone.
    EXPECT_TRUE(crossed.judge(0xa, 0, true));
    EXPECT_FALSE(crossed.untold(0xa));
}

}  // namespace
}  // namespace brindlow
