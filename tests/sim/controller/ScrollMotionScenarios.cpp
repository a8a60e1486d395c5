// How windows travel while the strip scrolls: frame by frame, every window goes one way, starting
// from where it stood, also where a column cut by the viewport's edge changes its slice.
#include <cmath>

#include <map>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

// A strip on one display `displayWidth` wide, `count` windows with new columns `width` of the
// viewport wide; the focus goes to column `from` (counted from 1), comes to rest, and then jumps to
// column `to`.
struct ScrollCase {
    const char* name;
    double displayWidth;
    int count;
    double width;
    int from;
    int to;
    bool batches = false;  // windows written in batches, as on X11
    // Seconds each call to the application takes while the scroll's third frame is written: a
    // batch that slow gives the application a lead that then shrinks frame by frame.
    double slowFrame = 0;
};

class ScrollMotion : public ControllerScenario, public ::testing::WithParamInterface<ScrollCase> {
  protected:
    SimApp app;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
        desktop.setBatchWrites(GetParam().batches);
        // One display, so parked windows wait at the side they come in from.
        left = desktop.addDisplay(
            {.name = "Left", .frame = {0, 0, GetParam().displayWidth, 1080}, .uuid = "LEFT"});
        app = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        for (int i = 0; i < GetParam().count; ++i)
            windows.push_back(desktop.openWindow(
                app, {.title = "w" + std::to_string(i), .frame = {100.0 + 20 * i, 100, 700, 600}}));
        windows.front().focus();
        time.runUntilIdle();
        AppSettings settings;
        settings.defaultWidth = GetParam().width;
        start(settings);
        run(Command::jumpTo(GetParam().from));
        animate();
        time.advance(1.0);
        time.runUntilIdle();
    }

    // Parked: no more than the peek of 10 points left on the display.
    bool parked(const Rect& frame) const {
        return frame.maxX() <= 10 || frame.minX() >= GetParam().displayWidth - 10;
    }
    // How often each window was restacked: put under the others or above another one.
    std::map<WindowID, int> lowers() const {
        std::map<WindowID, int> count;
        for (const SimCall& call : desktop.calls())
            if ((call.kind == SimCall::Kind::action && call.name == ax::lowerAction) ||
                (call.kind == SimCall::Kind::write && call.name == ax::stackedAbove))
                ++count[call.window];
        return count;
    }

    std::vector<Rect> frames() const {
        std::vector<Rect> all;
        for (const SimWindow& window : windows) all.push_back(window.frame());
        return all;
    }
};

TEST_P(ScrollMotion, EveryWindowGoesOneWayFromWhereItStood) {
    const std::vector<Rect> before = frames();
    run(Command::jumpTo(GetParam().to));
    std::vector<std::vector<Rect>> path = {before, frames()};
    for (int frame = 0; frame < 600 && link->isRunning(); ++frame) {
        if (frame == 2) app.setLatency(GetParam().slowFrame);
        animate(1);
        if (frame == 2) app.setLatency(0);
        path.push_back(frames());
    }
    time.advance(1.0);
    time.runUntilIdle();
    path.push_back(frames());
    ASSERT_GT(path.size(), 10u);
    ASSERT_NE(path.back(), before) << "the jump scrolled nothing";
    // The command itself moves nothing: the first frame starts where every window stands.
    EXPECT_EQ(path[1], before);

    for (size_t w = 0; w < windows.size(); ++w) {
        const double travel = path.back()[w].minX() - before[w].minX();
        for (size_t step = 1; step < path.size(); ++step) {
            const double dx = path[step][w].minX() - path[step - 1][w].minX();
            EXPECT_FALSE(travel * dx < 0 && std::fabs(dx) >= 1)
                << "window " << w << " stepped " << dx << " points against its travel of " << travel
                << " at frame " << step;
        }
    }
}

TEST_P(ScrollMotion, ParkedWindowsEndUnderTheVisibleOnesWithoutRestackingOnesAtRest) {
    const std::map<WindowID, int> lowersBefore = lowers();
    run(Command::jumpTo(GetParam().to));
    bool loweredWhileMoving = false;
    for (int frame = 0; frame < 600 && link->isRunning(); ++frame) {
        animate(1);
        loweredWhileMoving = loweredWhileMoving || (link->isRunning() && lowers() != lowersBefore);
    }
    EXPECT_FALSE(loweredWhileMoving);
    time.advance(1.0);  // the catch-up pass after the landing
    time.runUntilIdle();
    std::map<WindowID, int> lowered = lowers();
    for (size_t w = 0; w < windows.size(); ++w) {
        const WindowID id = windows[w].id();
        const int count = lowered[id] - (lowersBefore.contains(id) ? lowersBefore.at(id) : 0);
        // A window is restacked only where the order must change, and once at most.
        EXPECT_LE(count, 1) << "window " << w;
    }
    // In the window list, no parked window lies over a visible one it overlaps.
    std::vector<Rect> visibleBelow;
    const std::vector<WindowListEntry> list = desktop.onScreenWindows();
    for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {
        const Rect frame = desktop.window(entry->identity).frame();
        if (!parked(frame)) {
            visibleBelow.push_back(frame);
            continue;
        }
        for (const Rect& visible : visibleBelow)
            EXPECT_FALSE(visible.intersects(frame)) << "window " << entry->identity;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jumps, ScrollMotion,
    ::testing::Values(ScrollCase{"leftSliceGoesAway", 1920, 6, 0.45, 4, 1},
                      ScrollCase{"leftSliceComesBack", 1920, 6, 0.45, 1, 4},
                      ScrollCase{"wideColumnsBackAndForth", 1920, 5, 0.7, 4, 2},
                      ScrollCase{"wideDisplayThirdToSeventh", 3840, 20, 0.3, 3, 7, true},
                      ScrollCase{"wideDisplaySeventhToThird", 3840, 20, 0.3, 7, 3, true},
                      ScrollCase{"wideDisplayFirstToFifth", 3840, 5, 0.3, 1, 5},
                      ScrollCase{"wideDisplayFifthToFirst", 3840, 5, 0.3, 5, 1},
                      ScrollCase{"aSlowFrameFirstToFifth", 3840, 5, 0.3, 1, 5, true, 0.004},
                      ScrollCase{"aSlowFrameFifthToFirst", 3840, 5, 0.3, 5, 1, true, 0.004}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
}  // namespace brindlow::test
