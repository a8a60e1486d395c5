#include "ControllerScenario.h"
#include "settings/JSONFiles.h"

namespace brindlow::test {
namespace {

class Session : public ControllerScenario {
  protected:
    SimApp editor;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
    }

    std::filesystem::path sessionFile() const { return folder.path() / "session.json"; }
};

TEST_F(Session, ABurstOfChangesIsSavedOnceAndComesBackAtTheNextStart) {
    start(stillSettings());
    for (int i = 0; i < 3; ++i) {
        desktop.openWindow(editor,
                           {.title = "w" + std::to_string(i), .frame = {100, 100, 700, 500}});
        time.advance(0.5);
    }
    // First change at 0.15 s: the save is due at 2.15 s.
    time.advance(0.6);
    EXPECT_FALSE(std::filesystem::exists(sessionFile()));
    time.advance(0.1);
    ASSERT_TRUE(std::filesystem::exists(sessionFile()));
    const std::optional<SessionSnapshot> saved = readJSON<SessionSnapshot>(sessionFile());
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->displays.size(), 2u);
    EXPECT_EQ(saved->displays[0].columns.size(), 3u);
    EXPECT_EQ(saved->displays[0].columns[0].windows[0].bundleID, "org.example.editor");

    // Nothing changed since: no second write.
    std::filesystem::remove(sessionFile());
    time.advance(5);
    EXPECT_FALSE(std::filesystem::exists(sessionFile()));

    // Reordered and refocused, saved again: the next start brings that arrangement back.
    const std::vector<WindowID> opened = stripWindows("LEFT");
    controller->reorderColumn("LEFT", 0, 2);
    controller->jump(opened[1]);
    time.advance(2.5);
    const std::vector<WindowID> order = stripWindows("LEFT");
    ASSERT_EQ(order, (std::vector<WindowID>{opened[1], opened[2], opened[0]}));
    controller.reset();
    start(stillSettings());
    EXPECT_EQ(stripWindows("LEFT"), order);
    EXPECT_EQ(focusedWindow(), opened[1]);
}

// Changes while a save is due join it; a change after that save waits a delay of its own, however
// many changes joined the one before.
TEST_F(Session, AChangeAfterASaveWaitsItsOwnDelay) {
    start(stillSettings());
    desktop.openWindow(editor, {.title = "w0", .frame = {100, 100, 700, 500}});
    time.advance(1.5);
    // At 1.65 s, while the save of the first change is due at 2.15 s.
    desktop.openWindow(editor, {.title = "w1", .frame = {100, 100, 700, 500}});
    time.advance(0.7);
    ASSERT_TRUE(std::filesystem::exists(sessionFile()));
    std::filesystem::remove(sessionFile());
    // At 2.35 s: due at 4.35 s, not when the joined change would have been.
    controller->reorderColumn("LEFT", 0, 1);
    time.advance(1.5);
    EXPECT_FALSE(std::filesystem::exists(sessionFile())) << "saved before its own delay";
    time.advance(0.6);
    EXPECT_TRUE(std::filesystem::exists(sessionFile()));
}

TEST_F(Session, SnapshotsAndFocusFramesArriveInTheOrderTheyWereMade) {
    desktop.openWindow(editor, {.title = "a", .frame = {100, 100, 700, 500}, .focus = true});
    time.runUntilIdle();
    AppSettings settings = stillSettings();
    settings.focusBorder = true;
    start(settings);
    arrivals.clear();
    const SimWindow second =
        desktop.openWindow(editor, {.title = "b", .frame = {100, 100, 700, 500}});
    time.advance(0.2);
    // The apply's focus frames, the structure snapshot, then the focus snapshot.
    EXPECT_EQ(arrivals.substr(0, 3), "fss");
    ASSERT_FALSE(focusFrames.empty());
    const std::vector<FocusFrame>& frames = focusFrames.back();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].displayUUID, "LEFT");
    ASSERT_TRUE(frames[0].frame.has_value());
    EXPECT_EQ(*frames[0].frame, second.frame());
    EXPECT_EQ(frames[0].windowNumber, second.number());
    EXPECT_FALSE(frames[1].frame.has_value());
    EXPECT_EQ(frames[1].screen, kRight);

    // Pausing withdraws the frames once; a command while paused publishes nothing.
    arrivals.clear();
    run(Command::Kind::togglePause);
    run(Command::Kind::focusLeft);
    EXPECT_EQ(arrivals, "sf");
    EXPECT_TRUE(focusFrames.back().empty());
    EXPECT_TRUE(snapshots.back().paused);
}

}  // namespace
}  // namespace brindlow::test
