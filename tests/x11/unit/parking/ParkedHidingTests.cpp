#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/x11/parking/ParkedHiding.h"

namespace brindlow {
namespace {

const Rect kScreen{0, 0, 1920, 1080};

struct ClampCase {
    Rect target;
    Rect accepted;
    bool clamped;
};

class ClampedIntoView : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ClampedIntoView, OnlyAParkedTargetPulledFurtherOnScreenCounts) {
    const ClampCase& c = GetParam();
    EXPECT_EQ(ParkedHiding::wasClampedIntoView(c.target, c.accepted, kScreen), c.clamped);
}

INSTANTIATE_TEST_SUITE_P(ParkedHiding, ClampedIntoView,
                         ::testing::Values(
                             // Parked at 1910 (10 points on screen), put back at 983: clamped.
                             ClampCase{{1910, 32, 942, 1035}, {983, 32, 942, 1035}, true},
                             // Parked left at -930, held at 0.
                             ClampCase{{-930, 32, 942, 1035}, {0, 32, 942, 1035}, true},
                             // Parked where asked, or a few points off by rounding: not clamped.
                             ClampCase{{1910, 32, 942, 1035}, {1910, 32, 942, 1035}, false},
                             ClampCase{{1910, 32, 942, 1035}, {1905, 32, 942, 1035}, false},
                             // A visible target moved elsewhere is no parking at all.
                             ClampCase{{12, 32, 942, 1035}, {0, 32, 942, 1035}, false}));

TEST(ParkedHiding, AClampingWindowManagerIsLearnedAndTheHiddenWindowComesBackInView) {
    ParkedHiding parking;
    const Rect parked{1910, 32, 942, 1035};
    const Rect visible{966, 32, 942, 1035};
    // Until a clamp is seen, parked windows are moved as anywhere else.
    EXPECT_EQ(parking.plan(1, parked, kScreen), ParkedHiding::Step::move);
    EXPECT_FALSE(parking.windowManagerClamps());
    parking.hidden(1, parked);
    EXPECT_TRUE(parking.windowManagerClamps());
    EXPECT_EQ(parking.frameOf(1), parked);

    // Still parked further out: nothing to send, and it stands where it was sent.
    const Rect further{2900, 32, 942, 1035};
    EXPECT_EQ(parking.plan(1, further, kScreen), ParkedHiding::Step::stayHidden);
    EXPECT_EQ(parking.frameOf(1), further);

    // Another window parked now is hidden straight away, without a move into view first.
    EXPECT_EQ(parking.plan(2, parked, kScreen), ParkedHiding::Step::hide);
    EXPECT_TRUE(parking.isHidden(2));

    // Back in view: moved, then shown; still Brindlow's doing until the window manager shows
    // it, forgotten then.
    EXPECT_EQ(parking.plan(1, visible, kScreen), ParkedHiding::Step::moveThenShow);
    parking.shown(1);
    EXPECT_FALSE(parking.isHidden(1));
    EXPECT_TRUE(parking.isShowing(1));
    EXPECT_EQ(parking.frameOf(1), std::nullopt);
    EXPECT_EQ(parking.plan(1, visible, kScreen), ParkedHiding::Step::move);
    parking.showingEnded(1);
    EXPECT_FALSE(parking.isShowing(1));

    // Parked again while it is being shown: hidden again, and the showing on its way still
    // counts as Brindlow's doing, so the window manager's late answer to it (which may come
    // before the new iconify goes out) is no restoring by someone else.
    parking.shown(2);
    EXPECT_EQ(parking.plan(2, further, kScreen), ParkedHiding::Step::hide);
    EXPECT_TRUE(parking.isHidden(2));
    EXPECT_TRUE(parking.isShowing(2));
    // That answer ends the showing without undoing the new hiding.
    parking.showingEnded(2);
    EXPECT_TRUE(parking.isHidden(2));
    EXPECT_FALSE(parking.isShowing(2));
    // Minimised by the user: neither hidden nor on its way back.
    parking.forget(2);
    EXPECT_FALSE(parking.isHidden(2));
}

// The iconify is marked on its way together with the hiding, so that the window still reading
// as shown meanwhile is never taken for one the user restored.
TEST(ParkedHiding, AnIconifyIsOnItsWayFromTheHidingUntilTheWindowManagerShowsItIconic) {
    ParkedHiding parking;
    const Rect parked{1910, 32, 942, 1035};
    const Rect visible{966, 32, 942, 1035};
    // Judged clamped and hidden by a single move or a batch.
    parking.hiding(1, parked);
    EXPECT_TRUE(parking.isHidden(1));
    EXPECT_TRUE(parking.isIconifying(1));
    parking.iconic(1);
    EXPECT_FALSE(parking.isIconifying(1));
    EXPECT_TRUE(parking.isHidden(1));

    // Hidden straight away by a plan: on its way at once; shown again before it arrived.
    EXPECT_EQ(parking.plan(2, parked, kScreen), ParkedHiding::Step::hide);
    EXPECT_TRUE(parking.isIconifying(2));
    EXPECT_EQ(parking.plan(2, visible, kScreen), ParkedHiding::Step::moveThenShow);
    EXPECT_EQ(parking.shown(2), true);
    EXPECT_FALSE(parking.isIconifying(2));
    // Shown once it had arrived: nothing on its way.
    EXPECT_EQ(parking.shown(1), false);
    // No longer hidden (shown already, or minimised by the user since): nothing to show.
    EXPECT_EQ(parking.shown(1), std::nullopt);

    // Left iconic by an earlier run: nothing on its way.
    parking.hidden(3, parked);
    EXPECT_FALSE(parking.isIconifying(3));
    // Minimised by the user while on its way: forgotten with it.
    parking.hiding(4, parked);
    parking.forget(4);
    EXPECT_FALSE(parking.isIconifying(4));
}

// What the window manager showing a parked window means, decided in one step with the hiding: a
// hiding planned while a showing was answered holds until its iconify arrives.
TEST(ParkedHiding, TheWindowManagerShowingAWindowSettlesItsParkingInOneStep) {
    using Reading = ParkedHiding::Reading;
    ParkedHiding parking;
    const Rect parked{1910, 32, 942, 1035};
    const Rect visible{966, 32, 942, 1035};
    parking.hiding(1, parked);
    parking.iconic(1);

    // Shown on Brindlow's request, then hidden again before the answers to the showing came.
    EXPECT_EQ(parking.shown(1), false);
    EXPECT_EQ(parking.plan(1, parked, kScreen), ParkedHiding::Step::hide);
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::parked);
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::parked);
    EXPECT_TRUE(parking.isHidden(1));
    // The iconify arrives: the showing it overtook is over with it.
    EXPECT_EQ(parking.windowManagerShows(1, false), Reading::parked);
    EXPECT_FALSE(parking.isIconifying(1));
    EXPECT_FALSE(parking.isShowing(1));
    EXPECT_TRUE(parking.isHidden(1));

    // Shown on Brindlow's request and left so: settled, no longer parked.
    EXPECT_EQ(parking.plan(1, visible, kScreen), ParkedHiding::Step::moveThenShow);
    EXPECT_EQ(parking.shown(1), false);
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::shownBack);
    EXPECT_FALSE(parking.isShowing(1));
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::unknown);

    // Iconic for parking and shown by someone else: forgotten.
    parking.hidden(2, parked);
    EXPECT_EQ(parking.windowManagerShows(2, false), Reading::parked);
    EXPECT_EQ(parking.windowManagerShows(2, true), Reading::restoredByOthers);
    EXPECT_FALSE(parking.isHidden(2));
}

