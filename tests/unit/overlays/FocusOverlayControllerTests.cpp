#include "overlays/FocusOverlayController.h"

#include <gtest/gtest.h>

#include "overlays/OverlayContents.h"
#include "overlays/OverlayGeometry.h"
#include "platform/ManualUiScheduler.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

using Order = FakeSurface::Order;

constexpr Rect kScreen{0, 0, 1920, 1080};
constexpr Rect kWindowA{100, 100, 800, 600};
constexpr Rect kWindowB{920, 100, 800, 600};

class FocusOverlayTest : public ::testing::Test {
  protected:
    FocusOverlayTest() {
        settings.focusBorder = true;
        settings.dimInactive = true;
    }

    static FocusFrame frame(std::optional<std::uint32_t> number, std::optional<Rect> window,
                            bool moving = false, std::string display = "D1") {
        return {std::move(display), kScreen, window, number, moving};
    }
    void update(std::vector<FocusFrame> frames) { controller.update(frames, settings); }

    static FakeSurface* fake(const Surface* surface) {
        return const_cast<FakeSurface*>(static_cast<const FakeSurface*>(surface));
    }
    FakeSurface* border(const std::string& display = "D1") {
        return fake(controller.border(display));
    }
    FakeSurface* dim(const std::string& display = "D1") { return fake(controller.dim(display)); }

    FakeSurfaceFactory factory;
    ManualUiScheduler clock{1000.0, 1.0 / 64};
    Animator animator{clock};
    FocusOverlayController controller{factory, clock, animator};
    AppSettings settings;
};

TEST_F(FocusOverlayTest, FirstShowingFadesTheBorderInAroundTheWindowAndTheDimBelowIt) {
    update({frame(7, kWindowA)});
    FakeSurface* b = border();
    ASSERT_NE(b, nullptr);
    // Width 3 around 800 × 600: 806 × 606, the stroke centred 1.5 inside, radius 11.5.
    EXPECT_EQ(b->frame(), Rect(97, 97, 806, 606));
    EXPECT_EQ(borderStroke({806, 606}, 3), (BorderStroke{Rect(1.5, 1.5, 803, 603), 11.5, 3}));
    EXPECT_EQ(b->order, Order::above);
    EXPECT_EQ(b->relativeTo, 7u);
    EXPECT_EQ(b->tier(), SurfaceTier::normal);
    EXPECT_TRUE(b->options.clickThrough);
    EXPECT_EQ(b->alpha(), 0.0);
    FakeSurface* d = dim();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->frame(), kScreen);
    EXPECT_EQ(d->order, Order::below);
    EXPECT_EQ(d->relativeTo, 7u);
    EXPECT_EQ(d->background, (Color{0, 0, 0, 0.25}));

    clock.advance(0.1);
    EXPECT_GT(b->alpha(), 0.2);
    EXPECT_LT(b->alpha(), 0.8);
    clock.advance(0.11);
    EXPECT_EQ(b->alpha(), 1.0);
    EXPECT_LT(d->alpha(), 1.0);  // the dim's fade is 0.22 s
    clock.advance(0.02);
    EXPECT_EQ(d->alpha(), 1.0);
}

TEST_F(FocusOverlayTest, OrderIsReassertedAtTenthsOneThreeAndSevenWhileTheWindowStaysTheTarget) {
    settings.dimInactive = false;  // the dim schedules the same re-assertions once more
    update({frame(7, kWindowA)});
    FakeSurface* b = border();
    const int first = b->orders;
    clock.advance(0.1);
    EXPECT_EQ(b->orders, first + 1);
    clock.advance(0.2);
    EXPECT_EQ(b->orders, first + 2);
    // The focus moves on before the last re-assertion of window 7: it no longer acts.
    update({frame(8, kWindowB)});
    const int moved = b->orders;
    clock.advance(0.4);  // 0.7 s after the first showing, 0.4 s after the move
    EXPECT_EQ(b->relativeTo, 8u);
    EXPECT_EQ(b->orders, moved + 2);  // window 8's own re-assertions at 0.1 and 0.3
    clock.advance(1.0);
    EXPECT_EQ(b->orders, moved + 3);
    EXPECT_EQ(clock.pendingCount(), 0u);  // idle: nothing left to fire
}

