// The real executable on the session's display, driven by the real command-line tool, its global
// shortcuts and the pointer: xterms become columns, commands move their frames, the focus and the
// stacking, and every way of quitting puts the xterms back where they were.
#include <signal.h>

#include <cstring>
#include <sstream>

#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

struct ListedColumn {
    std::vector<std::string> titles;
    std::vector<bool> badges;
};

struct Listing {
    bool paused = false;
    int focused = 0;  // counted from 1; 0 for none
    std::vector<ListedColumn> columns;
};

class AppEndToEnd : public AppOnDisplay {
  protected:
    // The active display's columns holding this test's xterms (a stray window of another test
    // would add columns of its own).
    std::optional<Listing> list() {
        const auto json = listing();
        if (!json) return std::nullopt;
        Listing result;
        result.paused = json->value("paused", false);
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            int index = 0;
            for (const auto& column : display.at("columns")) {
                ++index;
                ListedColumn listed;
                for (const auto& window : column.at("windows")) {
                    if (!xtermTitled(window.value("title", ""))) continue;
                    listed.titles.push_back(window.value("title", ""));
                    listed.badges.push_back(window.value("badge", false));
                }
                if (listed.titles.empty()) continue;
                result.columns.push_back(listed);
                if (index == display.value("focused", 0))
                    result.focused = int(result.columns.size());
            }
        }
        return result;
    }

    std::vector<std::string> columnOrder() {
        std::vector<std::string> order;
        if (const auto listed = list())
            for (const ListedColumn& column : listed->columns)
                order.push_back(column.titles.front());
        return order;
    }

    std::string activeTitle() {
        const auto active = desktop().activeWindow();
        for (const Xterm& xterm : xterms_)
            if (active == xterm.window) return xterm.title;
        return {};
    }

    // The focused column is the `index`th, counted from 1, and its xterm is the active window.
    bool focusedAndActive(int index) {
        const auto listed = list();
        return listed && listed->focused == index &&
               activeTitle() == listed->columns[size_t(index - 1)].titles.front();
    }

    bool allMoved() {
        for (const Xterm& xterm : xterms_)
            if (frameOf(xterm.window) == xterm.original) return false;
        return true;
    }

    void quitAndExpectWindowsBack(int quitSignal = SIGTERM) {
        brindlow_->signal(quitSignal);
        EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
        settle([&] {
            for (const Xterm& xterm : xterms_)
                if (frameOf(xterm.window) != xterm.original) return false;
            return true;
        });
        for (const Xterm& xterm : xterms_)
            EXPECT_EQ(frameOf(xterm.window), xterm.original) << xterm.title << " was not put back";
    }

    // True when every xterm with less than half of its frame on the 1920-wide screen lies below
    // every xterm that is wholly on it.
    bool parkedBelowVisible() {
        const auto frames = settledFrames();
        const std::vector<xcb_window_t> stacking = readWindowList(
            connection(), connection().root(), connection().atom("_NET_CLIENT_LIST_STACKING"));
        int highestParked = -1, lowestVisible = int(stacking.size()), parked = 0;
        for (int level = 0; level < int(stacking.size()); ++level) {
            const auto frame = frames.find(stacking[size_t(level)]);
            if (frame == frames.end()) continue;
            const Rect& r = frame->second;
            if (std::max(0.0, std::min(r.maxX(), 1920.0) - std::max(r.x, 0.0)) < r.width / 2) {
                highestParked = level;
                ++parked;
            } else if (r.x >= 0 && r.maxX() <= 1920) {
                lowestVisible = std::min(lowestVisible, level);
            }
        }
        return parked > 0 && highestParked < lowestVisible;
    }
};

class QuitSignal : public AppEndToEnd, public ::testing::WithParamInterface<int> {};

TEST_P(QuitSignal, TilesTheXtermsAsColumnsAndPutsThemBack) {
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto listed = list();
    ASSERT_TRUE(listed);
    EXPECT_FALSE(listed->paused);
    ASSERT_EQ(listed->columns.size(), 3u);
    for (const ListedColumn& column : listed->columns) EXPECT_EQ(column.titles.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(stored("brindlow.sock")));

    // The first two columns (half a screen each) stand side by side at one height; the third
    // waits parked at the edge.
    ASSERT_TRUE(settle([&] { return allMoved(); })) << "Brindlow did not move the xterms";
    const auto tiled = settledFrames();
    const Rect first = tiled.at(xtermTitled(listed->columns[0].titles.front())->window);
    const Rect second = tiled.at(xtermTitled(listed->columns[1].titles.front())->window);
    EXPECT_EQ(second.y, first.y);
    EXPECT_EQ(second.height, first.height);
    EXPECT_GE(second.x, first.maxX());

    if (GetParam() == SIGKILL) {
        // Nothing puts them back until the next run quits.
        brindlow_->signal(SIGKILL);
        brindlow_->waitForExit(kLimit);
        EXPECT_EQ(currentFrames(), tiled);
        startBrindlow();
        ASSERT_FALSE(HasFatalFailure());
        settledFrames();
    }
    quitAndExpectWindowsBack(GetParam() == SIGKILL ? SIGTERM : GetParam());
    EXPECT_FALSE(std::filesystem::exists(stored("brindlow.sock")));
    EXPECT_FALSE(std::filesystem::exists(stored("original-frames.json")));
}

