#include <gtest/gtest.h>

#include "controller/AnimationTiming.h"

namespace brindlow {
namespace {

struct TimingCase {
    const char* name;
    double stiffness;
    double distance;
    double base;
    double glide;
    double scroll;
};

class AnimationTimingTable : public testing::TestWithParam<TimingCase> {};

TEST_P(AnimationTimingTable, DurationsFollowStiffnessAndDistance) {
    const TimingCase& c = GetParam();
    EXPECT_NEAR(AnimationTiming::baseDuration(c.stiffness), c.base, 1e-9);
    EXPECT_NEAR(AnimationTiming::glideDuration(c.stiffness), c.glide, 1e-9);
    EXPECT_NEAR(AnimationTiming::scrollDuration(c.stiffness, c.distance), c.scroll, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnimationTimingTable,
                         testing::Values(
                             // 6.2 / sqrt(100) = 0.62; 1000 points add 0.4 bases to 0.8.
                             TimingCase{"Default", 100, 1000, 0.62, 0.682, 0.744},
                             // 10 points add 0.004 bases; long trips take at most one and a half.
                             TimingCase{"ShortTrip", 100, 10, 0.62, 0.682, 0.49848},
                             TimingCase{"LongTrip", 100, 9000, 0.62, 0.682, 0.93},
                             // Soft springs are capped at 0.9 s, stiff ones at 0.15 s.
                             TimingCase{"Soft", 10, 0, 0.9, 0.99, 0.72},
                             TimingCase{"BelowSoftest", 1, 0, 0.9, 0.99, 0.72},
                             TimingCase{"Stiff", 4000, 2500, 0.15, 0.165, 0.225}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
}  // namespace brindlow
