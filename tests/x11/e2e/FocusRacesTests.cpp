// The real executable where the user's actions, at a human pace, meet requests of Brindlow's still
// on their way to the window manager: nothing of Brindlow's undoes what the user did meanwhile.
#include "AppOnDisplay.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

constexpr std::uint32_t kIconic = 3;

class FocusRaces : public AppOnDisplay {
  protected:
    // Without a tray host Brindlow opens its settings window a moment after the start, and the
    // focus goes back to the window that had it.
    void withoutTrayHost() {
        const std::string tray = "_NET_SYSTEM_TRAY_S" + std::to_string(connection().screenNumber());
        xcb_set_selection_owner(connection().xcb(), XCB_WINDOW_NONE, connection().atom(tray),
                                XCB_CURRENT_TIME);
        connection().sync();
    }

    // The active display's columns by their first window (this test's xterms only) and the
    // focused one (counted from 1; 0 when it is none of them).
    struct Columns {
        std::vector<xcb_window_t> windows;
        int focused = 0;
    };
    Columns columns() {
        Columns result;
        const ListedColumns listed = activeColumns();
        for (std::size_t i = 0; i < listed.columns.size(); ++i) {
            const Xterm* xterm =
                xtermTitled(listed.columns[i].at("windows").at(0).value("title", ""));
            if (!xterm) continue;
            result.windows.push_back(xterm->window);
            if (int(i) + 1 == listed.focused) result.focused = int(result.windows.size());
        }
        return result;
    }
    std::optional<xcb_window_t> stripFocus() {
        const Columns shown = columns();
        if (shown.focused == 0) return std::nullopt;
        return shown.windows[size_t(shown.focused - 1)];
    }
    std::optional<xcb_window_t> active() { return readActiveWindow(connection()); }
    bool iconic(xcb_window_t window) {
        const auto snapshot = readWindow(connection(), window);
        return snapshot && snapshot->wmState == kIconic;
    }
    std::optional<xcb_window_t> settingsWindow() {
        const ProcessRun found = runProcess({"xdotool", "search", "--name", "^Brindlow Settings$"});
        if (found.status != 0 || found.out.empty()) return std::nullopt;
        return xcb_window_t(std::stoul(found.out));
    }
    // The strip focuses the `column`th column (from 1) and the window manager its window.
    bool focusedOn(int column) {
        const Columns shown = columns();
        return shown.focused == column && int(shown.windows.size()) >= column &&
               active() == shown.windows[size_t(column - 1)];
    }
};

// How the window the user minimises came to have the focus.
enum class Focused {
    byAJump,            // `brindlow jump 2`, seen focused
    byAJumpJustAsked,   // `brindlow jump 2`, minimised as soon as the tool returns: the jump's
                        // raise may still be on its way
    withSettingsShown,  // `focus-first` in the first seconds, without a tray host: the settings
                        // window opens and hands the focus back
};

struct MinimiseCase {
    std::string name;
    Focused focused;
};

class MinimiseStays : public FocusRaces, public ::testing::WithParamInterface<MinimiseCase> {};

