#include <gtest/gtest.h>

#include "controller/FramePacing.h"
#include "controller/SizeCheck.h"

namespace brindlow {
namespace {

TEST(FramePacing, HalfwayThroughAGlideSlowResizersSlideAtTheirFinalSize) {
    const Rect from{200, 140, 500, 520};
    const Rect to{100, 100, 700, 600};
    EXPECT_EQ(FramePacing::glideFrame(from, to, 0.5, false), (Rect{150, 120, 600, 560}));
    EXPECT_EQ(FramePacing::glideFrame(from, to, 0.5, true), (Rect{150, 120, 700, 600}));
    // Whole points, halves away from zero.
    EXPECT_EQ(FramePacing::glideFrame({0, 0, 100, 100}, {1, 1, 101, 101}, 0.5, false),
              (Rect{1, 1, 101, 101}));
}

struct LeadCase {
    double lag;
    int steps;
};

class FramePacingLead : public testing::TestWithParam<LeadCase> {};

TEST_P(FramePacingLead, SlowApplicationsAreSentFramesAheadByAtMostThreeTenths) {
    EXPECT_EQ(FramePacing::leadSteps(GetParam().lag), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Cases, FramePacingLead,
                         testing::Values(LeadCase{0, 0}, LeadCase{0.024, 0}, LeadCase{0.025, 1},
                                         LeadCase{0.05, 3}, LeadCase{0.11, 6}, LeadCase{0.3, 15},
                                         LeadCase{0.4, 15}));

struct VerdictCase {
    const char* name;
    SizeCheck::Dimension dimension;
    double live;
    double observed;
    bool askedAgain;
    SizeCheck::Verdict verdict;
};

class SizeCheckVerdict : public testing::TestWithParam<VerdictCase> {};

// Sent 600 wide and 500 tall.
TEST_P(SizeCheckVerdict, ALookAtTheWindowSaysWhatComesNext) {
    const VerdictCase& c = GetParam();
    SizeCheck check{7, c.dimension, {0, 0, 600, 500}, c.observed, c.askedAgain};
    const Rect live = c.dimension == SizeCheck::Dimension::width ? Rect{0, 0, c.live, 500}
                                                                 : Rect{0, 0, 600, c.live};
    EXPECT_EQ(check.judge(live), c.verdict);
}

using D = SizeCheck::Dimension;
using V = SizeCheck::Verdict;
INSTANTIATE_TEST_SUITE_P(
    Cases, SizeCheckVerdict,
    testing::Values(VerdictCase{"TookTheHeight", D::height, 502, 590, false, V::tookIt},
                    VerdictCase{"TookTheWidth", D::width, 600, 640, false, V::tookIt},
                    VerdictCase{"StillGrowing", D::height, 605, 600, false, V::stillMoving},
                    VerdictCase{"HeldStill", D::height, 601, 600, false, V::askAgain},
                    VerdictCase{"HeldStillAfterAsking", D::height, 600, 600, true, V::refused},
                    // A size in steps (a terminal's cells) 2 points short is learned too: the
                    // room it leaves goes to the next column, or to the next window of a stack.
                    VerdictCase{"NarrowerHeldStill", D::width, 598, 598, false, V::askAgain},
                    VerdictCase{"NarrowerAfterAsking", D::width, 598, 598, true, V::refused},
                    VerdictCase{"WithinAPoint", D::width, 599.5, 599.5, true, V::tookIt},
                    VerdictCase{"ShorterHeight", D::height, 490, 490, true, V::refused}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
}  // namespace brindlow
