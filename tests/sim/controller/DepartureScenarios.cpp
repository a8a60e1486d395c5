// Windows that leave the strip for a while (another virtual desktop, minimised, no display in
// use) keep their place and their frame from before tiling.
#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

// Four windows on the left display: columns [a] [b c] [d], widths 0.7, 0.5, 0.5, the stack
// focused on c.
class Departures : public ControllerScenario {
  protected:
    SimApp editor;
    SimWindow a, b, c, d;
    std::map<WindowID, Rect> originals;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        a = desktop.openWindow(editor,
                               {.title = "a", .frame = {100, 100, 700, 500}, .focus = true});
        b = desktop.openWindow(editor, {.title = "b", .frame = {150, 120, 700, 500}});
        c = desktop.openWindow(editor, {.title = "c", .frame = {200, 140, 700, 500}});
        d = desktop.openWindow(editor, {.title = "d", .frame = {250, 160, 700, 500}});
        time.runUntilIdle();
        for (const SimWindow& window : {a, b, c, d}) originals[window.id()] = window.frame();
        start(stillSettings());
        for (const Command::Kind kind :
             {Command::Kind::focusFirst, Command::Kind::wider, Command::Kind::wider,
              Command::Kind::focusRight, Command::Kind::focusRight, Command::Kind::stackLeft})
            controller->perform(kind);
        time.runUntilIdle();
        arrangement_ = arrangement();
        ASSERT_EQ(columns(),
                  (std::vector<std::vector<WindowID>>{{a.id()}, {b.id(), c.id()}, {d.id()}}));
        ASSERT_EQ(focusedWindow(), c.id());
    }

    // Columns, widths and the focused window of the left display.
    struct Arrangement {
        std::vector<std::vector<WindowID>> columns;
        std::vector<double> widths;
        std::optional<WindowID> focused;
        bool operator==(const Arrangement&) const = default;
        friend void PrintTo(const Arrangement& shown, std::ostream* out) {
            for (size_t index = 0; index < shown.columns.size(); ++index) {
                *out << "[";
                for (const WindowID id : shown.columns[index]) *out << " " << id;
                *out << " ] " << (index < shown.widths.size() ? shown.widths[index] : 0) << " ";
            }
            *out << "focused " << shown.focused.value_or(0);
        }
    };
    Arrangement arrangement() const {
        Arrangement now{columns(), {}, focusedWindow()};
        for (const ColumnSnapshot& column : display().columns)
            now.widths.push_back(column.widthFraction);
        return now;
    }
    Arrangement arrangement_;

    // Lets the events arrive and the windows that leave or come back together be moved.
    void gather() { time.advance(0.1); }

    SimWindow byName(char name) const {
        return name == 'a' ? a : name == 'b' ? b : name == 'c' ? c : d;
    }

    // Quits; every window the strip moved stands where it stood before.
    void quitAndExpectOriginalFrames() {
        controller->beginStop(nullptr);
        time.runUntilIdle();
        for (const SimWindow& window : {a, b, c, d})
            EXPECT_EQ(window.frame(), originals.at(window.id())) << *window.title();
    }
};

struct Trip {
    const char* name;
    std::string leaving;    // in this order, one event each
    std::string returning;  // in this order
    int repeats;
    bool oneByOne = false;  // each window leaves and comes back in a gathering of its own
};

void PrintTo(const Trip& trip, std::ostream* out) {
    *out << trip.name;
}

class AwayAndBack : public Departures, public ::testing::WithParamInterface<Trip> {};

// Switching to another desktop and back, once or many times, or sending single windows away:
// the windows come back to the same columns, widths, stacks and focus, whatever the order of
// their events, and the quit puts every one back.
TEST_P(AwayAndBack, KeepsTheArrangementAndTheOriginalFrames) {
    const Trip& trip = GetParam();
    for (int round = 0; round < trip.repeats; ++round) {
        for (const char name : trip.leaving) {
            byName(name).setAway(true);
            if (trip.oneByOne) gather();
        }
        gather();
        for (const char name : trip.leaving) EXPECT_FALSE(managed(byName(name).id())) << name;
        for (const char name : trip.returning) {
            byName(name).setAway(false);
            if (trip.oneByOne) gather();
        }
        gather();
        Arrangement now = arrangement();
        // One by one, the focus goes with the last window that comes back.
        if (trip.oneByOne) now.focused = arrangement_.focused;
        ASSERT_EQ(now, arrangement_) << "round " << round;
    }
    EXPECT_TRUE(logLines("Remove Editor '<private>': away").size() >= trip.leaving.size());
    // Away at quit, and put back too.
    for (const char name : trip.leaving) byName(name).setAway(true);
    gather();
    quitAndExpectOriginalFrames();
}

