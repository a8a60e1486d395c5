// Changes a tiled window goes through without a drag: maximised at the start, when it appears or
// by the user; resizing itself; entering full screen by itself. None leaves a window over or short
// of its column.
#include "CommandScenario.h"

namespace brindlow::test {
namespace {

// Three editor windows tiled on the left display, w2 focused.
class WindowChanges : public CommandScenario {
  protected:
    void SetUp() override {
        CommandScenario::SetUp();
        open(3);
        ASSERT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1), id(2)}));
        ASSERT_EQ(focusedWindow(), id(2));
    }

    const ColumnSnapshot& columnOf(WindowID window) const {
        for (const ColumnSnapshot& column : display().columns)
            for (const WindowSnapshot& shown : column.windows)
                if (shown.id == window) return column;
        throw std::runtime_error("window in no column");
    }
};

// Maximised before the start, a window is tiled out of that state, and the quit gives it back
// with its frame; also the quit of a run started after a kill (nothing put back), when the window
// is no longer maximised.
class MaximisedAtTheStart : public ControllerScenario,
                            public ::testing::WithParamInterface<bool> {};

TEST_P(MaximisedAtTheStart, IsTiledAndMaximisedAgainAtTheQuit) {
    const bool killed = GetParam();
    addTwoDisplays();
    const SimApp office =
        desktop.launchApp({.name = "Office", .bundleID = "org.example.office", .activate = true});
    const SimWindow other =
        desktop.openWindow(office, {.title = "other", .frame = {100, 100, 700, 500}});
    const SimWindow big = desktop.openWindow(
        office, {.title = "big", .frame = kLeft, .maximized = true, .focus = true});
    time.runUntilIdle();
    start(stillSettings());
    EXPECT_FALSE(big.isMaximized());
    EXPECT_EQ(big.frame(), placed(big.id()));
    EXPECT_EQ(big.frame().width, 942);
    EXPECT_TRUE(logLines("points, not").empty());
    if (killed) {
        controller.reset();
        start(stillSettings());
        EXPECT_FALSE(big.isMaximized());
    }
    controller->beginStop(nullptr);
    time.runUntilIdle();
    EXPECT_TRUE(big.isMaximized());
    EXPECT_EQ(big.frame(), kLeft);
    EXPECT_EQ(other.frame(), (Rect{100, 100, 700, 500}));
}

INSTANTIATE_TEST_SUITE_P(Runs, MaximisedAtTheStart, ::testing::Bool(), [](const auto& run) {
    return std::string(run.param ? "AfterAKill" : "OneRun");
});

// A window that maps maximised (an application restoring its last state) is tiled at its column's
// width; the maximised size it would answer with is not learned as one it needs.
TEST_F(WindowChanges, AWindowThatMapsMaximisedTakesItsColumnsWidth) {
    const SimWindow big = desktop.openWindow(
        editor, {.title = "big", .frame = kLeft, .maximized = true, .focus = true});
    time.advance(2);
    ASSERT_TRUE(managed(big.id()));
    EXPECT_FALSE(big.isMaximized());
    EXPECT_EQ(big.frame(), placed(big.id()));
    EXPECT_EQ(big.frame(), (Rect{966, 12, 942, 1056}));
    EXPECT_TRUE(logLines("points, not").empty());
    EXPECT_EQ(logLines("was maximised: taken out of it to tile it").size(), 1u);
}

// What happens to the focused window w2, one step after another.
enum class Step {
    maximise,              // the user maximises it (its title bar's button)
    unmaximise,            // the user gives the maximise back
    windowManagerKeepsIt,  // from now on the window manager does not let go of a maximise
};

struct MaximiseRow {
    const char* name;
    std::vector<Step> steps;
    bool fullWidth;       // the column is full width at the end
    bool stillMaximised;  // the window's state at the end
};

void PrintTo(const MaximiseRow& row, std::ostream* out) {
    *out << row.name;
}

class UserMaximise : public WindowChanges, public ::testing::WithParamInterface<MaximiseRow> {};

