// Telling the focus events that answer our own raises from the focus changes somebody else made.
#include "controller/RaiseEchoes.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace brindlow {
namespace {

using Verdict = RaiseEchoes::Verdict;

constexpr WindowID kFirst = 1;
constexpr WindowID kSecond = 2;
constexpr WindowID kThird = 3;

// Beside a window manager that focuses under the pointer: a raise of the window that has the
// focus is answered by nothing; the window manager then focuses what our moves slid under a
// resting pointer, and we raise the strip's window again. That raise moves the focus back, and
// its answer is ours.
struct AgainAfterOthersCase {
    const char* name;
    // The strip's focus when the answer comes: the raised window, or a command's later choice.
    std::optional<WindowID> stripFocusAtAnswer;
    Verdict answer;
};

class RaiseAgainAfterOthers : public ::testing::TestWithParam<AgainAfterOthersCase> {};

TEST_P(RaiseAgainAfterOthers, IsAwaitedAndItsAnswerKnown) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false);
    EXPECT_FALSE(echoes.awaitsAnswers());
    EXPECT_EQ(echoes.judge(kSecond, 0.01, kThird), Verdict::notOurs);
    echoes.raised(kThird, 0.02, false, true);
    EXPECT_TRUE(echoes.awaitsAnswers());
    EXPECT_EQ(echoes.judge(kThird, 0.05, GetParam().stripFocusAtAnswer), GetParam().answer);
    EXPECT_FALSE(echoes.awaitsAnswers());
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, RaiseAgainAfterOthers,
    ::testing::Values(AgainAfterOthersCase{"StripStillThere", kThird, Verdict::answer},
                      // A command moved the strip on (focus-first) before the answer came: the
                      // answer must not pull the strip back.
                      AgainAfterOthersCase{"CommandMovedOn", kFirst, Verdict::overtaken}),
    [](const auto& row) { return std::string(row.param.name); });

// Beside a window manager that focuses under the pointer: a raise of the window that has the
// focus, then a raise of another one; the first focus heard is of that other window. When our moves
// slid it under the resting pointer a moment ago, that may be the window manager's focus there,
// and the first raise, handled after it, moves the focus back: that late answer is no choice. Taken
// for our answer otherwise, a focus of the first window after it is somebody else's.
struct HeardLateCase {
    const char* name;
    bool slidUnderThePointer;
    std::optional<double> handActed;
    Verdict late;
};

class AnswerHeardAfterALaterOne : public ::testing::TestWithParam<HeardLateCase> {};

TEST_P(AnswerHeardAfterALaterOne, IsLateOnlyWhenTheLaterOneMayHaveBeenFocusUnderThePointer) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kFirst, 0.00, false, true);
    echoes.raised(kSecond, 0.05, false, true);
    EXPECT_EQ(
        echoes.judge(kSecond, 0.30, kSecond, std::nullopt, false, GetParam().slidUnderThePointer),
        Verdict::answer);
    EXPECT_EQ(echoes.judge(kFirst, 0.35, kSecond, GetParam().handActed), GetParam().late);
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, AnswerHeardAfterALaterOne,
    ::testing::Values(HeardLateCase{"SlidUnderThePointer", true, std::nullopt, Verdict::late},
                      HeardLateCase{"NotUnderThePointer", false, std::nullopt, Verdict::notOurs},
                      // The user's hand acted after our raises: a click on the first window.
                      HeardLateCase{"HandActedSince", true, 0.32, Verdict::notOurs}),
    [](const auto& row) { return std::string(row.param.name); });

// The same with the later raise's answer heard while its application was not yet in front: the
// focus it tells may as well be the window manager's under the resting pointer.
class AnswerHeardAsideAfterALaterOne : public ::testing::TestWithParam<HeardLateCase> {};

TEST_P(AnswerHeardAsideAfterALaterOne, IsLateOnlyWhenTheLaterOneMayHaveBeenFocusUnderThePointer) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kFirst, 0.00, false, true);
    echoes.raised(kSecond, 0.05, false, true);
    echoes.focusedAside(kSecond, 0.30, std::nullopt, true, false, GetParam().slidUnderThePointer);
    EXPECT_EQ(echoes.judge(kSecond, 0.31, kSecond), Verdict::answer);
    EXPECT_EQ(echoes.judge(kFirst, 0.35, kSecond, GetParam().handActed), GetParam().late);
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, AnswerHeardAsideAfterALaterOne,
    ::testing::Values(HeardLateCase{"SlidUnderThePointer", true, std::nullopt, Verdict::late},
                      HeardLateCase{"NotUnderThePointer", false, std::nullopt, Verdict::notOurs}),
    [](const auto& row) { return std::string(row.param.name); });

