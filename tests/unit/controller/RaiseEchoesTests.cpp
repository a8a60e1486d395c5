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

}  // namespace
}  // namespace brindlow
