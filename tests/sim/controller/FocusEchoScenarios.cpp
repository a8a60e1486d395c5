// Focus events that answer the controller's own raises against focus changes made by somebody
// else. Each case is a script of steps on five windows of one application (w0 focused at the
// start, animations off unless the script says otherwise):
//   "right", "left"   the focus commands
//   "here"            jump to the column that is focused now (its window already has the focus)
//   "choose 1 2"      the jump entry point for w1, then for w2, queued together before they run
//   "focus 3"         a focus event for w3: the window manager answering, or the user's click
//   "wait 0.6"        virtual seconds pass
//   "frames"          display frames until the scroll lands (a raise waits for the landing)
// With late answers the window manager answers no raise by itself: the script's focus events
// are the answers, as late as the script makes them.
#include <sstream>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

struct FocusScript {
    const char* name;
    bool lateAnswers;
    bool animated;
    std::vector<std::string> steps;
    int focusedAtTheEnd;  // the window the strip's focused column holds
};

void PrintTo(const FocusScript& script, std::ostream* out) {
    *out << script.name;
}

class FocusEchoes : public FiveWindowScenario, public ::testing::WithParamInterface<FocusScript> {
  protected:
    std::optional<int> focusedIndex() const {
        const std::optional<WindowID> focused = focusedWindow();
        for (size_t i = 0; i < windows.size(); ++i)
            if (focused == windows[i].id()) return int(i);
        return std::nullopt;
    }

    int columnOf(WindowID id) const {
        const auto all = columns();
        for (size_t c = 0; c < all.size(); ++c)
            for (const WindowID window : all[c])
                if (window == id) return int(c) + 1;
        return 0;
    }

    void runStep(const std::string& step) {
        std::istringstream words(step);
        std::string verb;
        words >> verb;
        if (verb == "right" || verb == "left") {
            run(verb == "right" ? Command::Kind::focusRight : Command::Kind::focusLeft);
        } else if (verb == "here") {
            run(Command::jumpTo(columnOf(*focusedWindow())));
        } else if (verb == "choose") {
            for (int index; words >> index;) controller->jump(windows[size_t(index)].id());
            time.runUntilIdle();
        } else if (verb == "focus") {
            int index = 0;
            words >> index;
            windows[size_t(index)].focus();
            time.runUntilIdle();
        } else if (verb == "frames") {
            animate();
        } else if (verb == "wait") {
            double seconds = 0;
            words >> seconds;
            time.advance(seconds);
        } else {
            FAIL() << "no such step: " << step;
        }
    }
};

