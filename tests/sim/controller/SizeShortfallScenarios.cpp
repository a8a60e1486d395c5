// Windows that keep a size of their own beside the layout: a column cut by the screen's edge
// whose window's width was learned, beside a window manager that pulls windows mostly on screen
// back into view; and stacked terminals that take whole character rows.
#include <cmath>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

// Terminal-like windows: a width or height of 2 points of border plus whole cells.
double wholeCells(double size, double cell) {
    return std::floor((size - 2) / cell) * cell + 2;
}

// How the right-hand window keeps its width: in 8-point cells (942 → 938), or at 1202 whatever
// it is sent (a client that resizes itself).
enum class OwnWidth { cells, fixed };

class AColumnCutByTheEdge : public ControllerScenario,
                            public testing::WithParamInterface<OwnWidth> {
  protected:
    SimWindow first;
    SimWindow second;

    void SetUp() override {
        ControllerScenario::SetUp();
        left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
        const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
        first = desktop.openWindow(term, {.title = "first", .frame = {100, 100, 800, 600}});
        second = desktop.openWindow(term, {.title = "second", .frame = {1000, 100, 800, 600}});
        if (GetParam() == OwnWidth::fixed) second.setMinimumSize({1202, 100});
        // The window manager pulls a window that is mostly on screen wholly into view (one that
        // is mostly off it is hidden instead, as a parked window is); the terminal keeps to
        // whole cells.
        second.onWrite([this](const SimWindow& window, const std::string&) {
            Rect frame = window.frame();
            if (GetParam() == OwnWidth::cells) frame.width = wholeCells(frame.width, 8);
            const double shown = std::min(frame.maxX(), kLeft.maxX()) - frame.minX();
            if (frame.maxX() > kLeft.maxX() && shown > frame.width / 2)
                frame.x = kLeft.maxX() - frame.width;
            if (frame != window.frame()) window.setFrame(frame);
        });
        time.runUntilIdle();
    }
};

// The first column grows to two thirds: the second one starts at 1284, 624 points of it on
// screen. Its learned width is a slice there, or it is parked: never sent whole past the edge,
// where the window manager pulls it back over the first column.
TEST_P(AColumnCutByTheEdge, IsASliceOrParkedWhateverItsLearnedWidth) {
    start(stillSettings());
    time.advance(2.0);  // the catch-up pass and the checks learn the second window's width
    run(Command::Kind::focusFirst);
    run(Command::Kind::cycleWidth);
    time.advance(2.0);
    EXPECT_EQ(first.frame(), Rect(12, 12, 1260, 1056));
    EXPECT_GE(second.frame().minX(), first.frame().maxX() + 12) << "over the first column";
    if (GetParam() == OwnWidth::cells) {
        EXPECT_EQ(second.frame(), Rect(1284, 12, 618, 1056));  // the 624-point slice, in cells
    } else {
        EXPECT_EQ(second.frame(), Rect(1910, 12, 1202, 1056));  // parked, 10 points on screen
    }
    EXPECT_EQ(logLines(GetParam() == OwnWidth::cells ? "Term took 938 points, less than the 942"
                                                     : "Term needs 1202 points, not 942")
                  .size(),
              1u);
}

INSTANTIATE_TEST_SUITE_P(LearnedWidths, AColumnCutByTheEdge,
                         testing::Values(OwnWidth::cells, OwnWidth::fixed));

TEST_F(ControllerScenario, AWindowThatTookLessWidthThanSentIsLoggedAsSuch) {
    left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    const SimWindow window = desktop.openWindow(term, {.title = "term"});
    window.setMaximumSize({939, 2000});
    time.runUntilIdle();
    start(stillSettings());
    time.advance(2.0);
    EXPECT_EQ(logLines("Term took 939 points, less than the 942 sent").size(), 1u);
    EXPECT_TRUE(logLines("needs").empty());
}

// Which rows of a three-window stack of terminals keep to 24-point character rows.
struct RoundingRows {
    std::vector<bool> rounds;
    std::vector<Rect> expected;  // the frames, top to bottom
};

class AStackOfTerminals : public ControllerScenario,
                          public testing::WithParamInterface<RoundingRows> {};

// Each row is sent 344 points (1056 less two gaps, in three); a terminal takes 338. What a row
// leaves goes to the window below it, which starts one gap under it: no wider gap inside the
// stack. The last row's shortfall stays at the bottom of the column.
TEST_P(AStackOfTerminals, GiveWhatARowLeavesToTheWindowBelow) {
    left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
    const SimApp term = desktop.launchApp({.name = "Term", .bundleID = "org.example.term"});
    std::vector<SimWindow> rows;
    std::vector<WindowDescriptor> saved;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string title = "row" + std::to_string(i);
        rows.push_back(desktop.openWindow(term, {.title = title, .frame = {100, 100, 800, 300}}));
        saved.push_back({"org.example.term", title});
        if (!GetParam().rounds[i]) continue;
        rows.back().onWrite([](const SimWindow& window, const std::string&) {
            Rect frame = window.frame();
            frame.height = wholeCells(frame.height, 24);
            if (frame != window.frame()) window.setFrame(frame);
        });
    }
    time.runUntilIdle();
    writeSession({savedColumn(saved)});
    start(stillSettings());
    ASSERT_EQ(display().columns.front().windows.size(), 3u);
    time.advance(3.0);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rows[i].frame(), GetParam().expected[i]) << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AStackOfTerminals,
    testing::Values(RoundingRows{{true, false, false},
                                 {{12, 12, 942, 338}, {12, 362, 942, 350}, {12, 724, 942, 344}}},
                    RoundingRows{{false, true, false},
                                 {{12, 12, 942, 344}, {12, 368, 942, 338}, {12, 718, 942, 350}}},
                    // The middle row is given 350 and takes 338 of it.
                    RoundingRows{{true, true, true},
                                 {{12, 12, 942, 338}, {12, 362, 942, 338}, {12, 712, 942, 338}}}));

}  // namespace
}  // namespace brindlow::test