// Shown again while the iconify of its last hiding is still on its way (a scroll back, or the
// quit's put-back, right after a frame parked it): until that iconify arrives, the window reading
// as shown answers the showing before it. Taken for this showing's answer, it ended the showing
// before its map went out, and the window was left iconic and no longer parked: read as minimised
// by the user, it left the strip.
TEST(ParkedHiding, AShowingWhileTheIconifyIsOnItsWayIsAnsweredOnlyAfterIt) {
    using Reading = ParkedHiding::Reading;
    ParkedHiding parking;
    const Rect parked{-932, 12, 942, 1056};
    const Rect visible{232, 712, 484, 353};
    parking.hiding(1, parked);
    parking.iconic(1);
    // Shown (its map out), parked again before the answer, then shown once more at once.
    ASSERT_EQ(parking.shown(1), false);
    ASSERT_TRUE(parking.mapping(1));
    parking.mapSent(1);
    ASSERT_EQ(parking.plan(1, parked, kScreen), ParkedHiding::Step::hide);
    ASSERT_EQ(parking.plan(1, visible, kScreen), ParkedHiding::Step::moveThenShow);
    EXPECT_EQ(parking.shown(1), true);
    // The answer to the first showing, then the iconify's.
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::parked);
    EXPECT_TRUE(parking.isShowing(1));
    EXPECT_EQ(parking.windowManagerShows(1, false), Reading::parked);
    EXPECT_TRUE(parking.isShowing(1));
    // This showing's map goes out, and its answer ends it.
    EXPECT_TRUE(parking.mapping(1));
    EXPECT_FALSE(parking.mapSent(1));
    EXPECT_EQ(parking.windowManagerShows(1, true), Reading::shownBack);
    EXPECT_FALSE(parking.isShowing(1));

    // An iconify the window manager refused never reads iconic: once it has handled what came
    // before, the window reading as shown answers the showing.
    parking.hiding(2, parked);
    ASSERT_EQ(parking.shown(2), true);
    parking.iconifyHandled(2);
    ASSERT_TRUE(parking.mapping(2));
    parking.mapSent(2);
    EXPECT_EQ(parking.windowManagerShows(2, true), Reading::shownBack);

    // Parked again while the showing waited: no map goes out, and the window stays hidden.
    parking.hiding(3, parked);
    ASSERT_EQ(parking.shown(3), true);
    ASSERT_EQ(parking.plan(3, parked, kScreen), ParkedHiding::Step::hide);
    parking.iconifyHandled(3);
    EXPECT_FALSE(parking.mapping(3));
    EXPECT_TRUE(parking.isHidden(3));
    EXPECT_EQ(parking.windowManagerShows(3, false), Reading::parked);
    EXPECT_FALSE(parking.isShowing(3));
    EXPECT_TRUE(parking.isHidden(3));
}

