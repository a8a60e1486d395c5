#include "overlays/ToastController.h"

#include <gtest/gtest.h>

#include "overlays/OverlayGeometry.h"
#include "platform/ManualUiScheduler.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

class FakeToastView final : public ToastPresentation {
  public:
    void setMessage(const ToastMessage& message) override { shown.push_back(message); }
    Size fittingSize() override { return {380, shown.back().detail.empty() ? 60.0 : 80.0}; }
    QWidget* widget() override { return nullptr; }
    std::vector<ToastMessage> shown;
};

TEST(ToastGeometryTest, CentredWithXRoundedHalvesAwayAndTheLowerEdge72AboveTheBottom) {
    EXPECT_EQ(toastFrame(Rect(0, 0, 1440.5, 900), {380, 80}), Rect(530, 748, 380, 80));
    EXPECT_EQ(toastFrame(Rect(0, 25, 1441, 875), {380, 80}), Rect(531, 748, 380, 80));
}

struct BarCase {
    const char* name;
    double width, needed, available;
    SizeBarParts parts;
};

class SizeBarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(SizeBarTest, GreyShareLessOneThenATwoPointGapThenOrange) {
    const BarCase& c = GetParam();
    EXPECT_EQ(sizeBarParts(c.width, c.needed, c.available), c.parts);
}

