#include "overlays/BadgeOverlayController.h"

#include <gtest/gtest.h>

#include "overlays/OverlayGeometry.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

struct DotCase {
    const char* name;
    Rect window;
    Rect display;
    Point dot;
};

class BadgeDotPlacementTest : public ::testing::TestWithParam<DotCase> {};

TEST_P(BadgeDotPlacementTest, SixPointsInsideTheTopRightCornerAndTwoInsideTheDisplay) {
    const DotCase& c = GetParam();
    EXPECT_EQ(badgeDotFrame(c.window, c.display), Rect(c.dot.x, c.dot.y, 16, 16));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadgeDotPlacementTest,
    ::testing::Values(
        DotCase{"Inside", Rect(1000, 40, 800, 600), Rect(0, 0, 2560, 1440), {1778, 46}},
        DotCase{"OverTheRightEdge", Rect(1900, 40, 800, 600), Rect(0, 0, 2560, 1440), {2542, 46}},
        DotCase{"NearTheLeftEdge", Rect(-780, 40, 800, 600), Rect(0, 0, 2560, 1440), {2, 46}},
        DotCase{"ParkedOnASecondDisplay",
                Rect(2400, 40, 181, 600),
                Rect(2560, 0, 1920, 1080),
                {2562, 46}},
        DotCase{"SecondDisplayRightEdge",
                Rect(4000, 0, 900, 600),
                Rect(2560, 0, 1920, 1080),
                {4462, 6}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

WindowSnapshot window(WindowID id, Rect frame, bool badge) {
    WindowSnapshot w;
    w.id = id;
    w.frame = frame;
    w.hasBadge = badge;
    return w;
}

DisplaySnapshot display(std::vector<WindowSnapshot> windows, Rect frame = {0, 0, 2560, 1440}) {
    DisplaySnapshot d;
    d.id = "D1";
    d.frame = frame;
    for (WindowSnapshot& w : windows) {
        ColumnSnapshot column;
        column.windows = {w};
        d.columns.push_back(column);
    }
    return d;
}

class BadgeOverlayTest : public ::testing::Test {
  protected:
    const FakeSurface* dot(WindowID id) const {
        return static_cast<const FakeSurface*>(controller.dot(id));
    }
    FakeSurfaceFactory factory;
    BadgeOverlayController controller{factory};
};

TEST_F(BadgeOverlayTest, BadgedWindowsGetFloatingClickThroughDotsThatFollowAndGo) {
    controller.update({display({window(1, Rect(1000, 40, 800, 600), true),
                                window(2, Rect(0, 40, 500, 600), false)})},
                      false);
    ASSERT_EQ(controller.dotCount(), 1u);
    const FakeSurface* first = dot(1);
    EXPECT_EQ(first->frame(), Rect(1778, 46, 16, 16));
    EXPECT_EQ(first->order, FakeSurface::Order::front);
    EXPECT_EQ(first->options.tier, SurfaceTier::floating);
    EXPECT_TRUE(first->options.clickThrough);
    EXPECT_TRUE(first->options.shadow);

    // The same badge again: the same dot, moved and ordered front once more.
    controller.update({display({window(1, Rect(900, 40, 800, 600), true)})}, false);
    EXPECT_EQ(dot(1), first);
    EXPECT_EQ(first->frame(), Rect(1678, 46, 16, 16));
    EXPECT_EQ(first->orders, 2);
    EXPECT_EQ(factory.made.size(), 1u);

    controller.update({display({window(1, Rect(900, 40, 800, 600), false)})}, false);
    EXPECT_EQ(controller.dotCount(), 0u);
}

// A title bar 28 high with its buttons at the right, borders of 2: the dot sits against the
// content's top-right corner, below the title bar and inside the right border.
TEST_F(BadgeOverlayTest, TheDotKeepsOffTheDecorations) {
    factory.decorated[1] = {2, 2, 28, 2};
    controller.update({display({window(1, Rect(1000, 40, 800, 600), true),
                                window(2, Rect(0, 40, 500, 600), true)})},
                      false);
    EXPECT_EQ(dot(1)->frame(), Rect(1776, 74, 16, 16));
    // A window without decorations keeps the dot at its own corner.
    EXPECT_EQ(dot(2)->frame(), Rect(478, 46, 16, 16));
}

TEST_F(BadgeOverlayTest, ALaterWindowWithTheSameIdPlacesTheOneDot) {
    controller.update({display({window(5, Rect(0, 40, 800, 600), true),
                                window(5, Rect(1000, 40, 800, 600), true)})},
                      false);
    ASSERT_EQ(controller.dotCount(), 1u);
    EXPECT_EQ(dot(5)->frame().x, 1778);
}

TEST_F(BadgeOverlayTest, PausedOrEmptySnapshotsAndDesktopChangesRemoveEveryDot) {
    const auto badged = display({window(1, Rect(1000, 40, 800, 600), true)});
    controller.update({badged}, true);
    EXPECT_EQ(controller.dotCount(), 0u);
    controller.update({badged}, false);
    EXPECT_EQ(controller.dotCount(), 1u);
    controller.update({}, false);
    EXPECT_EQ(controller.dotCount(), 0u);
    controller.update({badged}, false);
    factory.changeDesktop();
    EXPECT_EQ(controller.dotCount(), 0u);
    // A dot that comes back is a new one.
    controller.update({badged}, false);
    EXPECT_EQ(factory.made.size(), 3u);
}

}  // namespace
}  // namespace brindlow::test