// Raises of two windows; the window manager's own focus (its pick after a window under the
// pointer closed, say) names the second, which our raise of it may have been handled with. A
// focus of the first heard after, where our moves slid it under the resting pointer, may be the
// window manager's there: late, and nothing of ours is due to take the focus back, so the strip
// raises its window again, which is then awaited. Not under the pointer, it is overtaken, as in
// AFocusTheWindowManagerOwesAnswersNoRaise.
struct AfterOwnFocusCase {
    const char* name;
    bool slidUnderThePointer;
    Verdict verdict;
};

class FocusAfterTheWindowManagersOwnOnTheLatest
    : public ::testing::TestWithParam<AfterOwnFocusCase> {};

TEST_P(FocusAfterTheWindowManagersOwnOnTheLatest, IsLateWhereItMayBeFocusUnderThePointer) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false, true);
    echoes.raised(kThird, 0.10, false, true);
    EXPECT_EQ(echoes.judge(kThird, 0.12, kThird, std::nullopt, true), Verdict::notOurs);
    EXPECT_TRUE(echoes.answerStillDueFor(kThird));
    EXPECT_FALSE(echoes.focusDueBackTo(kThird));
    EXPECT_EQ(
        echoes.judge(kSecond, 0.20, kThird, std::nullopt, false, GetParam().slidUnderThePointer),
        GetParam().verdict);
    if (GetParam().verdict != Verdict::late) return;
    EXPECT_FALSE(echoes.awaitsAnswers());
    echoes.raised(kThird, 0.25, false, true);
    EXPECT_TRUE(echoes.focusDueBackTo(kThird));
    EXPECT_EQ(echoes.judge(kThird, 0.30, kThird), Verdict::answer);
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, FocusAfterTheWindowManagersOwnOnTheLatest,
    ::testing::Values(AfterOwnFocusCase{"SlidUnderThePointer", true, Verdict::late},
                      AfterOwnFocusCase{"NotUnderThePointer", false, Verdict::overtaken}),
    [](const auto& row) { return std::string(row.param.name); });

// Our raise of a window answered while its application was not yet in front, overtaken by a later
// raise; that one's answer is heard before the application's activation hands the first window on:
// the hand-on tells the overtaken answer again, no choice.
TEST(RaiseEchoes, AnOvertakenAnswerHeardAsideAndHandedOnLateIsLate) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    echoes.raised(kThird, 0.05, false);
    echoes.focusedAside(kSecond, 0.08);
    EXPECT_EQ(echoes.judge(kThird, 0.09, kThird), Verdict::answer);
    EXPECT_EQ(echoes.judge(kSecond, 0.12, kThird), Verdict::late);
}

// The same, but the activation tells the first window again before the later raise's answer (it
// hands it on, or, once another application is in front, tells it aside): the overtaken answer is
// told then, and nothing of it is still to come. A command's raise of that window a moment later
// moves the focus from the third window (a new window's focus for its map heard in between) and
// its answer is the command's.
class OvertakenAnswerToldAgain : public ::testing::TestWithParam<bool> {};

TEST_P(OvertakenAnswerToldAgain, BeforeTheLaterAnswerIsToldOnce) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    echoes.raised(kThird, 0.05, false);
    echoes.focusedAside(kSecond, 0.08);
    if (GetParam()) {
        EXPECT_EQ(echoes.judge(kSecond, 0.08, kThird), Verdict::overtaken);
        EXPECT_EQ(echoes.judge(kThird, 0.09, kThird), Verdict::answer);
    } else {
        echoes.focusedAside(kSecond, 0.08);
        echoes.focusedAside(kThird, 0.09);
        EXPECT_EQ(echoes.judge(kThird, 0.09, kThird), Verdict::answer);
    }
    echoes.raised(kSecond, 0.30, false);
    EXPECT_TRUE(echoes.answerStillDueFor(kSecond));
    EXPECT_EQ(echoes.judge(kFirst, 0.35, kSecond), Verdict::notOurs);
    EXPECT_EQ(echoes.judge(kSecond, 0.40, kFirst), Verdict::answer);
}

