// The real executable on the session's display, driven by the real command-line tool, its global
// shortcuts and the pointer: xterms become columns, commands move the focus and the stacking, a
// title-bar drag reorders, and quitting (or the next run after a kill) puts the xterms back.
#include <signal.h>

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <functional>
#include <iterator>

#include "AppOnDisplay.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

struct Listing {
    int focused = 0;                                // counted from 1; 0 for none
    std::vector<std::vector<std::string>> columns;  // the titles in each
};

class AppEndToEnd : public AppOnDisplay {
  protected:
    // The active display's columns holding this test's xterms (a stray window of another test
    // would add columns of its own).
    std::optional<Listing> list() {
        const auto json = listing();
        if (!json) return std::nullopt;
        Listing result;
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            int index = 0;
            for (const auto& column : display.at("columns")) {
                ++index;
                std::vector<std::string> listed;
                for (const auto& window : column.at("windows"))
                    if (xtermTitled(window.value("title", "")))
                        listed.push_back(window.value("title", ""));
                if (listed.empty()) continue;
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
            for (const auto& column : listed->columns) order.push_back(column.front());
        return order;
    }

    // The window directly under the root, the frame a window manager made or one of its input
    // windows, that a click at (x, y) reaches first.
    xcb_window_t topmostAt(int x, int y) {
        X11Connection& c = connection();
        XcbReply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
            c.xcb(), xcb_translate_coordinates(c.xcb(), c.root(), c.root(), int16_t(x), int16_t(y)),
            nullptr));
        return reply ? reply->child : xcb_window_t(XCB_WINDOW_NONE);
    }

    // The focused column is the `index`th, counted from 1, and its xterm is the active window.
    bool focusedAndActive(int index) {
        const auto listed = list();
        if (!listed || listed->focused != index) return false;
        const Xterm* focused = xtermTitled(listed->columns[size_t(index - 1)].front());
        return focused && desktop().registry().activeWindow() == focused->window;
    }

    // Xterms tiled with the given settings, the first column focused and its xterm the active
    // window.
    void startWithTheFirstFocused(nlohmann::json settings = nlohmann::json::object(),
                                  int xterms = 3) {
        startXterms(xterms);
        startBrindlow(std::move(settings));
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(tool({"focus-first"}).status, 0);
        ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    }

    // The first column's frame once the scroll to it has landed: it stands wholly on the screen.
    // The strip starts on the column of the window the window manager focused last (beside jwm
    // the newest xterm), and the first column is listed as focused before its scroll lands.
    std::optional<Rect> firstColumnLanded() {
        const std::vector<std::string> order = columnOrder();
        if (order.empty()) return std::nullopt;
        const xcb_window_t first = xtermTitled(order[0])->window;
        Rect frame;
        if (!settle([&] {
                frame = settledFrames().at(first);
                return frame.x >= 0 && frame.maxX() <= 1920;
            }))
            return std::nullopt;
        return frame;
    }

    // Quits on SIGTERM: the xterms are back where they were and nothing is left stored.
    void quitAndExpectWindowsBack() {
        brindlow_->signal(SIGTERM);
        EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
        settle([&] {
            for (const Xterm& xterm : xterms_)
                if (frameOf(xterm.window) != xterm.original) return false;
            return true;
        });
        for (const Xterm& xterm : xterms_)
            EXPECT_EQ(frameOf(xterm.window), xterm.original) << xterm.title << " was not put back";
        EXPECT_FALSE(std::filesystem::exists(stored("brindlow.sock")));
        EXPECT_FALSE(std::filesystem::exists(stored("original-frames.json")));
    }

    // True when some xterm is parked and none is seen over a visible one: every xterm with less
    // than half of its frame on the 1920-wide screen is out of sight (iconified beside a window
    // manager that keeps windows on screen) or lies below every xterm wholly on it that it
    // overlaps, in the server's stacking order. (Where the window manager lets a parked window
    // go all the way, only its peek stays on screen, clear of the visible columns.) No two shown
    // xterms overlap.
    bool parkedBelowVisible() {
        const auto frames = settledFrames();
        std::vector<xcb_window_t> stacking;  // bottom to top
        for (const WindowListEntry& entry : platform_.windowList->onScreenWindows())
            stacking.insert(stacking.begin(), xcb_window_t(entry.identity));
        int parked = 0;
        for (const Xterm& xterm : xterms_) {
            const auto state = desktop().registry().read(xterm.window);
            if (state && !state->mapped) ++parked;  // out of sight
        }
        std::vector<std::pair<int, Rect>> parkedFrames, visibleFrames;  // level, frame
        for (int level = 0; level < int(stacking.size()); ++level) {
            const auto frame = frames.find(stacking[size_t(level)]);
            if (frame == frames.end()) continue;
            const Rect& r = frame->second;
            if (std::max(0.0, std::min(r.maxX(), 1920.0) - std::max(r.x, 0.0)) < r.width / 2) {
                parkedFrames.emplace_back(level, r);
                ++parked;
            } else if (r.x >= 0 && r.maxX() <= 1920) {
                visibleFrames.emplace_back(level, r);
            }
        }
        // A parked window pulled back into view would stand over a visible column.
        std::vector<Rect> shown;
        for (const Xterm& xterm : xterms_) {
            const auto state = desktop().registry().read(xterm.window);
            const auto frame = frames.find(xterm.window);
            if (!state || !state->mapped || frame == frames.end()) continue;
            const Rect& r = frame->second;
            if (std::max(0.0, std::min(r.maxX(), 1920.0) - std::max(r.x, 0.0)) >= r.width / 2)
                shown.push_back(r);
        }
        for (size_t a = 0; a < shown.size(); ++a)
            for (size_t b = a + 1; b < shown.size(); ++b)
                if (shown[a].intersects(shown[b])) return false;
        for (const auto& [parkedLevel, parkedFrame] : parkedFrames)
            for (const auto& [visibleLevel, visibleFrame] : visibleFrames)
                if (parkedLevel > visibleLevel && parkedFrame.intersects(visibleFrame))
                    return false;
        return parked > 0;
    }

    // Whether another program (the window manager) holds `keysym` with Ctrl+Alt on the root.
    bool heldElsewhere(xcb_keysym_t keysym) {
        X11Connection& x = connection();
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x.xcb());
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        bool held = false;
        if (codes && codes[0] != XCB_NO_SYMBOL) {
            const std::uint16_t modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
            xcb_generic_error_t* error = xcb_request_check(
                x.xcb(), xcb_grab_key_checked(x.xcb(), 1, x.root(), modifiers, codes[0],
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            held = error && error->error_code == XCB_ACCESS;
            if (!error) xcb_ungrab_key(x.xcb(), codes[0], x.root(), modifiers);
            std::free(error);
            x.sync();
        }
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return held;
    }
};

