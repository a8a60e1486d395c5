// The panels on a real display: window search, the overview and the shortcut sheet are opened
// with the command-line tool and driven with xdotool; they show on every desktop, and the focus
// goes to the chosen window, or back to the one that had it. With BRINDLOW_SCREENSHOT_DIR set,
// each panel is photographed there.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

class PanelsEndToEnd : public AppOnDisplay {
  protected:
    // A test that moved the pointer puts it back where it stood, so that the tests after it find
    // it as before (beside a window manager that focuses under the pointer it decides the focus).
    void TearDown() override {
        AppOnDisplay::TearDown();
        if (pointerBefore_)
            xdotool({"mousemove", std::to_string(pointerBefore_->first),
                     std::to_string(pointerBefore_->second)});
    }

    void notePointer() {
        XcbReply<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(
            connection().xcb(), xcb_query_pointer(connection().xcb(), connection().root()),
            nullptr));
        if (pointer) pointerBefore_ = std::make_pair(int(pointer->root_x), int(pointer->root_y));
    }

    std::optional<std::pair<int, int>> pointerBefore_;

    // The active window when it belongs to Brindlow itself.
    std::optional<xcb_window_t> brindlowWindowActive() {
        const auto active = desktop().registry().activeWindow();
        if (!active) return std::nullopt;
        const auto pid = desktop().registry().pidOf(*active);
        if (!pid || *pid != brindlow_->pid()) return std::nullopt;
        return active;
    }

    xcb_window_t waitForPanel() {
        std::optional<xcb_window_t> panel;
        EXPECT_TRUE(settle([&] { return (panel = brindlowWindowActive()).has_value(); }))
            << "no Brindlow panel took the focus";
        return panel.value_or(XCB_WINDOW_NONE);
    }

    bool gone(xcb_window_t window) {
        const auto s = desktop().registry().read(window);
        return !s || !s->mapped;
    }

    // The titles of the active display's columns, left to right, and the focused one's (counted
    // from 0); none while nothing answers.
    struct Strip {
        std::vector<std::string> titles;
        std::optional<size_t> focused;
    };
    std::optional<Strip> strip() {
        const auto json = listing();
        if (!json) return std::nullopt;
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            Strip result;
            for (const auto& column : display.at("columns"))
                result.titles.push_back(column.at("windows").at(0).value("title", ""));
            const int focused = display.value("focused", 0);
            if (focused > 0) result.focused = size_t(focused - 1);
            return result;
        }
        return std::nullopt;
    }

    // Both the X focus and the strip's focused column are on `xterm`.
    bool focusAgreesOn(const Xterm& xterm) {
        if (desktop().registry().activeWindow() != xterm.window) return false;
        const auto listed = strip();
        return listed && listed->focused && listed->titles[*listed->focused] == xterm.title;
    }

    // Our moves have ended: no xterm's frame changed over a quarter second in which no window
    // was configured.
    bool movesEnded() {
        return settle([&] {
            const auto before = currentFrames();
            const bool configured = connection().waitForEvent(
                [](const xcb_generic_event_t& event) {
                    return (event.response_type & 0x7f) == XCB_CONFIGURE_NOTIFY;
                },
                0.25, [] { return false; });
            return !configured && currentFrames() == before;
        });
    }

    // After a choice in a panel: the panel goes, the X focus and the strip's focus both end on
    // the chosen xterm, and a fresh look (another list, another round trip later) still finds
    // them there, so an answer of the window manager that came late would have shown. Beside a
    // window manager that focuses the window under the pointer (jwm, fvwm), a window a scroll
    // slides under the pointer holds the focus until the scroll lands and the strip gives it
    // back: when the choice scrolls (the xterms moved since `before`, or the chosen one is not
    // wholly in view), the focus is judged there once our moves ended. Elsewhere, and without a
    // scroll, the next panel opens at once.
    static bool focusesUnderPointer() {
        return sessionWindowManager() == "jwm" || sessionWindowManager() == "fvwm";
    }

    void expectChoiceLandsOn(xcb_window_t panel, const Xterm& chosen, const std::string& what,
                             const std::map<xcb_window_t, Rect>& before) {
        EXPECT_TRUE(settle([&] { return gone(panel); })) << what << ": the panel stayed open";
        const auto frames = currentFrames();
        const Rect frame = frames.at(chosen.window);
        const auto screenWidth = double(connection().screen()->width_in_pixels);
        if (focusesUnderPointer() &&
            (frames != before || frame.x < 0 || frame.x + frame.width > screenWidth)) {
            EXPECT_TRUE(movesEnded()) << what << ": the windows kept moving";
        }
        const bool agreed = settle([&] { return focusAgreesOn(chosen); });
        connection().sync();
        const auto active = desktop().registry().activeWindow();
        const auto listed = strip();
        EXPECT_TRUE(agreed && focusAgreesOn(chosen))
            << what << ": chose " << chosen.title << ", the X focus is on "
            << (active == chosen.window ? chosen.title : "another window")
            << " and the strip's focus on "
            << (listed && listed->focused ? listed->titles[*listed->focused] : "nothing");
    }
};