INSTANTIATE_TEST_SUITE_P(TermInterruptHangUpKill, QuitSignal,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGKILL),
                         [](const auto& row) { return std::string(sigabbrev_np(row.param)); });

// One session: the tool and the global shortcuts move the focus and the frames, parked windows stay
// below the visible ones, a named layout comes back, a finished command badges its terminal, and a
// window that opens while paused is listed but not tiled.
TEST_F(AppEndToEnd, ToolAndShortcutsDriveTheRealWindows) {
    // "focusLeft" set by hand to Ctrl+Alt+Y; "focusRightAlt" keeps its default Ctrl+Alt+L.
    std::filesystem::create_directories(data_.path() / "Brindlow");
    std::ofstream(stored("preferences.json"))
        << R"({"KeyboardShortcuts_focusLeft" : "{\"carbonKeyCode\":16,\"carbonModifiers\":6144}"})";
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    EXPECT_TRUE(settle([&] { return parkedBelowVisible(); }));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+l"}));
    ASSERT_TRUE(settle([&] { return focusedAndActive(2); })) << "Ctrl+Alt+L did not focus right";
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(3); }));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+y"}));
    ASSERT_TRUE(settle([&] { return focusedAndActive(2); })) << "Ctrl+Alt+Y did not focus left";

    // The focused column trades places with its right neighbour: the windows swap sides.
    const std::vector<std::string> saved = columnOrder();
    ASSERT_EQ(tool({"layout", "save", "Work"}).out, "Saved Work\n");
    ASSERT_TRUE(settle([&] { return tool({"layout", "list"}).out == "Work\n"; }));
    const xcb_window_t moved = xtermTitled(saved[1])->window;
    const xcb_window_t other = xtermTitled(saved[2])->window;
    const auto before = settledFrames();
    ASSERT_EQ(tool({"move-right"}).status, 0);
    ASSERT_TRUE(settle([&] {
        const auto frames = settledFrames();
        return columnOrder() == std::vector<std::string>{saved[0], saved[2], saved[1]} &&
               focusedAndActive(3) && frames.at(moved).x > frames.at(other).x;
    }));
    const auto after = settledFrames();
    EXPECT_GT(after.at(moved).x, before.at(moved).x);
    EXPECT_LT(after.at(other).x, before.at(other).x);

    // Raised by the user, a parked window goes under again after the next layout.
    xdotool({"windowraise", std::to_string(xtermTitled(saved[0])->window)});
    ASSERT_EQ(tool({"layout", "restore", "work"}).status, 0);
    EXPECT_TRUE(settle([&] { return columnOrder() == saved; }));
    EXPECT_TRUE(settle([&] { return parkedBelowVisible(); }));

    // A finished command in a terminal that is not focused badges its window.
    const auto listed = list();
    ASSERT_TRUE(listed);
    const int unfocused = listed->focused == 1 ? 2 : 1;
    const std::string title = listed->columns[size_t(unfocused - 1)].titles.front();
    EXPECT_EQ(tool({"notify", "done", "--pid", std::to_string(xtermTitled(title)->process->pid()),
                    "--cmd", "make", "--status", "0"})
                  .status,
              0);
    EXPECT_TRUE(settle([&] {
        const auto now = list();
        return now && now->columns[size_t(unfocused - 1)].badges.front();
    })) << title
        << " carries no badge";

    ASSERT_EQ(tool({"pause"}).status, 0);
    ASSERT_TRUE(settle([&] { return list()->paused; }));
    const Xterm& fourth = startXterm("e2e-xterm-4");
    ASSERT_TRUE(settle([&] { return list()->columns.size() == 4; }))
        << "the new xterm was not tracked while paused";
    EXPECT_EQ(frameOf(fourth.window), fourth.original);
    ASSERT_EQ(tool({"pause"}).status, 0);
    EXPECT_TRUE(settle([&] { return frameOf(fourth.window) != fourth.original; }))
        << "resuming did not tile the new xterm";
    xterms_.pop_back();  // the put-back at quit is checked for the three tiled from the start

    quitAndExpectWindowsBack();
    // The window manager holds Ctrl+Alt+Right: said once, on standard output and in the log.
    std::ifstream log(logFile());
    const std::string line = "Error registering hotkey Ctrl+Alt+→: -9878";
    int printed = 0, logged = 0;
    for (std::string each; std::getline(log, each);) {
        printed += each == line;
        logged += each.ends_with("error com.vemto.brindlow:AppDelegate " + line);
        EXPECT_EQ(each.find("Ctrl+Alt+Y: -"), std::string::npos) << each;
    }
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(logged, 1);
}