// Killed, Brindlow leaves the xterms where it tiled them: the next run puts them back when it
// quits. (SIGINT and SIGHUP reach the same quit as SIGTERM: the quit signals' own test.)
TEST_F(AppEndToEnd, TilesTheXtermsAsColumnsAndAfterAKillTheNextRunPutsThemBack) {
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto listed = list();
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->columns.size(), 3u);
    for (const auto& column : listed->columns) EXPECT_EQ(column.size(), 1u);

    // With the first focused, the first two columns (half a screen each) stand side by side at
    // one height; the third waits parked at the edge.
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    ASSERT_TRUE(settle([&] {
        for (const Xterm& xterm : xterms_)
            if (frameOf(xterm.window) == xterm.original) return false;
        return frameOf(xtermTitled(listed->columns[0].front())->window)->x == 12;
    })) << "Brindlow did not move the xterms";
    const auto tiled = settledFrames();
    const Rect first = tiled.at(xtermTitled(listed->columns[0].front())->window);
    const Rect second = tiled.at(xtermTitled(listed->columns[1].front())->window);
    EXPECT_EQ(second.y, first.y);
    EXPECT_EQ(second.height, first.height);
    EXPECT_GE(second.x, first.maxX());
    // xterm takes widths in steps of its character cells: the next column still starts one gap
    // (12 points) after the width the first really took.
    const xcb_window_t left = xtermTitled(listed->columns[0].front())->window;
    const xcb_window_t right = xtermTitled(listed->columns[1].front())->window;
    EXPECT_TRUE(settle([&] {
        const auto frames = settledFrames();
        return frames.at(right).x - frames.at(left).maxX() == 12;
    })) << "the gap is "
        << frameOf(right)->x - frameOf(left)->maxX();
    screenshot("tiled-" + sessionWindowManager());

    const auto placed = settledFrames();
    brindlow_->signal(SIGKILL);
    brindlow_->waitForExit(kLimit);
    EXPECT_EQ(currentFrames(), placed);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    quitAndExpectWindowsBack();
}