TEST_F(PanelsEndToEnd, OverviewAndSheetGiveTheFocusBackAndSearchFocusesTheMatch) {
    const xcb_window_t alpha = startXterm("panels-alpha").window;
    const xcb_window_t target = startXterm("panels-bravo").window;
    startXterm("panels-charlie");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    // Beside a window manager that focuses the window under the pointer, the focus is where the
    // pointer rests, and on nothing while it rests in the gap between two columns (where the
    // display's centre falls): it rests on the first xterm, away from the one the search chooses.
    if (focusesUnderPointer()) {
        ASSERT_TRUE(movesEnded());
        const auto frame = frameOf(alpha);
        ASSERT_TRUE(frame);
        const Rect shown =
            frame->intersection(Rect(0, 0, double(connection().screen()->width_in_pixels),
                                     double(connection().screen()->height_in_pixels)));
        ASSERT_FALSE(shown.isEmpty());
        notePointer();
        ASSERT_TRUE(xdotool(
            {"mousemove", std::to_string(int(shown.midX())), std::to_string(int(shown.midY()))}));
    }
    std::optional<xcb_window_t> before;
    ASSERT_TRUE(settle([&] {
        before = desktop().registry().activeWindow();
        return before && !brindlowWindowActive();
    }));

    for (const std::string command : {"overview", "shortcuts"}) {
        ASSERT_EQ(tool({command}).status, 0);
        const xcb_window_t panel = waitForPanel();
        // xfwm4 puts a panel on the current desktop as it maps it, whatever the panel asked for
        // before: left to the panels' own work (asking again once mapped).
        if (sessionWindowManager() != "xfwm4") {
            const auto state = desktop().registry().read(panel);
            ASSERT_TRUE(state);
            EXPECT_EQ(state->desktop, 0xFFFFFFFFu) << command << " is not on every desktop";
        }
        screenshot(command);
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        EXPECT_TRUE(settle([&] { return gone(panel); })) << command << " stayed open";
        EXPECT_TRUE(settle([&] { return desktop().registry().activeWindow() == before; }))
            << "the focus did not come back from " << command;
    }

    ASSERT_EQ(tool({"search"}).status, 0);
    const xcb_window_t panel = waitForPanel();
    ASSERT_NE(panel, XCB_WINDOW_NONE);
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "brav"}));
    screenshot("search");
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(settle([&] { return gone(panel); })) << "the search stayed open";
    EXPECT_TRUE(settle([&] { return desktop().registry().activeWindow() == target; }))
        << "the chosen xterm did not get the focus";
}