INSTANTIATE_TEST_SUITE_P(Trips, AwayAndBack,
                         ::testing::Values(Trip{"DesktopSwitch", "abcd", "abcd", 1},
                                           Trip{"ThirtySwitches", "abcd", "abcd", 30},
                                           Trip{"BackInReverse", "abcd", "dcba", 1},
                                           Trip{"BackShuffled", "dbca", "cadb", 1},
                                           Trip{"OneSentAway", "d", "d", 1},
                                           Trip{"StackHalfAway", "c", "c", 1},
                                           Trip{"MiddleAway", "bc", "cb", 1},
                                           Trip{"OneByOne", "cbda", "bacd", 1, true},
                                           Trip{"StackOneByOneBackInOrder", "bc", "bc", 1, true}),
                         [](const auto& trip) { return std::string(trip.param.name); });

// A window opened on another desktop is left alone until the user goes there; then it is tiled.
// Adopted after the start, it has no frame from before tiling: the quit leaves it where the strip
// shows it.
TEST_F(Departures, AWindowFirstSeenOnAnotherDesktopIsTiledWhenItComesAndKeepsItsPlaceAtQuit) {
    const SimWindow other =
        desktop.openWindow(editor, {.title = "other", .frame = {300, 300, 600, 400}});
    other.setAway(true);
    time.advance(0.2);
    controller->catchUpTick();
    time.runUntilIdle();
    EXPECT_FALSE(managed(other.id()));
    EXPECT_EQ(other.frame(), (Rect{300, 300, 600, 400}));
    other.setAway(false);
    gather();
    EXPECT_TRUE(managed(other.id()));
    const Rect tiled = other.frame();
    ASSERT_EQ(tiled, (Rect{966, 12, 942, 1056}));
    controller->beginStop(nullptr);
    time.runUntilIdle();
    EXPECT_EQ(other.frame(), tiled);
}

// A window that comes back while no layout runs (tiling paused, or the quit under way) joins its
// column, but no layout places it: the quit puts it back all the same.
TEST_F(Departures, AWindowBackWhileNoLayoutRunsIsPutBack) {
    d.setAway(true);
    gather();
    ASSERT_FALSE(managed(d.id()));
    ASSERT_NE(d.frame(), originals.at(d.id()));
    run(Command::Kind::togglePause);
    d.setAway(false);
    gather();
    ASSERT_TRUE(managed(d.id()));
    quitAndExpectOriginalFrames();
}

// Windows on another desktop when Brindlow quits, and still there when it starts again, come back
// to their columns, widths and stacks when the user goes there; the quit after puts every one
// back.
class AwayOverARestart : public Departures, public ::testing::WithParamInterface<Trip> {};

TEST_P(AwayOverARestart, KeepsTheirPlacesInTheSession) {
    const Trip& trip = GetParam();
    for (const char name : trip.leaving) byName(name).setAway(true);
    gather();
    controller->beginStop(nullptr);
    time.runUntilIdle();
    controller.reset();
    start(stillSettings());
    for (const char name : trip.leaving) EXPECT_FALSE(managed(byName(name).id())) << name;
    for (const char name : trip.returning) byName(name).setAway(false);
    gather();
    Arrangement now = arrangement();
    // The focus is the application's own at a start.
    now.focused = arrangement_.focused;
    EXPECT_EQ(now, arrangement_);
    quitAndExpectOriginalFrames();
}

INSTANTIATE_TEST_SUITE_P(Restarts, AwayOverARestart,
                         ::testing::Values(Trip{"OneAway", "a", "a", 1},
                                           Trip{"HalfAStackAndAnotherAway", "bd", "db", 1},
                                           Trip{"EveryWindowAway", "abcd", "cadb", 1}),
                         [](const auto& trip) { return std::string(trip.param.name); });

