#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/focus/CrossedMinimise.h"

namespace brindlow {
namespace {

using Clock = CrossedMinimise::Clock;
using std::chrono::milliseconds;

// What Brindlow hears and does, in order, each at a time in milliseconds.
enum class Step {
    askedForA,       // an activation of 0xa asked: goes out unless it would undo a minimise
    askedForB,       // the same for 0xb
    minimiseOfA,     // someone else's minimise of 0xa reaches the window manager
    ourMinimiseOfA,  // Brindlow's own minimise of 0xa goes out (heard back as minimiseOfA)
    echoOfA,         // an activation of 0xa, looking like ours, reaches the window manager
    echoOfB,         // the same for 0xb
};

struct At {
    Step step;
    int ms;
};

struct CrossingCase {
    std::string name;
    std::vector<At> steps;
    std::vector<std::string> done;  // "sent 0xa", "not sent 0xa", "minimised 0xa again"
};

class ActivationAndMinimise : public ::testing::TestWithParam<CrossingCase> {};

TEST_P(ActivationAndMinimise, NeverUndoesTheUsersMinimise) {
    CrossedMinimise crossed;
    const Clock::time_point start{};
    std::vector<std::string> done;
    const auto ask = [&](std::uint32_t window, const std::string& name, int ms) {
        const Clock::time_point asked = start + milliseconds(ms);
        if (crossed.undoes(window, asked)) {
            done.push_back("not sent " + name);
            return;
        }
        crossed.sent(window, asked);
        done.push_back("sent " + name);
    };
    const auto echo = [&](std::uint32_t window, const std::string& name) {
        if (crossed.heard(window)) done.push_back("minimised " + name + " again");
    };
    for (const At& at : GetParam().steps) {
        switch (at.step) {
            case Step::askedForA:
                ask(0xa, "0xa", at.ms);
                break;
            case Step::askedForB:
                ask(0xb, "0xb", at.ms);
                break;
            case Step::minimiseOfA:
                crossed.minimiseHeard(0xa, start + milliseconds(at.ms));
                break;
            case Step::ourMinimiseOfA:
                crossed.minimiseSent(0xa);
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
        CrossingCase{"NoMinimise", {{askedForA, 0}, {echoOfA, 2}}, {"sent 0xa"}},
        // The user's minimise reaches the window manager between ours going out and coming
        // back: the window manager shows the window again for ours.
        CrossingCase{"AMinimiseHeardWhileOursIsOnItsWay",
                     {{askedForA, 0}, {minimiseOfA, 3}, {echoOfA, 4}},
                     {"sent 0xa", "minimised 0xa again"}},
        CrossingCase{"AMinimiseAfterOursStands",
                     {{askedForA, 0}, {echoOfA, 2}, {minimiseOfA, 3}},
                     {"sent 0xa"}},
        // Heard a moment before ours was asked: the strip had not heard of it yet.
        CrossingCase{"AMinimiseHeardJustBeforeOursIsAsked",
                     {{minimiseOfA, 0}, {askedForA, 3}},
                     {"not sent 0xa"}},
        // A command minimised the window, the next restores it: it knew of its own minimise.
        CrossingCase{"ARestoreRightAfterOurOwnMinimise",
                     {{ourMinimiseOfA, 0}, {minimiseOfA, 1}, {askedForA, 3}, {echoOfA, 5}},
                     {"sent 0xa"}},
        CrossingCase{"TheUsersMinimiseAfterOurOwn",
                     {{ourMinimiseOfA, 0}, {minimiseOfA, 1}, {minimiseOfA, 2}, {askedForA, 3}},
                     {"not sent 0xa"}},
        CrossingCase{"ARestoreAskedLongAfterTheMinimise",
                     {{minimiseOfA, 0}, {askedForA, 300}, {echoOfA, 302}},
                     {"sent 0xa"}},
        // Heard long before ours was asked, and again while ours is on its way.
        CrossingCase{"ASecondMinimiseWhileOursIsOnItsWay",
                     {{minimiseOfA, 0}, {askedForA, 300}, {minimiseOfA, 301}, {echoOfA, 302}},
                     {"sent 0xa", "minimised 0xa again"}},
        // A taskbar's activation of the minimised window, while ours was for another.
        CrossingCase{"SomeoneElsesActivation",
                     {{askedForB, 0}, {minimiseOfA, 1}, {echoOfA, 2}, {echoOfB, 3}},
                     {"sent 0xb"}},
        CrossingCase{"EachEchoAnswersOneOfOurs",
                     {{askedForA, 0}, {echoOfA, 2}, {minimiseOfA, 3}, {echoOfA, 4}},
                     {"sent 0xa"}},
        CrossingCase{"OursForAnotherWindowComesBackFirst",
                     {{askedForB, 0}, {askedForA, 1}, {minimiseOfA, 2}, {echoOfB, 3}, {echoOfA, 4}},
                     {"sent 0xb", "sent 0xa", "minimised 0xa again"}}),
    [](const testing::TestParamInfo<CrossingCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
