// The panels on a real display: window search, the overview and the shortcut sheet are opened
// with the command-line tool and driven with xdotool; they show on every desktop, and the focus
// goes to the chosen window, or back to the one that had it. With BRINDLOW_SCREENSHOT_DIR set,
// each panel is photographed there.
#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

class PanelsEndToEnd : public AppOnDisplay {
  protected:
    // The active window when it belongs to Brindlow itself.
    std::optional<xcb_window_t> brindlowWindowActive() {
        const auto active = desktop().activeWindow();
        if (!active) return std::nullopt;
        const auto pid = desktop().pidOf(*active);
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
        const auto s = desktop().read(window);
        return !s || !s->mapped;
    }
};

TEST_F(PanelsEndToEnd, OverviewAndSheetGiveTheFocusBackAndSearchFocusesTheMatch) {
    startXterm("panels-alpha");
    const xcb_window_t target = startXterm("panels-bravo").window;
    startXterm("panels-charlie");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    std::optional<xcb_window_t> before;
    ASSERT_TRUE(settle([&] {
        before = desktop().activeWindow();
        return before && !brindlowWindowActive();
    }));

    for (const std::string command : {"overview", "shortcuts"}) {
        ASSERT_EQ(tool({command}).status, 0);
        const xcb_window_t panel = waitForPanel();
        // xfwm4 puts a panel on the current desktop as it maps it, whatever the panel asked for
        // before: left to the panels' own work (asking again once mapped).
        if (sessionWindowManager() != "xfwm4") {
            const auto state = desktop().read(panel);
            ASSERT_TRUE(state);
            EXPECT_EQ(state->desktop, 0xFFFFFFFFu) << command << " is not on every desktop";
        }
        screenshot(command);
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        EXPECT_TRUE(settle([&] { return gone(panel); })) << command << " stayed open";
        EXPECT_TRUE(settle([&] { return desktop().activeWindow() == before; }))
            << "the focus did not come back from " << command;
    }

    ASSERT_EQ(tool({"search"}).status, 0);
    const xcb_window_t panel = waitForPanel();
    ASSERT_NE(panel, XCB_WINDOW_NONE);
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "brav"}));
    screenshot("search");
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(settle([&] { return gone(panel); })) << "the search stayed open";
    EXPECT_TRUE(settle([&] { return desktop().activeWindow() == target; }))
        << "the chosen xterm did not get the focus";
}

}  // namespace
}  // namespace brindlow::test