TEST_F(FocusOverlayTest, FocusMovingToAnotherWindowSlidesTheBorderAndCrossFadesTheDims) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    FakeSurface* b = border();
    FakeSurface* firstDim = dim();

    update({frame(8, kWindowB)});
    clock.advance(0.09);
    EXPECT_GT(b->frame().x, 97);
    EXPECT_LT(b->frame().x, 917);
    EXPECT_EQ(b->alpha(), 1.0);
    FakeSurface* secondDim = dim();
    ASSERT_NE(secondDim, firstDim);
    EXPECT_EQ(controller.spareDim("D1"), firstDim);
    EXPECT_EQ(secondDim->relativeTo, 8u);
    EXPECT_GT(firstDim->alpha(), 0.0);
    EXPECT_LT(secondDim->alpha(), 1.0);
    clock.advance(0.14);
    EXPECT_EQ(b->frame(), Rect(917, 97, 806, 606));
    EXPECT_FALSE(firstDim->isVisible());
    EXPECT_EQ(secondDim->alpha(), 1.0);

    // Back to window 7: the spare dim is reused, no third window is made.
    update({frame(7, kWindowA)});
    EXPECT_EQ(dim(), firstDim);
    EXPECT_EQ(factory.made.size(), 3u);
}

TEST_F(FocusOverlayTest, TheSameTargetOnlyRepeatsTheOrderAndWritesOnlyWhatChanged) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    FakeSurface* b = border();
    FakeSurface* d = dim();
    const int frameSets = b->frameSets, orders = b->orders, backgrounds = d->backgroundSets;
    const std::size_t pending = clock.pendingCount();

    update({frame(7, kWindowA)});
    EXPECT_EQ(b->frameSets, frameSets);
    EXPECT_EQ(b->orders, orders + 1);
    EXPECT_EQ(d->backgroundSets, backgrounds);
    EXPECT_EQ(clock.pendingCount(), pending);  // no re-assertion scheduled

    // The same window, resized: the border follows at once.
    update({frame(7, Rect(100, 100, 700, 600))});
    EXPECT_EQ(b->frame(), Rect(97, 97, 706, 606));
    EXPECT_EQ(clock.pendingCount(), pending);
}

TEST_F(FocusOverlayTest, WithoutAWindowNumberTheBorderFloatsInFrontAndTheDimHides) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    update({frame(std::nullopt, kWindowA)});
    EXPECT_EQ(border()->tier(), SurfaceTier::floating);
    EXPECT_EQ(border()->order, Order::front);
    EXPECT_FALSE(controller.dimWanted("D1"));
    clock.advance(0.23);
    EXPECT_FALSE(dim()->isVisible());
    EXPECT_TRUE(border()->isVisible());
}

TEST_F(FocusOverlayTest, MovingFadesTheBorderQuicklyAndLeavesTheDimInPlace) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    const int dimOrders = dim()->orders;
    update({frame(7, kWindowA, /*moving=*/true)});
    EXPECT_EQ(dim()->orders, dimOrders);
    clock.advance(0.13);
    EXPECT_FALSE(border()->isVisible());
    EXPECT_TRUE(dim()->isVisible());
    EXPECT_EQ(dim()->alpha(), 1.0);
}

// Cut out of the dim, the focused window shows even where the window manager puts the dim back
// on top of it; the cut follows the window while it moves and goes with the focus.
TEST_F(FocusOverlayTest, TheDimLetsTheFocusedWindowShowThroughWhereverItGoes) {
    update({frame(7, kWindowA)});
    EXPECT_EQ(dim()->hole, kWindowA);
    update({frame(7, Rect(60, 100, 800, 600), /*moving=*/true)});
    EXPECT_EQ(dim()->hole, Rect(60, 100, 800, 600));
    clock.advance(1.0);
    update({frame(8, kWindowB)});
    EXPECT_EQ(dim()->hole, kWindowB);
}

// Our own windows (the settings window here) are cut out of the dim as well, whichever window has
// the focus; one on another display is not the dim's business.
TEST_F(FocusOverlayTest, OurOwnWindowsAreNeverDimmed) {
    const Rect settingsWindow(400, 200, 720, 560);
    const Rect onTheNextDisplay(2200, 100, 500, 400);
    std::vector<Rect> own{settingsWindow, onTheNextDisplay};
    controller.setOwnWindows([&own] { return own; });
    update({frame(7, kWindowA)});
    EXPECT_EQ(dim()->hole, kWindowA);
    EXPECT_EQ(dim()->moreHoles, std::vector<Rect>{settingsWindow});
    clock.advance(1.0);
    update({frame(8, kWindowB)});
    EXPECT_EQ(dim()->moreHoles, std::vector<Rect>{settingsWindow});
    // Closed: the dim covers its place again at the next update.
    own.clear();
    update({frame(8, kWindowB)});
    EXPECT_TRUE(dim()->moreHoles.empty());
}

