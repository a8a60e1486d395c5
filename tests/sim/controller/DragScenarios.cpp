#include "CommandScenario.h"

namespace brindlow::test {
namespace {

// Drags and resizes as the user makes them: the button goes down, the window moves (each change
// posts its event), the button comes up.
class Drags : public CommandScenario {
  protected:
    void open(int count, AppSettings settings = stillSettings()) {
        CommandScenario::open(count, settings);
        time.advance(1.0);  // past the quiet time after the controller's own moves
    }
};

TEST_F(Drags, MovesWithoutTheButtonOrRightAfterTheControllersOwnMoveAreIgnored) {
    open(2);
    windows[1].setFrame(windows[1].frame().offsetBy(-600, 0));
    time.runUntilIdle();
    run(Command::Kind::narrower);  // the controller moves the window now
    drag(windows[1], windows[1].frame().offsetBy(-600, 0));
    release();
    time.advance(2.0);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1)}));
    EXPECT_TRUE(logLines("User moved").empty());
}

// A window its application moves or resizes while no button is down is no drag of the user's,
// however far it goes: nothing is judged and the columns stay as they were.
struct UnheldChange {
    const char* name;
    double dx, dwidth;
};

void PrintTo(const UnheldChange& change, std::ostream* out) {
    *out << change.name;
}

class UnheldChanges : public Drags, public ::testing::WithParamInterface<UnheldChange> {};

TEST_P(UnheldChanges, AreNoUserDrag) {
    open(2);
    const Rect from = windows[1].frame();
    windows[1].setFrame(Rect(from.minX() + GetParam().dx, from.minY(),
                             from.width + GetParam().dwidth, from.height));
    time.advance(2.0);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1)}));
    EXPECT_TRUE(logLines("User drag").empty());
    EXPECT_TRUE(logLines("User moved").empty());
    EXPECT_TRUE(logLines("User resized").empty());
}

INSTANTIATE_TEST_SUITE_P(Drags, UnheldChanges,
                         ::testing::Values(UnheldChange{"MovedPastItsNeighbour", -1000, 0},
                                           UnheldChange{"Widened", 0, 300}),
                         [](const auto& row) { return std::string(row.param.name); });

// A window manager may carry a fast drag begun right after the controller's own move all the way
// before the quiet time is over: still held past it, the drag counts. One that landed back where
// the controller put it, as an echo does, does not.
struct EarlyDragCase {
    const char* name;
    double heldFor;  // seconds the button stays down after the move
    bool landsBack;  // the window comes back to its own frame before the quiet time is over
    bool counts;
};

class EarlyDrags : public Drags, public ::testing::WithParamInterface<EarlyDragCase> {};

TEST_P(EarlyDrags, CountOnlyWhenHeldPastTheQuietTimeAwayFromTheControllersFrame) {
    open(2);
    run(Command::Kind::narrower);  // the controller moves the window now
    const Rect own = windows[1].frame();
    drag(windows[1], own.offsetBy(-own.minX(), 0));  // to the left edge, past its neighbour
    if (GetParam().landsBack) {
        time.advance(0.3);
        windows[1].setFrame(own);
        time.runUntilIdle();
    }
    time.advance(GetParam().heldFor - (GetParam().landsBack ? 0.3 : 0.0));
    release();
    time.advance(2.0);
    const std::vector<WindowID> order = GetParam().counts ? std::vector<WindowID>{id(1), id(0)}
                                                          : std::vector<WindowID>{id(0), id(1)};
    EXPECT_EQ(stripWindows("LEFT"), order);
    EXPECT_EQ(logLines("User moved").size(), GetParam().counts ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, EarlyDrags,
    ::testing::Values(EarlyDragCase{"ReleasedWithinTheQuietTime", 0.3, false, false},
                      EarlyDragCase{"HeldPastTheQuietTime", 1.0, false, true},
                      EarlyDragCase{"LandedBackLikeAnEcho", 1.0, true, false}),
    [](const ::testing::TestParamInfo<EarlyDragCase>& row) { return row.param.name; });

TEST_F(Drags, DraggingAColumnPastItsNeighbourSwapsThemOnceTheButtonIsUp) {
    open(3);
    const Rect start = windows[0].frame();
    const Rect second = placed(id(1));
    drag(windows[0], start.offsetBy(second.midX() - start.midX() + 50, 40));
    // Held for a while: judged only at release, with the final frame.
    time.advance(2.0);
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(0), id(1), id(2)}));
    release();
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(1), id(0), id(2)}));
    EXPECT_EQ(display().focusedIndex, 1);
    EXPECT_EQ(logLines("User moved Editor to column 2").size(), 1u);
    // The layout put it back into its new column.
    EXPECT_EQ(windows[0].frame(), placed(id(0)));
}

