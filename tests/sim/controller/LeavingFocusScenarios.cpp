// The strip's focused window leaves (the user minimises it) before our raise of it went out: the
// window manager never moved its focus, and the strip follows it there rather than picking a
// neighbour nothing raised.
#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

struct RightAfterAJump {
    const char* name;
    bool landed;  // the jump's scroll ran to its end before the minimise
};

void PrintTo(const RightAfterAJump& row, std::ostream* out) {
    *out << row.name;
}

class MinimisedRightAfterAJump : public FiveWindowScenario,
                                 public ::testing::WithParamInterface<RightAfterAJump> {};

TEST_P(MinimisedRightAfterAJump, TheStripFocusesWhatTheWindowManagerKeptFocused) {
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{960, 1000}));
    controller->perform(Command::jumpTo(4));
    if (GetParam().landed) animate();
    windows[3].minimize();
    time.runUntilIdle();
    animate();
    ASSERT_TRUE(windows[3].isMinimized());
    EXPECT_EQ(focusedWindow(), windows[2].id());
    EXPECT_TRUE(windows[2].isFocused());
}

INSTANTIATE_TEST_SUITE_P(Cases, MinimisedRightAfterAJump,
                         ::testing::Values(RightAfterAJump{"WhileItScrolls", false},
                                           RightAfterAJump{"OnceItLanded", true}),
                         [](const auto& row) { return std::string(row.param.name); });

// The user minimises the strip's focused window and the window manager focuses no window after
// it (its own habit, or it named none before the minimise was heard): the neighbour the strip
// focuses is raised, so that the strip and the window manager agree and the keys go somewhere.
class MinimisedAndNothingFocused : public FiveWindowScenario,
                                   public ::testing::WithParamInterface<bool> {};

TEST_P(MinimisedAndNothingFocused, TheStripRaisesTheNeighbourItFocuses) {
    const bool lossFirst = GetParam();
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{5, 5}));
    if (lossFirst) desktop.loseFocus();
    windows[2].minimize();
    // Its departure taken in.
    time.advance(0.1);
    animate();
    if (!lossFirst) desktop.loseFocus();
    time.runUntilIdle();
    animate();
    ASSERT_TRUE(windows[2].isMinimized());
    const std::optional<WindowID> stripFocus = focusedWindow();
    ASSERT_TRUE(stripFocus && *stripFocus != windows[2].id());
    EXPECT_EQ(desktop.activeWindow(), stripFocus);
}

INSTANTIATE_TEST_SUITE_P(Cases, MinimisedAndNothingFocused, ::testing::Bool(), [](const auto& row) {
    return std::string(row.param ? "LossHeardFirst" : "LossHeardAfter");
});

}  // namespace
}  // namespace brindlow::test
