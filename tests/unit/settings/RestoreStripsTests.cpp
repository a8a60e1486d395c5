#include <gtest/gtest.h>

#include <cmath>

#include "settings/RestoreStrips.h"
#include "unit/strip/StripBuilders.h"

using namespace brindlow;
using test::shape;

namespace {

WindowCandidate live(WindowID id, std::string app, std::string title, double x, double y = 0,
                     std::string display = "D1") {
    return {id, std::move(app), std::move(title), std::move(display), Rect{x, y, 400, 300}};
}

ColumnDescriptor saved(std::vector<WindowDescriptor> windows,
                       std::optional<Pin> pin = std::nullopt) {
    ColumnDescriptor c;
    c.weights.assign(windows.size(), 1.0);
    c.windows = std::move(windows);
    c.widthFraction = 0.4;
    c.pin = pin;
    return c;
}

SessionSnapshot snapshotOf(std::vector<DisplayDescriptor> displays) {
    return {std::move(displays), Date{0}};
}

const ColumnWidthRule kWidth = [](const WindowCandidate& c) {
    return c.bundleID == "wide" ? 0.75 : 0.5;
};

std::map<std::string, Strip> restore(const SessionSnapshot& snapshot,
                                     std::vector<WindowCandidate> pool,
                                     std::vector<std::string> displays = {"D1"}) {
    const std::string fallback = displays.front();
    return restoreStrips(snapshot, std::move(pool), displays, fallback, kWidth);
}

}  // namespace

TEST(TakeCandidate, TitleFirstThenApplicationThenNothing) {
    std::vector<WindowCandidate> pool = {live(1, "a", "one", 0), live(2, "b", "two", 0),
                                         live(3, "a", "three", 0)};
    EXPECT_EQ(takeCandidate("a", "three", pool)->id, 3u);
    EXPECT_EQ(takeCandidate("a", "gone", pool)->id, 1u);
    EXPECT_FALSE(takeCandidate("a", "one", pool));
    EXPECT_FALSE(takeCandidate("B", "two", pool));  // case-sensitive
    ASSERT_EQ(pool.size(), 1u);
    EXPECT_EQ(pool[0].id, 2u);
}

TEST(RestoreStrips, EmptySnapshotMakesOneColumnPerWindowLeftToRightThenTopToBottom) {
    const auto strips =
        restore({}, {live(1, "A", "", 800), live(2, "B", "", 0, 300), live(3, "wide", "", 0, 100)});
    const Strip& strip = strips.at("D1");
    EXPECT_EQ(shape(strip), "*3 2 1");
    EXPECT_EQ(strip.columns[0], Column::single(3, 0.75));
    EXPECT_EQ(strip.scrollOffset, 0);
}

TEST(RestoreStrips, NoCandidatesGiveEmptyStripsForEveryDisplayAndTheFallback) {
    const auto strips = restoreStrips({}, {}, {"D1", "D2"}, "F", kWidth);
    EXPECT_EQ(strips, (std::map<std::string, Strip>{{"D1", {}}, {"D2", {}}, {"F", {}}}));
}

TEST(RestoreStrips, TitlesPickTheirWindowsRegardlessOfPosition) {
    const auto snapshot =
        snapshotOf({{"D1", "", {saved({{"t", "right"}}), saved({{"t", "left"}})}, 0}});
    const auto strips = restore(snapshot, {live(10, "t", "left", 0), live(20, "t", "right", 900)});
    EXPECT_EQ(shape(strips.at("D1")), "*20 10");
}

TEST(RestoreStrips, MatchingIsGreedyInSavedOrder) {
    // "gone" takes the leftmost window, which "b" would have matched by title;
    // "b" then takes the remaining window of the application.
    const auto snapshot = snapshotOf(
        {{"D1", "", {saved({{"t", "gone"}}), saved({{"t", "b"}}), saved({{"t", "c"}})}, 2}});
    const auto strips = restore(snapshot, {live(1, "t", "b", 0), live(2, "t", "x", 500)});
    EXPECT_EQ(shape(strips.at("D1")), "*1 2");  // the focused saved column kept nothing
}

TEST(RestoreStrips, StackThatLostAWindowKeepsItsWeightsAndClampsTheActiveRow) {
    ColumnDescriptor stack = saved({{"a", "1"}, {"a", "gone"}, {"b", "3"}});
    stack.weights = {2, 1, 0.5};
    stack.activeIndex = 2;
    stack.widthFraction = 1e300;  // kept unbounded
    stack.isTabbed = true;
    stack.autoTabbed = true;
    const auto strips = restore(snapshotOf({{"D1", "", {stack}, 0}}),
                                {live(1, "a", "1", 0), live(3, "b", "3", 10)});
    const Column expected{.windows = {1, 3},
                          .weights = {2, 0.5},
                          .activeIndex = 1,
                          .widthFraction = 1e300,  // kept unbounded
                          .isTabbed = true,
                          .autoTabbed = true,
                          .pin = std::nullopt,
                          .refusedWidth = std::nullopt};
    EXPECT_EQ(strips.at("D1").columns.at(0), expected);
}

