// Where windows go when the application quits: back to their original frames, clamped onto the
// display, or fanned out in a cascade.

#include <gtest/gtest.h>

#include "strip/LayoutEngine.h"

namespace brindlow {
namespace {

namespace LE = LayoutEngine;

const Rect mainScreen{0, 0, 1000, 800};
const Rect sideScreen{1000, 0, 1000, 800};
const Rect usable{0, 25, 1000, 775};
const std::vector<Rect> screens = {mainScreen, sideScreen};

std::map<WindowID, Rect> plan(const std::vector<LE::QuitWindow>& windows,
                              const Rect& fallback = usable) {
    return LE::quitPlan(windows, screens, fallback, 24);
}

LE::QuitWindow withOriginal(WindowID id, Rect original) {
    return {id, {10, 10, 300, 200}, original, false};
}
LE::QuitWindow hidden(WindowID id, Rect current) {
    return {id, current, std::nullopt, true};
}
LE::QuitWindow shown(WindowID id, Rect current) {
    return {id, current, std::nullopt, false};
}

TEST(QuitPlan, OriginalFramesOnADisplayAreKept) {
    const auto result =
        plan({withOriginal(1, {-1, 100, 500, 400}), withOriginal(2, {1200, 100, 500, 400}),
              withOriginal(3, {600, 401, 401, 401})});
    EXPECT_EQ(result.at(1), Rect(-1, 100, 500, 400));
    EXPECT_EQ(result.at(2), Rect(1200, 100, 500, 400));
    EXPECT_EQ(result.at(3), Rect(600, 401, 401, 401));
}

TEST(QuitPlan, OriginalFramesOffEveryDisplayAreClampedIntoTheFallback) {
    const auto result =
        plan({withOriginal(1, {-3, 100, 500, 400}), withOriginal(2, {2500, 100.4, 500, 400}),
              withOriginal(3, {-50, -50, 3000, 2000})});
    EXPECT_EQ(result.at(1), Rect(0, 100, 500, 400));
    EXPECT_EQ(result.at(2), Rect(500, 100, 500, 400));
    EXPECT_EQ(result.at(3), Rect(0, 25, 1000, 775));
}

TEST(QuitPlan, AnOriginalFrameWinsOverHiding) {
    LE::QuitWindow window = withOriginal(1, {100, 100, 300, 300});
    window.hidden = true;
    EXPECT_EQ(plan({window}).at(1), Rect(100, 100, 300, 300));
}

TEST(QuitPlan, VisibleWindowsWithoutAnOriginalStayWhereTheyAreInsideTheFallback) {
    const auto result = plan({shown(1, {100, 100, 300, 200}), shown(2, {-40, 0, 3000, 2000}),
                              shown(3, {900.6, 700, 300, 200})});
    EXPECT_EQ(result.at(1), Rect(100, 100, 300, 200));
    EXPECT_EQ(result.at(2), Rect(0, 25, 1000, 775));
    EXPECT_EQ(result.at(3), Rect(700, 600, 300, 200));
}

TEST(QuitPlan, HiddenWindowsCascadeFromTheTopLeftCorner) {
    const auto result = plan({hidden(1, {-500, 10, 300, 200}), shown(2, {100, 100, 300, 200}),
                              hidden(3, {990, 10, 300, 200}), hidden(4, {990, 10, 300, 200})});
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result.at(1), Rect(24, 49, 300, 200));
    EXPECT_EQ(result.at(3), Rect(56, 81, 300, 200));
    EXPECT_EQ(result.at(4), Rect(88, 113, 300, 200));
}

TEST(QuitPlan, TheCascadeStartsOverBeforeItLeavesTheFallback) {
    // 775 - 48 - 600 = 127 leaves room for 3 steps down (127 / 32 = 3.97, plus the start).
    std::vector<LE::QuitWindow> windows;
    for (WindowID id = 1; id <= 6; ++id) windows.push_back(hidden(id, {0, 0, 300, 600}));
    const auto result = plan(windows);
    EXPECT_EQ(result.at(4).origin(), (Point{120, 145}));
    EXPECT_EQ(result.at(5).origin(), (Point{24, 49}));
    EXPECT_EQ(result.at(6).origin(), (Point{56, 81}));
}

TEST(QuitPlan, WindowsNearlyAsLargeAsTheFallbackAllLandOnTheFirstStep) {
    const auto result = plan({hidden(1, {0, 0, 990, 770}), hidden(2, {0, 0, 990, 770})});
    EXPECT_EQ(result.at(1), Rect(24, 49, 952, 727));
    EXPECT_EQ(result.at(2), Rect(24, 49, 952, 727));
}

TEST(QuitPlan, ATinyFallbackNeverGivesEmptyOrNegativeSizes) {
    const Rect tiny{100, 100, 30, 30};
    const auto result = plan({hidden(1, {0, 0, 300, 200}), hidden(2, {0, 0, 300, 200}),
                              shown(3, {0, 0, 300, 200}), withOriginal(4, {5000, 0, 300, 200})},
                             tiny);
    ASSERT_EQ(result.size(), 4u);
    for (const auto& [id, frame] : result) {
        EXPECT_GE(frame.width, 1) << id;
        EXPECT_GE(frame.height, 1) << id;
    }
    EXPECT_EQ(result.at(1), Rect(124, 124, 1, 1));
    EXPECT_EQ(result.at(2), Rect(124, 124, 1, 1));
    EXPECT_EQ(result.at(3), Rect(100, 100, 30, 30));

    const auto empty = plan({shown(1, {0, 0, 300, 200}), hidden(2, {0, 0, 0, 0})}, Rect{});
    EXPECT_EQ(empty.at(1).size(), (Size{1, 1}));
    EXPECT_EQ(empty.at(2).size(), (Size{1, 1}));
}

TEST(QuitPlan, NoInputNoPlan) {
    EXPECT_TRUE(plan({}).empty());
}

}  // namespace
}  // namespace brindlow
