// The strip beside each of the window managers Brindlow knows, as the sim desktop stands for
// them: the still-pointer rules act only beside one that focuses the window under the pointer,
// and a desktop switch is the user's beside every one.
#include "ControllerScenario.h"
#include "platform/WindowManagerTraits.h"

namespace brindlow::test {
namespace {

class BesideAWindowManager : public FiveWindowScenario,
                             public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        FiveWindowScenario::SetUp();
        traits = *WindowManagerTraits::forName(GetParam());
        desktop.setWindowManagerTraits(traits);
    }
    WindowManagerTraits traits;
};

// The scroll to w2 brings the gap between w1 (at 12) and w2 (at 966) under the resting pointer,
// and the focus goes to no window: given back to w2 only where the window manager focuses under
// the pointer. Elsewhere nothing our scroll did can have taken it.
TEST_P(BesideAWindowManager, AFocusLossOverAGapIsGivenBackOnlyWhereFocusFollowsThePointer) {
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{960, 500}));
    desktop.loseFocus();
    // Judged again once a hand heard late would have been heard.
    time.advance(0.05);
    animate();
    EXPECT_EQ(focusedWindow(), windows[2].id());
    EXPECT_EQ(desktop.frontmostApplication().has_value(), traits.followsPointer());
}

// The scroll to w2 slides w1 under the resting pointer and the window manager focuses it: denied
// only where the window manager focuses under the pointer; elsewhere somebody else chose it.
TEST_P(BesideAWindowManager, AWindowFocusedUnderAStillPointerIsDeniedOnlyWhereFocusFollowsIt) {
    const Point pointer{400, 500};
    startAndJumpToW2(pointer);
    ASSERT_NO_FATAL_FAILURE(scrollUntilW1Under(pointer));
    windows[1].focus();
    time.runUntilIdle();
    animate();
    const size_t expected = traits.followsPointer() ? 2 : 1;
    EXPECT_EQ(focusedWindow(), windows[expected].id());
    EXPECT_TRUE(windows[expected].isFocused());
}

// Right after a scroll that left a gap under the resting pointer, the user switches desktops:
// the focus loss it brings is the switch's, and nothing is raised on the desktop left.
TEST_P(BesideAWindowManager, AFocusLossFromADesktopSwitchIsNeverGivenBack) {
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{960, 500}));
    desktop.loseFocus();
    for (const SimWindow& window : windows) window.setAway();
    time.runUntilIdle();
    animate();
    EXPECT_FALSE(desktop.frontmostApplication().has_value());
    for (const SimWindow& window : windows) EXPECT_TRUE(window.isAway());
}

// A window opened beside the focused w0 lands where w1 stood, under the resting pointer, and the
// window manager focuses it for its map: the new window keeps the focus beside every window
// manager that focuses new windows, also one that focuses under the pointer.
TEST_P(BesideAWindowManager, ANewWindowFocusedAsItIsMappedUnderAStillPointerKeepsTheFocus) {
    const Point pointer{1400, 500};
    desktop.setPointerLocation(pointer);
    start(AppSettings{});
    animate();
    ASSERT_EQ(focusedWindow(), windows[0].id());
    // Another application's, as a new terminal's would be: nothing else focuses it.
    const SimApp other = desktop.launchApp({.name = "Other", .bundleID = "org.example.other"});
    const SimWindow late =
        desktop.openWindow(other, {.title = "late", .frame = {100, 100, 900, 600}});
    time.advance(0.2);
    animate();
    ASSERT_TRUE(late.frame().contains(pointer)) << ::testing::PrintToString(late.frame()) << " "
                                                << ::testing::PrintToString(windows[0].frame());
    late.focus();
    other.activate();
    time.runUntilIdle();
    animate();
    EXPECT_EQ(focusedWindow(), late.id());
    EXPECT_TRUE(late.isFocused());
}

INSTANTIATE_TEST_SUITE_P(Nine, BesideAWindowManager,
                         ::testing::Values("Openbox", "Xfwm4", "KWin", "Metacity", "Marco", "IceWM",
                                           "Fluxbox", "JWM", "FVWM"));

class BesideAPointerFocusWindowManager : public BesideAWindowManager {};

// The user closes w1, which the scroll to w2 slid under the resting pointer, before its focus
// there was heard, and the window manager focuses no window after it: w2, the strip's focus,
// takes the keys, and the window manager's pick owed for the close is no longer awaited: an
// application activating its window later is followed.
TEST_P(BesideAPointerFocusWindowManager, AfterAClosedWindowAndNoFocusALaterChoiceIsFollowed) {
    const Point pointer{400, 500};
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(pointer));
    ASSERT_TRUE(windows[1].frame().contains(pointer));
    windows[1].close();
    time.runUntilIdle();
    desktop.loseFocus();
    time.runUntilIdle();
    animate();
    EXPECT_EQ(desktop.activeWindow(), windows[2].id());
    windows[4].focus();
    editor.activate();
    time.runUntilIdle();
    animate();
    EXPECT_EQ(focusedWindow(), windows[4].id());
    EXPECT_TRUE(windows[4].isFocused());
}

INSTANTIATE_TEST_SUITE_P(Two, BesideAPointerFocusWindowManager, ::testing::Values("JWM", "FVWM"));

}  // namespace
}  // namespace brindlow::test