// One session: a second start has the settings window shown and ends, the tool and the global
// shortcuts (a default one and one set by hand) move the focus, parked windows stay below the
// visible ones even after the user raises one, a named layout comes back, a finished command
// badges its terminal, and an xterm that opens later is tiled.
TEST_F(AppEndToEnd, ToolAndShortcutsDriveTheRealWindows) {
    // "focusLeft" set by hand to Ctrl+Alt+Y; "focusRightAlt" keeps its default Ctrl+Alt+L.
    std::filesystem::create_directories(data_.path() / "Brindlow");
    std::ofstream(stored("preferences.json"))
        << R"({"KeyboardShortcuts_focusLeft" : "{\"carbonKeyCode\":16,\"carbonModifiers\":6144}"})";
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    // A second start on the display, whatever its storage folder, has the running one show its
    // settings window, says so and ends; it touches no window and stores nothing.
    const auto tiled = settledFrames();
    TempFolder otherData;
    auto otherEnvironment = environment();
    otherEnvironment["XDG_DATA_HOME"] = otherData.path().string();
    const ProcessRun second = runProcess({BRINDLOW_EXECUTABLE_PATH}, otherEnvironment);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "brindlow: Brindlow is already running on this display (process " +
                              std::to_string(brindlow_->pid()) +
                              "); it shows its settings window.\n");
    // Only that answer: nothing of what a start would find on the display.
    EXPECT_EQ(second.err, "");
    EXPECT_FALSE(std::filesystem::exists(otherData.path() / "Brindlow"));
    EXPECT_TRUE(settle([&] {
        for (xcb_window_t window : desktop().registry().windowsOf(brindlow_->pid())) {
            const auto shown = desktop().registry().read(window);
            if (shown && shown->mapped && shown->title == "Brindlow Settings") return true;
        }
        return false;
    })) << "no settings window";
    // Closed, so that it takes no keys from the xterms below. The commands below start once the
    // focus is back on a tiled xterm: the window manager's own focus after our window closes can
    // still take the place of a command's choice made right after the close.
    xdotool({"key", "ctrl+w"});
    EXPECT_EQ(currentFrames(), tiled);
    EXPECT_TRUE(settle([&] {
        const auto listed = list();
        return listed && listed->focused >= 1 && focusedAndActive(listed->focused);
    })) << "the focus did not come back to a tiled xterm";

    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    EXPECT_TRUE(settle([&] { return parkedBelowVisible(); }));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+l"}));
    ASSERT_TRUE(settle([&] { return focusedAndActive(2); })) << "Ctrl+Alt+L did not focus right";
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(3); }));

    // Raised by the user, a parked window goes under again after the next layout.
    const std::vector<std::string> order = columnOrder();
    const xcb_window_t raised = xtermTitled(order[0])->window;
    xdotool({"windowraise", std::to_string(raised)});
    // xfwm4 focuses a window that asks to be raised, and Brindlow follows the focus there: the
    // last column is focused again first, once Brindlow has followed (a command it hears before
    // the focus change would be undone by it). Twice caught up: the raise, then the focus change
    // the window manager made while handling it.
    if (windowManagerCaughtUp(connection())) windowManagerCaughtUp(connection());
    if (readActiveWindow(connection()) == raised) {
        ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
        ASSERT_EQ(tool({"focus-last"}).status, 0);
        ASSERT_TRUE(settle([&] { return focusedAndActive(3); }));
    }
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+y"}));
    ASSERT_TRUE(settle([&] { return focusedAndActive(2); })) << "Ctrl+Alt+Y did not focus left";
    EXPECT_TRUE(settle([&] { return parkedBelowVisible(); }));

    // A named layout comes back after the focused column traded places with its right neighbour.
    ASSERT_EQ(tool({"layout", "save", "Work"}).out, "Saved Work\n");
    ASSERT_TRUE(settle([&] { return tool({"layout", "list"}).out == "Work\n"; }));
    ASSERT_EQ(tool({"move-right"}).status, 0);
    ASSERT_TRUE(settle([&] {
        return columnOrder() == std::vector<std::string>{order[0], order[2], order[1]};
    }));
    ASSERT_EQ(tool({"layout", "restore", "work"}).status, 0);
    EXPECT_TRUE(settle([&] { return columnOrder() == order; }));

    // A finished command in the first xterm, which is not focused, badges its window.
    ASSERT_EQ(
        tool({"notify", "done", "--pid", std::to_string(xtermTitled(order[0])->process->pid()),
              "--cmd", "make", "--status", "0"})
            .status,
        0);
    EXPECT_TRUE(settle([&] {
        const auto json = listing();
        for (const auto& display : json ? json->at("displays") : nlohmann::json::array())
            for (const auto& column : display.at("columns"))
                for (const auto& window : column.at("windows"))
                    if (window.value("title", "") == order[0]) return window.value("badge", false);
        return false;
    })) << order[0]
        << " carries no badge";

    // Tiled beside the others: in the listing, and as tall as the focused column at its height.
    const Xterm& fourth = startXterm("e2e-xterm-4");
    ASSERT_NE(fourth.window, XCB_WINDOW_NONE);
    EXPECT_TRUE(settle([&] {
        const auto listed = list();
        const auto frames = settledFrames();
        const Rect focused = frames.at(xtermTitled(order[1])->window);
        const Rect late = frames.at(fourth.window);
        return listed && listed->columns.size() == 4 && late.y == focused.y &&
               late.height == focused.height;
    })) << "the new xterm was not tiled";
    screenshot("late-xterm");
    xterms_.pop_back();  // Brindlow may have moved it before its original was taken

    quitAndExpectWindowsBack();
    // Where the window manager holds Ctrl+Alt+Right (not KWin): said once, as a line of the log,
    // and nowhere else in the output.
    const int expected = heldElsewhere(XK_Right) ? 1 : 0;
    std::ifstream log(logFile());
    const std::string line =
        "Error registering hotkey Ctrl+Alt+→: another program holds it (often the window "
        "manager), so it does nothing here";
    int said = 0, logged = 0;
    for (std::string each; std::getline(log, each);) {
        said += each.find(line) != std::string::npos;
        logged += each.ends_with("error com.vemto.brindlow:AppDelegate " + line);
        EXPECT_EQ(each.find("Ctrl+Alt+Y: "), std::string::npos) << each;
    }
    EXPECT_EQ(said, expected);
    EXPECT_EQ(logged, expected);
}

