// Parked windows in the stacking order once the strip's raises are done, driven through the
// controller's commands on the sim desktop.
#include <algorithm>
#include <iterator>

#include "ControllerScenario.h"
#include "platform/WindowManagerTraits.h"

namespace brindlow::test {
namespace {

// Three windows in columns half the display wide on one display 1920 wide: the third waits at the
// right edge, its peek next to the second column. The focus goes from the column `from` to the
// column `to` (counted from 1) without a scroll.
struct RaiseCase {
    const char* name;
    int from;
    int to;
    // The column of the window that is then directly under the parked third one.
    int under;
};

class ThreeColumns : public ControllerScenario {
  protected:
    SimApp app;
    std::vector<SimWindow> windows;

    // Tiles the three windows with the focus on column `from`.
    void startOn(int from) {
        left = desktop.addDisplay({.name = "Left", .frame = {0, 0, 1920, 1080}, .uuid = "LEFT"});
        app = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        for (int i = 0; i < 3; ++i)
            windows.push_back(desktop.openWindow(
                app, {.title = "w" + std::to_string(i), .frame = {100.0 + 20 * i, 100, 700, 600}}));
        windows.front().focus();
        time.runUntilIdle();
        AppSettings settings;
        settings.defaultWidth = 0.5;
        start(settings);
        run(Command::jumpTo(from));
        animate();
        time.advance(1.0);
        time.runUntilIdle();
    }

    // Front to back.
    std::vector<WindowID> order() const {
        std::vector<WindowID> ids;
        for (const WindowListEntry& entry : desktop.onScreenWindows())
            ids.push_back(entry.identity);
        return ids;
    }
};

class ParkedAfterARaise : public ThreeColumns, public ::testing::WithParamInterface<RaiseCase> {
  protected:
    void SetUp() override {
        ThreeColumns::SetUp();
        startOn(GetParam().from);
    }
};

TEST_P(ParkedAfterARaise, TheParkedWindowStandsDirectlyAboveTheRaisedNeighbour) {
    const RaiseCase& c = GetParam();
    const SimWindow& parked = windows[2];
    ASSERT_GE(parked.frame().minX(), 1910) << "the third column is not parked at the right edge";
    run(Command::jumpTo(c.to));
    animate();
    time.runUntilIdle();
    ASSERT_EQ(parked.frame().minX(), 1910) << "the jump scrolled the strip";
    const std::vector<WindowID> stacked = order();
    ASSERT_EQ(stacked.size(), 3u);
    const WindowID under = windows[size_t(c.under - 1)].id();
    const auto at = [&](WindowID id) { return std::find(stacked.begin(), stacked.end(), id); };
    EXPECT_EQ(std::next(at(parked.id())), at(under))
        << "the parked window is not over its neighbour";
}

INSTANTIATE_TEST_SUITE_P(
    Focus, ParkedAfterARaise,
    ::testing::Values(
        // The raise puts the neighbour in front of everything, the parked window too.
        RaiseCase{"toTheNeighbour", 1, 2, 2},
        // The first column's raise leaves the parked window where it was, above the second.
        RaiseCase{"awayFromTheNeighbour", 2, 1, 2}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// After the jump from the first column to its neighbour, the window manager raises the neighbour
// once more on its own, a moment (`after` seconds) after the strip put the parked third window
// above it. Whether the parked window is then above the neighbour again.
struct RaisedAgainCase {
    const char* name;
    double after;
    bool above;
};

class ParkedRaisedAgain : public ThreeColumns,
                          public ::testing::WithParamInterface<RaisedAgainCase> {
  protected:
    void SetUp() override {
        ThreeColumns::SetUp();
        startOn(1);
    }
};

TEST_P(ParkedRaisedAgain, TheParkedWindowGoesBackAboveTheNeighbourForAMoment) {
    const RaisedAgainCase& c = GetParam();
    const SimWindow& parked = windows[2];
    const SimWindow& neighbour = windows[1];
    run(Command::jumpTo(2));
    animate();
    time.runUntilIdle();
    const auto at = [&](const std::vector<WindowID>& stacked, WindowID id) {
        return std::find(stacked.begin(), stacked.end(), id);
    };
    std::vector<WindowID> stacked = order();
    ASSERT_EQ(std::next(at(stacked, parked.id())), at(stacked, neighbour.id()))
        << "the parked window was not lifted after the raise";
    time.advance(c.after);
    neighbour.raise();
    time.runUntilIdle();
    stacked = order();
    EXPECT_EQ(std::next(at(stacked, parked.id())) == at(stacked, neighbour.id()), c.above)
        << "front to back: " << ::testing::PrintToString(stacked);
}

// A window manager that raises its active window after every restack is not fought for long: the
// parked window goes back above it three times, then stays behind.
TEST_F(ThreeColumns, AWindowManagerThatKeepsRaisingTheNeighbourWinsAfterThreeLifts) {
    startOn(1);
    const SimWindow& parked = windows[2];
    const SimWindow& neighbour = windows[1];
    run(Command::jumpTo(2));
    animate();
    time.runUntilIdle();
    for (int round = 1; round <= 4; ++round) {
        time.advance(0.005);
        neighbour.raise();
        time.runUntilIdle();
        EXPECT_EQ(order().front(), round <= 3 ? parked.id() : neighbour.id()) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Focus, ParkedRaisedAgain,
    ::testing::Values(
        // A few ms after the lift, as KWin does.
        RaisedAgainCase{"aMomentLater", 0.005, true},
        // Long after: the user's own raise of the neighbour, which the strip leaves alone.
        RaisedAgainCase{"longAfter", 2.0, false}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The window manager raises the neighbour again a few ms after the lift, as KWin does: the
// parked window goes back above it only beside a window manager that carries out restack
// requests. Beside the others the lift was a raise of its own, and no watch follows it.
struct RestackRow {
    const char* windowManager;
    bool liftedAgain;
};

class ParkedBesideAWindowManager : public ThreeColumns,
                                   public ::testing::WithParamInterface<RestackRow> {
  protected:
    void SetUp() override {
        ThreeColumns::SetUp();
        desktop.setWindowManagerTraits(*WindowManagerTraits::forName(GetParam().windowManager));
        startOn(1);
    }
};

TEST_P(ParkedBesideAWindowManager, TheLiftIsWatchedOnlyWhereRestacksAreCarriedOut) {
    const SimWindow& parked = windows[2];
    const SimWindow& neighbour = windows[1];
    run(Command::jumpTo(2));
    animate();
    time.runUntilIdle();
    ASSERT_EQ(order().front(), parked.id()) << "the parked window was not lifted after the raise";
    time.advance(0.005);
    neighbour.raise();
    time.runUntilIdle();
    EXPECT_EQ(order().front(), GetParam().liftedAgain ? parked.id() : neighbour.id());
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, ParkedBesideAWindowManager,
                         ::testing::Values(RestackRow{"KWin", true}, RestackRow{"Openbox", true},
                                           RestackRow{"xfwm4", false}, RestackRow{"Fluxbox", false},
                                           RestackRow{"Marco", false}, RestackRow{"FVWM", false}),
                         [](const auto& row) { return std::string(row.param.windowManager); });

}  // namespace
}  // namespace brindlow::test