TEST_F(FocusOverlayTest, SwitchedOffTheBorderFadesOverTwoTenthsAndTheDimOverTwentyTwoHundredths) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    settings.focusBorder = false;
    settings.dimInactive = false;
    update({frame(7, kWindowA)});
    clock.advance(0.19);
    EXPECT_TRUE(border()->isVisible());
    EXPECT_GT(border()->alpha(), 0.0);
    clock.advance(0.02);
    EXPECT_FALSE(border()->isVisible());
    EXPECT_TRUE(dim()->isVisible());
    clock.advance(0.02);
    EXPECT_FALSE(dim()->isVisible());
    EXPECT_EQ(factory.made.size(), 2u);
}

TEST_F(FocusOverlayTest, WithAnimationsOffEverythingHappensAtOnceAndFadesStillOrderOut) {
    settings.animationsEnabled = false;
    update({frame(7, kWindowA)});
    EXPECT_EQ(border()->alpha(), 1.0);
    update({frame(8, kWindowB)});
    EXPECT_EQ(border()->frame(), Rect(917, 97, 806, 606));
    EXPECT_FALSE(controller.spareDim("D1")->isVisible());
    update({});
    EXPECT_FALSE(border()->isVisible());
    EXPECT_FALSE(dim()->isVisible());
}

TEST_F(FocusOverlayTest, ShowingDuringTheFadeOutKeepsTheBorderAndCatchesUpFromWhereItIs) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    update({});
    clock.advance(0.1);
    const double halfway = border()->alpha();
    EXPECT_LT(halfway, 1.0);
    update({frame(8, kWindowB)});
    EXPECT_TRUE(controller.borderWanted("D1"));
    clock.advance(0.07);
    EXPECT_GT(border()->frame().x, 97);  // moving over 0.15 s, not jumped
    EXPECT_LT(border()->frame().x, 917);
    clock.advance(0.5);  // past the end of the old fade-out
    EXPECT_TRUE(border()->isVisible());
    EXPECT_EQ(border()->alpha(), 1.0);
    EXPECT_EQ(border()->frame(), Rect(917, 97, 806, 606));
}

TEST_F(FocusOverlayTest, FrameSetWhileASlideRunsIsNotOverwrittenByTheSlide) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    update({frame(8, kWindowB)});
    clock.advance(0.05);
    // The same target resizes during its slide: the frame is set at once and stays.
    update({frame(8, Rect(920, 100, 500, 600))});
    clock.advance(0.3);
    EXPECT_EQ(border()->frame(), Rect(917, 97, 506, 606));
}

TEST_F(FocusOverlayTest, ADisplayThatGoesAndComesBackReusesItsWindows) {
    update({frame(7, kWindowA), frame(9, kWindowA.offsetBy(1920, 0), false, "D2")});
    clock.advance(1.0);
    EXPECT_EQ(factory.made.size(), 4u);
    FakeSurface* secondBorder = border("D2");
    update({frame(7, kWindowA)});
    clock.advance(0.3);
    EXPECT_FALSE(secondBorder->isVisible());
    EXPECT_FALSE(dim("D2")->isVisible());
    update({frame(7, kWindowA), frame(9, kWindowA.offsetBy(1920, 0), false, "D2")});
    EXPECT_EQ(border("D2"), secondBorder);
    EXPECT_TRUE(secondBorder->isVisible());
    EXPECT_EQ(factory.made.size(), 5u);  // the display's second dim, for cross-fades
}

TEST_F(FocusOverlayTest, WithoutACompositorTheBorderStillShowsButNothingDims) {
    factory.setCompositing(false);
    update({frame(7, kWindowA)});
    EXPECT_TRUE(border()->isVisible());
    EXPECT_EQ(dim(), nullptr);
    EXPECT_EQ(factory.made.size(), 1u);
}

TEST_F(FocusOverlayTest, DimmingFollowsACompositorThatStartsAndStopsWithoutAFocusChange) {
    factory.setCompositing(false);
    update({frame(7, kWindowA)});
    ASSERT_EQ(dim(), nullptr);

    factory.changeCompositing(true);
    FakeSurface* d = dim();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->order, Order::below);
    EXPECT_EQ(d->relativeTo, 7u);
    clock.advance(0.25);
    EXPECT_EQ(d->alpha(), 1.0);
    EXPECT_TRUE(border()->isVisible());

    factory.changeCompositing(false);
    clock.advance(0.25);
    EXPECT_FALSE(dim()->isVisible());
    EXPECT_FALSE(controller.dimWanted("D1"));
    EXPECT_TRUE(border()->isVisible());
}