TEST_P(FocusEchoes, TheStripFollowsEveryFocusChangeButOvertakenAnswers) {
    const FocusScript& script = GetParam();
    start(script.animated ? AppSettings{} : stillSettings());
    ASSERT_EQ(focusedIndex(), 0);
    if (script.lateAnswers)
        for (const SimWindow& window : windows) window.failWrites("AXMain", axerror::failure);
    for (const std::string& step : script.steps) {
        runStep(step);
        ASSERT_FALSE(HasFatalFailure()) << step;
    }
    EXPECT_EQ(focusedIndex(), script.focusedAtTheEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, FocusEchoes,
    ::testing::Values(
        // A flood of commands passes w1 and w2 before the window manager answers the raise of
        // w1: that answer must not pull the strip back.
        FocusScript{"ALateAnswerOfAnOvertakenRaiseIsIgnored",
                    true,
                    false,
                    {"right", "right", "focus 1"},
                    2},
        FocusScript{"EveryOvertakenAnswerIsIgnoredUntilTheLastOne",
                    true,
                    false,
                    {"right", "right", "right", "focus 1", "focus 2", "focus 3"},
                    3},
        FocusScript{"TheAnswerToTheLatestRaiseIsFollowed",
                    true,
                    false,
                    {"right", "right", "focus 1", "focus 2", "left", "focus 1"},
                    1},
        // A raise of the window that has the focus brings no answer: a click on that window a
        // moment later is the user's, not an answer.
        FocusScript{"AClickAfterARaiseOfTheFocusedWindowIsFollowed",
                    false,
                    false,
                    {"here", "wait 0.6", "right", "wait 0.4", "focus 0"},
                    0},
        // The window manager gives the focus elsewhere before it answers our raise (a panel that
        // closed, a click): both are followed, in the order they came.
        FocusScript{"AFocusChangeBeforeTheAnswerIsFollowedAndSoIsTheAnswer",
                    true,
                    false,
                    {"choose 3", "focus 1", "focus 3"},
                    3},
        FocusScript{"AClickAfterTheAnswerIsFollowed",
                    true,
                    false,
                    {"right", "focus 1", "wait 0.3", "focus 4"},
                    4},
        // The second jump took the first one's place before its raise was made: the first raise
        // never happens, so a click on its window is the user's.
        FocusScript{"AClickOnAWindowWhoseRaiseWasReplacedIsFollowed",
                    false,
                    false,
                    {"choose 1 2", "wait 0.5", "focus 1"},
                    1},
        // The strip scrolls to w2 and raises it only once it lands; meanwhile the answer to the
        // raise of w1 comes: the strip's focus has moved on by our own command.
        FocusScript{"ALateAnswerIsIgnoredWhileTheNextRaiseWaitsForTheLanding",
                    true,
                    true,
                    {"right", "frames", "right", "focus 1"},
                    2},
        // A raise the window manager never answered stops counting after a while.
        FocusScript{"AnAnswerLaterThanTheWaitIsTakenForTheUsers",
                    true,
                    false,
                    {"right", "right", "wait 2.5", "focus 1"},
                    1}),
    [](const auto& row) { return std::string(row.param.name); });

// While the strip scrolls two columns on, to a window whose raise waits for the landing, somebody
// else gives the focus to a window the strip does not hold: the landing leaves it there.
struct FocusElsewhere {
    const char* name;
    std::optional<std::int32_t> pid;  // the application taking the focus; none: a new one
    std::optional<std::string> subrole;
};

void PrintTo(const FocusElsewhere& row, std::ostream* out) {
    *out << row.name;
}

class FocusElsewhereDuringScroll : public FiveWindowScenario,
                                   public ::testing::WithParamInterface<FocusElsewhere> {};

TEST_P(FocusElsewhereDuringScroll, TheLandingDoesNotTakeTheFocusBack) {
    const FocusElsewhere& row = GetParam();
    start(AppSettings{});
    run(Command::Kind::focusRight);
    run(Command::Kind::focusRight);
    SimApp other = desktop.launchApp({.name = "Other", .pid = row.pid});
    const SimWindow window = desktop.openWindow(
        other, {.title = "elsewhere", .frame = {600, 300, 500, 400}, .subrole = row.subrole});
    time.runUntilIdle();
    other.activate();
    window.focus();
    time.runUntilIdle();
    // The second step scrolls the strip: its raise waits for the landing.
    ASSERT_GT(animate(), 0);
    const auto frontmost = desktop.frontmostApplication();
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(frontmost->pid, other.pid());
    EXPECT_TRUE(window.isFocused());
}

// One of our panels is shown during the scroll and the window manager's word of its focus comes
// only after the landing: the raise asked for before the panel is dropped all the same.
TEST_F(FiveWindowScenario, ARaiseAskedBeforeOurPanelTookTheFocusIsDroppedAtTheLanding) {
    start(AppSettings{});
    run(Command::Kind::focusRight);
    run(Command::Kind::focusRight);
    controller->yieldFocusToOwnWindow();
    time.runUntilIdle();
    ASSERT_GT(animate(), 0);
    EXPECT_TRUE(windows[1].isFocused());
    EXPECT_EQ(focusedWindow(), windows[2].id());

    // A command after the panel raises as ever.
    run(Command::Kind::focusLeft);
    animate();
    EXPECT_TRUE(windows[1].isFocused());
    run(Command::Kind::focusRight);
    animate();
    EXPECT_TRUE(windows[2].isFocused());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, FocusElsewhereDuringScroll,
    ::testing::Values(FocusElsewhere{"OneOfOurPanels", SimDesktop::kOwnPID, "AXStandardWindow"},
                      FocusElsewhere{"ADialogOfAnotherApplication", std::nullopt, "AXDialog"}),
    [](const auto& row) { return std::string(row.param.name); });

// The window manager gave the focus to a window the strip does not hold (the one under the
// pointer, say) while the strip's first column stayed focused: "focus first" gives it back.
TEST_F(FiveWindowScenario, FocusFirstOnTheFocusedColumnTakesTheFocusBack) {
    start(stillSettings());
    SimApp other = desktop.launchApp({.name = "Other"});
    const SimWindow dialog = desktop.openWindow(
        other, {.title = "elsewhere", .frame = {600, 300, 500, 400}, .subrole = "AXDialog"});
    time.runUntilIdle();
    other.activate();
    dialog.focus();
    time.runUntilIdle();
    ASSERT_EQ(focusedWindow(), windows[0].id());
    run(Command::Kind::focusFirst);
    EXPECT_TRUE(windows[0].isFocused());
    const auto frontmost = desktop.frontmostApplication();
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(frontmost->pid, editor.pid());
}

// A window manager that focuses the window under the pointer focuses whatever our scroll slides
// under it. With the pointer standing still that is not the user's choice: the command's target
// keeps the strip's focus and gets the window manager's back. A pointer the user moved, or a
// click, is followed; a click on something else just before the window arrived is not.
struct SlideUnderPointer {
    const char* name;
    std::optional<Point> pointerMovedTo;  // where the user moves it during the scroll
    bool buttonDown;
    bool followed;
    bool clicksBeforeArrival = false;  // the user clicks at w0 as it scrolls off, frame by frame
    bool clicksAfterTheFocus = false;  // heard only after the focus event was judged
};

void PrintTo(const SlideUnderPointer& row, std::ostream* out) {
    *out << row.name;
}

class FocusUnderThePointer : public FiveWindowScenario,
                             public ::testing::WithParamInterface<SlideUnderPointer> {};

TEST_P(FocusUnderThePointer, AWindowSlidUnderAStillPointerDoesNotTakeTheFocus) {
    const SlideUnderPointer& row = GetParam();
    // The pointer rests over the focused w0; w1 stands beside it, at 966.
    const Point pointer{400, 500};
    // The jump to w2 scrolls w0 out and slides w1 under the pointer, on its way to 12.
    startAndJumpToW2(pointer);
    ASSERT_NO_FATAL_FAILURE(scrollUntilW1Under(pointer, [&] {
        if (!row.clicksBeforeArrival) return;
        ASSERT_FALSE(windows[1].frame().contains(pointer));
        desktop.setLeftMouseButtonDown(true);
        desktop.setLeftMouseButtonDown(false);
    }));
    if (row.pointerMovedTo) desktop.setPointerLocation(*row.pointerMovedTo);
    desktop.setLeftMouseButtonDown(row.buttonDown);
    // The window manager focuses the window the pointer is now over.
    windows[1].focus();
    time.runUntilIdle();
    desktop.setLeftMouseButtonDown(false);
    if (row.clicksAfterTheFocus) {
        time.advance(0.02);
        desktop.setLeftMouseButtonDown(true);
        desktop.setLeftMouseButtonDown(false);
        time.advance(0.1);
        time.runUntilIdle();
    }
    animate();
    const size_t expected = row.followed ? 1 : 2;
    EXPECT_EQ(focusedWindow(), windows[expected].id());
    EXPECT_TRUE(windows[expected].isFocused());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusUnderThePointer,
    ::testing::Values(
        SlideUnderPointer{"AStillPointer", std::nullopt, false, false},
        SlideUnderPointer{"AMovedPointer", Point{410, 500}, false, true},
        SlideUnderPointer{"AClick", std::nullopt, true, true},
        SlideUnderPointer{"AClickAtAnotherWindowAFrameBefore", std::nullopt, false, false, true},
        SlideUnderPointer{"AClickHeardJustAfterTheFocus", std::nullopt, false, true, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

// One of our panels has the keys while the scroll runs, and the window manager gives them to the
// window our scroll slid under the still pointer: the keys go back to the panel, and the strip's
// window is raised only when no panel is left to take them.
struct KeysTakenFromAPanel {
    const char* name;
    bool panelStillOpen;
    int focusedAtTheEnd;  // the window that holds the desktop's focus
};

void PrintTo(const KeysTakenFromAPanel& row, std::ostream* out) {
    *out << row.name;
}

class FocusUnderThePointerWithAPanel : public FiveWindowScenario,
                                       public ::testing::WithParamInterface<KeysTakenFromAPanel> {};

TEST_P(FocusUnderThePointerWithAPanel, TheKeysGoBackToThePanel) {
    const KeysTakenFromAPanel& row = GetParam();
    const Point pointer{400, 500};
    makeController();
    int askedBack = 0;
    controller->onOwnKeysTaken = [&] {
        ++askedBack;
        if (!row.panelStillOpen) controller->ownWindowKeptNoKeys();
    };
    startAndJumpToW2(pointer);
    controller->yieldFocusToOwnWindow();
    time.runUntilIdle();
    ASSERT_NO_FATAL_FAILURE(scrollUntilW1Under(pointer));
    windows[1].focus();
    time.runUntilIdle();
    animate();
    EXPECT_EQ(askedBack, 1);
    EXPECT_EQ(focusedWindow(), windows[2].id());
    EXPECT_TRUE(windows[size_t(row.focusedAtTheEnd)].isFocused());
}

INSTANTIATE_TEST_SUITE_P(Cases, FocusUnderThePointerWithAPanel,
                         ::testing::Values(KeysTakenFromAPanel{"APanelStillOpen", true, 1},
                                           KeysTakenFromAPanel{"NoPanelLeft", false, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

// Some window managers that focus under the pointer take the focus from every window when the
// gap between two columns comes under it. When our scroll brought the gap there, the strip's
// focused window gets the focus back; when the user moved the pointer into the gap, or holds a
// button, the focus stays with nobody, and so it does on its way to one of our panels.
struct GapUnderPointer {
    const char* name;
    std::optional<Point> pointerMovedTo;  // where the user moves it once the scroll landed
    bool buttonDown;
    bool givenBack;
    bool panelTakesFocus = false;
};

void PrintTo(const GapUnderPointer& row, std::ostream* out) {
    *out << row.name;
}

class FocusLostOverAGap : public FiveWindowScenario,
                          public ::testing::WithParamInterface<GapUnderPointer> {};

TEST_P(FocusLostOverAGap, TheFocusComesBackWhenOurScrollBroughtTheGap) {
    const GapUnderPointer& row = GetParam();
    // w1 lands at 12 and w2 at 966, both 942 wide: x 960 is in the gap between them.
    const Point pointer{960, 500};
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(pointer));
    ASSERT_FALSE(windows[1].frame().contains(pointer));
    ASSERT_FALSE(windows[2].frame().contains(pointer));
    if (row.pointerMovedTo) desktop.setPointerLocation(*row.pointerMovedTo);
    desktop.setLeftMouseButtonDown(row.buttonDown);
    if (row.panelTakesFocus) controller->yieldFocusToOwnWindow();
    // The window manager takes the focus from every window.
    desktop.loseFocus();
    time.runUntilIdle();
    desktop.setLeftMouseButtonDown(false);
    // The loss is judged again once a hand heard late would have been heard.
    time.advance(0.05);
    animate();
    EXPECT_EQ(focusedWindow(), windows[2].id());
    const auto frontmost = desktop.frontmostApplication();
    EXPECT_EQ(frontmost.has_value(), row.givenBack);
    if (row.givenBack && frontmost) {
        EXPECT_EQ(frontmost->pid, editor.pid());
    }
    EXPECT_TRUE(windows[2].isFocused());
}

// The hand that moved the pointer in the gap is heard `handLatency` after the focus loss it caused
// (it is heard on a connection of its own, later still on a loaded server): the loss is the
// user's, and the focus stays with nobody.
struct HandHeardLate {
    const char* name;
    double handLatency;
};

void PrintTo(const HandHeardLate& row, std::ostream* out) {
    *out << row.name;
}

class FocusLostOverAGapByAHandHeardLate : public FiveWindowScenario,
                                          public ::testing::WithParamInterface<HandHeardLate> {};

TEST_P(FocusLostOverAGapByAHandHeardLate, StaysWithNobody) {
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{960, 500}));
    desktop.setHandLatency(GetParam().handLatency);
    desktop.setPointerLocation(Point{961, 500});
    desktop.loseFocus();
    time.runUntilIdle();
    time.advance(0.2);
    animate();
    EXPECT_EQ(focusedWindow(), windows[2].id());
    EXPECT_FALSE(desktop.frontmostApplication().has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, FocusLostOverAGapByAHandHeardLate,
                         ::testing::Values(HandHeardLate{"TwentyMilliseconds", 0.02},
                                           HandHeardLate{"EightyMilliseconds", 0.08},
                                           HandHeardLate{"AQuarterSecond", 0.25}),
                         [](const auto& row) { return std::string(row.param.name); });

// A click in one of our panels chose w1, beside the focused w0: nothing scrolls, but the panel
// closing leaves the gap between them under the pointer, and the window manager takes the focus
// from every window. The choice gets it back.
TEST_F(FiveWindowScenario, AChoiceByClickInAPanelOverAGapKeepsTheFocus) {
    const Point pointer{960, 500};
    desktop.setPointerLocation(pointer);
    start(AppSettings{});
    ASSERT_FALSE(windows[0].frame().contains(pointer));
    ASSERT_FALSE(windows[1].frame().contains(pointer));
    desktop.setLeftMouseButtonDown(true);
    desktop.setLeftMouseButtonDown(false);
    controller->jump(windows[1].id());
    time.runUntilIdle();
    desktop.loseFocus();
    time.advance(0.05);
    animate();
    EXPECT_EQ(focusedWindow(), windows[1].id());
    const auto frontmost = desktop.frontmostApplication();
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(frontmost->pid, editor.pid());
    EXPECT_TRUE(windows[1].isFocused());
}

// The pointer rests over w1, beside the focused w0. A choice of w0 makes the window manager
// focus w1 under the still pointer, which is denied; a moment later a click on one of our
// overlays (an indicator's icon, say) chooses w0 again. That click made the choice: it is not the
// hand choosing w1 after all, however late the hand's connection tells it.
class AClickThatMadeAChoice : public FiveWindowScenario,
                              public ::testing::WithParamInterface<HandHeardLate> {};

TEST_P(AClickThatMadeAChoice, DoesNotTakeADeniedWindowAfterAll) {
    const Point pointer{1400, 500};
    desktop.setPointerLocation(pointer);
    start(AppSettings{});
    ASSERT_TRUE(windows[1].frame().contains(pointer));
    controller->jump(windows[0].id());
    time.runUntilIdle();
    windows[1].focus();
    time.runUntilIdle();
    ASSERT_EQ(focusedWindow(), windows[0].id()) << "the focus under the still pointer was followed";
    time.advance(0.02);
    desktop.setHandLatency(GetParam().handLatency);
    desktop.setLeftMouseButtonDown(true);
    desktop.setLeftMouseButtonDown(false);
    controller->jump(windows[0].id());
    time.runUntilIdle();
    time.advance(0.1);
    time.runUntilIdle();
    animate();
    EXPECT_EQ(focusedWindow(), windows[0].id());
    EXPECT_TRUE(windows[0].isFocused());
}

INSTANTIATE_TEST_SUITE_P(Cases, AClickThatMadeAChoice,
                         ::testing::Values(HandHeardLate{"HeardAtOnce", 0},
                                           HandHeardLate{"HeardSixtyMillisecondsLate", 0.06}),
                         [](const auto& row) { return std::string(row.param.name); });

// The pointer rests over w1, beside the focused w0. A choice of w0 makes the window manager focus
// w1 under the still pointer, which is denied and w0 raised again; the user then clicks w1, and a
// later step of that raise, already on its way, focuses w0 once more. Heard after the click, that
// focus is taken for somebody's choice, but nothing under the hand chose it: the click on w1 is
// what the user chose, and w1 takes the strip and keeps the keys.
TEST_F(FiveWindowScenario, ARaisesStepHeardAfterAClickOnTheDeniedWindowLeavesItTheFocus) {
    const Point pointer{1400, 500};
    desktop.setPointerLocation(pointer);
    start(AppSettings{});
    ASSERT_TRUE(windows[1].frame().contains(pointer));
    ASSERT_FALSE(windows[0].frame().contains(pointer));
    controller->jump(windows[0].id());
    time.runUntilIdle();
    windows[1].focus();
    time.runUntilIdle();
    ASSERT_EQ(focusedWindow(), windows[0].id()) << "the focus under the still pointer was followed";
    ASSERT_TRUE(windows[0].isFocused());
    time.advance(0.02);
    desktop.setLeftMouseButtonDown(true);
    desktop.setLeftMouseButtonDown(false);
    windows[1].focus();
    time.runUntilIdle();
    windows[0].focus();
    time.runUntilIdle();
    time.advance(0.1);
    time.runUntilIdle();
    animate();
    EXPECT_EQ(focusedWindow(), windows[1].id());
    EXPECT_TRUE(windows[1].isFocused());
}

// The user focuses w1 and the strip follows; a quick "focus left" goes back to w0, whose raise
// the window manager has not answered yet, when the activation of the editor that went with the
// click is heard late: it brings no news, and the strip stays where the command put it.
TEST_F(FiveWindowScenario, AnActivationHeardAfterItsWindowsFocusDoesNotPullTheFocusBack) {
    start(stillSettings());
    for (const SimWindow& window : windows) window.failWrites("AXMain", axerror::failure);
    windows[1].focus();
    time.runUntilIdle();
    ASSERT_EQ(focusedWindow(), windows[1].id());
    run(Command::Kind::focusLeft);
    ASSERT_EQ(focusedWindow(), windows[0].id());
    editor.activate();
    time.runUntilIdle();
    EXPECT_EQ(focusedWindow(), windows[0].id());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusLostOverAGap,
    ::testing::Values(GapUnderPointer{"AStillPointer", std::nullopt, false, true},
                      GapUnderPointer{"AMovedPointer", Point{958, 500}, false, false},
                      GapUnderPointer{"AHeldButton", std::nullopt, true, false},
                      GapUnderPointer{"APanelTakingTheFocus", std::nullopt, false, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