// The user minimises the focused window as soon as it shows focused (or the jump's window as
// soon as the jump was asked): it stays minimised, out of the strip, and none of Brindlow's
// requests shows it again.
TEST_P(MinimiseStays, WhateverBrindlowStillHadUnderWay) {
    if (GetParam().focused == Focused::withSettingsShown) withoutTrayHost();
    startTiledXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    xcb_window_t target = XCB_WINDOW_NONE;
    if (GetParam().focused == Focused::byAJump) {
        ASSERT_EQ(tool({"jump", "2"}).status, 0);
        ASSERT_TRUE(settle([&] { return focusedOn(2); }));
        target = *active();
    } else if (GetParam().focused == Focused::byAJumpJustAsked) {
        const Columns shown = columns();
        ASSERT_EQ(shown.windows.size(), 3u);
        target = shown.windows[1];
        ASSERT_EQ(tool({"jump", "2"}).status, 0);
    } else {
        ASSERT_EQ(tool({"focus-first"}).status, 0);
        // The user sees the settings window open and the focus come back to the first column.
        ASSERT_TRUE(settle([&] {
            const auto settings = settingsWindow();
            const auto snapshot = settings ? readWindow(connection(), *settings) : std::nullopt;
            return snapshot && snapshot->wmState == 1u && focusedOn(1);
        })) << "no settings window shown, or the focus did not come back";
        target = *active();
    }
    ASSERT_TRUE(xdotool({"windowminimize", std::to_string(target)}));
    ASSERT_TRUE(settle([&] { return iconic(target); })) << "the window manager did not minimise";
    EXPECT_TRUE(keeps([&] {
        const Columns shown = columns();
        return iconic(target) && shown.windows.size() == 2 &&
               std::find(shown.windows.begin(), shown.windows.end(), target) == shown.windows.end();
    })) << "the minimised window was shown again or kept in the strip";
    // Nothing was chosen since: where the window manager focuses one of the tiled windows, the
    // strip focuses it too (not so for the window manager's own icon of the minimised window
    // under the pointer, or our settings window, which stand in no column); some window has the
    // focus, as the strip shows one focused.
    EXPECT_TRUE(keeps([&] {
        const auto focused = active();
        const Columns shown = columns();
        const bool tiled = focused && std::find(shown.windows.begin(), shown.windows.end(),
                                                *focused) != shown.windows.end();
        return focused && (!tiled || stripFocus() == focused);
    })) << "the strip focuses column "
        << columns().focused << ", the window manager another tiled window or none";
}

INSTANTIATE_TEST_SUITE_P(
    Races, MinimiseStays,
    ::testing::Values(MinimiseCase{"AfterAJump", Focused::byAJump},
                      MinimiseCase{"RightAsAJumpIsAsked", Focused::byAJumpJustAsked},
                      MinimiseCase{"WhileTheSettingsWindowOpens", Focused::withSettingsShown}),
    [](const auto& row) { return row.param.name; });

// Commands in Brindlow's first seconds, while its settings window opens (no tray host) and hands
// the focus back: the last command's choice holds, in the strip and in the window manager.
TEST_F(FocusRaces, TheLastCommandInTheFirstSecondsHolds) {
    withoutTrayHost();
    startTiledXterms(4);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return columns().focused == 4; }));
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_EQ(tool({"jump", "2"}).status, 0);
    // Until the settings window has come and gone from the focus, and after.
    ASSERT_TRUE(settle([&] { return settingsWindow().has_value(); }));
    EXPECT_TRUE(keeps([&] { return focusedOn(2); }))
        << "the jump was undone: the strip focuses column " << columns().focused;
}

// Windows opened in quick succession, each as soon as the one before is listed, with the pointer
// resting mid-screen (where a window manager that focuses under the pointer sees our scrolls
// slide windows under it): they stand in the order they were opened, and the newest has the
// focus, in the strip and in the window manager.
TEST_F(FocusRaces, NewWindowsOpenedOneRightAfterAnotherStandInOrderWithTheNewestFocused) {
    startXterm("e2e-quick-A");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(movePointer(960, 540));
    for (const char* title : {"e2e-quick-B", "e2e-quick-C", "e2e-quick-D"}) {
        Xterm& xterm = xterms_.emplace_back();
        xterm.title = title;
        xterm.process = std::make_unique<ChildProcess>(std::vector<std::string>{
            "xterm", "-title", title, "-xrm", "XTerm*allowTitleOps: false", "-e", "sleep", "600"});
        // Listed by Brindlow, and known to this test's own connection, which may hear of the
        // window later than Brindlow under load.
        ASSERT_TRUE(settle([&] {
            for (const xcb_window_t window : desktop().registry().windowsOf(xterm.process->pid()))
                xterm.window = window;
            return xterm.window != XCB_WINDOW_NONE &&
                   listing().value_or("").dump().find('"' + std::string(title) + '"') !=
                       std::string::npos;
        })) << title
            << " was not listed";
    }
    std::vector<xcb_window_t> opened;
    for (const Xterm& xterm : xterms_) opened.push_back(xterm.window);
    Columns shown;
    EXPECT_TRUE(keeps([&] {
        shown = columns();
        return shown.windows == opened && shown.focused == 4 && active() == opened.back();
    })) << "columns in another order, or the focus not on the newest: focused "
        << shown.focused << ", active the "
        << std::find(opened.begin(), opened.end(), active().value_or(0)) - opened.begin() + 1
        << "th opened";
    xterms_.clear();  // the window manager placed them while Brindlow tiled the others
}