TEST(RestoreStrips, ShortWeightListResetsEveryWeight) {
    ColumnDescriptor stack = saved({{"a", "1"}, {"a", "2"}});
    stack.weights = {3};
    const auto strips = restore(snapshotOf({{"D1", "", {stack}, 0}}),
                                {live(1, "a", "1", 0), live(2, "a", "2", 0, 10)});
    EXPECT_EQ(strips.at("D1").columns.at(0).weights, (std::vector<double>{1, 1}));
}

TEST(RestoreStrips, HugeAndNegativeIndicesAreLimited) {
    ColumnDescriptor stack = saved({{"a", "1"}, {"a", "2"}});
    stack.activeIndex = std::numeric_limits<std::int64_t>::max();
    ColumnDescriptor other = saved({{"b", "1"}});
    other.activeIndex = std::numeric_limits<std::int64_t>::min();
    const auto snapshot =
        snapshotOf({{"D1", "", {stack, other}, std::numeric_limits<std::int64_t>::max()}});
    const auto strips =
        restore(snapshot, {live(1, "a", "1", 0), live(2, "a", "2", 5), live(3, "b", "1", 9)});
    EXPECT_EQ(shape(strips.at("D1")), "*1,2^ 3");
}

TEST(RestoreStrips, DisconnectedDisplayFoldsOntoTheFallbackInSavedOrder) {
    const DisplayDescriptor own{"D1", "", {saved({{"a", ""}})}, std::nullopt};
    const DisplayDescriptor gone{"GONE", "", {saved({{"b", ""}}), saved({{"c", ""}})}, 1};
    const std::vector<WindowCandidate> pool = {live(1, "a", "", 0), live(2, "b", "", 10),
                                               live(3, "c", "", 20)};

    auto strips = restoreStrips(snapshotOf({own, gone}), pool, {"D1", "D2"}, "D1", kWidth);
    EXPECT_EQ(shape(strips.at("D1")), "1 2 *3");  // the folded display's focus, shifted
    EXPECT_TRUE(strips.at("D2").columns.empty());
    EXPECT_FALSE(strips.contains("GONE"));

    strips = restoreStrips(snapshotOf({gone, own}), pool, {"D1", "D2"}, "D1", kWidth);
    EXPECT_EQ(shape(strips.at("D1")), "2 *3 1");
}

TEST(RestoreStrips, FirstFoldedFocusWins) {
    const DisplayDescriptor first{"X", "", {saved({{"a", ""}}), saved({{"b", ""}})}, 1};
    const DisplayDescriptor second{"Y", "", {saved({{"c", ""}})}, 0};
    const auto strips = restoreStrips(
        snapshotOf({first, second}),
        {live(1, "a", "", 0), live(2, "b", "", 1), live(3, "c", "", 2)}, {"D1"}, "D1", kWidth);
    EXPECT_EQ(strips.at("D1").focusedIndex, 1);
}

TEST(RestoreStrips, PinnedColumnsAreRegroupedAndFocusFollowsItsWindow) {
    ColumnDescriptor right = saved({{"r", ""}}, Pin::right);
    const auto snapshot =
        snapshotOf({{"D1", "", {right, saved({{"u", ""}}), saved({{"l", ""}}, Pin::left)}, 1}});
    const auto strips =
        restore(snapshot, {live(1, "r", "", 0), live(2, "u", "", 1), live(3, "l", "", 2)});
    EXPECT_EQ(shape(strips.at("D1")), "L:3 *2 R:1");
}

TEST(RestoreStrips, LeftoversGoToTheEndOfTheirOwnDisplayOrTheFallback) {
    const auto snapshot = snapshotOf({{"D2", "", {saved({{"a", ""}})}, 0}});
    const auto strips =
        restoreStrips(snapshot,
                      {live(5, "new", "", -500, 0, "D2"), live(1, "a", "", 100, 0, "D2"),
                       live(6, "wide", "", 0, 0, "ELSEWHERE")},
                      {"D1", "D2"}, "D1", kWidth);
    EXPECT_EQ(shape(strips.at("D2")), "*1 5");
    EXPECT_EQ(shape(strips.at("D1")), "*6");
    EXPECT_EQ(strips.at("D1").columns[0].widthFraction, 0.75);
}

TEST(RestoreStrips, FramesWithNaNEdgesSortLastWithoutBreakingTheOrder) {
    std::vector<WindowCandidate> pool;
    for (WindowID id = 1; id <= 40; ++id)
        pool.push_back(live(id, "a", "", id % 3 == 0 ? std::nan("") : double(100 - id)));
    const auto strips = restore({}, pool);
    const Strip& strip = strips.at("D1");
    ASSERT_EQ(strip.columns.size(), 40u);
    EXPECT_EQ(strip.columns.front().windows[0], 40u);
    EXPECT_EQ(strip.columns.back().windows[0], 39u);  // NaN edges keep their given order, last
}
