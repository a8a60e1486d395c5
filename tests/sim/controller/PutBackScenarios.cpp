#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class PutBack : public ControllerScenario {};

// Four windows planned; one is gone by then and one refuses to move: two went back.
TEST_F(PutBack, TheQuitLineCountsTheWindowsThatWentBackNotThosePlanned) {
    addTwoDisplays();
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    std::vector<SimWindow> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(desktop.openWindow(
            editor, {.title = "e" + std::to_string(i), .frame = {100.0 + 50 * i, 100, 900, 600}}));
    start(stillSettings());
    for (const SimWindow& window : windows) ASSERT_TRUE(managed(window.id()));

    windows[1].vanishAfterWrites(0);
    windows[2].failWrites("AXPosition", axerror::cannotComplete);
    bool done = false;
    controller->beginStop([&] { done = true; });
    time.runUntilIdle();
    ASSERT_TRUE(done);
    EXPECT_EQ(windows[0].frame(), (Rect{100, 100, 900, 600}));
    EXPECT_EQ(windows[3].frame(), (Rect{250, 100, 900, 600}));
    EXPECT_EQ(logLines("Put 2 windows back before quitting").size(), 1u);
    EXPECT_TRUE(logLines("Put 4 windows back").empty());
}

}  // namespace
}  // namespace brindlow::test
