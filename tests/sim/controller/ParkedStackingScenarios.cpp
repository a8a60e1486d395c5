// Parked windows in the stacking order once the strip's raises are done, driven through the
// controller's commands on the sim desktop.
#include <algorithm>
#include <iterator>

#include "ControllerScenario.h"

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

class ParkedAfterARaise : public ControllerScenario,
                          public ::testing::WithParamInterface<RaiseCase> {
  protected:
    SimApp app;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
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
        run(Command::jumpTo(GetParam().from));
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

}  // namespace
}  // namespace brindlow::test
