// Focus changes the window manager makes because our moves slid something under a pointer that
// stood still, told from the user's own focus changes.
#include "controller/StillPointerFocus.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace brindlow {
namespace {

constexpr WindowID kWindow = 7;
constexpr WindowID kThird = 9;
// Where the window stood before a move: away from the pointer at (400, 500), or under it.
constexpr Rect kAway{600, 0, 900, 1000};
constexpr Rect kUnder{300, 0, 900, 1000};

struct TimedMove {
    double time;
    Rect from;
};

// Our moves of the window at the listed times, then a focus event at `focusTime` for it, now at
// {0, 0, 900, 1000}, with the pointer at `pointerNow` and the user's hand last heard at
// `lastActive` (none: not since listening began).
struct StillPointerCase {
    const char* name;
    std::vector<TimedMove> moves;
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
    for (const TimedMove& move : row.moves)
        EXPECT_DOUBLE_EQ(decision.moved(move.time, {{kWindow, move.from}}), move.time + 0.75)
            << "listen until";
    const StillPointerFocus::Hand hand{row.heard, row.lastActive};
    EXPECT_EQ(decision.slidUnder(row.focusTime, row.pointerNow, hand, kWindow, {0, 0, 900, 1000}),
              row.ours);
}

const std::optional<PointerState> kStill = PointerState{{400, 500}, false};
const std::optional<PointerState> kElsewhere = PointerState{{1200, 500}, false};
const std::optional<PointerState> kHeld = PointerState{{400, 500}, true};

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerFocusTest,
    ::testing::Values(
        StillPointerCase{
            "DuringTheScroll", {{10.0, kAway}, {10.016, kUnder}}, {}, 10.02, kStill, true},
        StillPointerCase{
            "ShortlyAfterTheLanding", {{10.0, kAway}, {10.25, kUnder}}, {}, 10.9, kStill, true},
        StillPointerCase{
            "LongAfterTheLanding", {{10.0, kAway}, {10.25, kUnder}}, {}, 11.1, kStill, false},
        StillPointerCase{"WithoutAnyMoveOfOurs", {}, {}, 10.0, kStill, false},
        // Moved a pixel 50 ms before the focus, over the window: the user's hand.
        StillPointerCase{"ThePointerMovedSinceTheLastMove",
                         {{10.0, kAway}},
                         10.05,
                         10.1,
                         PointerState{{401, 500}},
                         false},
        StillPointerCase{"AClick", {{10.0, kAway}}, 10.05, 10.1, kHeld, false},
        // A button let go over the window 30 ms before the focus: that click chose the window.
        StillPointerCase{
            "AButtonJustLetGo", {{10.0, kAway}, {10.05, kUnder}}, 10.07, 10.1, kStill, false},
        StillPointerCase{
            "ThePointerIsNotOverTheWindow", {{10.0, kAway}}, {}, 10.1, kElsewhere, false},
        StillPointerCase{"ThePointerCannotBeTold", {{10.0, kAway}}, {}, 10.1, std::nullopt, false},
        StillPointerCase{"TheHandCannotBeHeard", {{10.0, kAway}}, {}, 10.1, kStill, false, false},
        // The user moved the pointer into the window while our windows moved: the focus the
        // window manager gives it at once is the user's.
        StillPointerCase{"ThePointerJustArrived",
                         {{10.0, kAway}, {10.016, kUnder}},
                         10.016,
                         10.05,
                         kStill,
                         false},
        StillPointerCase{"ThePointerArrivedWhileTheWindowStillMoved",
                         {{10.0, kAway}, {10.016, kUnder}, {10.033, kUnder}},
                         10.02,
                         10.04,
                         kStill,
                         false},
        // Moved onto the window after our last move; the window manager's answer came late.
        StillPointerCase{
            "ThePointerArrivedAfterOurLastMove", {{10.0, kAway}}, 10.3, 10.5, kStill, false},
        // It came to rest there before our windows slid under it.
        StillPointerCase{"ThePointerRestedThereDuringTheRun",
                         {{10.0, kAway}, {10.016, kUnder}, {10.2, kUnder}},
                         10.016,
                         10.2,
                         kStill,
                         true},
        // A button let go during the run: from then on the pointer rests.
        StillPointerCase{"AButtonLetGoDuringTheRun",
                         {{10.0, kAway}, {10.1, kUnder}, {10.3, kUnder}},
                         10.05,
                         10.3,
                         kStill,
                         true},
        // The hand stopped over something else a moment ago; our moves slid the window under
        // it since: a click in a panel that chose another window, with a scroll still going.
        StillPointerCase{
            "MovedJustBeforeTheRun", {{10.0, kAway}, {10.016, kUnder}}, 9.98, 10.02, kStill, true},
        StillPointerCase{"AClickElsewhereJustBeforeOurMovesSlidItUnder",
                         {{10.0, Rect{1000, 0, 900, 1000}}, {10.5, kAway}},
                         10.48,
                         10.52,
                         kStill,
                         true},
        StillPointerCase{"MovedBetweenTwoRuns",
                         {{10.0, kAway}, {11.0, kAway}, {11.016, kUnder}},
                         10.9,
                         11.02,
                         kStill,
                         true},
        StillPointerCase{"MovedEarlyInTheSecondRun",
                         {{10.0, kAway}, {11.0, kAway}, {11.016, kUnder}},
                         11.01,
                         11.05,
                         kStill,
                         false}),
    [](const auto& row) { return std::string(row.param.name); });

