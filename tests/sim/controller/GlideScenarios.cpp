// Windows that change places without a scroll glide there when one of them moves by more than
// two points; a smaller change lands at once.
#include "CommandScenario.h"

namespace brindlow::test {
namespace {

struct GlideCase {
    const char* name;
    double outerGap;  // from 10: the windows move by the difference
    bool glides;
};

class Glides : public CommandScenario, public ::testing::WithParamInterface<GlideCase> {};

TEST_P(Glides, StartBeyondTwoPoints) {
    AppSettings settings;
    settings.outerGap = 10;
    open(1, settings);
    animate();
    time.advance(1.0);
    const Rect before = windows[0].frame();
    settings.outerGap = GetParam().outerGap;
    applySettings(settings);
    const bool moving = windows[0].frame() == before;
    EXPECT_EQ(animate() > 0, GetParam().glides);
    EXPECT_EQ(moving, GetParam().glides);
    EXPECT_EQ(windows[0].frame(), placed(id(0)));
    EXPECT_NE(windows[0].frame(), before);
}

INSTANTIATE_TEST_SUITE_P(Distances, Glides,
                         ::testing::Values(GlideCase{"OnePoint", 11, false},
                                           GlideCase{"ThreePoints", 13, true},
                                           GlideCase{"FifteenPoints", 25, true}),
                         [](const ::testing::TestParamInfo<GlideCase>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
}  // namespace brindlow::test