// The part of a parked window left on screen takes clicks: one there focuses its column, also
// beside KWin, whose invisible resize border around the visible neighbour reaches over the gap.
TEST_F(AppEndToEnd, AClickOnTheParkedWindowsEdgeFocusesItsColumn) {
    BRINDLOW_SKIP_BESIDE("the parked window is iconified: nothing of it is on screen to click",
                         "metacity", "marco", "icewm");
    startWithTheFirstFocused();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(2); }));
    // The third column waits at the right edge, its neighbour active in front of it; the click
    // goes to the middle of what the neighbour leaves of it on the screen.
    const std::vector<std::string> order = columnOrder();
    const xcb_window_t parked = xtermTitled(order[2])->window;
    const xcb_window_t neighbour = xtermTitled(order[1])->window;
    double left = 0;
    ASSERT_TRUE(settle([&] {
        const auto frames = settledFrames();
        const Rect edge = frames.at(parked);
        left = std::max(edge.x, frames.at(neighbour).maxX());
        return edge.x > 1920 - edge.width / 2 && left < 1919;
    })) << "the third column is not parked at the right edge";
    // Brindlow puts the parked window back above its neighbour once the window manager has raised
    // the neighbour; the click waits for that, as the point's topmost window tells.
    const int clickX = int(left + 1920) / 2;
    ASSERT_TRUE(settle([&] {
        return topmostAt(clickX, 500) == topLevelAncestor(connection(), parked);
    })) << "the parked window's edge stays under another window";
    ASSERT_TRUE(movePointer(clickX, 500) && xdotool({"click", "1"}));
    EXPECT_TRUE(settle([&] { return focusedAndActive(3); }))
        << "the click at the edge did not reach the parked window";
    quitAndExpectWindowsBack();
}