// Beside a window manager that focuses under the pointer, with the pointer resting mid-screen over
// a column: whatever comes under it as Brindlow adopts the windows and scrolls for a command, the
// strip's focus and the window manager's active window end on the window the command chose.
TEST_F(FocusRaces, UnderAStillPointerTheStripAndTheWindowManagerAgreeAfterEachCommand) {
    ASSERT_TRUE(movePointer(960, 540));
    startTiledXterms(3);
    EXPECT_TRUE(keeps([&] { return active() && stripFocus() == active(); }))
        << "after adoption the strip focuses " << stripFocus().value_or(0)
        << ", the window manager " << active().value_or(0);
    for (const int column : {2, 1, 3, 2}) {
        ASSERT_EQ(tool({"jump", std::to_string(column)}).status, 0);
        EXPECT_TRUE(keeps([&] { return focusedOn(column); }))
            << "after jump " << column << " the focus is elsewhere";
    }
}

// Where the pointer rests while Brindlow adopts three xterms: over a column (the second, which the
// adoption slides under it, or the third), as a user's pointer rests anywhere.
struct RestingPointerCase {
    std::string name;
    int x;
};

class UnderARestingPointer : public FocusRaces,
                             public ::testing::WithParamInterface<RestingPointerCase> {};

// Beside a window manager that focuses under the pointer, each command right after the adoption
// (the first as soon as the xterms are listed) ends with the strip's focus and the window
// manager's active window on the window it chose.
TEST_P(UnderARestingPointer, EachCommandsChoiceIsHonoured) {
    ASSERT_TRUE(movePointer(GetParam().x, 540));
    startTiledXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::pair<std::vector<std::string>, int>> commands = {
        {{"focus-first"}, 1}, {{"jump", "2"}, 2}, {{"focus-last"}, 3}, {{"focus-first"}, 1}};
    for (const auto& [command, column] : commands) {
        ASSERT_EQ(tool(command).status, 0);
        EXPECT_TRUE(keeps([&] { return focusedOn(column); }))
            << command.front() << ": the strip focuses column " << columns().focused
            << ", the window manager " << active().value_or(0);
    }
}

INSTANTIATE_TEST_SUITE_P(Races, UnderARestingPointer,
                         ::testing::Values(RestingPointerCase{"OverTheLeftColumn", 212},
                                           RestingPointerCase{"OverTheRightColumn", 1400}),
                         [](const auto& row) { return row.param.name; });

// The user floats the focused window, then a script (or two quick shortcuts) jumps to the first
// column and floats at once: the float reaches Brindlow before the window manager has handled the
// jump's raise and still names the floated window focused. The jump's window floats; the floated
// one stays so.
TEST_F(FocusRaces, AFloatRightBehindAJumpFloatsTheJumpsWindow) {
    startTiledXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusedOn(3); }));
    const xcb_window_t floated = *active();
    ASSERT_EQ(tool({"float"}).status, 0);
    ASSERT_TRUE(settle([&] { return columns().windows.size() == 2 && active() == floated; }));
    const xcb_window_t first = columns().windows.front();
    ASSERT_EQ(tool({"jump", "1"}).status, 0);
    ASSERT_EQ(tool({"float"}).status, 0);
    EXPECT_TRUE(keeps([&] {
        const Columns shown = columns();
        return shown.windows.size() == 1 && shown.windows.front() != first &&
               shown.windows.front() != floated;
    })) << "the float acted on the window the window manager still named focused";
    EXPECT_EQ(logged().find("Unfloat window"), std::string::npos);
}

// Beside a window manager that focuses under the pointer, with the pointer resting in the screen's
// corner over a window the window manager put there: the adoption slides that window away and
// leaves the gap before the first column under the pointer, which takes the focus from every
// window, and Brindlow gives it back. A command right after the start, as soon as the windows are
// listed, holds: the answer to that give-back, come after it, does not pull the strip back.
TEST_F(FocusRaces, ACommandRightAfterTheStartHoldsWhereTheAdoptionLeftAGapUnderThePointer) {
    ASSERT_TRUE(movePointer(5, 5));
    startTiledXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    EXPECT_TRUE(keeps([&] { return focusedOn(3); }))
        << "the strip focuses column " << columns().focused << ", the window manager "
        << active().value_or(0);
}

}  // namespace
}  // namespace brindlow::test