// A user's minimise of a window Brindlow is mapping back: before the map goes out, nothing is
// mapped; while or after it goes out (until the window manager answers it), the minimise is to
// be asked again, since the window manager may show the window on the map that came second.
enum class Step { mapping, mapSent, shownNormal, hiddenAgain, iconic, minimised };
struct MinimiseCase {
    const char* name;
    std::vector<Step> steps;
    bool mapsIt;      // `mapping` lets the map go out
    bool askedAgain;  // `mapSent` or `forget` says the minimise is to be asked again
};

class MinimisedWhileShown : public ::testing::TestWithParam<MinimiseCase> {};

TEST_P(MinimisedWhileShown, IsAskedAgainOnlyWhereTheMapMayUndoIt) {
    ParkedHiding parking;
    const Rect parked{1910, 32, 942, 1035};
    parking.hiding(1, parked);
    parking.iconic(1);
    ASSERT_EQ(parking.shown(1), false);
    bool mapsIt = false, askedAgain = false;
    for (const Step step : GetParam().steps) {
        switch (step) {
            case Step::mapping:
                mapsIt = parking.mapping(1);
                break;
            case Step::mapSent:
                askedAgain = parking.mapSent(1) || askedAgain;
                break;
            case Step::shownNormal:
                parking.windowManagerShows(1, true);
                break;
            case Step::hiddenAgain:
                ASSERT_EQ(parking.plan(1, parked, kScreen), ParkedHiding::Step::hide);
                break;
            case Step::iconic:
                parking.windowManagerShows(1, false);
                break;
            case Step::minimised:
                askedAgain = parking.forget(1) || askedAgain;
                break;
        }
    }
    EXPECT_EQ(mapsIt, GetParam().mapsIt);
    EXPECT_EQ(askedAgain, GetParam().askedAgain);
    EXPECT_FALSE(parking.isShowing(1));
    EXPECT_FALSE(parking.isHidden(1));
}

INSTANTIATE_TEST_SUITE_P(
    ParkedHiding, MinimisedWhileShown,
    ::testing::Values(
        MinimiseCase{"BeforeTheMap", {Step::minimised, Step::mapping}, false, false},
        MinimiseCase{
            "WhileTheMapGoesOut", {Step::mapping, Step::minimised, Step::mapSent}, true, true},
        MinimiseCase{"AfterTheMapBeforeTheAnswer",
                     {Step::mapping, Step::mapSent, Step::minimised},
                     true,
                     true},
        MinimiseCase{"AfterTheWindowManagerShowedIt",
                     {Step::mapping, Step::mapSent, Step::shownNormal, Step::minimised},
                     true,
                     false},
        MinimiseCase{"HiddenAgainAfterTheMap",
                     {Step::mapping, Step::mapSent, Step::hiddenAgain, Step::minimised},
                     true,
                     true},
        MinimiseCase{
            "HiddenAgainAndIconic",
            {Step::mapping, Step::mapSent, Step::hiddenAgain, Step::iconic, Step::minimised},
            true,
            false}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace brindlow