// The real executable's help and version answer without a running Brindlow and store nothing
// (the unit tool tests leave these flags to this run).
// "brindlow focus-left; brindlow list": each list shows the focus where the command before it put
// it, at once, while the windows are still moving.
TEST_F(AppEndToEnd, AListShowsTheCommandAnsweredJustBeforeIt) {
    startWithTheFirstFocused();
    ASSERT_FALSE(HasFatalFailure());
    int expected = 1;
    int direction = +1;
    for (int round = 0; round < 20; ++round) {
        if (expected + direction < 1 || expected + direction > 3) direction = -direction;
        expected += direction;
        ASSERT_EQ(tool({direction > 0 ? "focus-right" : "focus-left"}).status, 0);
        const auto listed = list();
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->focused, expected) << "after command " << round + 1;
    }
}

TEST_F(AppEndToEnd, WithoutBrindlowTheToolHelpsAndTellsItsVersion) {
    for (const std::string option : {"--help", "-h", "--version"}) {
        const ProcessRun run = tool({option});
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.out.rfind(option == "--version" ? "0." : "Usage: brindlow <command>\n", 0),
                  0u)
            << run.out;
    }
    EXPECT_FALSE(std::filesystem::exists(data_.path() / "Brindlow"));
}

// Real pointer motion over a visible column that is not focused focuses it (the delegate's
// wiring of the pointer monitor to the strip has no other test).
TEST_F(AppEndToEnd, FocusFollowsTheMouseWhenSwitchedOn) {
    startXterms(3);
    startBrindlow({{"focusFollowsMouse", true}});
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    const Xterm* target = nullptr;
    for (const Xterm& xterm : xterms_) {
        const Rect frame = frameOf(xterm.window).value_or(Rect{});
        if (desktop().registry().activeWindow() != xterm.window && frame.x >= 0 &&
            frame.maxX() <= 1920)
            target = &xterm;
    }
    ASSERT_TRUE(target);
    const Rect frame = *frameOf(target->window);
    // The warp of an absolute move is no device motion; the relative step after it is.
    ASSERT_TRUE(movePointer(int(frame.midX()) - 5, int(frame.midY())) &&
                xdotool({"mousemove_relative", "5", "0"}));
    EXPECT_TRUE(settle([&] { return desktop().registry().activeWindow() == target->window; }));
    quitAndExpectWindowsBack();
}

// Control+Alt scroll clicks (real input the tap grabs) swipe the strip: it scrolls and settles on
// another column, which takes the focus (the delegate's wiring of the gestures to the strip has no
// other test).
TEST_F(AppEndToEnd, ControlAltScrollClicksSwipeTheStrip) {
    startWithTheFirstFocused({{"twoFingerScroll", "withKeys"}});
    ASSERT_FALSE(HasFatalFailure());
    const auto before = settledFrames();
    ASSERT_TRUE(movePointer(960, 540) && xdotool({"keydown", "ctrl+alt", "click", "--repeat", "20",
                                                  "--delay", "10", "7", "keyup", "ctrl+alt"}));
    EXPECT_TRUE(settle([&] {
        const auto listed = list();
        return listed && listed->focused > 1;
    })) << "the swipe did not settle on another column";
    EXPECT_NE(settledFrames(), before);
    quitAndExpectWindowsBack();
}

// Beside a window manager that focuses the window under the pointer (jwm, fvwm), a scroll slides
// columns under a pointer that does not move: they do not take the focus from the command's target.
TEST_F(AppEndToEnd, ColumnsSlidUnderAStillPointerLeaveTheFocusOnTheTarget) {
    startWithTheFirstFocused();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 3u);
    const std::optional<Rect> landed = firstColumnLanded();
    ASSERT_TRUE(landed) << "the scroll to the first column did not land";
    const Rect first = *landed;
    // The pointer rests over the first column, where the second one lands when the last is
    // focused.
    const Point pointer{first.x + 200, first.midY()};
    ASSERT_TRUE(movePointer(int(pointer.x), int(pointer.y)));
    ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(3); }));
    ASSERT_TRUE(settle([&] {
        return settledFrames().at(xtermTitled(order[1])->window).contains(pointer);
    })) << "the second column did not slide under the pointer";
    // The focus stays on the target for a run of listings in a row, not only for a moment.
    int inARow = 0;
    EXPECT_TRUE(settle([&] {
        inARow = focusedAndActive(3) ? inARow + 1 : 0;
        return inARow >= 5;
    })) << "the column under the pointer took the focus";
    quitAndExpectWindowsBack();
}

