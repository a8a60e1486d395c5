#include <gtest/gtest.h>

#include "windows/DisplayInfo.h"

namespace brindlow {
namespace {

ScreenInfo screen(std::uint32_t number, Rect frame, Rect visible, std::string uuid = "") {
    ScreenInfo info;
    info.number = number;
    info.name = "Screen " + std::to_string(number);
    info.frame = frame;
    info.visibleFrame = visible;
    if (!uuid.empty()) info.uuid = uuid;
    return info;
}

TEST(DisplayInfo, SortsLeftToRightWithTheUpperDisplayFirstOnTies) {
    const auto displays = DisplayInfo::fromScreens(
        {screen(1, {0, 0, 1920, 1080}, {0, 30, 1920, 1050}, "A"),
         screen(2, {-1280, 500, 1280, 1024}, {-1280, 500, 1280, 1024}, "B"),
         screen(3, {-1280, -524, 1280, 1024}, {-1280, -524, 1280, 1024}, "C")},
        std::nullopt);
    std::vector<std::string> order;
    for (const DisplayInfo& display : displays) order.push_back(display.uuid);
    ASSERT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(displays[2].visible, Rect(0, 30, 1920, 1050));
    EXPECT_EQ(displays[2].name, "Screen 1");
}

TEST(DisplayInfo, FallsBackToTheDisplayNumberAndSkipsScreensWithoutOne) {
    ScreenInfo numberless = screen(9, {0, 0, 100, 100}, {0, 0, 100, 100});
    numberless.number.reset();
    const auto displays = DisplayInfo::fromScreens(
        {screen(2, {0, 0, 800, 600}, {0, 0, 800, 600}), numberless}, std::nullopt);
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_EQ(displays[0].uuid, "display-2");
    EXPECT_EQ(displays[0].id, 2u);
}

TEST(DisplayInfo, WithoutADockTheVisibleFrameIsKeptUnrounded) {
    const Rect frame{0, 0, 1920, 1080};
    const Rect visible{0.5, 25.25, 1919.5, 1054.75};
    EXPECT_EQ(DisplayInfo::usableArea(frame, visible, std::nullopt), visible);
    // A dock on another display leaves this one alone, too.
    EXPECT_EQ(DisplayInfo::usableArea(frame, visible, Rect(2000, 1000, 600, 80)), visible);
}

TEST(DisplayInfo, ADockThatReservesNoSpaceShortensTheSideItLiesOn) {
    const Rect frame{0, 0, 1920, 1080};
    const Rect visible{0, 25, 1920, 1055};
    // Bottom: ends 4 points above the dock's top edge.
    EXPECT_EQ(DisplayInfo::usableArea(frame, visible, Rect(600, 1000, 720, 80)),
              Rect(0, 25, 1920, 971));
    // Left: starts 4 points right of it; right: ends 4 points left of it.
    EXPECT_EQ(DisplayInfo::usableArea(frame, visible, Rect(0, 300, 70, 500)),
              Rect(74, 25, 1846, 1055));
    EXPECT_EQ(DisplayInfo::usableArea(frame, visible, Rect(1850, 300, 70, 500)),
              Rect(0, 25, 1846, 1055));
    // Far from the edge it names: only made integral.
    EXPECT_EQ(DisplayInfo::usableArea(frame, {0, 25.5, 1920, 1054.5}, Rect(600, 700, 720, 80)),
              Rect(0, 25, 1920, 1055));
    // Covered completely: zero, never negative.
    EXPECT_EQ(DisplayInfo::usableArea(frame, {0, 1000, 1920, 80}, Rect(0, 900, 1920, 180)).height,
              0);
}

// A dock at the left edge shortens the area only where it reaches into it: not behind a panel
// that already keeps that edge, and not when it stands too far from the edge to be a side dock.
struct LeftDockCase {
    const char* name;
    double visibleLeft;
    Rect dock;
    double usableLeft;
};

class ALeftDock : public ::testing::TestWithParam<LeftDockCase> {};

TEST_P(ALeftDock, ShortensTheAreaOnlyWhereItReachesIn) {
    const Rect frame{0, 0, 1920, 1080};
    const Rect visible{GetParam().visibleLeft, 25, 1920 - GetParam().visibleLeft, 1055};
    const Rect usable = DisplayInfo::usableArea(frame, visible, GetParam().dock);
    EXPECT_EQ(usable.minX(), GetParam().usableLeft);
    EXPECT_EQ(usable.maxX(), 1920);
}

INSTANTIATE_TEST_SUITE_P(
    Docks, ALeftDock,
    ::testing::Values(LeftDockCase{"AtTheEdge", 0, {0, 300, 70, 500}, 74},
                      LeftDockCase{"BehindAWiderPanel", 100, {0, 300, 70, 500}, 100},
                      LeftDockCase{"FlushWithAPanel", 70, {0, 300, 70, 500}, 70},
                      LeftDockCase{"JustWithinReach", 0, {120, 300, 70, 500}, 194},
                      LeftDockCase{"BeyondReach", 0, {140, 300, 70, 500}, 0}),
    [](const ::testing::TestParamInfo<LeftDockCase>& row) { return std::string(row.param.name); });

// Screens that report a dock keeping no space of its own.
class ScreensWithDock final : public Screens {
  public:
    std::vector<ScreenInfo> screens() const override { return list; }
    std::optional<Rect> dockFrame() const override {
        ++dockReads;
        return dock;
    }
    ObserverToken addChangeObserver(std::function<void()>) override { return 1; }
    void removeChangeObserver(ObserverToken) override {}

    std::vector<ScreenInfo> list;
    std::optional<Rect> dock;
    mutable int dockReads = 0;
};

TEST(DisplayInfo, TheListingAppliesTheDockThePlatformReports) {
    ScreensWithDock screens;
    screens.list = {screen(1, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, "LEFT"),
                    screen(2, {1920, 0, 1920, 1080}, {1920, 0, 1920, 1080}, "RIGHT")};
    EXPECT_EQ(DisplayInfo::current(screens)[0].visible, Rect(0, 0, 1920, 1080));

    // A 48-point dock along the bottom of the right display: only that one ends 4 above it.
    screens.dock = Rect(2400, 1032, 960, 48);
    const std::vector<DisplayInfo> displays = DisplayInfo::current(screens);
    EXPECT_EQ(displays[0].visible, Rect(0, 0, 1920, 1080));
    EXPECT_EQ(displays[1].visible, Rect(1920, 0, 1920, 1028));
    // Read once per listing, not once per display.
    EXPECT_EQ(screens.dockReads, 2);
}

}  // namespace
}  // namespace brindlow