INSTANTIATE_TEST_SUITE_P(Cases, SizeBarTest,
                         ::testing::Values(BarCase{"Half", 300, 2000, 1000, {149, 149}},
                                           BarCase{"AlmostAll", 300, 1000, 999, {298.7, 0}},
                                           BarCase{"NothingNeeded", 300, 0, -5, {299, 0}},
                                           BarCase{"NothingAvailable", 300, 1000, 0, {0, 298}}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

class ToastControllerTest : public ::testing::Test {
  protected:
    DisplaySnapshot display() const {
        DisplaySnapshot d;
        d.visible = Rect(0, 0, 1440, 900);
        return d;
    }
    FakeSurface* panel() {
        return const_cast<FakeSurface*>(static_cast<const FakeSurface*>(controller.panel()));
    }
    void show(std::string title, std::optional<DisplaySnapshot> on) {
        controller.show({title, "detail", std::nullopt, std::nullopt}, on ? &*on : nullptr);
    }

    FakeSurfaceFactory factory;
    ManualUiScheduler clock{1000.0, 1.0 / 64};
    Animator animator{clock};
    std::shared_ptr<FakeToastView> view = std::make_shared<FakeToastView>();
    std::optional<Rect> mainScreen = Rect(0, 0, 1920, 1080);
    ToastController controller{factory, clock, animator, view, [this] { return mainScreen; }};
};

TEST_F(ToastControllerTest, SlidesUpWhileFadingInHoldsFourSecondsThenSinksAndOrdersOut) {
    show("Tabs need a stack", display());
    FakeSurface* p = panel();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->options.tier, SurfaceTier::status);
    EXPECT_TRUE(p->options.clickThrough);
    // The panel casts a shadow where a compositor can draw one.
    EXPECT_TRUE(p->options.shadow);
    EXPECT_EQ(p->frame(), Rect(530, 758, 380, 80));  // 10 below its place
    EXPECT_EQ(p->alpha(), 0.0);
    EXPECT_EQ(p->order, FakeSurface::Order::front);
    clock.advance(0.25);
    EXPECT_EQ(p->frame(), Rect(530, 748, 380, 80));
    EXPECT_EQ(p->alpha(), 1.0);
    clock.advance(3.74);
    EXPECT_EQ(p->alpha(), 1.0);
    clock.advance(0.16);  // 4.0 s after the show, plus half the fade-out
    EXPECT_LT(p->alpha(), 1.0);
    EXPECT_GT(p->frame().y, 748);
    clock.advance(0.15);
    EXPECT_EQ(p->frame(), Rect(530, 754, 380, 80));
    EXPECT_FALSE(p->isVisible());
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(ToastControllerTest, ASecondMessageWhileShownReplacesItInPlaceAndRestartsTheWait) {
    show("one", display());
    clock.advance(1.0);
    show("two", display());
    EXPECT_EQ(view->shown.back().title, "two");
    EXPECT_EQ(panel()->frame(), Rect(530, 748, 380, 80));
    EXPECT_EQ(panel()->alpha(), 1.0);
    EXPECT_EQ(factory.made.size(), 1u);
    clock.advance(3.9);
    EXPECT_EQ(panel()->alpha(), 1.0);  // the first message's hide was cancelled
    clock.advance(0.5);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(ToastControllerTest, AMessageDuringTheFadeOutFadesBackInAndIsNotOrderedOutByTheOldFade) {
    show("one", display());
    clock.advance(4.1);
    ASSERT_LT(panel()->alpha(), 0.99);
    show("two", display());
    EXPECT_EQ(panel()->alpha(), 0.0);  // the fade-in path, from 10 points below
    EXPECT_EQ(panel()->frame(), Rect(530, 758, 380, 80));
    clock.advance(0.5);  // past the end of the old fade-out
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->alpha(), 1.0);
    EXPECT_EQ(panel()->frame(), Rect(530, 748, 380, 80));
}

// A message that arrives at any moment of the fade-out, its very first instant included (when
// the alpha still reads 1.0), is shown at full opacity for its whole hold.
class ToastDuringFadeOutTest : public ToastControllerTest,
                               public ::testing::WithParamInterface<double> {};

TEST_P(ToastDuringFadeOutTest, IsShownAtFullOpacityForItsWholeHold) {
    show("one", display());
    clock.advance(4.0 + GetParam());  // the hide runs at 4.0 s; the fade lasts 0.3 s
    ASSERT_TRUE(panel()->isVisible());
    show("two", display());
    clock.advance(0.25);
    EXPECT_EQ(panel()->alpha(), 1.0);
    EXPECT_EQ(panel()->frame(), Rect(530, 748, 380, 80));
    for (int i = 0; i < 37; ++i) {  // 0.25 … 3.95 s after the second message
        clock.advance(0.1);
        ASSERT_TRUE(panel()->isVisible()) << i;
        ASSERT_EQ(panel()->alpha(), 1.0) << i;
    }
    clock.advance(0.4);
    EXPECT_FALSE(panel()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Moments, ToastDuringFadeOutTest,
                         ::testing::Values(0.0, 1.0 / 64, 2.0 / 64, 0.15, 0.29));

// A message that finds the toast on screen replaces it in place only above alpha 0.99; at 0.99 or
// less (as while it fades) the new one fades in from 10 points below.
struct AlphaRow {
    double alpha;
    bool inPlace;
};
void PrintTo(const AlphaRow& row, std::ostream* out) {
    *out << "alpha " << row.alpha << (row.inPlace ? ", in place" : ", fades in");
}
class ToastFoundAtAlpha : public ToastControllerTest,
                          public ::testing::WithParamInterface<AlphaRow> {};

TEST_P(ToastFoundAtAlpha, ReplacesInPlaceOnlyAboveNinetyNineHundredths) {
    show("one", display());
    clock.advance(1.0);
    panel()->setAlpha(GetParam().alpha);
    show("two", display());
    if (GetParam().inPlace) {
        EXPECT_EQ(panel()->alpha(), GetParam().alpha);
        EXPECT_EQ(panel()->frame(), Rect(530, 748, 380, 80));
    } else {
        EXPECT_EQ(panel()->alpha(), 0.0);
        EXPECT_EQ(panel()->frame(), Rect(530, 758, 380, 80));
    }
    clock.advance(0.25);
    EXPECT_EQ(panel()->frame(), Rect(530, 748, 380, 80));
}

INSTANTIATE_TEST_SUITE_P(Alphas, ToastFoundAtAlpha,
                         ::testing::Values(AlphaRow{1.0, true}, AlphaRow{0.995, true},
                                           AlphaRow{0.99, false}, AlphaRow{0.5, false}),
                         [](const auto& row) {
                             return "Alpha" + std::to_string(int(row.param.alpha * 1000));
                         });

TEST_F(ToastControllerTest, WithoutADisplayTheMainScreenElseTheEmptyRectangle) {
    show("one", std::nullopt);
    clock.advance(0.3);
    EXPECT_EQ(panel()->frame(), Rect(770, 928, 380, 80));
    mainScreen.reset();
    clock.advance(5.0);
    show("two", std::nullopt);
    clock.advance(0.3);
    EXPECT_EQ(panel()->frame(), Rect(-190, -152, 380, 80));
}

}  // namespace
}  // namespace brindlow::test