// A panel opened while a jump still scrolls keeps the focus when the scroll lands: the raise the
// jump left for its landing was asked before the panel and must not take the focus from it.
TEST_F(PanelsEndToEnd, APanelOpenedDuringAScrollKeepsTheFocusWhenTheScrollLands) {
    startXterm("landing-alpha");
    startXterm("landing-bravo");
    startXterm("landing-charlie");
    startXterm("landing-delta");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] { return strip() && strip()->focused && !brindlowWindowActive(); }));

    for (const std::string command : {"search", "overview", "search", "overview"}) {
        // To the far end of the strip from the focused column, never to a column in view: a
        // scroll of several columns, whose raise waits for the landing.
        const auto before = strip();
        ASSERT_TRUE(before && before->focused);
        const std::string target = *before->focused < before->titles.size() / 2 ? "4" : "1";
        ASSERT_EQ(tool({"jump", target}).status, 0);
        ASSERT_EQ(tool({command}).status, 0);
        const xcb_window_t panel = waitForPanel();
        ASSERT_NE(panel, XCB_WINDOW_NONE) << command;
        settledFrames();
        // The landing's raise would have reached the window manager by a fresh listing.
        ASSERT_TRUE(listing());
        connection().sync();
        EXPECT_EQ(desktop().registry().activeWindow(), panel)
            << command << " opened during a scroll lost the focus as the scroll landed";
        EXPECT_FALSE(gone(panel)) << command << " closed as the scroll landed";
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        EXPECT_TRUE(settle([&] { return gone(panel); })) << command << " stayed open";
        ASSERT_TRUE(settle([&] { return !brindlowWindowActive(); }));
    }
}

// Choosing a window in either panel ends with the X focus and the strip's focus on it, every time,
// whichever window had the focus before and whichever key chose.
TEST_F(PanelsEndToEnd, ChoosingAWindowFocusesItForTheWindowManagerAndTheStripEveryTime) {
    constexpr int kChoices = 20;
    startXterm("choose-alpha");
    startXterm("choose-bravo");
    startXterm("choose-charlie");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] { return strip() && strip()->focused && !brindlowWindowActive(); }));

    for (int round = 0; round < kChoices; ++round) {
        const Xterm& chosen = xterms_[size_t(round + 1) % xterms_.size()];
        const std::string key = round % 2 ? "KP_Enter" : "Return";
        const std::string what = "search " + std::to_string(round + 1);
        const auto before = currentFrames();
        ASSERT_EQ(tool({"search"}).status, 0);
        const xcb_window_t panel = waitForPanel();
        ASSERT_NE(panel, XCB_WINDOW_NONE) << what;
        // The part of the title after "choose-" matches that xterm alone.
        ASSERT_TRUE(xdotool({"type", "--delay", "10", chosen.title.substr(7)}));
        ASSERT_TRUE(xdotool({"key", key}));
        expectChoiceLandsOn(panel, chosen, what, before);
    }

    // A click on the one row left after typing chooses it too. The row lies under the search
    // field, 100 points below the panel's top edge.
    for (int round = 0; round < kChoices / 2; ++round) {
        const Xterm& chosen = xterms_[size_t(round + 1) % xterms_.size()];
        const std::string what = "search click " + std::to_string(round + 1);
        const auto before = currentFrames();
        ASSERT_EQ(tool({"search"}).status, 0);
        const xcb_window_t panel = waitForPanel();
        ASSERT_NE(panel, XCB_WINDOW_NONE) << what;
        ASSERT_TRUE(xdotool({"type", "--delay", "10", chosen.title.substr(7)}));
        const auto state = desktop().registry().read(panel);
        ASSERT_TRUE(state) << what;
        const Rect frame = state->clientFrame;
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(int(frame.midX())),
                             std::to_string(int(frame.y) + 100), "click", "1"}));
        expectChoiceLandsOn(panel, chosen, what, before);
    }

    // The quick choices above leave a long scroll running (opening a panel during a scroll has a
    // test of its own): the overview rounds start with the strip at rest, the focused xterm wholly
    // on screen and no frame changing over two round trips.
    const auto screenWidth = double(connection().screen()->width_in_pixels);
    ASSERT_TRUE(settle([&] {
        const auto listed = strip();
        if (!listed || !listed->focused) return false;
        const Xterm* focused = xtermTitled(listed->titles[*listed->focused]);
        const auto frames = currentFrames();
        if (!focused || settledFrames() != frames) return false;
        const Rect frame = frames.at(focused->window);
        return frame.x >= 0 && frame.x + frame.width <= screenWidth;
    }));
    for (int round = 0; round < kChoices; ++round) {
        const Xterm& chosen = xterms_[size_t(round + 2) % xterms_.size()];
        const std::string key = round % 2 ? "KP_Enter" : "Return";
        const std::string what = "overview " + std::to_string(round + 1);
        const auto before = strip();
        ASSERT_TRUE(before && before->focused) << what;
        const auto target = std::find(before->titles.begin(), before->titles.end(), chosen.title);
        ASSERT_NE(target, before->titles.end()) << what;
        // The overview opens with the focused column selected; the arrows move the selection.
        const int steps = int(target - before->titles.begin()) - int(*before->focused);
        const auto framesBefore = currentFrames();
        ASSERT_EQ(tool({"overview"}).status, 0);
        const xcb_window_t panel = waitForPanel();
        ASSERT_NE(panel, XCB_WINDOW_NONE) << what;
        for (int step = 0; step < std::abs(steps); ++step)
            ASSERT_TRUE(xdotool({"key", steps > 0 ? "Right" : "Left"}));
        ASSERT_TRUE(xdotool({"key", key}));
        expectChoiceLandsOn(panel, chosen, what, framesBefore);
    }
}

