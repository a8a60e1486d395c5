#include "CommandScenario.h"

namespace brindlow::test {
namespace {

class EntryPoints : public CommandScenario {
  protected:
    std::optional<SessionSnapshot> capture() {
        std::optional<SessionSnapshot> captured;
        controller->captureSnapshot(
            [&](SessionSnapshot snapshot) { captured = std::move(snapshot); });
        time.runUntilIdle();
        return captured;
    }
};

// MARK: Jump and reorder

TEST_F(EntryPoints, AJumpToAWindowOnAnotherDisplayMakesThatDisplayActive) {
    const SimWindow other =
        desktop.openWindow(term, {.title = "r", .frame = {2000, 100, 600, 400}});
    open(2);
    controller->jump(other.id());
    time.runUntilIdle();
    EXPECT_EQ(activeDisplay(), "RIGHT");
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::focus("RIGHT"));
    EXPECT_EQ(logLines("Jump to Term").size(), 1u);
    EXPECT_TRUE(other.isFocused());
}

TEST_F(EntryPoints, AJumpWhilePausedOrToAnUnknownWindowDoesNothing) {
    open(2);
    controller->jump(987654);
    run(Command::Kind::togglePause);
    snapshots.clear();
    LogSink::clear();
    controller->jump(id(0));
    time.runUntilIdle();
    EXPECT_EQ(display().focusedIndex, 1);
    EXPECT_TRUE(logLines("Jump").empty());
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(EntryPoints, ReorderingMovesAColumnWithinItsBlockAndKeepsTheFocus) {
    open(3);
    controller->reorderColumn("LEFT", 0, 10);
    time.runUntilIdle();
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(1), id(2), id(0)}));
    EXPECT_EQ(focusedWindow(), id(2));
    EXPECT_EQ(logLines("Reorder column 1 to 11").size(), 1u);
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::structure());
    EXPECT_EQ(activeDisplay(), "LEFT");
}

// MARK: Capture and restore

TEST_F(EntryPoints, RestoringAnArrangementRebuildsEveryStripAndReportsMissingApplications) {
    open(3);
    std::optional<SessionSnapshot> captured = capture();
    run(Command::Kind::moveLeft);
    run(Command::Kind::stackLeft);
    ASSERT_NE(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1), id(2)}));
    // The saved arrangement also names an application that is not running.
    captured->displays[1].columns.push_back(savedColumn({{"org.example.mail", "title"}}));
    snapshots.clear();
    std::optional<std::set<std::string>> missing;
    controller->restoreLayout(*captured, [&](std::set<std::string> ids) { missing = ids; });
    time.runUntilIdle();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(1)}, {id(2)}}));
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, (std::set<std::string>{"org.example.mail"}));
    EXPECT_EQ(snapshots.size(), 2u);  // one per display
    for (const StripSnapshot& snapshot : snapshots)
        EXPECT_EQ(snapshot.reason, SnapshotReason::structure());
    EXPECT_EQ(logLines("Restored layout with 4 windows").size(), 1u);
}

// While paused the arrangement is still captured, and a restore lays the strips out again but
// neither moves nor raises a window: the window the user focused meanwhile stays in front.
TEST_F(EntryPoints, WhilePausedACaptureDeliversAndARestoreMovesAndRaisesNoWindow) {
    open(2);
    run(Command::Kind::togglePause);
    std::optional<SessionSnapshot> captured = capture();
    ASSERT_TRUE(captured);
    ASSERT_EQ(captured->displays.at(0).columns.size(), 2u);
    std::swap(captured->displays[0].columns[0], captured->displays[0].columns[1]);
    captured->displays[0].focusedIndex = 0;  // w1 stays the strip's focus
    windows[0].focus();
    time.runUntilIdle();
    const Rect before = windows[0].frame();
    controller->restoreLayout(*captured, nullptr);
    time.runUntilIdle();
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(1), id(0)}));
    EXPECT_EQ(windows[0].frame(), before);
    EXPECT_TRUE(windows[0].isFocused());
    EXPECT_FALSE(windows[1].isFocused());
}

TEST_F(EntryPoints, ARestoreWithoutDisplaysStillReportsTheSavedApplications) {
    makeController();
    std::optional<std::set<std::string>> missing;
    SessionSnapshot saved;
    saved.displays.push_back({"X", "X", {savedColumn({{"Unbundled", "title"}})}, std::nullopt});
    controller->restoreLayout(saved, [&](std::set<std::string> ids) { missing = ids; });
    time.runUntilIdle();
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, (std::set<std::string>{"Unbundled"}));
    EXPECT_EQ(logLines("Restored layout with 1 windows").size(), 1u);
}

// MARK: List

TEST_F(EntryPoints, TheListDescribesEveryStripWithoutPublishing) {
    open(2);
    giveBadge(id(0));
    snapshots.clear();
    std::string text;  // as `list --titles` prints it
    controller->listJSON(true, [&text](std::string json) { text = std::move(json); });
    time.runUntilIdle();
    EXPECT_TRUE(snapshots.empty());
    const nlohmann::json list = nlohmann::json::parse(text);
    ASSERT_EQ(list["displays"].size(), 2u);
    EXPECT_EQ(list["displays"][0]["focused"], 2);
    EXPECT_EQ(list["displays"][0]["columns"][0]["windows"][0],
              (nlohmann::json{{"app", "Editor"}, {"badge", true}, {"title", "w0"}}));
}