// Killed (no quit, nothing put back), then started again: every window there at the first start,
// also one that is on another desktop at either start, goes back to where it stood before it was
// first tiled. One tiled after the first start has no frame from before tiling kept: it ends on
// a display.
struct Kill {
    const char* name;
    bool lateFirstAway;            // the late window is on another desktop until after the start
    bool awayAtKill;               // the late window and d are on another desktop at the kill
    bool minimizedAtKill = false;  // the late window and b are minimised at the kill
    bool backBeforeQuit = true;    // those windows come back before the quit
};

void PrintTo(const Kill& kill, std::ostream* out) {
    *out << kill.name;
}

class KilledAndStartedAgain : public Departures, public ::testing::WithParamInterface<Kill> {};

TEST_P(KilledAndStartedAgain, PutsBackTheWindowsOfTheFirstStart) {
    const Kill& kill = GetParam();
    const Rect lateOriginal{400, 90, 650, 450};
    const SimWindow late = desktop.openWindow(editor, {.title = "late", .frame = lateOriginal});
    if (kill.lateFirstAway) {
        late.setAway(true);
        time.advance(1);
        ASSERT_FALSE(managed(late.id()));
        late.setAway(false);
    }
    time.advance(1);
    ASSERT_TRUE(managed(late.id()));
    ASSERT_NE(late.frame(), lateOriginal);
    const SimWindow other = kill.minimizedAtKill ? b : d;
    if (kill.awayAtKill) {
        late.setAway(true);
        other.setAway(true);
    }
    if (kill.minimizedAtKill) {
        late.minimize();
        other.minimize();
    }
    gather();
    controller.reset();
    start(stillSettings());
    if (kill.backBeforeQuit && (kill.awayAtKill || kill.minimizedAtKill)) {
        late.setAway(false).minimize(false);
        other.setAway(false).minimize(false);
        gather();
        EXPECT_TRUE(managed(late.id()));
        EXPECT_TRUE(managed(other.id()));
    }
    quitAndExpectOriginalFrames();
    EXPECT_TRUE(kLeft.contains(late.frame()) || kRight.contains(late.frame()));
}

INSTANTIATE_TEST_SUITE_P(Kills, KilledAndStartedAgain,
                         ::testing::Values(Kill{"OpenedAfterTheStart", false, false},
                                           Kill{"FirstSeenOnAnotherDesktop", true, false},
                                           Kill{"OnAnotherDesktopAtTheKill", false, true},
                                           Kill{"MinimisedAtTheKill", false, false, true},
                                           Kill{"MinimisedAtTheKillAndTheQuit", false, false, true,
                                                false}),
                         [](const auto& kill) { return std::string(kill.param.name); });

// The file of frames from before tiling is written when a window of the start leaves for good,
// not when the strip only moves the windows it has, nor for a window tiled after the start.
TEST_F(Departures, TheOriginalFramesFileFollowsTheTiledWindows) {
    const std::filesystem::path file = folder.path() / "original-frames.json";
    const auto stored = [&] {
        std::map<std::string, std::vector<double>> frames;
        const std::optional<nlohmann::json> value = readJSONValue(file);
        if (!value) return frames;
        for (const nlohmann::json& window : value->at("windows"))
            frames[window.at("title").get<std::string>()] = {
                window.at("x").get<double>(), window.at("y").get<double>(),
                window.at("width").get<double>(), window.at("height").get<double>()};
        return frames;
    };
    ASSERT_EQ(stored().size(), 4u);
    std::filesystem::remove(file);
    run(Command::Kind::focusFirst);
    run(Command::Kind::moveRight);
    EXPECT_FALSE(std::filesystem::exists(file));

    const SimWindow late =
        desktop.openWindow(editor, {.title = "late", .frame = {400, 90, 650, 450}});
    time.advance(1);
    ASSERT_TRUE(managed(late.id()));
    EXPECT_FALSE(std::filesystem::exists(file));
    d.close();
    time.advance(1);
    EXPECT_EQ(stored().size(), 3u);
    EXPECT_FALSE(stored().contains("late"));
    EXPECT_EQ(stored()["a"], (std::vector<double>{100, 100, 700, 500}));
}