// A parked column that a scroll brings back into view under a pointer that does not move leaves the
// focus on the command's target: beside a window manager that focuses the window under the pointer
// (jwm, fvwm) as beside one that focuses a window leaving the iconic state (icewm).
TEST_F(AppEndToEnd, AParkedColumnBroughtBackUnderAStillPointerLeavesTheFocusOnTheTarget) {
    startWithTheFirstFocused(nlohmann::json::object(), 4);
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 4u);
    ASSERT_TRUE(firstColumnLanded()) << "the scroll to the first column did not land";
    Rect first;
    ASSERT_TRUE(settle([&] {
        const auto frames = settledFrames();
        first = frames.at(xtermTitled(order[0])->window);
        const xcb_window_t third = xtermTitled(order[2])->window;
        const auto state = desktop().registry().read(third);
        return state && (!state->mapped || frames.at(third).x > 1920 - first.width / 2);
    })) << "the third column is not parked";
    // The pointer rests over the first column, where the third one lands when the last is
    // focused.
    const Point pointer{first.x + 200, first.midY()};
    ASSERT_TRUE(movePointer(int(pointer.x), int(pointer.y)));
    ASSERT_TRUE(settle([&] { return focusedAndActive(1); }));
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedAndActive(4); }));
    ASSERT_TRUE(settle([&] {
        return settledFrames().at(xtermTitled(order[2])->window).contains(pointer);
    })) << "the third column did not come back under the pointer";
    int inARow = 0;
    EXPECT_TRUE(settle([&] {
        inARow = focusedAndActive(4) ? inARow + 1 : 0;
        return inARow >= 5;
    })) << "the column brought back under the pointer took the focus";
    quitAndExpectWindowsBack();
}

// A window the window manager activates as it maps it, before Brindlow adopts it, gets its column
// focused; an xterm that opens while another has the focus is tiled too.
TEST_F(AppEndToEnd, ANewWindowTheWindowManagerActivatesIsFocusedInItsColumn) {
    startXterms(2);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    const Xterm& late = startXterm("e2e-xterm-late");
    ASSERT_NE(late.window, XCB_WINDOW_NONE);
    // KWin names the new window active a few ms after it listed it: twice caught up (the map,
    // then what the window manager did while handling it), the server tells.
    if (windowManagerCaughtUp(connection())) windowManagerCaughtUp(connection());
    if (readActiveWindow(connection()) != late.window)
        GTEST_SKIP() << sessionWindowManager() << " does not focus new windows";
    EXPECT_TRUE(settle([&] {
        const auto listed = list();
        return listed && listed->focused > 0 &&
               listed->columns[size_t(listed->focused - 1)].front() == "e2e-xterm-late" &&
               desktop().registry().activeWindow() == late.window;
    })) << "the new window's column is not focused";
    EXPECT_TRUE(settle([&] {
        const Rect frame = settledFrames().at(late.window);
        return frame.x >= 0 && frame.maxX() <= 1920;
    })) << "the new window is not in view";
    xterms_.pop_back();  // Brindlow may have moved it before its original was taken
    quitAndExpectWindowsBack();
}

