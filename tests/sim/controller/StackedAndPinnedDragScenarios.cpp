#include "CommandScenario.h"

namespace brindlow::test {
namespace {

// Drags of stacked and pinned windows, judged at release.
class StackedAndPinnedDrags : public CommandScenario {};

// A row of a stack that is not the stack's active row, dragged right of the next column: it lands
// right of that column, and the stack it left keeps the others.
TEST_F(StackedAndPinnedDrags, ARowThatIsNotActiveLandsRightOfTheColumnsLeftOfItsDrop) {
    open(4);
    focusWindow(id(1));
    run(Command::Kind::stackLeft);  // [w0 w1] [w2] [w3]
    run(Command::Kind::growStack);  // [w0 w1 w2] [w3]
    ASSERT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0), id(1), id(2)}, {id(3)}}));
    const int active = display().columns[0].activeIndex;
    const int row = active == 0 ? 1 : 0;  // a row other than the active one
    const SimWindow& dragged = windows[size_t(row)];
    time.advance(1.0);
    const double stackWidth = display().columns[0].widthFraction;
    drag(dragged, centredAt(dragged.frame(), placed(id(3)).midX() + 30));
    release();
    ASSERT_EQ(columns().size(), 3u);
    EXPECT_EQ(columns()[0].size(), 2u);
    EXPECT_EQ(columns()[1], (std::vector<WindowID>{id(3)}));
    EXPECT_EQ(columns()[2], (std::vector<WindowID>{dragged.id()}));
    EXPECT_EQ(display().focusedIndex, 2);
    EXPECT_DOUBLE_EQ(display().columns[2].widthFraction, stackWidth);
    EXPECT_EQ(logLines("User moved Editor to column 3").size(), 1u);
}

// A stacked window dropped on the other display joins that strip at the drop index and leaves the
// rest of its stack behind.
TEST_F(StackedAndPinnedDrags, AStackedWindowDroppedOnTheOtherDisplayLeavesItsStack) {
    desktop.openWindow(term, {.title = "r0", .frame = {2000, 100, 600, 400}});
    desktop.openWindow(term, {.title = "r1", .frame = {2100, 100, 600, 400}});
    open(3);
    focusWindow(id(2));
    run(Command::Kind::stackLeft);  // [w0] [w1 w2]
    time.advance(1.0);
    const std::vector<WindowID> others = stripWindows("RIGHT");
    ASSERT_EQ(others.size(), 2u);
    // Between the two columns of the right display.
    const double between = (placed(others[0]).midX() + placed(others[1]).midX()) / 2;
    drag(windows[2], centredAt(windows[2].frame(), between));
    release();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(1)}}));
    EXPECT_EQ(stripWindows("RIGHT"), (std::vector<WindowID>{others[0], id(2), others[1]}));
    EXPECT_EQ(activeDisplay(), "RIGHT");
    EXPECT_EQ(focusedColumn("RIGHT").activeWindowID, id(2));
}

// A pinned column's new width is measured against the display's visible frame, not the viewport
// the pinned columns leave to the others.
TEST_F(StackedAndPinnedDrags, AResizedPinnedColumnTakesItsFractionOfTheVisibleFrame) {
    AppSettings settings = stillSettings();
    settings.gap = 0;
    settings.outerGap = 0;
    open(3, settings);
    focusWindow(id(0));
    run(Command::Kind::pinLeft);
    time.advance(1.0);
    const double visible = display().visible.width;
    ASSERT_GT(display().viewport.width, 0);
    ASSERT_LT(display().viewport.width, visible);
    const Rect from = windows[0].frame();
    drag(windows[0], Rect(from.minX(), from.minY(), 0.3 * visible, from.height));
    release();
    EXPECT_NEAR(display().columns[0].widthFraction, 0.3, 1e-9);
    EXPECT_EQ(display().columns[0].pin, Pin::left);
}

}  // namespace
}  // namespace brindlow::test
