// Size checks after a layout: refused widths, learned minimum heights, and what stops them.
#include "ControllerScenario.h"
#include "settings/JSONFiles.h"

namespace brindlow::test {
namespace {

class SizeChecks : public ControllerScenario {
  protected:
    SimWindow wide;
    SimWindow next;
    SimWindow top;
    SimWindow bottom;

    // An editor window 1300 points wide that will not be narrower than 1200, and another after it.
    void startWithAWindowThatRefusesItsWidth() {
        addTwoDisplays();
        const SimApp editor =
            desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
        wide = desktop.openWindow(editor, {.title = "wide", .frame = {100, 100, 1300, 600}});
        next = desktop.openWindow(editor, {.title = "next", .frame = {1500, 100, 300, 600}});
        wide.setMinimumSize({1200, 100});
        time.runUntilIdle();
        start(stillSettings());
    }

    // Two Term windows a saved session stacks, each sent 522 points (half of 1080 less two outer
    // gaps and a gap); the upper one will not be shorter than 700.
    void startWithAStackThatRefusesItsHeight() {
        addTwoDisplays();
        const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
        top = desktop.openWindow(term, {.title = "top", .frame = {100, 100, 800, 400}});
        bottom = desktop.openWindow(term, {.title = "bottom", .frame = {100, 500, 800, 400}});
        top.setMinimumSize({100, 700});
        time.runUntilIdle();
        writeSession({savedColumn({{"org.example.term", "top"}, {"org.example.term", "bottom"}})});
        start(stillSettings());
        ASSERT_EQ(display().columns.front().windows.size(), 2u);
        ASSERT_DOUBLE_EQ(bottom.frame().height, 522);
    }
};

TEST_F(SizeChecks, AWindowThatRefusesAWidthGetsARefusedWidthOnItsColumn) {
    startWithAWindowThatRefusesItsWidth();
    ASSERT_DOUBLE_EQ(next.frame().minX(), 12 + 942 + 12);
    time.advance(2.0);  // catch-up pass at 0.2 s, then the checks 0.25 s apart
    // The layout gives the column the width the window keeps: the next one starts after it.
    EXPECT_DOUBLE_EQ(next.frame().minX(), 12 + 1200 + 12);
    EXPECT_EQ(logLines("Editor needs 1200 points, not").size(), 1u);
}

// The catch-up pass 0.2 s after the layout notes the window, the first check 0.25 s later finds
// it unchanged and asks again, the next one 0.25 s after that learns its height.
TEST_F(SizeChecks, AStackedWindowThatStaysTallerTeachesItsMinimumHeightOnTheSecondCheck) {
    startWithAStackThatRefusesItsHeight();
    time.advance(0.69);
    EXPECT_TRUE(logLines("Term needs 700 points of height, not").empty());
    time.advance(0.02);
    EXPECT_EQ(logLines("Term needs 700 points of height, not").size(), 1u);
    const auto stored = readJSONValue(folder.path() / "minimum-heights.json");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ((*stored)["org.example.term"], 700);
    // Both Term windows need 700 points now: the stack has no room and comes apart.
    EXPECT_EQ(logLines("Unstacked Term: no room for a real gap").size(), 1u);
    EXPECT_DOUBLE_EQ(bottom.frame().height, 1056);
}

// What stops the checks before they learn: the display starts to move, or the controller pauses.
enum class Interruption { animation, swipe, pause };

class SizeChecksStop : public SizeChecks, public testing::WithParamInterface<Interruption> {};

TEST_P(SizeChecksStop, WhenTheDisplayMovesOrTheControllerPauses) {
    startWithAStackThatRefusesItsHeight();
    time.advance(0.3);  // the catch-up pass ran and queued the first check
    switch (GetParam()) {
        case Interruption::animation:  // a glide whose display clock never ticks
            applySettings(AppSettings{});
            run(Command::Kind::narrower);
            break;
        case Interruption::swipe:
            controller->gestureBegan(Point{500, 500});
            time.runUntilIdle();
            break;
        case Interruption::pause:
            run(Command::Kind::togglePause);
            break;
    }
    time.advance(2.0);
    EXPECT_TRUE(logLines("needs 700 points").empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "minimum-heights.json"));
}

INSTANTIATE_TEST_SUITE_P(Interruptions, SizeChecksStop,
                         testing::Values(Interruption::animation, Interruption::swipe,
                                         Interruption::pause));

TEST_F(SizeChecks, ACheckWhoseWindowVanishesWhenAskedAgainIsDropped) {
    startWithAWindowThatRefusesItsWidth();
    time.advance(0.2);          // the catch-up pass creates the width check
    wide.vanishAfterWrites(0);  // the next write finds the window gone
    time.advance(2.0);
    EXPECT_FALSE(managed(wide.id()));
    EXPECT_EQ(stripWindows("LEFT"), std::vector<WindowID>{next.id()});
    EXPECT_TRUE(logLines("needs").empty());
}

}  // namespace
}  // namespace brindlow::test