TEST_F(Drags, AShakeInsideAStackPutsTheWindowBack) {
    open(2);
    run(Command::Kind::stackLeft);
    time.advance(1.0);
    const Rect before = windows[1].frame();
    drag(windows[1], before.offsetBy(before.width / 2 - 10, 30));
    release();
    EXPECT_EQ(columns().size(), 1u);
    EXPECT_EQ(windows[1].frame(), before);
    EXPECT_EQ(logLines("User moved Editor inside its stack: back into place").size(), 1u);
}

// A drag that starts right after a layout: the catch-up pass that follows the layout must not
// take the held window for one an application misplaced and pull it back.
TEST_F(Drags, ADragStartedRightAfterALayoutIsNotPulledBack) {
    open(3);
    focusWindow(id(1));
    run(Command::Kind::stackLeft);  // [w0 w1] [w2]; its catch-up pass is due 0.2 s later
    const Rect from = windows[1].frame();
    const Rect held = from.offsetBy(1100, 30);
    drag(windows[1], held);
    time.advance(0.3);
    EXPECT_EQ(windows[1].frame(), held);
    time.advance(0.5);  // past the quiet time: the hand goes on moving it
    drag(windows[1], held.offsetBy(10, 0));
    release();
    EXPECT_EQ(columns(), (std::vector<std::vector<WindowID>>{{id(0)}, {id(2)}, {id(1)}}));
}

TEST_F(Drags, AResizeKeepsTheNewWidthAsTheColumnsFraction) {
    AppSettings settings = stillSettings();
    settings.gap = 0;
    settings.outerGap = 0;
    open(2, settings);
    run(Command::Kind::fullWidth);
    time.advance(1.0);
    const Rect from = windows[1].frame();
    drag(windows[1], Rect(from.minX(), from.minY(), 0.6 * 1920, from.height));
    release();
    EXPECT_DOUBLE_EQ(focusedColumn().widthFraction, 0.6);
    EXPECT_EQ(logLines("User resized Editor to 1152×1080").size(), 1u);
}

TEST_F(Drags, AWindowClosedWhileItsDragIsPendingIsNotJudged) {
    open(2);
    drag(windows[0], windows[0].frame().offsetBy(900, 0));
    windows[0].close();
    time.runUntilIdle();
    release();
    EXPECT_EQ(stripWindows("LEFT"), (std::vector<WindowID>{id(1)}));
    EXPECT_TRUE(logLines("User moved").empty());
}

TEST_F(Drags, EventsDuringAGestureAreIgnored) {
    open(2);
    controller->gestureBegan(Point{500, 500});
    time.runUntilIdle();
    drag(windows[0], windows[0].frame().offsetBy(900, 0));
    release();
    EXPECT_TRUE(logLines("User moved").empty());
}

// A hand that stays within three points of the window's frame on every edge and size changed
// nothing; one more point is a resize the column follows.
struct ToleranceCase {
    const char* name;
    double wider;   // points added to the width
    double taller;  // points added to the height of the lower window of a stack
    bool followed;
};

class DragTolerance : public Drags, public ::testing::WithParamInterface<ToleranceCase> {};

TEST_P(DragTolerance, ChangesOfMoreThanThreePointsAreFollowed) {
    open(2);
    run(Command::Kind::stackLeft);
    time.advance(1.0);
    const Rect from = windows[1].frame();
    const double fraction = focusedColumn().widthFraction;
    drag(windows[1], Rect(from.minX(), from.minY() - GetParam().taller,
                          from.width + GetParam().wider, from.height + GetParam().taller));
    release();
    EXPECT_EQ(logLines("User resized").size(), GetParam().followed ? 1u : 0u);
    EXPECT_EQ(focusedColumn().widthFraction != fraction,
              GetParam().followed && GetParam().wider > 0);
    EXPECT_EQ(placed(id(1)) != from, GetParam().followed);
}

INSTANTIATE_TEST_SUITE_P(Points, DragTolerance,
                         ::testing::Values(ToleranceCase{"ThreeWider", 3, 0, false},
                                           ToleranceCase{"FourWider", 4, 0, true},
                                           ToleranceCase{"TenWider", 10, 0, true},
                                           ToleranceCase{"ThreeTaller", 0, 3, false},
                                           ToleranceCase{"EightTaller", 0, 8, true}),
                         [](const ::testing::TestParamInfo<ToleranceCase>& row) {
                             return row.param.name;
                         });

}  // namespace
}  // namespace brindlow::test