TEST_F(FocusOverlayTest, ACompositorStartingAfterTheControllerWentTellsNobody) {
    auto gone = std::make_unique<FocusOverlayController>(factory, clock, animator);
    const std::size_t watching = factory.compositingObserverCount();
    gone.reset();
    EXPECT_EQ(factory.compositingObserverCount(), watching - 1);
    factory.changeCompositing(false);
}

struct SettingCase {
    const char* name;
    double width;
    std::string color;
    double dimAmount;
    Rect borderFrame;
    Color borderColor;
    double dimAlpha;
};

class FocusOverlaySettingTest : public FocusOverlayTest,
                                public ::testing::WithParamInterface<SettingCase> {};

TEST_P(FocusOverlaySettingTest, WidthColourAndDimAmountAreBoundedWhereTheyAreUsed) {
    const SettingCase& c = GetParam();
    settings.focusBorderWidth = c.width;
    settings.focusBorderColor = c.color;
    settings.dimAmount = c.dimAmount;
    update({frame(7, kWindowA)});
    EXPECT_EQ(border()->frame(), c.borderFrame);
    const auto* content = static_cast<const BorderContent*>(border()->content.get());
    EXPECT_EQ(content->color(), c.borderColor);
    EXPECT_EQ(dim()->background, (Color{0, 0, 0, c.dimAlpha}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusOverlaySettingTest,
    ::testing::Values(SettingCase{"Red", 5, "#FF0000", 0.4, Rect(95, 95, 810, 610),
                                  Color{1, 0, 0, 1}, 0.4},
                      SettingCase{"MalformedColourIsBlue", 3, "red", 1.7, Rect(97, 97, 806, 606),
                                  kBorderFallbackColor, 1.0},
                      SettingCase{"NegativeWidthIsZero", -4, "#4C8DFF", -0.3, kWindowA,
                                  kBorderFallbackColor, 0.0}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(FocusOverlayTest, ADesktopChangeHidesEverythingUntilTheNextFrames) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    factory.changeDesktop();
    clock.advance(0.3);
    EXPECT_FALSE(border()->isVisible());
    EXPECT_FALSE(dim()->isVisible());
    update({frame(7, kWindowA)});
    EXPECT_TRUE(border()->isVisible());
    EXPECT_TRUE(dim()->isVisible());
}

TEST_F(FocusOverlayTest, NewSettingsRedrawTheLastFramesAtOnce) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    settings.focusBorderWidth = 10;
    settings.focusBorderColor = "#00FF00";
    settings.dimAmount = 0.6;
    controller.settingsChanged(settings);
    // No focus change, no fade: the wider ring stands around the same window straight away.
    EXPECT_EQ(border()->frame(), Rect(90, 90, 820, 620));
    EXPECT_EQ(border()->alpha(), 1.0);
    EXPECT_EQ(border()->relativeTo, 7u);
    EXPECT_EQ(controller.borderContent("D1")->width(), 10);
    EXPECT_EQ(controller.borderContent("D1")->color(), (Color{0, 1, 0, 1}));
    EXPECT_EQ(dim()->background, (Color{0, 0, 0, 0.6}));

    settings.focusBorder = false;
    controller.settingsChanged(settings);
    clock.advance(0.3);
    EXPECT_FALSE(border()->isVisible());
    EXPECT_TRUE(dim()->isVisible());
}

TEST_F(FocusOverlayTest, AfterADesktopChangeNewSettingsShowNothingUntilTheNextFrames) {
    update({frame(7, kWindowA)});
    clock.advance(1.0);
    factory.changeDesktop();
    clock.advance(0.3);
    settings.focusBorderWidth = 6;
    controller.settingsChanged(settings);
    clock.advance(0.3);
    EXPECT_FALSE(border()->isVisible());
    EXPECT_FALSE(dim()->isVisible());
}

TEST_F(FocusOverlayTest, ReassertionsAfterTheControllerIsGoneDoNothing) {
    auto other = std::make_unique<FocusOverlayController>(factory, clock, animator);
    other->update({frame(7, kWindowA)}, settings);
    other.reset();
    EXPECT_EQ(factory.observerCount(), 1u);
    clock.advance(1.0);  // must not touch the destroyed surfaces
    EXPECT_EQ(clock.pendingCount(), 0u);
}

}  // namespace
}  // namespace brindlow::test
