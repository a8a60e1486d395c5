#include <gtest/gtest.h>

#include <filesystem>

#include "controller/LearnedHeights.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

// A height learned again is written only when it differs from the known one by 2 points or more.
struct LearnCase {
    const char* name;
    double second;
    bool written;
    double kept;
};

class LearnedHeightsWrites : public test::QuietLogTest,
                             public testing::WithParamInterface<LearnCase> {};

TEST_P(LearnedHeightsWrites, OnlyANoticeableChange) {
    const LearnCase& c = GetParam();
    test::TempFolder folder;
    LearnedHeights heights = LearnedHeights::load(folder.path());
    heights.learn("org.example.editor", 600);
    const std::filesystem::path file = folder.path() / LearnedHeights::kFileName;
    ASSERT_TRUE(std::filesystem::exists(file));
    std::filesystem::remove(file);
    heights.learn("org.example.editor", c.second);
    EXPECT_EQ(std::filesystem::exists(file), c.written);
    EXPECT_EQ(heights.heightFor("org.example.editor"), c.kept);
    EXPECT_EQ(LearnedHeights::load(folder.path()).heightFor("org.example.editor"),
              c.written ? std::optional<double>(c.kept) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Cases, LearnedHeightsWrites,
                         testing::Values(LearnCase{"Same", 600, false, 600},
                                         LearnCase{"OneAndAHalfTaller", 601.5, false, 600},
                                         LearnCase{"OneAndAHalfShorter", 598.5, false, 600},
                                         LearnCase{"TwoTaller", 602, true, 602},
                                         LearnCase{"MuchShorter", 480, true, 480}),
                         [](const auto& named) { return std::string(named.param.name); });

}  // namespace
}  // namespace brindlow
