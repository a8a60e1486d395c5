#include "overlays/IndicatorController.h"

#include <gtest/gtest.h>

#include "overlays/IndicatorGeometry.h"
#include "platform/ManualUiScheduler.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

struct FrameCase {
    const char* name;
    Rect visible;
    std::size_t columns;
    IndicatorPosition position;
    Rect frame;
};

class IndicatorFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(IndicatorFrameTest, FortySixPerColumnPlus110CappedCentredTenInsideTheEdge) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(indicatorFrame(c.visible, c.columns, c.position), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndicatorFrameTest,
    ::testing::Values(FrameCase{"OneColumn", Rect(0, 0, 1440, 900), 1, IndicatorPosition::top,
                                Rect(642, 10, 156, 58)},
                      FrameCase{"Twenty", Rect(0, 0, 1440, 900), 20, IndicatorPosition::top,
                                Rect(205, 10, 1030, 58)},
                      FrameCase{"FortyCapped", Rect(0, 0, 1440, 900), 40, IndicatorPosition::top,
                                Rect(20, 10, 1400, 58)},
                      FrameCase{"BottomAboveADock", Rect(0, 25, 1440, 795), 3,
                                IndicatorPosition::bottom, Rect(596, 752, 248, 58)},
                      FrameCase{"NarrowerThanTheMargins", Rect(100, 0, 30, 900), 2,
                                IndicatorPosition::top, Rect(115, 10, 0, 58)}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct DragCase {
    int from;
    double translation;
    std::size_t columns;
    int target;
};

class IndicatorDragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(IndicatorDragTest, SlotsRoundedHalfAwayFromZeroAndClamped) {
    const DragCase& c = GetParam();
    EXPECT_EQ(indicatorReorderTarget(c.from, c.translation, c.columns), c.target);
}

INSTANTIATE_TEST_SUITE_P(Cases, IndicatorDragTest,
                         ::testing::Values(DragCase{3, 23, 7, 4}, DragCase{3, -23, 7, 2},
                                           DragCase{3, 22, 7, 3}, DragCase{0, -200, 7, 0},
                                           DragCase{6, 900, 7, 6}));

TEST(IndicatorGestureTest, SixPointsOfEuclideanTravelMakeADrag) {
    EXPECT_FALSE(indicatorIsDrag(5, 0));
    EXPECT_FALSE(indicatorIsDrag(3, 5));
    EXPECT_TRUE(indicatorIsDrag(0, -6));
    EXPECT_TRUE(indicatorIsDrag(4.3, 4.3));
}

class FakeIndicatorView final : public IndicatorPresentation {
  public:
    void setDisplay(const DisplaySnapshot& display) override { shown.push_back(display); }
    void setHandlers(Handlers h) override { handlers = std::move(h); }
    QWidget* widget() override { return nullptr; }
    std::vector<DisplaySnapshot> shown;
    Handlers handlers;
};

class IndicatorControllerTest : public ::testing::Test {
  protected:
    static DisplaySnapshot display(std::string id, std::size_t columns) {
        DisplaySnapshot d;
        d.id = std::move(id);
        d.visible = Rect(0, 0, 1440, 900);
        for (std::size_t i = 0; i < columns; ++i) {
            ColumnSnapshot column;
            WindowSnapshot window;
            window.id = WindowID(i + 1);
            column.windows = {window};
            d.columns.push_back(column);
        }
        return d;
    }
    void refresh(std::vector<DisplaySnapshot> displays, SnapshotReason reason,
                 bool paused = false) {
        controller.update(StripSnapshot{std::move(displays), paused, std::move(reason)}, settings);
    }
    void focusOn(const std::vector<DisplaySnapshot>& displays, const std::string& id,
                 bool paused = false) {
        refresh(displays, SnapshotReason::focus(id), paused);
    }
    FakeSurface* panel(const std::string& id = "A") {
        return const_cast<FakeSurface*>(static_cast<const FakeSurface*>(controller.panel(id)));
    }

    FakeSurfaceFactory factory;
    ManualUiScheduler clock{1000.0, 1.0 / 64};
    Animator animator{clock};
    std::vector<std::shared_ptr<FakeIndicatorView>> views;
    std::vector<WindowID> jumps;
    std::vector<std::tuple<std::string, int, int>> reorders;
    AppSettings settings;
    IndicatorController controller{
        factory,
        clock,
        animator,
        [this] {
            views.push_back(std::make_shared<FakeIndicatorView>());
            return views.back();
        },
        {[this](WindowID w) { jumps.push_back(w); },
         [this](const std::string& d, int from, int to) { reorders.emplace_back(d, from, to); }}};
};

TEST_F(IndicatorControllerTest, ShowsOnTheFocusedDisplayAndHidesOnePointFourAfterTheLastShow) {
    const auto displays = std::vector{display("A", 3), display("B", 2)};
    focusOn(displays, "A");
    FakeSurface* p = panel();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(controller.panel("B"), nullptr);
    EXPECT_EQ(p->options.tier, SurfaceTier::status);
    EXPECT_FALSE(p->options.clickThrough);
    EXPECT_EQ(p->frame(), Rect(596, 832, 248, 58));
    EXPECT_EQ(p->alpha(), 1.0);
    clock.advance(1.0);
    focusOn(displays, "A");
    clock.advance(1.39);
    EXPECT_EQ(p->alpha(), 1.0);
    clock.advance(0.01);  // 1.4 s after the second show: the fade starts
    clock.advance(0.2);
    EXPECT_GT(p->alpha(), 0.0);
    EXPECT_LT(p->alpha(), 1.0);
    clock.advance(0.15);
    EXPECT_FALSE(p->isVisible());
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(IndicatorControllerTest, QuietPausedOffUnknownOrEmptyShowNothingButRefreshAPillOnScreen) {
    focusOn({display("A", 3)}, "A");
    const std::size_t refreshes = views[0]->shown.size();
    refresh({display("A", 4)}, SnapshotReason::quiet());
    EXPECT_EQ(views[0]->shown.size(), refreshes + 1);
    EXPECT_EQ(views[0]->shown.back().columns.size(), 4u);
    EXPECT_EQ(panel()->frame(), Rect(573, 832, 294, 58));
    // Its last window gone, the pill fades out at once instead of showing nothing.
    refresh({display("A", 0)}, SnapshotReason::quiet());
    clock.advance(0.4);
    EXPECT_FALSE(panel()->isVisible());
    focusOn({display("B", 2)}, "B", /*paused=*/true);
    settings.showIndicator = false;
    focusOn({display("B", 2)}, "B");
    settings.showIndicator = true;
    focusOn({display("B", 2)}, "C");
    focusOn({display("B", 0)}, "B");
    EXPECT_EQ(views.size(), 1u);
    // A structure change shows the active display.
    auto b = display("B", 2);
    b.isActive = true;
    refresh({display("A", 3), b}, SnapshotReason::structure());
    EXPECT_NE(controller.panel("B"), nullptr);
}

TEST_F(IndicatorControllerTest, HoverKeepsThePillAndLeavingArmsAFreshHide) {
    focusOn({display("A", 3)}, "A");
    views[0]->handlers.hoverChanged(true);
    clock.advance(5.0);
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->alpha(), 1.0);
    views[0]->handlers.hoverChanged(false);
    clock.advance(1.4 + 0.35);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(IndicatorControllerTest, AShowDuringTheFadeWinsAndOrderingOutClearsTheHover) {
    focusOn({display("A", 3)}, "A");
    clock.advance(1.5);
    focusOn({display("A", 3)}, "A");
    EXPECT_EQ(panel()->alpha(), 1.0);
    clock.advance(0.5);  // past the old fade's end
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->alpha(), 1.0);

    // Hidden while the pointer rests on it: the hover is forgotten with the pill.
    views[0]->handlers.hoverChanged(true);
    controller.hideAll();
    clock.advance(0.4);
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_FALSE(controller.hovering("A"));
    focusOn({display("A", 3)}, "A");
    clock.advance(1.4 + 0.35);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(IndicatorControllerTest, ClicksAndDragsReachTheStripControllerWithTheDisplay) {
    focusOn({display("A", 3)}, "A");
    views[0]->handlers.jump(2);
    views[0]->handlers.reorder(1, 1);
    EXPECT_EQ(jumps, std::vector<WindowID>{2});
    ASSERT_EQ(reorders.size(), 1u);
    EXPECT_EQ(reorders[0], std::make_tuple(std::string("A"), 1, 1));
}

TEST(IndicatorClickTest, TheActiveWindowWhenInRangeElseTheFirst) {
    ColumnSnapshot column;
    EXPECT_EQ(indicatorClickTarget(column), std::nullopt);
    for (WindowID id : {5, 6, 7}) {
        WindowSnapshot w;
        w.id = id;
        w.app = "Term";
        w.title = id == 5 ? "<b>x</b>" : "";
        column.windows.push_back(w);
    }
    column.activeIndex = 2;
    EXPECT_EQ(indicatorClickTarget(column), 7u);
    column.activeIndex = 3;
    EXPECT_EQ(indicatorClickTarget(column), 5u);
    EXPECT_EQ(indicatorTooltip(column), "Term \u2014 <b>x</b>\nTerm \u2014 \nTerm \u2014 ");
}

}  // namespace
}  // namespace brindlow::test
