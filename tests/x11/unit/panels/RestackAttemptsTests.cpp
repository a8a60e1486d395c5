#include <gtest/gtest.h>

#include "platform/x11/panels/RestackAttempts.h"

using namespace brindlow;

namespace {

// Counts the requests sent while a window manager republishes the lists in turn.
int requestsFor(RestackAttempts& attempts, const std::vector<std::vector<std::uint32_t>>& lists) {
    int sent = 0;
    for (const auto& stacking : lists) sent += attempts.mayAsk(stacking) ? 1 : 0;
    return sent;
}

const std::vector<std::uint32_t> kBetween{0x200001, 0x400001, 0x200002};
const std::vector<std::uint32_t> kShuffled{0x200002, 0x400001, 0x200001};

}  // namespace

TEST(RestackAttempts, TheSameOrderRepublishedIsAskedForOnce) {
    RestackAttempts attempts;
    EXPECT_EQ(requestsFor(attempts, std::vector(20000, kBetween)), 1);
}

TEST(RestackAttempts, AnOrderThatKeepsChangingIsAskedForAFewTimesOnly) {
    RestackAttempts attempts;
    std::vector<std::vector<std::uint32_t>> lists;
    for (int turn = 0; turn < 1000; ++turn) lists.push_back(turn % 2 ? kShuffled : kBetween);
    EXPECT_EQ(requestsFor(attempts, lists), 3);
}

TEST(RestackAttempts, ANewGroupOrASettledOrderIsAskedForAfresh) {
    RestackAttempts attempts;
    EXPECT_EQ(requestsFor(attempts, {kBetween, kShuffled, kBetween, kShuffled}), 3);
    attempts.groupChanged();
    EXPECT_EQ(requestsFor(attempts, {kBetween, kBetween}), 1);
    attempts.settled();
    EXPECT_EQ(requestsFor(attempts, {kBetween}), 1);
}