INSTANTIATE_TEST_SUITE_P(RaiseEchoes, OvertakenAnswerToldAgain, ::testing::Values(true, false),
                         [](const auto& row) {
                             return std::string(row.param ? "HandedOn" : "ToldAside");
                         });

// A new window's focus for its map, heard after a command chose another window, is not followed;
// a later command then moves the strip's focus to the new window, and the first command's answer
// comes: the strip did not move for that focus, so the answer is overtaken, not a sign that the
// window manager handled our raise after somebody else's choice.
TEST(RaiseEchoes, AnAnswerAfterAFocusNotFollowedIsOvertakenByTheStripsLaterChoice) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    EXPECT_EQ(echoes.judge(kThird, 0.05, kSecond), Verdict::notOurs);
    echoes.declined(kThird);
    EXPECT_EQ(echoes.judge(kSecond, 0.10, kThird), Verdict::overtaken);
}

// A focus of somebody else's heard before the answer to our raise: the raise is still to be
// answered, so it takes the focus back by itself; once answered, nothing of ours is due.
TEST(RaiseEchoes, ARaiseStillToBeAnsweredIsDueOnlyForItsWindow) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    EXPECT_EQ(echoes.judge(kThird, 0.01, kSecond), Verdict::notOurs);
    EXPECT_TRUE(echoes.answerStillDueFor(kSecond));
    EXPECT_FALSE(echoes.answerStillDueFor(kThird));
    EXPECT_EQ(echoes.judge(kSecond, 0.02, kSecond), Verdict::answer);
    EXPECT_FALSE(echoes.answerStillDueFor(kSecond));
}

// Raises of two windows, the second one just opened, whose focus for the map the window manager
// still owes: the first focus of it may be that, so both raises stay awaited; the first raise's
// answer, heard after, is overtaken by the second, whose answer comes last.
TEST(RaiseEchoes, AFocusTheWindowManagerOwesAnswersNoRaise) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false, true);
    echoes.raised(kThird, 0.10, false, true);
    EXPECT_EQ(echoes.judge(kThird, 0.12, kThird, std::nullopt, true), Verdict::notOurs);
    EXPECT_TRUE(echoes.answerStillDueFor(kThird));
    EXPECT_EQ(echoes.judge(kSecond, 0.20, kThird), Verdict::overtaken);
    EXPECT_EQ(echoes.judge(kThird, 0.30, kThird), Verdict::answer);
    EXPECT_FALSE(echoes.awaitsAnswers());
}

// Beside a window manager that focuses by click: a raise of the second window, then the user
// clicks the first before its answer was heard (the focus moved on at once). The raise was
// carried out before the click: a raise of the first window moves nothing, and a click on the
// second later is the user's choice, not an overtaken answer.
TEST(RaiseEchoes, AClickCountsTheRaisesAskedBeforeItAsHandled) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kSecond, 0.00, false);
    EXPECT_EQ(echoes.judge(kFirst, 0.20, kSecond, 0.15), Verdict::notOurs);
    echoes.handledBefore(0.15);
    EXPECT_FALSE(echoes.awaitsAnswers());
    echoes.raised(kFirst, 0.40, false);
    EXPECT_FALSE(echoes.awaitsAnswers());
    EXPECT_EQ(echoes.judge(kSecond, 0.60, kFirst, 0.55), Verdict::notOurs);
}

// A raise asked after the click stays awaited.
TEST(RaiseEchoes, ARaiseAskedAfterTheClickStaysAwaited) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kSecond, 0.00, false);
    echoes.raised(kThird, 0.18, false);
    EXPECT_EQ(echoes.judge(kFirst, 0.20, kThird, 0.15), Verdict::notOurs);
    echoes.handledBefore(0.15);
    EXPECT_TRUE(echoes.answerStillDueFor(kThird));
}

// Beside a window manager that focuses by click, somebody else's focus in between (a new
// window's) leaves our last request standing: the same raise again awaits nothing, so its answer
// is never followed over a newer window's focus.
TEST(RaiseEchoes, BesideAClickToFocusWindowManagerARaiseAgainAfterOthersAwaitsNothing) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false);
    EXPECT_EQ(echoes.judge(kSecond, 0.01, kThird), Verdict::notOurs);
    echoes.raised(kThird, 0.02, false, false);
    EXPECT_FALSE(echoes.awaitsAnswers());
}

