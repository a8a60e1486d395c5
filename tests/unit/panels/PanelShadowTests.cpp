#include <gtest/gtest.h>

#include "panels/PanelShadow.h"

namespace brindlow::test {
namespace {

struct AlphaCase {
    double distance;
    double expected;
};

class PanelShadowAlpha : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(PanelShadowAlpha, FadesFromTheEdgeToNothing) {
    EXPECT_NEAR(PanelShadow::alpha(GetParam().distance), GetParam().expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, PanelShadowAlpha,
                         ::testing::Values(AlphaCase{-3, 0.32}, AlphaCase{0, 0.32},
                                           AlphaCase{7, 0.08}, AlphaCase{14, 0}, AlphaCase{30, 0}));

}  // namespace
}  // namespace brindlow::test
