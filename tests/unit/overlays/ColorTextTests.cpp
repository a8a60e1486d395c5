#include "overlays/ColorText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace brindlow::test {
namespace {

struct ParseCase {
    const char* text;
    std::optional<Color> color;
};

class ColorFromTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ColorFromTextTest, SixHexDigitsAfterTrimmingNumberSignsAndSpaces) {
    EXPECT_EQ(colorFromText(GetParam().text), GetParam().color) << GetParam().text;
}

constexpr Color kBlue{0x4C / 255.0, 0x8D / 255.0, 0xFF / 255.0, 1.0};

INSTANTIATE_TEST_SUITE_P(
    Accepted, ColorFromTextTest,
    ::testing::Values(ParseCase{"#4C8DFF", kBlue}, ParseCase{"4C8DFF", kBlue},
                      ParseCase{"#4c8dff", kBlue}, ParseCase{"  #4C8DFF ", kBlue},
                      ParseCase{"##4C8DFF", kBlue}, ParseCase{"4C8DFF#", kBlue},
                      ParseCase{"+12345", Color{0x01 / 255.0, 0x23 / 255.0, 0x45 / 255.0, 1.0}},
                      ParseCase{"-00000", Color{0, 0, 0, 1}}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, ColorFromTextTest,
    ::testing::Values(ParseCase{"#4C8DF", std::nullopt}, ParseCase{"#4C8DFF0", std::nullopt},
                      ParseCase{"4C 8DF", std::nullopt}, ParseCase{"", std::nullopt},
                      ParseCase{"#4C8DFG", std::nullopt}, ParseCase{"-12345", std::nullopt},
                      ParseCase{"0x4C8D", std::nullopt}, ParseCase{"\t4C8DF", std::nullopt}));

TEST(ColorTextTest, ComponentsTimes255CutTowardZeroInUpperCase) {
    EXPECT_EQ(colorText(kBlue), "#4C8DFF");
    EXPECT_EQ(colorText({1.0, 0.999, 0, 1}), "#FFFE00");
    EXPECT_EQ(colorText({0, 0, 0, 1}), "#000000");
    EXPECT_EQ(colorText({1.5, -0.2, 0.5, 1}), "#FF007F");
    EXPECT_EQ(colorText({std::nan(""), 0, 0, 1}), "#4C8DFF");
}

}  // namespace
}  // namespace brindlow::test