// Minimised and restored soon, a window goes back to its place; whenever it comes back, its
// frame from before tiling is the one the quit restores. A window tiled after the start has none:
// the quit leaves it on a display.
TEST_F(Departures, AMinimisedWindowKeepsItsPlaceAndItsOriginalFrame) {
    c.minimize();
    gather();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{a.id()}, {b.id()}, {d.id()}}));
    c.minimize(false);
    gather();
    EXPECT_EQ(arrangement(), arrangement_);

    const SimWindow late =
        desktop.openWindow(editor, {.title = "late", .frame = {400, 90, 650, 450}});
    time.advance(0.2);
    ASSERT_TRUE(managed(late.id()));
    for (int trip = 0; trip < 3; ++trip) {
        late.minimize();
        gather();
        late.minimize(false);
        gather();
        ASSERT_TRUE(managed(late.id()));
    }
    // Long after: a new column, its frame from before tiling still kept.
    d.minimize();
    time.advance(120);
    d.minimize(false);
    gather();
    EXPECT_TRUE(managed(d.id()));
    // Minimised at quit: put back as well.
    b.minimize();
    gather();
    quitAndExpectOriginalFrames();
    EXPECT_TRUE(kLeft.contains(late.frame()) || kRight.contains(late.frame()));
}

// Each raise says how many minimises of its window the strip had heard when it asked: the
// platform shows no window minimised beyond them, however late the raise goes out.
TEST_F(Departures, EachRaiseSaysHowManyMinimisesOfItsWindowTheStripHadHeard) {
    const auto heardInLastRaiseOf = [&](const SimWindow& window) {
        const auto& steps = desktop.steps();
        for (auto step = steps.rbegin(); step != steps.rend(); ++step)
            if (step->first == window.id()) return step->second.minimisesHeard;
        return std::optional<std::uint64_t>();
    };
    controller->perform(Command::Kind::focusFirst);
    time.runUntilIdle();
    EXPECT_EQ(heardInLastRaiseOf(a), std::optional<std::uint64_t>(0));
    for (const std::uint64_t minimises : {1, 2}) {
        a.minimize();
        gather();
        a.minimize(false);
        gather();
        controller->perform(Command::Kind::focusRight);
        controller->perform(Command::Kind::focusFirst);
        time.runUntilIdle();
        EXPECT_EQ(heardInLastRaiseOf(a), std::optional<std::uint64_t>(minimises));
    }
    // Raised between a's trips: another window's minimises are its own.
    EXPECT_EQ(focusedWindow(), a.id());
    EXPECT_EQ(heardInLastRaiseOf(c), std::optional<std::uint64_t>(0));
}

// Of two minimised windows the user restores one right after the other, both back in one
// gathering, the one restored later has the focus.
class RestoredOneAfterTheOther : public Departures,
                                 public ::testing::WithParamInterface<std::string> {};

TEST_P(RestoredOneAfterTheOther, TheLaterOneHasTheFocus) {
    a.minimize();
    d.minimize();
    gather();
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{b.id(), c.id()}}));
    for (const char name : GetParam()) byName(name).minimize(false);
    gather();
    EXPECT_EQ(columns(),
              (std::vector<std::vector<WindowID>>{{a.id()}, {b.id(), c.id()}, {d.id()}}));
    EXPECT_EQ(focusedWindow(), byName(GetParam().back()).id());
}

INSTANTIATE_TEST_SUITE_P(Departures, RestoredOneAfterTheOther, ::testing::Values("ad", "da"));

// Windows out of sight either way: minimised (true) or on another desktop (false).
class OutOfSight : public Departures, public ::testing::WithParamInterface<bool> {
  protected:
    void leave(const SimWindow& window, bool leaving) const {
        if (GetParam())
            window.minimize(leaving);
        else
            window.setAway(leaving);
    }
};

// A window back to a stack that was filled to three meanwhile stands right of it as a column of
// its own, with the width it had; a stack never holds four.
TEST_P(OutOfSight, BackToAFullStackItStandsBesideItWithItsOwnWidth) {
    leave(c, true);
    gather();
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{a.id()}, {b.id()}, {d.id()}}));
    for (const Command::Kind kind :
         {Command::Kind::focusFirst, Command::Kind::stackRight, Command::Kind::focusLast,
          Command::Kind::stackLeft, Command::Kind::wider})
        controller->perform(kind);
    time.runUntilIdle();
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{b.id(), a.id(), d.id()}}));
    ASSERT_NE(display().columns[0].widthFraction, 0.5);
    leave(c, false);
    gather();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{b.id(), a.id(), d.id()}, {c.id()}}));
    ASSERT_EQ(display().columns.size(), 2u);
    EXPECT_EQ(display().columns[1].widthFraction, 0.5);
    quitAndExpectOriginalFrames();
}

