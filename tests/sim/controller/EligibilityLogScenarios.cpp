#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class EligibilityLog : public ControllerScenario {
  protected:
    // Catch-up passes, one every 3 s.
    void catchUpPasses(int count) {
        for (int pass = 0; pass < count; ++pass) {
            time.advance(3.0);
            time.runUntilIdle();
        }
    }
    // Titles are private in the log.
    static std::size_t floatLines(const std::string& app) {
        return logLines("Float " + app + " '<private>': ").size();
    }
};

// A tray's own window is judged again at every catch-up pass; its verdict is said once.
TEST_F(EligibilityLog, AWindowWhoseVerdictStaysTheSameIsLoggedOnce) {
    addTwoDisplays();
    const SimApp tray = desktop.launchApp({.name = "trayer", .bundleID = "trayer"});
    desktop.openWindow(tray, {.title = "panel", .subrole = "AXUnknown"});
    const SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    const SimWindow fixed = desktop.openWindow(editor, {.title = "fixed", .sizeSettable = false});
    start(stillSettings());
    catchUpPasses(5);
    EXPECT_EQ(logLines("Float trayer '<private>': subrole AXUnknown").size(), 1u);
    EXPECT_EQ(floatLines("Editor"), 1u);

    // A new verdict is said: the window may be tiled now (and is), then it floats as minimised.
    fixed.setSizeSettable(true);
    catchUpPasses(1);
    ASSERT_TRUE(managed(fixed.id()));
    fixed.minimize();
    // Departures are gathered for a moment, so a desktop switch moves them all at once.
    time.advance(0.5);
    time.runUntilIdle();
    ASSERT_FALSE(managed(fixed.id()));
    catchUpPasses(4);
    EXPECT_EQ(logLines("Float Editor '<private>': minimized").size(), 1u);
    EXPECT_EQ(floatLines("Editor"), 2u);
    EXPECT_EQ(floatLines("trayer"), 1u);
}

}  // namespace
}  // namespace brindlow::test
