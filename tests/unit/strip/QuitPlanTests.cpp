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

LE::QuitWindow withOriginal(WindowID id, Rect original, bool isHidden = false) {
    return {id, {10, 10, 300, 200}, original, isHidden};
}
LE::QuitWindow hidden(WindowID id, Rect current) {
    return {id, current, std::nullopt, true};
}
LE::QuitWindow shown(WindowID id, Rect current) {
    return {id, current, std::nullopt, false};
}

struct QuitCase {
    const char* what;
    std::vector<LE::QuitWindow> windows;
    std::map<WindowID, Rect> expected;
    Rect fallback = usable;
};

class QuitPlan : public ::testing::TestWithParam<QuitCase> {};

TEST_P(QuitPlan, PlacesEveryWindow) {
    const QuitCase& c = GetParam();
    EXPECT_EQ(plan(c.windows, c.fallback), c.expected) << c.what;
}

const std::vector<LE::QuitWindow> sixTall = {
    hidden(1, {0, 0, 300, 600}), hidden(2, {0, 0, 300, 600}), hidden(3, {0, 0, 300, 600}),
    hidden(4, {0, 0, 300, 600}), hidden(5, {0, 0, 300, 600}), hidden(6, {0, 0, 300, 600})};

INSTANTIATE_TEST_SUITE_P(
    Cases, QuitPlan,
    ::testing::Values(
        QuitCase{"original frames on a display are kept",
                 {withOriginal(1, {-1, 100, 500, 400}), withOriginal(2, {1200, 100, 500, 400}),
                  withOriginal(3, {600, 401, 401, 401})},
                 {{1, {-1, 100, 500, 400}}, {2, {1200, 100, 500, 400}}, {3, {600, 401, 401, 401}}}},
        QuitCase{"original frames off every display are clamped into the fallback",
                 {withOriginal(1, {-3, 100, 500, 400}), withOriginal(2, {2500, 100.4, 500, 400}),
                  withOriginal(3, {-50, -50, 3000, 2000})},
                 {{1, {0, 100, 500, 400}}, {2, {500, 100, 500, 400}}, {3, {0, 25, 1000, 775}}}},
        QuitCase{"an original frame wins over hiding",
                 {withOriginal(1, {100, 100, 300, 300}, true)},
                 {{1, {100, 100, 300, 300}}}},
        QuitCase{"visible windows without an original stay where they are inside the fallback",
                 {shown(1, {100, 100, 300, 200}), shown(2, {-40, 0, 3000, 2000}),
                  shown(3, {900.6, 700, 300, 200})},
                 {{1, {100, 100, 300, 200}}, {2, {0, 25, 1000, 775}}, {3, {700, 600, 300, 200}}}},
        QuitCase{"hidden windows cascade from the top left corner",
                 {hidden(1, {-500, 10, 300, 200}), shown(2, {100, 100, 300, 200}),
                  hidden(3, {990, 10, 300, 200}), hidden(4, {990, 10, 300, 200})},
                 {{1, {24, 49, 300, 200}},
                  {2, {100, 100, 300, 200}},
                  {3, {56, 81, 300, 200}},
                  {4, {88, 113, 300, 200}}}},
        // 775 - 48 - 600 = 127 leaves room for 3 steps down (127 / 32 = 3.97, plus the start).
        QuitCase{"the cascade starts over before it leaves the fallback",
                 sixTall,
                 {{1, {24, 49, 300, 600}},
                  {2, {56, 81, 300, 600}},
                  {3, {88, 113, 300, 600}},
                  {4, {120, 145, 300, 600}},
                  {5, {24, 49, 300, 600}},
                  {6, {56, 81, 300, 600}}}},
        QuitCase{"windows nearly as large as the fallback all land on the first step",
                 {hidden(1, {0, 0, 990, 770}), hidden(2, {0, 0, 990, 770})},
                 {{1, {24, 49, 952, 727}}, {2, {24, 49, 952, 727}}}},
        QuitCase{"a tiny fallback never gives empty or negative sizes",
                 {hidden(1, {0, 0, 300, 200}), hidden(2, {0, 0, 300, 200}),
                  shown(3, {0, 0, 300, 200}), withOriginal(4, {5000, 0, 300, 200})},
                 {{1, {124, 124, 1, 1}},
                  {2, {124, 124, 1, 1}},
                  {3, {100, 100, 30, 30}},
                  {4, {100, 100, 30, 30}}},
                 {100, 100, 30, 30}}));

TEST(QuitPlanEmptyFallback, StillGivesEveryWindowAPoint) {
    const auto empty = plan({shown(1, {0, 0, 300, 200}), hidden(2, {0, 0, 0, 0})}, Rect{});
    EXPECT_EQ(empty.at(1).size(), (Size{1, 1}));
    EXPECT_EQ(empty.at(2).size(), (Size{1, 1}));
}

}  // namespace
}  // namespace brindlow