TEST_P(UserMaximise, IsTheColumnsFullWidth) {
    const MaximiseRow& row = GetParam();
    const SimWindow window = windows[2];
    const double width = columnOf(id(2)).widthFraction;
    for (const Step step : row.steps) {
        if (step == Step::maximise) window.setMaximized(true);
        if (step == Step::unmaximise) window.setMaximized(false);
        if (step == Step::windowManagerKeepsIt)
            window.failWrites(std::string(ax::maximized), axerror::cannotComplete);
        time.advance(1);
    }
    // A full-width column shows 1.0; otherwise the width it had.
    EXPECT_EQ(columnOf(id(2)).widthFraction, row.fullWidth ? 1.0 : width);
    EXPECT_EQ(window.isMaximized(), row.stillMaximised);
    if (!row.stillMaximised) {
        EXPECT_EQ(window.frame(), placed(id(2)));
        if (row.fullWidth) {
            EXPECT_EQ(window.frame(), kLeft);
        }
    }
    EXPECT_TRUE(logLines("points, not").empty());
    EXPECT_TRUE(logLines("User resized").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UserMaximise,
    ::testing::Values(MaximiseRow{"Once", {Step::maximise}, true, false},
                      MaximiseRow{"Twice", {Step::maximise, Step::maximise}, false, false},
                      MaximiseRow{"KeptByTheWindowManager",
                                  {Step::windowManagerKeepsIt, Step::maximise},
                                  true,
                                  true},
                      MaximiseRow{"KeptAndGivenBack",
                                  {Step::windowManagerKeepsIt, Step::maximise, Step::unmaximise},
                                  false,
                                  false}),
    [](const auto& row) { return std::string(row.param.name); });

struct SelfResizeRow {
    const char* name;
    Size size;        // the size the window gives itself
    bool buttonDown;  // while the user holds a mouse button
};

void PrintTo(const SelfResizeRow& row, std::ostream* out) {
    *out << row.name;
}

class SelfResize : public WindowChanges, public ::testing::WithParamInterface<SelfResizeRow> {};

// A window resizing itself goes back into its column at once; under the user's button the same
// change is the user's resize, which the column follows.
TEST_P(SelfResize, PutsTheWindowBackIntoItsColumn) {
    const SelfResizeRow& row = GetParam();
    const SimWindow window = windows[1];
    const Rect column = placed(id(1));
    time.advance(1);
    desktop.setLeftMouseButtonDown(row.buttonDown);
    window.setFrame(Rect(column.origin(), row.size));
    time.advance(0.1);
    desktop.setLeftMouseButtonDown(false);
    time.advance(1);
    if (row.buttonDown) {
        EXPECT_EQ(logLines("User resized Editor").size(), 1u);
        EXPECT_EQ(placed(id(1)).width, row.size.width);
        return;
    }
    EXPECT_EQ(window.frame(), column);
    EXPECT_EQ(placed(id(1)), column);
    EXPECT_EQ(logLines("Editor resized itself to").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SelfResize,
                         ::testing::Values(SelfResizeRow{"Smaller", {642, 505}, false},
                                           SelfResizeRow{"Wider", {1300, 1056}, false},
                                           SelfResizeRow{"Shorter", {942, 700}, false},
                                           SelfResizeRow{"UnderTheButton", {642, 1056}, true}),
                         [](const auto& row) { return std::string(row.param.name); });

// Resized by itself right after the controller moved it, where its own echo could still come, a
// window is looked at again once that time is over, and put back.
TEST_F(WindowChanges, AWindowResizingItselfRightAfterAMoveIsPutBackOnceTheMoveLanded) {
    focusWindow(id(1));
    controller->perform(Command::Kind::wider);
    time.advance(0.05);
    const Rect column = windows[1].frame();
    ASSERT_EQ(column.width, 1133);
    windows[1].setFrame(Rect(column.origin(), Size{642, 505}));
    time.advance(0.1);
    EXPECT_EQ(windows[1].frame().size(), (Size{642, 505}));
    time.advance(1);
    EXPECT_EQ(windows[1].frame(), column);
}

// Put back to a width it will not take, a window's refusal is learned as after any move.
TEST_F(WindowChanges, ASelfResizedWindowsRefusalIsLearned) {
    const SimWindow window = windows[1];
    const Rect column = placed(id(1));
    time.advance(1);
    window.setMinimumSize({1000, 1});
    window.setFrame(Rect(column.origin(), Size{1000, column.height}));
    time.advance(2);
    EXPECT_EQ(logLines("Editor needs 1000 points, not 942").size(), 1u);
}

// Parked, a window that resizes itself (a window manager may place such a resize back in view)
// goes back to its parked place at the size it chose, its sliver still on screen: sent its
// column's size again, it would only resize itself once more.
TEST_F(WindowChanges, AParkedWindowThatResizesItselfIsParkedAgainAtItsOwnSize) {
    const SimWindow window = windows[0];
    const Rect spot = placed(id(0));
    ASSERT_EQ(spot, (Rect{-932, 12, 942, 1056}));
    time.advance(1);
    window.setFrame({300, 100, 642, 505});
    time.advance(1);
    EXPECT_EQ(window.frame(), (Rect{-632, 12, 642, 505}));
    EXPECT_EQ(logLines("Editor resized itself to 642×505 while parked").size(), 1u);
}

// One that resizes itself again after every put-back is left at its own size after three.
TEST_F(WindowChanges, AWindowThatKeepsResizingItselfIsPutBackThreeTimes) {
    const SimWindow window = windows[1];
    const Rect column = placed(id(1));
    for (int round = 0; round < 5; ++round) {
        time.advance(1);
        window.setFrame(Rect(column.origin(), Size{642, 505}));
        time.advance(0.1);
    }
    EXPECT_EQ(logLines("Editor resized itself to 642×505").size(), 3u);
    EXPECT_EQ(window.frame().size(), (Size{642, 505}));
    // Later, a new run of put-backs.
    time.advance(20);
    window.setFrame(Rect(column.origin(), Size{600, 505}));
    time.advance(0.1);
    EXPECT_EQ(window.frame(), column);
}

// A window that goes full screen by itself (its own full-screen key) and leaves it comes back to
// its column, not after the column that took the focus meanwhile.
TEST_F(WindowChanges, AWindowLeavingFullScreenItEnteredByItselfComesBackToItsColumn) {
    focusWindow(id(1));
    run(Command::Kind::wider);
    const double width = columnOf(id(1)).widthFraction;
    for (int trip = 0; trip < 2; ++trip) {
        windows[1].setFullScreen(true);
        time.advance(0.2);
        ASSERT_FALSE(managed(id(1)));
        windows[1].setFullScreen(false);
        time.advance(0.2);
        EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1), id(2)}))
            << "trip " << trip;
        EXPECT_EQ(columnOf(id(1)).widthFraction, width);
    }
}

}  // namespace
}  // namespace brindlow::test