// The running instance is found by its socket and, for a second one with another storage folder,
// by the display; neither second one touches a window or stores anything.
TEST_F(AppEndToEnd, ASecondInstanceIsRefusedAndLeavesTheFirstRunning) {
    startXterms(1);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto tiled = settledFrames();
    const std::string refusal = "brindlow: Brindlow is already running on this display (process " +
                                std::to_string(brindlow_->pid()) + ").\n";
    EXPECT_NE(tool({}).err.find("already running"), std::string::npos);

    TempFolder otherData;
    auto otherEnvironment = environment();
    otherEnvironment["XDG_DATA_HOME"] = otherData.path().string();
    const ProcessRun second = runProcess({BRINDLOW_EXECUTABLE_PATH}, otherEnvironment);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, refusal);
    EXPECT_FALSE(std::filesystem::exists(otherData.path() / "Brindlow"));
    EXPECT_EQ(currentFrames(), tiled);
    ASSERT_TRUE(list());
    EXPECT_EQ(list()->columns.size(), 1u);
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, WithoutBrindlowTheToolHelpsAndSaysNothingRuns) {
    startXterms(1);
    for (const std::string option : {"--help", "-h", "--version"}) {
        const ProcessRun run = tool({option});
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.out.rfind(option == "--version" ? "0." : "Usage: brindlow <command>\n", 0),
                  0u)
            << run.out;
    }
    const ProcessRun run = tool({"focus-left"});
    EXPECT_EQ(run.status, 69);
    EXPECT_EQ(run.err, "brindlow: Brindlow is not running (nothing listens on " +
                           stored("brindlow.sock").string() + ").\n");
    EXPECT_EQ(frameOf(xterms_[0].window), xterms_[0].original);
    EXPECT_FALSE(std::filesystem::exists(data_.path() / "Brindlow"));
}

TEST_F(AppEndToEnd, FocusFollowsTheMouseWhenSwitchedOn) {
    startXterms(3);
    startBrindlow({{"focusFollowsMouse", true}});
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    const Xterm* target = nullptr;
    for (const Xterm& xterm : xterms_) {
        const Rect frame = frameOf(xterm.window).value_or(Rect{});
        if (xterm.title != activeTitle() && frame.x >= 0 && frame.maxX() <= 1920) target = &xterm;
    }
    ASSERT_TRUE(target);
    const Rect frame = *frameOf(target->window);
    // The warp of an absolute move is no device motion; the relative step after it is.
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(int(frame.midX()) - 5),
                         std::to_string(int(frame.midY())), "mousemove_relative", "5", "0"}));
    EXPECT_TRUE(settle([&] { return activeTitle() == target->title; }));
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, ControlAltScrollClicksScrollTheStrip) {
    startXterms(3);
    startBrindlow({{"twoFingerScroll", "withKeys"}});
    ASSERT_FALSE(HasFatalFailure());
    const auto before = settledFrames();
    ASSERT_TRUE(xdotool({"mousemove", "960", "540", "keydown", "ctrl+alt", "click", "--repeat",
                         "20", "--delay", "10", "7", "keyup", "ctrl+alt"}));
    EXPECT_TRUE(settle([&] {
        std::ifstream log(logFile());
        std::stringstream text;
        text << log.rdbuf();
        return text.str().find("Swipe settled on column") != std::string::npos;
    }));
    EXPECT_NE(settledFrames(), before);
    quitAndExpectWindowsBack();
}

