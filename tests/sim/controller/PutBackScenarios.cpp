#include "ControllerScenario.h"
#include "settings/JSONFiles.h"

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

// A window there at the start goes back to where it stood; windows opened later have no frame
// from before tiling: the visible ones stay where the strip shows them, the parked ones come on
// screen at the cascade's first place, 24, 24 (as tall as the display less the margins, the
// cascade has no room for a second step). Only the window of the start is kept in
// "original-frames.json".
TEST_F(PutBack, WindowsOpenedAfterTheStartFollowTheQuitPlan) {
    desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
    const SimApp editor =
        desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor", .activate = true});
    const SimWindow a = desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 900, 600}});
    start(stillSettings());
    std::vector<SimWindow> later;
    for (const char* title : {"b", "c", "d", "e"}) {
        later.push_back(desktop.openWindow(
            editor, {.title = title, .frame = {500, 400, 402, 324}, .focus = true}));
        time.advance(1);
        ASSERT_TRUE(managed(later.back().id()));
    }
    const std::optional<nlohmann::json> kept =
        readJSONValue(folder.path() / "original-frames.json");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->at("windows").size(), 1u);
    EXPECT_EQ(kept->at("windows").at(0).at("title"), "a");
    // Half-width columns a, b, c, d, e with e focused: a, b and c are parked.
    ASSERT_EQ(placed(later[2].id()).width, 942);
    ASSERT_EQ(placed(later[2].id()).height, 1056);

    bool done = false;
    controller->beginStop([&] { done = true; });
    time.runUntilIdle();
    ASSERT_TRUE(done);
    EXPECT_EQ(a.frame(), (Rect{100, 100, 900, 600}));
    EXPECT_EQ(later[0].frame(), (Rect{24, 24, 942, 1032}));
    EXPECT_EQ(later[1].frame(), (Rect{24, 24, 942, 1032}));
    EXPECT_EQ(later[2].frame(), (Rect{12, 12, 942, 1056}));
    EXPECT_EQ(later[3].frame(), (Rect{966, 12, 942, 1056}));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "original-frames.json"));
}

// A quit while a scroll's frame is still queued for the applications: the quit waits for it, so
// it cannot land after the windows went back. Written one by one or in batches.
class PutBackAfterQueuedMoves : public PutBack, public ::testing::WithParamInterface<bool> {};

TEST_P(PutBackAfterQueuedMoves, LeavesEveryWindowAtItsOriginalFrame) {
    addTwoDisplays();
    desktop.setBatchWrites(GetParam());
    const SimApp editor =
        desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor", .activate = true});
    std::vector<SimWindow> windows;
    std::vector<Rect> originals;
    for (int i = 0; i < 4; ++i) {
        originals.push_back(Rect{100.0 + 50 * i, 100, 900, 600});
        windows.push_back(desktop.openWindow(
            editor,
            {.title = "e" + std::to_string(i), .frame = originals.back(), .focus = i == 0}));
    }
    start();
    animate();
    time.advance(1.0);

    // The jump starts a scroll; one frame of it is laid out and its moves are queued, not run.
    controller->perform(Command::jumpTo(4));
    stripQueue->drain();
    ASSERT_TRUE(link && link->isRunning());
    link->tick(time.now() + 0.05);
    stripQueue->drain();
    bool done = false;
    controller->beginStop([&] { done = true; });
    stripQueue->drain();
    time.runUntilIdle();
    ASSERT_TRUE(done);
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(windows[i].frame(), originals[i]) << "window " << i;
}

INSTANTIATE_TEST_SUITE_P(Writes, PutBackAfterQueuedMoves, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "InBatches" : "OneByOne");
                         });

}  // namespace
}  // namespace brindlow::test