// Columns a quarter of the screen wide (465 points), all three in view: a client whose minimum
// width is 600 keeps its minimum whatever the window manager enforces, xterms take their widths in
// steps of their character cells, and Brindlow learns the widths the windows really took, so that
// every column starts one gap (12 points) after its neighbour.
TEST_F(AppEndToEnd, WidthsTheWindowsRefuseAreLearnedAndTheGapsStayEven) {
    TestClientProcess wide({"--title", "e2e-wide", "--size", "600x600", "--min", "600x200"});
    ASSERT_TRUE(wide.ready());
    startXterms(2);
    startBrindlow({{"defaultWidth", 0.25}});
    ASSERT_FALSE(HasFatalFailure());
    const auto logged = [&] {
        std::ifstream log(logFile());
        return std::string{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    };
    // The columns in strip order, by their frames.
    const auto framesInOrder = [&] {
        std::vector<Rect> frames;
        const auto json = listing();
        for (const auto& display : json ? json->at("displays") : nlohmann::json::array())
            for (const auto& column : display.at("columns")) {
                const std::string title = column.at("windows").at(0).value("title", "");
                const Xterm* xterm = xtermTitled(title);
                const xcb_window_t window =
                    xterm ? xterm->window : (title == "e2e-wide" ? wide.window() : 0);
                if (window) frames.push_back(frameOf(window).value_or(Rect{}));
            }
        return frames;
    };
    std::vector<Rect> frames;
    EXPECT_TRUE(settle([&] {
        settledFrames();
        frames = framesInOrder();
        if (frames.size() != 3 || frames[0].x != 12) return false;
        for (std::size_t i = 1; i < frames.size(); ++i)
            if (frames[i].x - frames[i - 1].maxX() != 12) return false;
        return true;
    })) << "uneven gaps: "
        << ::testing::PrintToString(frames);
    EXPECT_NE(logged().find("Brindlow-testclient needs 6"), std::string::npos)
        << "no width was learned";
    EXPECT_EQ(desktop().registry().read(wide.window())->clientFrame.width, 600);
    screenshot("widths-" + sessionWindowManager());
    quitAndExpectWindowsBack();
}

// Beside a window manager's own panel (no client, no strut: only the work area leaves it out),
// every column stays within the work area, and parked ones show nothing over the panel.
TEST_F(AppEndToEnd, BesideAPanelColumnsStayInTheWorkArea) {
    if (!sessionHasPanel()) GTEST_SKIP() << "the session shows no panel of the window manager";
    // The window manager publishes its work area a moment after it manages windows.
    std::vector<std::uint32_t> values;
    ASSERT_TRUE(settle([&] {
        values =
            readCardinals(connection(), connection().root(), connection().ewmh()->_NET_WORKAREA);
        return values.size() >= 4u && (values[3] < 1080 || values[2] < 1920);
    })) << "no work area that leaves the panel out";
    const Rect workArea(values[0], values[1], values[2], values[3]);
    startXterms(3);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    EXPECT_TRUE(settle([&] {
        int inView = 0;
        for (const auto& [window, frame] : settledFrames()) {
            const auto state = desktop().registry().read(window);
            if (!state || !state->mapped || frame.x < 0 || frame.maxX() > 1920) continue;
            if (!workArea.contains(frame)) return false;
            ++inView;
        }
        return inView >= 2;
    })) << "a column reaches past the work area "
        << workArea.x << "," << workArea.y << " " << workArea.width << "x" << workArea.height;
    // A parked column shows nothing over the panel either: what is on screen of any xterm lies
    // in the work area.
    const Rect screen(0, 0, 1920, 1080);
    EXPECT_TRUE(settle([&] {
        for (const auto& [window, frame] : settledFrames()) {
            const auto state = desktop().registry().read(window);
            if (!state || !state->mapped || !frame.intersects(screen)) continue;
            if (!workArea.contains(frame.intersection(screen))) return false;
        }
        return true;
    })) << "an xterm shows past the work area: "
        << ::testing::PrintToString(settledFrames());
    screenshot("panel-" + sessionWindowManager());
    // Nothing of the window manager's own is tiled.
    const auto listed = listing();
    ASSERT_TRUE(listed);
    for (const auto& display : listed->at("displays"))
        for (const auto& column : display.at("columns"))
            for (const auto& window : column.at("windows"))
                EXPECT_TRUE(xtermTitled(window.value("title", ""))) << window.dump();
    quitAndExpectWindowsBack();
}

// icewm's own taskbar is no client, and once icewm starts beside two monitors it lies on the
// first, yet reserves the whole bottom edge, and icewm's one work area for both ends above it:
// only the first monitor is shortened, as icewm's own maximise leaves the second whole.
TEST_F(AppEndToEnd, BesideAPanelOnOneOfTwoMonitorsTheOtherKeepsItsWholeHeight) {
    if (sessionWindowManager() != "icewm" || !sessionHasPanel())
        GTEST_SKIP() << "icewm's own taskbar, which icewm lays out again when started afresh";
    ASSERT_EQ(connection().screen()->width_in_pixels, 1920);
    // A new icewm takes over; done once it publishes a check window of its own and manages a
    // probe window.
    const auto afresh = [this] {
        const xcb_atom_t check = connection().atom("_NET_SUPPORTING_WM_CHECK");
        const auto before = readWindowList(connection(), connection().root(), check);
        runProcess(freshWindowManagerCommand());
        return settle([&] {
                   return windowManagerRuns(connection()) &&
                          readWindowList(connection(), connection().root(), check) != before;
               }) &&
               runProcess({BRINDLOW_TESTCLIENT_PATH, "--probe"}).status == 0;
    };
    // Whatever happens: one monitor again, and icewm afresh on it for the tests after this one.
    struct TwoMonitors {
        std::function<bool()> afresh;
        ~TwoMonitors() {
            for (const char* name : {"BRINDLOW-1", "BRINDLOW-2"})
                runProcess({"xrandr", "--delmonitor", name});
            EXPECT_TRUE(afresh());
        }
    } monitors{afresh};
    ASSERT_EQ(runProcess({"xrandr", "--setmonitor", "BRINDLOW-1", "960/240x1080/270+0+0", "screen"})
                  .status,
              0);
    ASSERT_EQ(runProcess({"xrandr", "--setmonitor", "BRINDLOW-2", "960/240x1080/270+960+0", "none"})
                  .status,
              0);
    ASSERT_TRUE(afresh());
    std::vector<ScreenInfo> screens;
    EXPECT_TRUE(settle([&] {
        screens = platform_.screens->screens();
        return screens.size() == 2 && screens[0].visibleFrame.height < 1080 &&
               screens[1].visibleFrame == Rect(960, 0, 960, 1080);
    })) << "usable: "
        << (screens.empty() ? Rect() : screens[0].visibleFrame) << " and "
        << (screens.size() < 2 ? Rect() : screens[1].visibleFrame);
}

// openbox moves the frame while the title bar is dragged and tells the client
// nothing until the button is released: the frame's own events must be followed.
class TitleBarDrag : public AppEndToEnd {
  protected:
    void TearDown() override {
        // Whatever happened in the drag: the button goes up, and the desktop the test started
        // on is shown again (held at the screen's edge, openbox switches desktops with the
        // window held), since the tests after it expect the first.
        if (x11_) {
            xdotool({"mouseup", "1"});
            const xcb_atom_t current = connection().atom("_NET_CURRENT_DESKTOP");
            if (readCardinal(connection(), connection().root(), current).value_or(0) != 0) {
                xdotool({"set_desktop", "0"});
                EXPECT_TRUE(settle([&] {
                    return readCardinal(connection(), connection().root(), current).value_or(0) ==
                           0;
                })) << "the desktop was not put back";
            }
        }
        AppEndToEnd::TearDown();
    }

    // Drags the window by its title bar 1,100 points to the right and drops it.
    void dragRight(xcb_window_t window) {
        const Rect start = *frameOf(window);
        ASSERT_GT(start.x, 0);
        const int titleBar = int(start.y) + desktop().registry().read(window)->extents.top / 2;
        // In the middle of the title bar: KWin has buttons at both of its ends.
        int pointerX = int(start.x + start.width / 2);
        const auto moveTo = [&](int x) {
            xdotool({"mousemove", std::to_string(x), std::to_string(titleBar)});
        };
        movePointer(pointerX, titleBar);
        xdotool({"mousedown", "1"});
        const auto pressed = std::chrono::steady_clock::now();
        // Absolute steps: the server accelerates relative motion by its speed.
        for (int step = 0; step < 11; ++step) moveTo(pointerX += 100);
        ASSERT_TRUE(settle([&] { return frameOf(window)->x >= start.x + 1000; }))
            << "the window manager did not move the frame from " << start.x << "," << start.y << " "
            << start.width << "x" << start.height << " (now " << frameOf(window)->x << ","
            << frameOf(window)->y << ")";
        // A hand's drag lasts: moves within moments of Brindlow's own layout are
        // taken for its echo. Small steps, each seen by the server, while the
        // button stays down; back and forth by a point, so that however many a fast machine
        // makes, the pointer stays where it was dropped and never reaches the screen's edge.
        // Each waits for the frame to follow (fluxbox starts its move at the first motion).
        for (int step = 0; std::chrono::steady_clock::now() - pressed < std::chrono::seconds(1);
             ++step) {
            const double reached = frameOf(window)->x;
            moveTo(pointerX + step % 2);
            settle([&] { return frameOf(window)->x != reached; }, 1);
        }
        xdotool({"mouseup", "1"});
    }
};

// Dropped across its neighbour, a window trades places with it.
TEST_F(TitleBarDrag, AcrossItsNeighbourTradesPlaces) {
    startWithTheFirstFocused();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 3u);
    const xcb_window_t dragged = xtermTitled(order[0])->window;
    ASSERT_TRUE(settle([&] { return settledFrames().at(dragged).x == 12; }));
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

    quitAndExpectWindowsBack();
}

}  // namespace
}  // namespace brindlow::test
