// One of our own windows that had the keys (the settings window) closes, and the window manager
// picks a window to focus next: nobody chose that one. The strip's focused window keeps the
// focus, and so does the window a command chose right after the close, before the window
// manager's pick was heard; a click after the close is the user's choice. Where the window manager
// focuses no window after the close, the strip's window takes the keys, and a later focus change
// (an application activating its window) is followed.
#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

struct AfterTheClose {
    const char* name;
    bool command;  // "focus first" right after the close, its scroll still running
    bool click;    // the user's hand clicks after the close
    bool nothing;  // the window manager focuses no window after the close; w3's focus comes later
    size_t focused;
};

void PrintTo(const AfterTheClose& row, std::ostream* out) {
    *out << row.name;
}

class OwnWindowClosed : public FiveWindowScenario,
                        public ::testing::WithParamInterface<AfterTheClose> {};

TEST_P(OwnWindowClosed, TheWindowManagersPickDoesNotTakeTheFocus) {
    const AfterTheClose& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(jumpToW2AndLand(Point{960, 1000}));
    // Our settings window takes the keys; the strip keeps w2 focused.
    const SimApp ours = desktop.launchApp({.name = "Ourselves", .pid = SimDesktop::kOwnPID});
    const SimWindow settings =
        desktop.openWindow(ours, {.title = "Settings", .frame = {600, 300, 500, 400}});
    time.runUntilIdle();
    ours.activate();
    settings.focus();
    time.runUntilIdle();
    ASSERT_EQ(focusedWindow(), windows[2].id());

    // Closed by its keys (Ctrl+W).
    controller->ownWindowClosed();
    settings.close();
    time.runUntilIdle();
    time.advance(0.01);
    if (row.command) {
        controller->perform(Command::Kind::focusFirst);
        time.runUntilIdle();
        ASSERT_EQ(focusedWindow(), windows[0].id());
    }
    if (row.click) {
        desktop.setLeftMouseButtonDown(true);
        desktop.setLeftMouseButtonDown(false);
    }
    if (row.nothing) {
        desktop.loseFocus();
        time.runUntilIdle();
        animate();
        EXPECT_EQ(desktop.activeWindow(), windows[2].id());
    }
    // The window manager's pick, heard only now (or the application's choice, much later).
    windows[3].focus();
    editor.activate();
    time.runUntilIdle();
    animate();
    EXPECT_EQ(focusedWindow(), windows[row.focused].id());
    EXPECT_TRUE(windows[row.focused].isFocused());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OwnWindowClosed,
    ::testing::Values(AfterTheClose{"NothingElse", false, false, false, 2},
                      AfterTheClose{"ACommandRightAfter", true, false, false, 0},
                      AfterTheClose{"AClickOnTheWindow", false, true, false, 3},
                      AfterTheClose{"NoWindowFocusedThenAnApplications", false, false, true, 3}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
