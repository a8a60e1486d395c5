// The real executable where the window manager's own habits meet Brindlow's: new windows the
// window manager focuses, a client that keeps its own size, a resize made with the window
// manager's modifier drag, and a desktop switch right after a scroll.
#include "AppOnDisplay.h"
#include "platform/WindowManagerTraits.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

class WindowManagerHabits : public AppOnDisplay {
  protected:
    void TearDown() override {
        if (switched_) runProcess({"wmctrl", "-s", "0"});
        AppOnDisplay::TearDown();
    }

    // The active display's columns by the title of their first window (this test's windows only),
    // their widths, and the focused one (counted from 1).
    struct Columns {
        std::vector<std::string> titles;
        std::vector<double> widths;
        int focused = 0;
    };
    Columns columns(const std::set<std::string>& ours) {
        Columns result;
        const ListedColumns listed = activeColumns();
        for (std::size_t i = 0; i < listed.columns.size(); ++i) {
            const std::string title = listed.columns[i].at("windows").at(0).value("title", "");
            if (!ours.contains(title)) continue;
            result.titles.push_back(title);
            result.widths.push_back(listed.columns[i].value("width", 0.0));
            if (int(i) + 1 == listed.focused) result.focused = int(result.titles.size());
        }
        return result;
    }
    std::set<std::string> xtermTitles() const {
        std::set<std::string> titles;
        for (const Xterm& xterm : xterms_) titles.insert(xterm.title);
        return titles;
    }
    bool listed(const std::string& title) {
        return listing().value_or("").dump().find('"' + title + '"') != std::string::npos;
    }

    std::uint32_t currentDesktop() {
        return readCardinal(connection(), connection().root(),
                            connection().atom("_NET_CURRENT_DESKTOP"))
            .value_or(0);
    }

    // focus-first, until the first column is focused and stands at the left edge: its window and
    // its frame.
    void focusFirstAtTheLeftEdge(xcb_window_t& window, Rect& frame) {
        ASSERT_EQ(tool({"focus-first"}).status, 0);
        ASSERT_TRUE(settle([&] {
            const Columns shown = columns(xtermTitles());
            if (shown.titles.size() != xterms_.size() || shown.focused != 1) return false;
            window = xtermTitled(shown.titles.front())->window;
            frame = settledFrames().at(window);
            return frame.x == 12;
        })) << "the first column did not stand focused at the left edge";
    }

    // Quits on SIGTERM, as the user's session ending does.
    void quit() {
        brindlow_->signal(SIGTERM);
        EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
    }

    bool switched_ = false;
};

// Beside a window manager that focuses new windows, windows opened one after another with the
// pointer resting where they appear keep the focus the window manager gives them, and each opens
// after the one before: nothing slid under a pointer the user chose to rest.
TEST_F(WindowManagerHabits, NewWindowsOpenedInQuickSuccessionKeepTheFocusAndOpenInOrder) {
    const auto traits = WindowManagerTraits::forName(sessionWindowManager());
    if (!traits || !traits->focusesNewWindows || traits->followsPointer())
        GTEST_SKIP() << sessionWindowManager() << " does not focus new windows by itself alone";
    startXterm("e2e-new-A");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(movePointer(960, 540));
    for (const char* title : {"e2e-new-B", "e2e-new-C", "e2e-new-D"}) {
        startXterm(title);
        ASSERT_TRUE(settle([&] { return listed(title); })) << title << " was not listed";
    }
    const std::vector<std::string> order{"e2e-new-A", "e2e-new-B", "e2e-new-C", "e2e-new-D"};
    Columns shown;
    EXPECT_TRUE(settle([&] {
        shown = columns(xtermTitles());
        return shown.titles == order && shown.focused == 4;
    })) << "columns: "
        << ::testing::PrintToString(shown.titles) << ", focused " << shown.focused;
    EXPECT_EQ(logged().find("Focus lost under the still pointer"), std::string::npos);
    xterms_.clear();  // the window manager placed them while Brindlow tiled the others
}

// A client that asks for its own size again after every move (1202 wide, whatever it is given)
// is checked like any window that refuses its width: the width is learned and logged, and the
// next column starts one gap after it.
TEST_F(WindowManagerHabits, AClientThatResizesItselfAfterEachMoveHasItsWidthLearned) {
    // It answers a moment after each resize, as a busy application does: after the read-back of
    // the move that resized it.
    TestClientProcess stubborn(
        {"--title", "e2e-stubborn", "--size", "1202x325", "--refuse-after", "150"});
    ASSERT_TRUE(stubborn.ready());
    startXterm("e2e-after-stubborn");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    EXPECT_TRUE(settle([&] {
        return logged().find("Brindlow-testclient needs 12") != std::string::npos;
    })) << "no width was learned";
    const xcb_window_t after = xtermTitled("e2e-after-stubborn")->window;
    EXPECT_TRUE(settle([&] {
        settledFrames();
        const auto mine = frameOf(stubborn.window());
        const auto next = frameOf(after);
        return mine && next && next->x > mine->maxX();
    })) << "the next column overlaps the client that keeps its size";
    quit();
}

