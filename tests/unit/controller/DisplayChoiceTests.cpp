#include <gtest/gtest.h>

#include <vector>

#include "controller/DisplayChoice.h"

namespace brindlow {
namespace {

struct ChoiceCase {
    const char* name;
    Rect frame;
    std::optional<std::string> expected;
};

class DisplayChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(DisplayChoice, AWindowBelongsToTheDisplayItOverlapsMostElseTheNearest) {
    const std::vector<DisplayInfo> sideBySide = {{1, "LEFT", "Left", {0, 0, 1920, 1080}, {}},
                                                 {2, "RIGHT", "Right", {1920, 0, 1920, 1080}, {}}};
    EXPECT_EQ(displayHolding(GetParam().frame, sideBySide), GetParam().expected);
    EXPECT_EQ(displayHolding(GetParam().frame, {}), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayChoice,
                         testing::Values(ChoiceCase{"MostlyRight", {1800, 0, 400, 300}, "RIGHT"},
                                         ChoiceCase{"MostlyLeft", {1700, 0, 400, 300}, "LEFT"},
                                         ChoiceCase{"FarRight", {5000, 0, 400, 300}, "RIGHT"},
                                         ChoiceCase{"FarLeft", {-900, 0, 400, 300}, "LEFT"},
                                         ChoiceCase{"EvenSplitFirst", {1720, 0, 400, 300}, "LEFT"}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
}  // namespace brindlow