// A panel closes when the user turns to another window, by a click on it or by a switch of the
// keyboard focus (a switcher's request to the window manager), and the focus stays there.
// Every output off and on again before Brindlow starts, with or without a compositor: the search
// panel still stands in the middle of the screen. (Since such a change fluxbox no longer frames a
// window that has an alpha channel: it left the panel at the screen's corner.)
class PanelsAfterTheOutputsWentOffAndOn : public PanelsEndToEnd,
                                          public ::testing::WithParamInterface<bool> {};

TEST_P(PanelsAfterTheOutputsWentOffAndOn, TheSearchPanelStandsInTheMiddle) {
    const std::string output = firstOutput();
    ASSERT_FALSE(output.empty());
    // xrandr refuses the size (the output does not fit) after it has switched the output off.
    runProcess({"xrandr", "--fb", "1280x720"});
    ASSERT_EQ(runProcess({"xrandr", "--fb", "1920x1080", "--output", output, "--auto"}).status, 0);
    std::unique_ptr<ChildProcess> compositor;
    if (GetParam()) {
        compositor = std::make_unique<ChildProcess>(
            std::vector<std::string>{"picom", "--config", "/dev/null", "--backend", "xrender"});
        const std::string selection = "_NET_WM_CM_S" + std::to_string(connection().screenNumber());
        ASSERT_TRUE(settle([&] {
            XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
                connection().xcb(),
                xcb_get_selection_owner(connection().xcb(), connection().atom(selection)),
                nullptr));
            return owner && owner->owner != XCB_WINDOW_NONE;
        })) << "picom did not start";
    }
    // Managed only once the window manager has handled the change, which came before its map.
    startXterm("middle-alpha");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] { return strip() && strip()->focused && !brindlowWindowActive(); }));

    ASSERT_EQ(tool({"search"}).status, 0);
    const double middle = connection().screen()->width_in_pixels / 2.0;
    std::optional<Rect> panelFrame;
    xcb_window_t panel = XCB_WINDOW_NONE;
    // Read again as it goes: a panel shown anew is another window.
    EXPECT_TRUE(settle([&] {
        panel = brindlowWindowActive().value_or(XCB_WINDOW_NONE);
        const auto state = panel ? desktop().registry().read(panel) : std::nullopt;
        panelFrame = state ? std::optional(state->clientFrame) : std::nullopt;
        return panelFrame && std::abs(panelFrame->midX() - middle) <= 1;
    })) << "the panel stands at "
        << (panelFrame ? std::to_string(panelFrame->x) + " " + std::to_string(panelFrame->y)
                       : std::string("no readable place"));
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    EXPECT_TRUE(settle([&] { return panel && gone(panel); })) << "the panel stayed open";
    // It kept the keys until the Escape.
    std::ifstream log(logFile());
    const std::string text{std::istreambuf_iterator<char>(log), {}};
    EXPECT_EQ(text.find("Panel closes: the keys went"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Compositor, PanelsAfterTheOutputsWentOffAndOn, ::testing::Bool(),
                         [](const auto& row) {
                             return std::string(row.param ? "WithACompositor" : "WithoutOne");
                         });

class PanelsLeftForAnotherWindow : public PanelsEndToEnd,
                                   public ::testing::WithParamInterface<std::string> {};

TEST_P(PanelsLeftForAnotherWindow, CloseThePanelAndTheFocusStaysThere) {
    const std::string how = GetParam();
    // The pointer rests where the other tests leave it, in the gap between the two columns.
    ASSERT_TRUE(xdotool({"mousemove", "960", "540"}));
    startXterm("leave-alpha");
    startXterm("leave-bravo");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] { return strip() && strip()->focused && !brindlowWindowActive(); }));
    const auto screenWidth = double(connection().screen()->width_in_pixels);
    const auto frames = settledFrames();
    const auto active = desktop().registry().activeWindow();
    // The other xterm, wholly on screen.
    const auto other = std::find_if(xterms_.begin(), xterms_.end(), [&](const Xterm& x) {
        const Rect frame = frames.at(x.window);
        return x.window != active && frame.x >= 0 && frame.x + frame.width <= screenWidth;
    });
    ASSERT_NE(other, xterms_.end());

    ASSERT_EQ(tool({"search"}).status, 0);
    const xcb_window_t panel = waitForPanel();
    ASSERT_NE(panel, XCB_WINDOW_NONE);
    if (how == "click") {
        // Halfway down the other xterm near its outer edge: clear of the panel in the middle and
        // of any indicator of ours.
        const Rect frame = frames.at(other->window);
        const double x = frame.midX() < screenWidth / 2 ? frame.x + 40 : frame.x + frame.width - 40;
        // Read until the panel stands where it is shown: read at once, it may still stand where it
        // was created.
        std::optional<Rect> panelFrame;
        ASSERT_TRUE(settle([&] {
            const auto panelState = desktop().registry().read(panel);
            panelFrame = panelState ? std::optional(panelState->clientFrame) : std::nullopt;
            return panelFrame && (x < panelFrame->x || x > panelFrame->x + panelFrame->width);
        })) << "the panel covers the other xterm's edge at "
            << x << ": "
            << (panelFrame ? std::to_string(panelFrame->x) + " " + std::to_string(panelFrame->width)
                           : std::string("not readable"));
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(int(x)), std::to_string(int(frame.midY())),
                             "click", "1"}));
    } else {
        ASSERT_TRUE(xdotool({"windowactivate", std::to_string(other->window)}));
    }
    EXPECT_TRUE(settle([&] { return gone(panel); })) << how << ": the panel stayed open";
    EXPECT_TRUE(settle([&] { return desktop().registry().activeWindow() == other->window; }))
        << how << ": the focus did not stay on the window turned to";
    ASSERT_TRUE(xdotool({"mousemove", "960", "540"}));
}

INSTANTIATE_TEST_SUITE_P(ClickOrSwitch, PanelsLeftForAnotherWindow,
                         ::testing::Values("click", "switch"),
                         [](const auto& row) { return row.param; });

}  // namespace
}  // namespace brindlow::test