// The user clicked the strip's focused window (kOther, {0, 0, 900, 1000}) at 10.0 over kWindow,
// which stood below it; the strip scrolling to the clicked window moved it away at `otherMoved`,
// leaving kWindow under the pointer at (400, 500); its focus comes at 10.09.
struct ClickedAboveCase {
    const char* name;
    double otherMoved;
    std::optional<WindowID> stripFocus;
    bool ours;
};

void PrintTo(const ClickedAboveCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerClickedAboveTest : public ::testing::TestWithParam<ClickedAboveCase> {};

constexpr WindowID kOther = 8;

TEST_P(StillPointerClickedAboveTest, TheClickChoseTheWindowOnTop) {
    const ClickedAboveCase& row = GetParam();
    StillPointerFocus decision;
    decision.moved(9.5, {{kWindow, kAway}});
    decision.moved(row.otherMoved, {{kOther, {0, 0, 900, 1000}}});
    EXPECT_EQ(
        decision.slidUnder(10.09, kStill, {true, 10.0}, kWindow, {0, 0, 900, 1000}, row.stripFocus),
        row.ours);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerClickedAboveTest,
    ::testing::Values(ClickedAboveCase{"TheStripFollowingTheClick", 10.0, kOther, true},
                      ClickedAboveCase{"AMomentLater", 10.02, kOther, true},
                      // It had left before the click: the hand found this window there.
                      ClickedAboveCase{"MovedAwayBeforeTheClick", 9.9, kOther, false},
                      // Another window than the strip's moved away: the click was on this one.
                      ClickedAboveCase{"NotTheStripsWindow", 10.0, kThird, false},
                      ClickedAboveCase{"NoStripFocus", 10.0, std::nullopt, false}),
    [](const auto& row) { return std::string(row.param.name); });

// A click in one of our panels chose a window at 10.0; the panel closed and left the window
// {0, 0, 900, 1000}, which stood under it all along, under the pointer at (400, 500). Every hand
// action the server reported before the choice was heard by `heardBy` (none: not yet).
struct CommandCase {
    const char* name;
    std::optional<double> heardBy;
    double lastActive;
    double focusTime;
    bool ours;
};

void PrintTo(const CommandCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(StillPointerCommandTest, TheHandBeforeAChoiceIsNotTheHandOnTheWindow) {
    const CommandCase& row = GetParam();
    StillPointerFocus decision;
    EXPECT_DOUBLE_EQ(decision.commanded(10.0), 10.75) << "listen until";
    if (row.heardBy) decision.heardUpToChoice(*row.heardBy);
    EXPECT_EQ(decision.slidUnder(row.focusTime, kStill, {true, row.lastActive}, kWindow,
                                 {0, 0, 900, 1000}),
              row.ours);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerCommandTest,
    ::testing::Values(CommandCase{"TheClickThatChose", 10.001, 9.99, 10.04, true},
                      CommandCase{"TheClickThatChoseHeardAMomentLate", 10.03, 10.02, 10.04, true},
                      // A loaded server: the click is heard 80 ms after the choice it made.
                      CommandCase{"TheClickThatChoseHeardLate", 10.09, 10.08, 10.1, true},
                      CommandCase{"TheClickThatChoseNotAllHeardYet", {}, 10.08, 10.1, true},
                      CommandCase{"AMotionAfterTheChoice", 10.001, 10.06, 10.1, false},
                      CommandCase{"AMotionJustAfterTheChoice", 10.001, 10.02, 10.04, false}),
    [](const auto& row) { return std::string(row.param.name); });

// A focus was denied at 10.0; whether the hand, last heard at `lastActive`, acted since on its own
// account, with the user's last choice made at `choice` (none: no choice) and the hand heard up
// to it by `heardBy` (none: not yet).
struct ActedSinceCase {
    const char* name;
    std::optional<double> choice;
    std::optional<double> heardBy;
    std::optional<double> lastActive;
    bool acted;
};

void PrintTo(const ActedSinceCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerActedSinceTest : public ::testing::TestWithParam<ActedSinceCase> {};

TEST_P(StillPointerActedSinceTest, TheClickThatMadeAChoiceIsNotTheHandOnTheWindow) {
    const ActedSinceCase& row = GetParam();
    StillPointerFocus decision;
    decision.moved(9.9);
    if (row.choice) decision.commanded(*row.choice);
    if (row.heardBy) decision.heardUpToChoice(*row.heardBy);
    EXPECT_EQ(decision.actedSince(10.0, {true, row.lastActive}), row.acted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerActedSinceTest,
    ::testing::Values(ActedSinceCase{"AClickWithoutAChoice", {}, {}, 10.05, true},
                      ActedSinceCase{"NothingSince", {}, {}, 9.95, false},
                      ActedSinceCase{"NothingHeard", {}, {}, {}, false},
                      // A click on our indicator's icon, and the jump it made.
                      ActedSinceCase{"TheClickThatChose", 10.08, 10.081, 10.07, false},
                      ActedSinceCase{"TheClickThatChoseHeardAMomentLate", 10.08, 10.11, 10.1,
                                     false},
                      ActedSinceCase{"TheClickThatChoseHeardLate", 10.08, 10.2, 10.19, false},
                      ActedSinceCase{"TheClickThatChoseNotAllHeardYet", 10.08, {}, 10.19, false},
                      ActedSinceCase{"AMotionAfterTheChoice", 10.08, 10.081, 10.15, true},
                      ActedSinceCase{"AMotionJustAfterTheChoice", 10.08, 10.081, 10.1, true},
                      ActedSinceCase{"AClickAfterAnEarlierChoice", 9.9, 9.901, 10.05, true}),
    [](const auto& row) { return std::string(row.param.name); });

// Two choices in a row: the hand heard up to the first tells nothing of the second, whose click
// may still be on its way.
TEST(StillPointerChoices, TheHandIsAfterTheLastChoiceOnlyOnceHeardUpToIt) {
    StillPointerFocus decision;
    decision.moved(9.9);
    decision.commanded(10.0);
    decision.commanded(10.02);
    decision.heardUpToChoice(10.01);
    EXPECT_FALSE(decision.actedSince(9.95, {true, 10.03})) << "the second choice's click";
    decision.heardUpToChoice(10.04);
    EXPECT_FALSE(decision.actedSince(9.95, {true, 10.03}));
    EXPECT_TRUE(decision.actedSince(9.95, {true, 10.05}));
}

// Two columns at 12 and 966, 942 wide: x 960 lies in the gap between them. The first column
// moved from `firstFrom` at 10.0 (the second alongside it); the focus went to no window at
// `lostTime`.
struct GapCase {
    const char* name;
    Rect firstFrom;
    std::optional<double> lastActive;
    double lostTime;
    PointerState pointer;
    bool ours;
};

void PrintTo(const GapCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerGapTest : public ::testing::TestWithParam<GapCase> {};

TEST_P(StillPointerGapTest, TellsAFocusLostOverAGapOurMovesSlidUnderThePointer) {
    const GapCase& row = GetParam();
    StillPointerFocus decision;
    const Rect secondFrom{row.firstFrom.x + 954, 0, 942, 1000};
    decision.moved(10.0, {{1, row.firstFrom}, {2, secondFrom}});
    const std::map<WindowID, Rect> frames{{1, {12, 0, 942, 1000}}, {2, {966, 0, 942, 1000}}};
    EXPECT_EQ(decision.slidAway(row.lostTime, row.pointer, {true, row.lastActive}, frames),
              row.ours);
}

constexpr Rect kOverThePointer{300, 0, 942, 1000};
const PointerState kInTheGap{{960, 540}, false};

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerGapTest,
    ::testing::Values(
        GapCase{"TheGapSlidUnderAStillPointer", kOverThePointer, {}, 10.05, kInTheGap, true},
        // A click on the column that stood there, then our moves brought the gap.
        GapCase{"AClickJustBeforeTheGapSlidUnder", kOverThePointer, 9.99, 10.05, kInTheGap, true},
        GapCase{"ThePointerMovedIntoTheGap", kOverThePointer, 10.03, 10.05, kInTheGap, false},
        GapCase{"AButtonHeldInTheGap", kOverThePointer, {}, 10.05, {{960, 540}, true}, false},
        GapCase{"ThePointerIsOverAColumn", kOverThePointer, {}, 10.05, {{500, 540}, false}, false},
        GapCase{"LongAfterOurMoves", kOverThePointer, {}, 11.0, kInTheGap, false}),
    [](const auto& row) { return std::string(row.param.name); });

// Our restacks asked at the listed times, then the stacking changes the window manager reported:
// until when the platform listens after each (none: the change is nothing of ours).
struct RestackCase {
    const char* name;
    std::vector<std::pair<double, std::vector<StackingAsk>>> asked;
    std::vector<std::pair<double, std::vector<WindowID>>> reported;  // front to back
    std::vector<std::optional<double>> listenUntil;
};

void PrintTo(const RestackCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerRestackTest : public ::testing::TestWithParam<RestackCase> {};

TEST_P(StillPointerRestackTest, AStackingChangeIsOursWhenItShowsAnOrderAsked) {
    const RestackCase& row = GetParam();
    StillPointerFocus decision;
    for (const auto& [time, asks] : row.asked) decision.restacked(time, asks);
    std::vector<std::optional<double>> listened;
    for (const auto& [time, order] : row.reported)
        listened.push_back(decision.stackingChanged(time, order));
    EXPECT_EQ(listened, row.listenUntil);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerRestackTest,
    ::testing::Values(
        RestackCase{"CarriedOutAtOnce", {{10.0, {{1, 2}}}}, {{10.05, {1, 2}}}, {10.8}},
        // A loaded window manager carries it out three seconds later.
        RestackCase{"CarriedOutLate", {{10.0, {{1, 2}}}}, {{13.0, {3, 1, 2}}}, {13.75}},
        RestackCase{"SomebodyElsesChangeBeforeIt",
                    {{10.0, {{1, 2}}}},
                    {{10.5, {3, 2, 1}}, {10.6, {1, 3, 2}}},
                    {std::nullopt, 11.35}},
        RestackCase{
            "AChangeAfterIt", {{10.0, {{1, 2}}}}, {{10.05, {1, 2}}, {10.3, {3, 1, 2}}}, {10.8, {}}},
        RestackCase{"NothingAsked", {}, {{10.05, {1, 2}}}, {std::nullopt}},
        RestackCase{"AWindowGone", {{10.0, {{1, 2}}}}, {{10.05, {2}}, {10.1, {1, 2}}}, {{}, {}}},
        RestackCase{"EachOfTwoOrders",
                    {{10.0, {{1, 2}, {3, 2}}}},
                    {{10.05, {1, 2, 3}}, {10.1, {3, 1, 2}}, {10.2, {1, 3, 2}}},
                    {10.8, 10.85, std::nullopt}},
        RestackCase{"AskedTheOtherWaySince",
                    {{10.0, {{1, 2}}}, {10.1, {{2, 1}}}},
                    {{10.2, {1, 2}}, {10.3, {2, 1}}},
                    {std::nullopt, 11.05}}),
    [](const auto& row) { return std::string(row.param.name); });

// Our moves took the window from `from` at 10.0 to {1000, 0, 900, 1000}, off the pointer at
// (400, 500), which rested since 5.0; its focus is heard at `focusTime`, the window manager having
// focused it where it stood before it carried our moves out. `focusHeard`: judged as a focus event
// comes, not on the window's closing.
struct MovedAwayCase {
    const char* name;
    Rect from;
    double focusTime;
    bool focusHeard;
    bool ours;
    // Minimised at 10.05 (and shown again since).
    bool hiddenSince = false;
};

void PrintTo(const MovedAwayCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerMovedAwayTest : public ::testing::TestWithParam<MovedAwayCase> {};

TEST_P(StillPointerMovedAwayTest, AFocusHeardAfterOurMovesTookTheWindowFromUnderThePointer) {
    const MovedAwayCase& row = GetParam();
    StillPointerFocus decision;
    decision.moved(10.0, {{kWindow, row.from}});
    if (row.hiddenSince) decision.hidden(kWindow, 10.05);
    EXPECT_EQ(decision.slidUnder(row.focusTime, kStill, {true, 5.0}, kWindow, {1000, 0, 900, 1000},
                                 std::nullopt, row.focusHeard),
              row.ours);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerMovedAwayTest,
    ::testing::Values(MovedAwayCase{"HeardJustAfter", kUnder, 10.1, true, true},
                      MovedAwayCase{"HeardAMomentLater", kUnder, 10.6, true, true},
                      MovedAwayCase{"NotUnderThePointerBefore", kAway, 10.1, true, false},
                      MovedAwayCase{"LongAfterOurMoves", kUnder, 10.9, true, false},
                      MovedAwayCase{"NoFocusEvent", kUnder, 10.1, false, false},
                      // Shown again where it stands now: the focus came for that, not for a
                      // pointer over where it stood.
                      MovedAwayCase{"MinimisedSince", kUnder, 10.1, true, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

// The user restores the window (not we), and focus events follow in the order listed: the first
// one heard, if it is of that window, is the restore's, wherever our moves slid the window since.
struct RestoreCase {
    const char* name;
    std::vector<WindowID> focusesHeard;
    std::vector<bool> restores;
    // Minimised again before any focus was heard.
    bool hiddenAgain = false;
};

void PrintTo(const RestoreCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerRestoreTest : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(StillPointerRestoreTest, TheFirstFocusHeardAfterTheUsersRestoreIsTheRestores) {
    const RestoreCase& row = GetParam();
    StillPointerFocus decision;
    decision.restored(kWindow);
    if (row.hiddenAgain) decision.hidden(kWindow, 10.0);
    std::vector<bool> restores;
    for (const WindowID window : row.focusesHeard)
        restores.push_back(decision.focusOfRestore(window));
    EXPECT_EQ(restores, row.restores);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerRestoreTest,
    ::testing::Values(RestoreCase{"ItsFocus", {kWindow}, {true}},
                      // The window manager's focus under the pointer on it, later, is judged as
                      // any other.
                      RestoreCase{"ItsFocusAgain", {kWindow, kWindow}, {true, false}},
                      RestoreCase{"AnotherWindowsFocusFirst", {kThird, kWindow}, {false, false}},
                      RestoreCase{"MinimisedAgain", {kWindow}, {false}, true}),
    [](const auto& row) { return std::string(row.param.name); });

// The user closes a window without the focus that stood at {1000, 0, 900, 1000}; another of ours,
// without the focus either, stands at `beneath`.
struct UncoverCase {
    const char* name;
    std::optional<PointerState> pointer;
    Rect beneath;
    bool uncovers;
};

void PrintTo(const UncoverCase& row, std::ostream* out) {
    *out << row.name;
}

class StillPointerUncoverTest : public ::testing::TestWithParam<UncoverCase> {};

TEST_P(StillPointerUncoverTest, AWindowClosedOverAnotherUnderThePointerUncoversIt) {
    const UncoverCase& row = GetParam();
    EXPECT_EQ(
        StillPointerFocus::uncovered(row.pointer, {1000, 0, 900, 1000}, {{kThird, row.beneath}}),
        row.uncovers ? std::vector<WindowID>{kThird} : std::vector<WindowID>{});
}

constexpr Rect kParkedBeneath{1010, 0, 900, 1000};

INSTANTIATE_TEST_SUITE_P(
    Cases, StillPointerUncoverTest,
    ::testing::Values(
        UncoverCase{"OverBoth", PointerState{{1500, 500}, false}, kParkedBeneath, true},
        // Over the closed window alone: nothing of ours comes under the pointer.
        UncoverCase{"OverNothingBeneath", PointerState{{1005, 500}, false}, kParkedBeneath, false},
        UncoverCase{"NotOverTheClosedWindow", PointerState{{400, 500}, false}, kAway, false},
        // A button held: the user is dragging or clicking there.
        UncoverCase{"AButtonHeld", PointerState{{1500, 500}, true}, kParkedBeneath, false},
        UncoverCase{"PointerUnknown", std::nullopt, kParkedBeneath, false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