// The window manager names again the window that has the focus as it handles our raise of it,
// after a command moved the strip on: nobody else chose it, and the strip stays on the command's
// choice. While the strip still focuses it, it is the raise's answer.
struct RepeatedCase {
    const char* name;
    std::optional<WindowID> stripFocusAtEvent;
    Verdict verdict;
};

class RepeatedFocus : public ::testing::TestWithParam<RepeatedCase> {};

TEST_P(RepeatedFocus, AnswersOurRaiseOfIt) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false);
    EXPECT_EQ(echoes.judge(kThird, 0.02, GetParam().stripFocusAtEvent), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(RaiseEchoes, RepeatedFocus,
                         ::testing::Values(RepeatedCase{"StripStillThere", kThird, Verdict::answer},
                                           RepeatedCase{"CommandMovedOn", kFirst,
                                                        Verdict::overtaken}),
                         [](const auto& row) { return std::string(row.param.name); });

// Once somebody else moved the focus away, the window coming back is their choice too.
TEST(RaiseEchoes, AWindowFocusedAgainAfterOthersMovedTheFocusAwayIsTheirs) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false);
    EXPECT_EQ(echoes.judge(kSecond, 0.01, kThird), Verdict::notOurs);
    EXPECT_EQ(echoes.judge(kThird, 0.02, kFirst), Verdict::notOurs);
}

// Without anybody else's focus change in between, a raise of the window the last request goes to
// moves nothing and awaits nothing.
TEST(RaiseEchoes, ARaiseOfTheWindowAlreadyAskedForAwaitsNothingMore) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    EXPECT_EQ(echoes.judge(kSecond, 0.01, kSecond), Verdict::answer);
    echoes.raised(kSecond, 0.02, false);
    EXPECT_FALSE(echoes.awaitsAnswers());
}

// Our raise of the first window was handled, and the user chose the second (a restore) before we
// heard the first one's activation: that activation still answers the raise, so a later focus of
// the first window (one under the pointer) is somebody else's, not our answer. Unheard, the raise
// stays awaited.
struct PassedCase {
    const char* name;
    bool passedHeard;
    Verdict laterFocus;
};

void PrintTo(const PassedCase& row, std::ostream* out) {
    *out << row.name;
}

class FocusPassedThrough : public ::testing::TestWithParam<PassedCase> {};

TEST_P(FocusPassedThrough, AnswersTheRaiseOfIt) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kFirst, 0.00, false, true);
    if (GetParam().passedHeard) echoes.focusedAside(kFirst, 0.05);
    EXPECT_EQ(echoes.judge(kSecond, 0.05, std::nullopt), Verdict::notOurs);
    EXPECT_EQ(echoes.awaitsAnswers(), !GetParam().passedHeard);
    EXPECT_EQ(echoes.judge(kFirst, 0.45, kSecond), GetParam().laterFocus);
}

INSTANTIATE_TEST_SUITE_P(RaiseEchoes, FocusPassedThrough,
                         ::testing::Values(PassedCase{"Heard", true, Verdict::notOurs},
                                           PassedCase{"NotHeard", false, Verdict::answer}),
                         [](const auto& row) { return std::string(row.param.name); });

// Beside a window manager that focuses by click: our raise of the first window, asked again after
// a new window's focus, awaited nothing; the user then restored the third and minimised it, and
// the window manager focused the first, heard aside before its application's activation handed it
// on. That hand-on is the window manager's choice after the minimise, not our raise told again.
TEST(RaiseEchoes, BesideAClickToFocusWindowManagerAWindowHandedOnAfterItsFocusAsideIsNews) {
    constexpr WindowID kNeighbour = 4;
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kFirst, 0.00, false, false);
    EXPECT_EQ(echoes.judge(kSecond, 0.05, kFirst), Verdict::notOurs);
    echoes.raised(kFirst, 0.05, false, false);
    EXPECT_EQ(echoes.judge(kFirst, 0.06, kFirst), Verdict::notOurs);
    EXPECT_EQ(echoes.judge(kThird, 0.40, kThird), Verdict::notOurs);
    echoes.focusedAside(kFirst, 0.80, std::nullopt, false);
    EXPECT_EQ(echoes.judge(kFirst, 0.80, kNeighbour), Verdict::notOurs);
}