// openbox moves the frame while the title bar is dragged and tells the client
// nothing until the button is released: the frame's own events must be followed.
class TitleBarDrag : public AppEndToEnd {
  protected:
    // Drags the window by its title bar 1,100 points to the right and drops it.
    void dragRight(xcb_window_t window) {
        const Rect start = *frameOf(window);
        ASSERT_GT(start.x, 0);
        const int titleBar = int(start.y) + desktop().read(window)->extents.top / 2;
        xdotool({"mousemove", std::to_string(int(start.x) + 60), std::to_string(titleBar),
                 "mousedown", "1"});
        const auto pressed = std::chrono::steady_clock::now();
        for (int step = 0; step < 11; ++step) xdotool({"mousemove_relative", "--", "100", "0"});
        ASSERT_TRUE(settle([&] { return frameOf(window)->x >= start.x + 1000; }))
            << "openbox did not move the frame from " << start.x << "," << start.y << " "
            << start.width << "x" << start.height << " (now " << frameOf(window)->x << ","
            << frameOf(window)->y << ")";
        // A hand's drag lasts: moves within moments of Brindlow's own layout are
        // taken for its echo. Small steps, each seen by the server, while the
        // button stays down.
        for (int step = 1; std::chrono::steady_clock::now() - pressed < std::chrono::seconds(1);
             ++step) {
            xdotool({"mousemove_relative", "--", "1", "0"});
            settle([&] { return frameOf(window)->x >= start.x + 1100 + step; }, 1);
        }
        xdotool({"mouseup", "1"});
    }
};

// Dropped across its neighbour, a window trades places with it; dragged out of a stack, it makes
// a column of its own.
TEST_F(TitleBarDrag, AcrossItsNeighbourOrOutOfAStack) {
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    settledFrames();
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 3u);
    const xcb_window_t dragged = xtermTitled(order[0])->window;
    dragRight(dragged);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(settle([&] {
        return columnOrder() == std::vector<std::string>{order[1], order[0], order[2]};
    })) << "the drop did not reorder the columns";
    const xcb_window_t neighbour = xtermTitled(order[1])->window;
    EXPECT_TRUE(settle([&] {
        const auto frames = settledFrames();
        return frames.at(neighbour).maxX() < frames.at(dragged).x;
    })) << "dragged at "
        << frameOf(dragged)->x << ", its neighbour at " << frameOf(neighbour)->x;

    // order[1] and order[0] stacked in the first column; order[0] dragged out to the right.
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_EQ(tool({"stack-left"}).status, 0);
    ASSERT_TRUE(settle([&] {
        const auto listed = list();
        const auto frames = settledFrames();
        return listed && listed->columns.size() == 2 &&
               listed->columns[0].titles == std::vector<std::string>{order[1], order[0]} &&
               frames.at(neighbour).x == frames.at(dragged).x;
    })) << "stack-left did not stack the first two";
    dragRight(dragged);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(settle([&] {
        const auto listed = list();
        return listed && listed->columns.size() == 3 &&
               listed->columns[0].titles == std::vector<std::string>{order[1]} &&
               listed->columns[1].titles == std::vector<std::string>{order[2]} &&
               listed->columns[2].titles == std::vector<std::string>{order[0]};
    })) << "the drop did not take the window out of its stack";
    quitAndExpectWindowsBack();
}

// Two monitors side by side, 960 wide each: a window dropped on the right one
// joins that display's strip.
TEST_F(TitleBarDrag, OntoAnotherDisplayJoinsThatDisplaysStrip) {
    const int width = connection().screen()->width_in_pixels;
    const int height = connection().screen()->height_in_pixels;
    ASSERT_EQ(width, 1920);
    const std::string half = std::to_string(width / 2) + "x" + std::to_string(height);
    TestClientProcess monitors({"--monitors", half + "+0+0," + half + "+960+0"});
    ASSERT_TRUE(monitors.ready());
    // New windows open where the pointer is: on the left monitor.
    ASSERT_TRUE(xdotool({"mousemove", "400", "500"}));
    startXterms(2);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    const Xterm* dragged = nullptr;
    for (const Xterm& xterm : xterms_) {
        const Rect frame = *frameOf(xterm.window);
        if (frame.x > 0 && frame.maxX() <= 960) dragged = &xterm;
    }
    ASSERT_TRUE(dragged) << "no xterm was tiled on the left monitor";
    const std::optional<size_t> home = displayOf(dragged->title);
    ASSERT_TRUE(home);

    dragRight(dragged->window);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(settle([&] {
        const auto now = displayOf(dragged->title);
        return now && *now != *home;
    })) << "the drop did not move the window to the other display's strip";
    EXPECT_TRUE(settle([&] {
        const Rect frame = settledFrames().at(dragged->window);
        return frame.x >= 960 && frame.maxX() <= 1920;
    })) << "the window stands at "
        << frameOf(dragged->window)->x;
    quitAndExpectWindowsBack();
    monitors.command("quit");
}

}  // namespace
}  // namespace brindlow::test