// MARK: Badges

class Badges : public EntryPoints {
  protected:
    static constexpr std::int32_t kShell = 9000;
    SimWindow first;
    SimWindow second;

    void SetUp() override {
        EntryPoints::SetUp();
        first = desktop.openWindow(
            term, {.title = "~/src/brindlow — zsh", .frame = {2000, 100, 600, 400}});
        second = desktop.openWindow(
            term, {.title = "~/notes — zsh", .frame = {2100, 100, 600, 400}, .focus = true});
        desktop.setProcess(kShell, 8999, "zsh");
        desktop.setProcess(8999, term.pid(), "login");
        open(2);
    }

    void finished(std::string directory, std::string command = "make") {
        controller->badge({kShell, std::move(directory), std::move(command), 2});
        time.runUntilIdle();
    }
};

TEST_F(Badges, TheTerminalWindowIsFoundThroughTheShellsParents) {
    finished("/home/me/src/Brindlow");
    EXPECT_EQ(badged(), (std::set<WindowID>{first.id()}));
    ASSERT_FALSE(snapshots.empty());
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::quiet());
    EXPECT_TRUE(snapshots.back().hasAnyBadge());
    EXPECT_EQ(logLines("Badge Term: '<private>' finished with 2").size(), 1u);
}

TEST_F(Badges, WithoutATitleMatchTheApplicationsFocusedWindowIsBadged) {
    finished("", "");
    EXPECT_EQ(badged(), (std::set<WindowID>{second.id()}));
}

TEST_F(Badges, TheWindowTheUserIsLookingAtGetsNoBadge) {
    term.activate();
    time.runUntilIdle();
    controller->jump(second.id());
    time.runUntilIdle();
    snapshots.clear();
    finished("/home/me/notes");
    EXPECT_TRUE(badged().empty());
    EXPECT_TRUE(snapshots.empty());
}

TEST_F(Badges, WithBadgesOffNothingIsBadged) {
    AppSettings settings = stillSettings();
    settings.terminalBadges = false;
    applySettings(settings);
    finished("/home/me/src/brindlow");
    EXPECT_TRUE(badged().empty());
    EXPECT_TRUE(logLines("Badge").empty());
}

// MARK: Focus at a point

class FocusAtPoint : public EntryPoints {
  protected:
    void SetUp() override {
        EntryPoints::SetUp();
        AppSettings settings = stillSettings();
        settings.focusFollowsMouse = true;
        open(2, settings);
    }
    void point(Point at) {
        controller->focusWindow(at);
        time.runUntilIdle();
    }
};

TEST_F(FocusAtPoint, RestingOverAnotherTiledWindowFocusesItWithoutScrolling) {
    const Rect target = windows[0].frame();
    const double offset = display().offset;
    giveBadge(id(0));
    windows[0].raise();  // what the window server shows at the point is that window
    point({target.midX(), target.midY()});
    EXPECT_EQ(focusedWindow(), id(0));
    EXPECT_FALSE(badged().contains(id(0)));
    EXPECT_EQ(snapshots.back().reason, SnapshotReason::quiet());
    EXPECT_DOUBLE_EQ(display().offset, offset);
    EXPECT_EQ(windows[0].frame(), target);
}

TEST_F(FocusAtPoint, AWindowOfAnotherApplicationCoveringThePointKeepsTheFocus) {
    AppSettings settings = stillSettings();
    settings.focusFollowsMouse = true;  // as the fixture has it
    settings.appRules = {{"org.example.term", "Term", AppBehavior::floating, 0.5}};
    applySettings(settings);
    const Rect target = windows[0].frame();
    desktop.openWindow(term, {.title = "d", .frame = target});
    time.advance(1.0);
    point({target.midX(), target.midY()});
    EXPECT_EQ(focusedWindow(), id(1));
}

// The settings window, the shortcut sheet or the save prompt resting over a column that is not
// focused: the pointer rests on our window, and the column under it is not focused.
TEST_F(FocusAtPoint, OneOfOurWindowsOverThePointFocusesNothing) {
    const Rect target = windows[0].frame();
    const SimApp ours = desktop.launchApp({.name = "Ourselves", .pid = SimDesktop::kOwnPID});
    desktop.openWindow(ours, {.title = "Brindlow Settings",
                              .frame = {target.midX() - 100, target.midY() - 100, 400, 300}});
    time.advance(1.0);
    point({target.midX(), target.midY()});
    EXPECT_EQ(focusedWindow(), id(1));
    point({target.midX() - 150, target.midY()});  // beside it, over the column
    EXPECT_EQ(focusedWindow(), id(0));
}

TEST_F(FocusAtPoint, GapsAndSwipesFocusNothing) {
    const Rect a = windows[0].frame();
    point({a.maxX() + 6, a.midY()});  // in the gap between the columns
    EXPECT_EQ(focusedWindow(), id(1));
    controller->gestureBegan(Point{2500, 500});
    point({a.midX(), a.midY()});
    EXPECT_EQ(focusedWindow(), id(1));
}

}  // namespace
}  // namespace brindlow::test