// A resize made with the window manager's own modifier drag (Alt + the right button beside
// openbox) is the user's: the column takes the new width, and the next command keeps it.
TEST_F(WindowManagerHabits, AModifierDragResizeWithTheWindowManagersButtonIsFollowed) {
    const auto traits = WindowManagerTraits::forName(sessionWindowManager());
    if (!traits || traits->drag.modifier == DragButtons::Modifier::none)
        GTEST_SKIP() << sessionWindowManager() << " resizes with no modifier drag";
    BRINDLOW_SKIP_BESIDE("it resizes the window only once the button is released", "fluxbox");
    const std::string modifier =
        traits->drag.modifier == DragButtons::Modifier::alt ? "alt" : "super";
    int button = 0;
    for (int candidate = 2; candidate <= 3 && !button; ++candidate)
        if (traits->drag.holds(candidate)) button = candidate;
    ASSERT_NE(button, 0);
    startTiledXterms(2);
    ASSERT_FALSE(HasFatalFailure());
    xcb_window_t first = XCB_WINDOW_NONE;
    Rect before;
    focusFirstAtTheLeftEdge(first, before);
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<double> widths = columns(xtermTitles()).widths;
    // Near the right edge, half way down: the window manager resizes by that edge.
    const int x = int(before.maxX()) - 40, y = int(before.midY());
    ASSERT_TRUE(movePointer(x, y));
    ASSERT_TRUE(xdotool({"keydown", modifier, "mousedown", std::to_string(button)}));
    // Each step waits for the window manager to follow it: one may start its resize only a
    // moment after the press.
    for (int step = 0; step < 12 && frameOf(first)->width >= before.width - 150; ++step) {
        const double reached = frameOf(first)->width;
        xdotool({"mousemove_relative", "--", "-25", "0"});
        settle([&] { return frameOf(first)->width < reached; }, 1);
    }
    // The button stays down until Brindlow has taken the change for a drag, as a hand's drag
    // lasts: right after its own moves it looks again only a moment later.
    const bool seen = settle([&] { return logged().find("User drag of") != std::string::npos; });
    ASSERT_TRUE(xdotool({"mouseup", std::to_string(button), "keyup", modifier}));
    EXPECT_TRUE(seen) << "the drag went unseen while the button was down";
    ASSERT_TRUE(settle([&] { return frameOf(first)->width < before.width - 150; }))
        << "the window manager did not resize the window";
    EXPECT_TRUE(settle([&] { return logged().find("User resized") != std::string::npos; }))
        << "the resize was not followed";
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    EXPECT_TRUE(keeps(
        [&] {
            const Columns shown = columns(xtermTitles());
            return !shown.widths.empty() && shown.widths.front() < widths.front() &&
                   settledFrames().at(first).width < before.width - 150;
        },
        3))
        << "the user's width was lost: now " << frameOf(first)->width << " wide";
    quit();
}

// A desktop switch right after a scroll, with the pointer resting over a gap between columns, is
// the user's: the focus it takes from the strip's window is not given back, the switch is not
// undone, and no window is brought over to the desktop switched to.
TEST_F(WindowManagerHabits, ADesktopSwitchRightAfterAScrollIsTheUsers) {
    startTiledXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    xcb_window_t firstWindow = XCB_WINDOW_NONE;
    Rect first;
    focusFirstAtTheLeftEdge(firstWindow, first);
    ASSERT_FALSE(HasFatalFailure());
    // Over the gap right of the first column, brought there by hand from the first column's
    // edge: a pointer put there at once (a warp) is no hand the platform can hear, and the focus
    // the window manager takes from the first column as it arrives would pass for one our moves
    // caused. Steps of a few pixels stay below the pointer's acceleration.
    ASSERT_TRUE(movePointer(int(first.maxX()) - 3, int(first.midY())));
    for (int step = 0; step < 3; ++step) ASSERT_TRUE(xdotool({"mousemove_relative", "3", "0"}));
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_TRUE(settle([&] {
        const Columns shown = columns(xtermTitles());
        return shown.focused == 2 &&
               readActiveWindow(connection()) == xtermTitled(shown.titles[1])->window;
    }));
    ASSERT_EQ(tool({"focus-left"}).status, 0);
    // Listed as focused before its scroll lands: the switch comes once the first column stands
    // where it started and the window manager made its xterm the active window, moments after
    // the scroll's last move.
    ASSERT_TRUE(settle([&] {
        const Columns shown = columns(xtermTitles());
        if (shown.focused != 1) return false;
        const xcb_window_t window = xtermTitled(shown.titles[0])->window;
        return frameOf(window) == first && readActiveWindow(connection()) == window;
    }));
    switched_ = true;
    ASSERT_EQ(runProcess({"wmctrl", "-s", "1"}).status, 0);
    ASSERT_TRUE(settle([&] { return currentDesktop() == 1; }));
    // Stays so over a run of round trips to Brindlow, each a listing.
    EXPECT_TRUE(keeps([&] {
        bool home = currentDesktop() == 1;
        for (const Xterm& xterm : xterms_)
            home = home && readCardinal(connection(), xterm.window,
                                        connection().ewmh()->_NET_WM_DESKTOP) == 0u;
        return home;
    })) << "the desktop switch was undone or a window was brought over";
    EXPECT_EQ(logged().find("Focus lost under the still pointer: given back"), std::string::npos);
    runProcess({"wmctrl", "-s", "0"});
    switched_ = false;
    ASSERT_TRUE(settle([&] { return currentDesktop() == 0; }));
    quit();
}

}  // namespace
}  // namespace brindlow::test
