#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/focus/FocusHandBack.h"

namespace brindlow {
namespace {

// What the event thread hears, in order. The hand-back is from window 0xa to 0xb.
enum class Heard {
    handBackPlanned,
    laterHandBackPlanned,  // from 0xc to 0xd
    switchTo1,
    switchTo2,
    firstMarker,
    lastMarker,
    handBackItself,  // the activation of 0xb asked for by 0xa, as the window manager gets it
};

struct HandBackCase {
    std::string name;
    std::vector<Heard> heard;
    std::vector<std::string> sent;  // "focus 0xb", "desktop 2"
};

class FocusHandedBack : public ::testing::TestWithParam<HandBackCase> {};

TEST_P(FocusHandedBack, NeverUndoesADesktopSwitch) {
    FocusHandBack handBack;
    std::vector<std::uint32_t> markers;
    std::vector<std::string> sent;
    const auto arrived = [&](std::uint32_t marker) {
        const FocusHandBack::Due due = handBack.markerArrived(marker);
        if (due.handBack) sent.push_back("focus " + std::to_string(due.handBack->to));
        if (due.desktop) sent.push_back("desktop " + std::to_string(*due.desktop));
    };
    for (const Heard heard : GetParam().heard) {
        switch (heard) {
            case Heard::handBackPlanned:
                markers.push_back(handBack.plan(0xa, 0xb));
                break;
            case Heard::laterHandBackPlanned:
                markers.push_back(handBack.plan(0xc, 0xd));
                break;
            case Heard::switchTo1:
                handBack.desktopSwitchRequested(1);
                break;
            case Heard::switchTo2:
                handBack.desktopSwitchRequested(2);
                break;
            case Heard::firstMarker:
                arrived(markers.front());
                break;
            case Heard::lastMarker:
                arrived(markers.back());
                break;
            case Heard::handBackItself:
                if (const auto marker = handBack.activationHeard(0xa, 0xb))
                    markers.push_back(*marker);
                break;
        }
    }
    EXPECT_EQ(sent, GetParam().sent);
}

using enum Heard;

INSTANTIATE_TEST_SUITE_P(
    Sequences, FocusHandedBack,
    ::testing::Values(
        HandBackCase{"NoSwitch", {handBackPlanned, lastMarker, handBackItself}, {"focus 11"}},
        HandBackCase{"ASwitchBeforeTheMarkerDropsIt", {handBackPlanned, switchTo1, lastMarker}, {}},
        HandBackCase{
            "ASwitchBeforeTheHandBackIsAskedAgainAfterIt",
            {handBackPlanned, lastMarker, switchTo1, switchTo2, handBackItself, lastMarker},
            {"focus 11", "desktop 2"}},
        HandBackCase{
            "ANewerSwitchAfterTheHandBackIsNotUndone",
            {handBackPlanned, lastMarker, switchTo1, handBackItself, switchTo2, lastMarker},
            {"focus 11"}},
        HandBackCase{"ASwitchAfterTheHandBackChangesNothing",
                     {handBackPlanned, lastMarker, handBackItself, switchTo1, lastMarker},
                     {"focus 11"}},
        HandBackCase{"ASwitchBeforeTheHandBackWasDue",
                     {switchTo1, handBackPlanned, lastMarker},
                     {"focus 11"}},
        HandBackCase{"TheMarkerTwice", {handBackPlanned, lastMarker, lastMarker}, {"focus 11"}},
        HandBackCase{"ALaterHandBackReplacesTheFirst",
                     {handBackPlanned, laterHandBackPlanned, firstMarker, lastMarker},
                     {"focus 13"}},
        // The first hand-back's marker, back after a later one was planned, sends nothing: the
        // later one waits for its own marker, and a switch before that drops it.
        HandBackCase{"AStaleMarkerSendsNothing",
                     {handBackPlanned, laterHandBackPlanned, firstMarker, switchTo1, lastMarker},
                     {}}),
    [](const testing::TestParamInfo<HandBackCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