// Put back by one quit, then taken on again while still out of sight, a window its application
// moves meanwhile goes back from where it was moved at the next quit.
TEST_P(OutOfSight, MovedByItsApplicationItIsPutBackFromWhereItStands) {
    leave(c, true);
    gather();
    controller->beginStop(nullptr);
    time.runUntilIdle();
    ASSERT_EQ(c.frame(), originals.at(c.id()));
    controller.reset();
    start(stillSettings());
    c.setFrame({900, 500, 500, 300});
    time.runUntilIdle();
    quitAndExpectOriginalFrames();
}

// Back in full screen, a window is shown: no longer kept out of sight. Out of full screen it is
// tiled again, and the quit still puts it back.
TEST_P(OutOfSight, BackInFullScreenItIsNoLongerKeptOutOfSight) {
    leave(c, true);
    gather();
    c.setFullScreen(true);
    leave(c, false);
    gather();
    EXPECT_FALSE(managed(c.id()));
    StripController::Inspection now;
    controller->inspect([&now](StripController::Inspection made) { now = std::move(made); });
    time.runUntilIdle();
    EXPECT_FALSE(now.known.contains(c.id()));
    EXPECT_TRUE(now.problems.empty());
    c.setFullScreen(false);
    gather();
    EXPECT_TRUE(managed(c.id()));
    quitAndExpectOriginalFrames();
}

INSTANTIATE_TEST_SUITE_P(Departures, OutOfSight, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "Minimised" : "Away");
                         });

// With no display in use the strips wait; the display coming back lays them out as they were.
TEST_F(Departures, NoDisplayInUseKeepsTheStrips) {
    desktop.removeDisplay(right);
    desktop.removeDisplay(left);
    controller->screensMayHaveChanged();
    time.runUntilIdle();
    EXPECT_FALSE(hasStrip("LEFT"));
    left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
    controller->screensMayHaveChanged();
    time.runUntilIdle();
    EXPECT_EQ(arrangement(), arrangement_);
    quitAndExpectOriginalFrames();
}

// A save still due when the quit comes is written by the quit.
TEST_F(Departures, TheQuitWritesASaveStillDue) {
    run(Command::Kind::moveRight);
    const std::filesystem::path file = folder.path() / "session.json";
    std::filesystem::remove(file);
    time.advance(0.2);
    ASSERT_FALSE(std::filesystem::exists(file));
    controller->beginStop(nullptr);
    time.runUntilIdle();
    const std::optional<SessionSnapshot> saved = readJSON<SessionSnapshot>(file);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->displays.size(), 2u);
    ASSERT_EQ(saved->displays[0].columns.size(), 3u);
    EXPECT_EQ(saved->displays[0].columns[2].windows.size(), 2u);  // the stack moved to the end
}

// A layout asked for just before the quit is put on the strips and saved by the quit.
TEST_F(Departures, ALayoutRestoredJustBeforeTheQuitIsSaved) {
    SessionSnapshot layout;
    controller->captureSnapshot([&](SessionSnapshot captured) { layout = std::move(captured); });
    time.runUntilIdle();
    run(Command::Kind::focusFirst);
    run(Command::Kind::moveRight);
    time.advance(3);  // saved as it is now
    const std::filesystem::path file = folder.path() / "session.json";
    ASSERT_EQ(readJSON<SessionSnapshot>(file)->displays[0].columns[0].windows.size(), 2u);

    controller->restoreLayout(layout, nullptr);
    controller->beginStop(nullptr);
    time.runUntilIdle();
    const std::optional<SessionSnapshot> saved = readJSON<SessionSnapshot>(file);
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->displays[0].columns.size(), 3u);
    EXPECT_EQ(saved->displays[0].columns[1].windows.size(), 2u);  // the stack in the middle again
    EXPECT_DOUBLE_EQ(saved->displays[0].columns[0].widthFraction, 0.7);
}

}  // namespace
}  // namespace brindlow::test
