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

}  // namespace
}  // namespace brindlow