// Beside a window manager that focuses by click: our raise of the second window answered aside
// (its application not yet in front), and a command's raise of the first right after: the
// application's activation handing the second on tells our answer again, no choice of anybody's
// that would drop the command's raise.
TEST(RaiseEchoes, BesideAClickToFocusWindowManagerOurRaiseAnsweredAsideIsNoNewsHandedOn) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false, false);
    echoes.focusedAside(kSecond, 0.02, std::nullopt, false);
    echoes.raised(kFirst, 0.03, false, false);
    EXPECT_EQ(echoes.judge(kSecond, 0.04, kFirst), Verdict::overtaken);
}

// Passing through a window no raise of ours asked for answers nothing.
TEST(RaiseEchoes, AFocusPassingThroughAnotherWindowAnswersNothing) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kFirst, 0.00, false, true);
    echoes.focusedAside(kSecond, 0.05);
    EXPECT_TRUE(echoes.awaitsAnswers());
}

// Beside a window manager that focuses under the pointer, a gap our moves slid under a resting
// pointer takes the focus from every window, and the focus is given back with a raise of the
// window that had it, which an earlier raise of ours had already asked for: that raise moves the
// focus again and is awaited, so its answer, come after a command moved the strip on, does not
// pull the strip back.
TEST(RaiseEchoes, ARaiseGivingBackTheFocusAGapTookIsAwaited) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false, true);
    echoes.lost();
    echoes.raised(kThird, 0.02, false, true);
    EXPECT_TRUE(echoes.awaitsAnswers());
    EXPECT_EQ(echoes.judge(kThird, 0.05, kFirst), Verdict::overtaken);
}

// The window that had the focus when our raise of it was asked for, the focus lost to a gap, then
// that window focused again: the window manager handled our raise after the loss. Followed only
// when the user's hand acted since the raise.
struct BackAfterLossCase {
    const char* name;
    std::optional<double> handActed;
    Verdict verdict;
};

void PrintTo(const BackAfterLossCase& row, std::ostream* out) {
    *out << row.name;
}

class BackAfterLoss : public ::testing::TestWithParam<BackAfterLossCase> {};

TEST_P(BackAfterLoss, IsTheAnswerToOurRaise) {
    RaiseEchoes echoes;
    echoes.reset(kThird);
    echoes.raised(kThird, 0.00, false, true);
    EXPECT_FALSE(echoes.awaitsAnswers());
    echoes.lost();
    EXPECT_EQ(echoes.judge(kThird, 0.05, kFirst, GetParam().handActed), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, BackAfterLoss,
    ::testing::Values(BackAfterLossCase{"NoHand", std::nullopt, Verdict::overtaken},
                      BackAfterLossCase{"HandBeforeTheRaise", -1.0, Verdict::overtaken},
                      BackAfterLossCase{"HandSinceTheRaise", 0.03, Verdict::notOurs}),
    [](const auto& row) { return std::string(row.param.name); });

// Our raise of the second window, then the window manager's focus for the third (a new window's,
// say) before the raise's answer; the user closes a window, and the window manager names the third
// again. When the second closed, the window manager may have handled our raise (focused it,
// unheard) before handing the focus on: the third is news. When a window with nothing of ours to
// answer closed, the focus never left the third: told again.
struct FocusAfterCloseCase {
    const char* name;
    WindowID closed;
    Verdict verdict;
};

void PrintTo(const FocusAfterCloseCase& row, std::ostream* out) {
    *out << row.name;
}

class FocusAfterClose : public ::testing::TestWithParam<FocusAfterCloseCase> {};

TEST_P(FocusAfterClose, IsNewsOnlyWhereOurRaiseWasUnanswered) {
    RaiseEchoes echoes;
    echoes.reset(kFirst);
    echoes.raised(kSecond, 0.00, false);
    EXPECT_EQ(echoes.judge(kThird, 0.01, kSecond), Verdict::notOurs);
    echoes.closed(GetParam().closed);
    EXPECT_EQ(echoes.judge(kThird, 0.05, kFirst), GetParam().verdict);
}

INSTANTIATE_TEST_SUITE_P(
    RaiseEchoes, FocusAfterClose,
    ::testing::Values(FocusAfterCloseCase{"RaisedWindowClosed", kSecond, Verdict::notOurs},
                      FocusAfterCloseCase{"OtherWindowClosed", kFirst, Verdict::repeated}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
