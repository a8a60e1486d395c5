#include <gtest/gtest.h>

#include "platform/x11/windows/MaximizedFrames.h"

using namespace brindlow;

namespace {

constexpr Rect kLeft{0, 0, 1920, 1080};
constexpr Rect kRight{1920, 0, 1280, 1024};

}  // namespace

// A panel's strut on the right monitor: the work area spans both monitors less the panel's 120.
TEST(MaximizedFrames, AreEachMonitorAndItsPartWithinTheWorkArea) {
    const std::vector<Rect> frames = maximizedFrames({kLeft, kRight}, Rect{0, 0, 3080, 1080});
    EXPECT_EQ(frames, (std::vector<Rect>{kLeft, kRight, Rect{1920, 0, 1160, 1024}}));
}

TEST(MaximizedFrames, AreTheMonitorsAloneWithoutAWorkArea) {
    EXPECT_EQ(maximizedFrames({kLeft}, std::nullopt), std::vector<Rect>{kLeft});
}

struct SizeRow {
    const char* name;
    Size frame;
    std::optional<Size> increments;
    bool maximized;
};

class MaximizedSize : public testing::TestWithParam<SizeRow> {};

TEST_P(MaximizedSize, IsAMaximizedFramesSizeToWithinAnIncrement) {
    const std::vector<Rect> frames{kLeft, Rect{0, 0, 1800, 1080}};
    EXPECT_EQ(hasMaximizedSize(GetParam().frame, GetParam().increments, frames),
              GetParam().maximized);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MaximizedSize,
    testing::Values(SizeRow{"TheMonitor", {1920, 1080}, std::nullopt, true},
                    SizeRow{"TheWorkArea", {1800, 1080}, std::nullopt, true},
                    SizeRow{"AFullWidthColumn", {1896, 1056}, std::nullopt, false},
                    SizeRow{"ATerminalShortByLessThanALine", {1920, 1068}, Size{6, 13}, true},
                    SizeRow{"ATerminalShortByALine", {1920, 1067}, Size{6, 13}, false},
                    SizeRow{"ShortWithoutIncrements", {1920, 1068}, std::nullopt, false},
                    SizeRow{"Larger", {1921, 1080}, Size{6, 13}, false}),
    [](const testing::TestParamInfo<SizeRow>& row) { return std::string(row.param.name); });
