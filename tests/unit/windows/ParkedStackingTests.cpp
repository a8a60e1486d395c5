#include <gtest/gtest.h>

#include <algorithm>

#include "support/sim/SimFixture.h"
#include "windows/ParkedStacking.h"

namespace brindlow {
namespace {

// A visible window at the left of the display and a parked one, standing where `parkedAt` says,
// in the stacking order `parkedInFront` says; whether the visible one is put above it.
struct StackingCase {
    const char* name;
    double parkedAt;
    bool parkedInFront;
    bool restacked;
};

class ParkedStackingTest : public ::testing::Test, public test::SimFixture {
  protected:
    SimApp app = desktop.launchApp({.name = "Editor"});
    SimWindow visible = desktop.openWindow(app, {.title = "v", .frame = {12, 12, 1136, 1000}});
    SimWindow parked = desktop.openWindow(app, {.title = "p", .frame = {3830, 12, 1136, 1000}});
    std::map<WindowID, ManagedWindow> windows;
    std::set<WindowID> lowered;

    void SetUp() override {
        manage(visible);
        manage(parked);
    }

    void manage(const SimWindow& w) {
        windows[w.id()] = ManagedWindow{w.id(),    w.pid(),     std::nullopt, "Editor",    "",
                                        w.frame(), w.element(), std::nullopt, std::nullopt};
    }
    // Another window of the editor's at `frame`, managed.
    SimWindow openManaged(const char* title, const Rect& frame) {
        SimWindow w = desktop.openWindow(app, {.title = title, .frame = frame});
        manage(w);
        return w;
    }
    // The parked window at 1100 and `other` parked at 1000: both reach over the visible window.
    std::vector<Placement> twoParkedOverTheVisible(const SimWindow& other) {
        std::vector<Placement> placements = layout(1100);
        placements.push_back({other.id(), Rect(1000, 12, 1136, 1000), true, true});
        return placements;
    }

    std::vector<Placement> layout(double parkedAt) {
        windows[parked.id()].frame = Rect(parkedAt, 12, 1136, 1000);
        return {{visible.id(), Rect(12, 12, 1136, 1000), false, true},
                {parked.id(), Rect(parkedAt, 12, 1136, 1000), true, true}};
    }

    int lowersOf(const SimWindow& window) const {
        int count = 0;
        for (const SimCall& call : desktop.calls())
            count += call.kind == SimCall::Kind::action && call.name == ax::lowerAction &&
                     call.window == window.id();
        return count;
    }
    // The writes a window stacked directly above another gets: that one, or none when it is not.
    static std::vector<std::string> stackedAboveIf(bool stacked) {
        return stacked ? std::vector<std::string>{"AXStackedAbove"} : std::vector<std::string>{};
    }
    std::vector<WindowID> order() const {
        std::vector<WindowID> ids;
        for (const WindowListEntry& entry : desktop.onScreenWindows())
            ids.push_back(entry.identity);
        return ids;
    }
};

class ParkedStacking : public ParkedStackingTest,
                       public ::testing::WithParamInterface<StackingCase> {};

TEST_P(ParkedStacking, AParkedWindowOverAVisibleOneItOverlapsGoesUnder) {
    const StackingCase& c = GetParam();
    if (!c.parkedInFront) visible.raise();
    const std::vector<WindowID> before = order();
    ASSERT_EQ(before.front(), c.parkedInFront ? parked.id() : visible.id());
    EXPECT_EQ(keepParkedWindowsUnder(layout(c.parkedAt), windows, before, lowered),
              c.restacked ? 1 : 0);
    EXPECT_EQ(lowersOf(parked), c.restacked ? 1 : 0);
    // Clear of the visible window, a parked one may stay in front.
    EXPECT_EQ(order().front(), c.parkedInFront && !c.restacked ? parked.id() : visible.id());
    EXPECT_TRUE(visible.writes().empty());
}

TEST_F(ParkedStackingTest, AVisibleWindowUnderSeveralParkedOnesGoesAboveTheFrontmost) {
    const SimWindow other = openManaged("q", {1000, 12, 1136, 1000});
    const std::vector<Placement> placements = twoParkedOverTheVisible(other);
    const WindowID frontmost = order().front();
    ASSERT_TRUE(frontmost == parked.id() || frontmost == other.id());
    std::vector<StackingAsk> asked;
    EXPECT_EQ(keepParkedWindowsUnder(placements, windows, order(), lowered, true, &asked), 1);
    EXPECT_EQ(visible.writes(), std::vector<std::string>{"AXStackedAbove"});
    EXPECT_EQ(order().front(), visible.id());
    EXPECT_EQ(lowersOf(parked) + lowersOf(other), 0);
    EXPECT_EQ(asked, (std::vector<StackingAsk>{{visible.id(), frontmost}}));
}

// Beside a window manager that leaves restack requests undone (xfwm4), the visible window cannot
// go above them: each parked window over it goes under instead.
TEST_F(ParkedStackingTest, BesideAWindowManagerThatLeavesRestacksUndoneEachParkedOneGoesUnder) {
    const SimWindow other = openManaged("q", {1000, 12, 1136, 1000});
    const std::vector<Placement> placements = twoParkedOverTheVisible(other);
    std::vector<StackingAsk> asked;
    EXPECT_EQ(keepParkedWindowsUnder(placements, windows, order(), lowered, false, &asked), 2);
    // What a lowering shows: the visible window in front of each.
    EXPECT_EQ(asked,
              (std::vector<StackingAsk>{{visible.id(), parked.id()}, {visible.id(), other.id()}}));
    EXPECT_TRUE(visible.writes().empty());
    EXPECT_EQ(lowersOf(parked), 1);
    EXPECT_EQ(lowersOf(other), 1);
    EXPECT_EQ(order().front(), visible.id());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParkedStacking,
    ::testing::Values(
        // A window manager kept a tenth of it on screen: it covers the visible window's edge.
        StackingCase{"overlappingInFront", 1100, true, true},
        StackingCase{"overlappingBehind", 1100, false, false},
        // Only the peek of 10 points on screen, clear of the visible window.
        StackingCase{"apartInFront", 3830, true, false}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// A parked window clear of the visible one, at `parkedAt`; whether it goes directly above it.
struct BesideCase {
    const char* name;
    double parkedAt;
    bool parkedInFront;
    bool raised;
};

class ParkedBeside : public ParkedStackingTest, public ::testing::WithParamInterface<BesideCase> {};

TEST_P(ParkedBeside, AParkedWindowNextToAVisibleOneStandsAboveItSoItsEdgeTakesClicks) {
    const BesideCase& c = GetParam();
    if (!c.parkedInFront) visible.raise();
    EXPECT_EQ(keepParkedWindowsUnder(layout(c.parkedAt), windows, order(), lowered),
              c.raised ? 1 : 0);
    EXPECT_EQ(parked.writes(), stackedAboveIf(c.raised));
    EXPECT_EQ(order().front(), c.parkedInFront || c.raised ? parked.id() : visible.id());
    EXPECT_EQ(lowersOf(parked), 0);
    EXPECT_TRUE(visible.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParkedBeside,
    ::testing::Values(
        // 10 points on screen, 2 points left of the visible window: within its border's reach.
        BesideCase{"nextToItBehind", -1126, false, true},
        BesideCase{"nextToItInFront", -1126, true, false},
        // 64 points off the screen, 76 from the visible window: out of reach.
        BesideCase{"farBehind", -1200, false, false}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// A parked client with its own decorations, 10 points on screen and 2 left of the visible window,
// drawing `margin` points beyond its frame: reaching over the visible window, it goes under it
// (its shadow would lie over the visible edge, black where no compositor draws), however the
// visible window was last raised.
struct MarginCase {
    const char* name;
    double margin;
    bool parkedInFront;
    bool lowered;
    bool raised;
};

class ParkedDrawingAMargin : public ParkedStackingTest,
                             public ::testing::WithParamInterface<MarginCase> {
  protected:
    void SetUp() override {
        parked = desktop.openWindow(
            app, {.title = "csd", .frame = {-1126, 12, 1136, 1000}, .margin = GetParam().margin});
        ParkedStackingTest::SetUp();
    }
};

TEST_P(ParkedDrawingAMargin, AParkedWindowWhoseMarginReachesOverTheVisibleOneStaysUnderIt) {
    const MarginCase& c = GetParam();
    if (!c.parkedInFront) visible.raise();
    EXPECT_EQ(keepParkedWindowsUnder(layout(-1126), windows, order(), lowered),
              c.lowered || c.raised ? 1 : 0);
    EXPECT_EQ(lowersOf(parked), c.lowered ? 1 : 0);
    EXPECT_EQ(parked.writes(), stackedAboveIf(c.raised));
    const std::vector<WindowID> now = order();
    EXPECT_EQ(std::find(now.begin(), now.end(), parked.id()) <
                  std::find(now.begin(), now.end(), visible.id()),
              c.raised);
    EXPECT_TRUE(visible.writes().empty());

    // Raised once more, the visible window keeps it behind as well.
    visible.raise();
    std::vector<StackingAsk> asked;
    EXPECT_EQ(
        keepParkedBesideRaised(layout(-1126), windows, visible.id(), {}, std::nullopt, &asked),
        c.raised ? 1 : 0);
    const std::vector<StackingAsk> lifted{{parked.id(), visible.id()}};
    EXPECT_EQ(asked, c.raised ? lifted : std::vector<StackingAsk>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParkedDrawingAMargin,
    ::testing::Values(MarginCase{"shadowBehind", 14, false, false, false},
                      MarginCase{"shadowInFront", 14, true, true, false},
                      // Ends a point short of the visible window: above it, as any parked one.
                      MarginCase{"thinBehind", 1, false, false, true}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The visible window has just been raised over the parked one at `parkedAt`, or another one to
// its right was; whether the parked one goes directly above the visible one again.
struct RaisedCase {
    const char* name;
    double parkedAt;
    bool neighbourRaised;
    bool lifted;
};

class ParkedBesideRaised : public ParkedStackingTest,
                           public ::testing::WithParamInterface<RaisedCase> {};

TEST_P(ParkedBesideRaised, TheParkedNeighbourOfARaisedWindowGoesBackAboveIt) {
    const RaisedCase& c = GetParam();
    const SimWindow other = openManaged("o", {1160, 12, 700, 1000});
    std::vector<Placement> placements = layout(c.parkedAt);
    placements.push_back({other.id(), Rect(1160, 12, 700, 1000), false, true});
    const SimWindow& raised = c.neighbourRaised ? visible : other;
    raised.raise();
    EXPECT_EQ(keepParkedBesideRaised(placements, windows, raised.id()), c.lifted ? 1 : 0);
    EXPECT_EQ(parked.writes(), stackedAboveIf(c.lifted));
    EXPECT_EQ(order().front(), c.lifted ? parked.id() : raised.id());
    EXPECT_TRUE(visible.writes().empty());
    EXPECT_TRUE(other.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParkedBesideRaised,
    ::testing::Values(
        // 10 points on screen, 2 points left of the raised window: within its border's reach.
        RaisedCase{"nextToTheRaisedOne", -1126, true, true},
        // Its neighbour stays where it was; another window went to the front.
        RaisedCase{"nextToAnotherOne", -1126, false, false},
        // 76 points from the raised window: out of reach.
        RaisedCase{"farFromTheRaisedOne", -1200, true, false}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The raised window's neighbour, 2 points left of it, was lifted once; the stacking order read
// after a later restack says where the two stand now. Whether the parked one goes up again.
struct RaisedAgainCase {
    const char* name;
    // Front to back, as names: "p" the parked window, "v" the raised one.
    std::vector<std::string> order;
    bool lifted;
};

class ParkedBesideRaisedAgain : public ParkedStackingTest,
                                public ::testing::WithParamInterface<RaisedAgainCase> {};

TEST_P(ParkedBesideRaisedAgain, OnlyAParkedWindowTheRaisedOneStandsInFrontOfGoesUpAgain) {
    const RaisedAgainCase& c = GetParam();
    std::vector<WindowID> frontToBack;
    for (const std::string& name : c.order)
        frontToBack.push_back(name == "p" ? parked.id() : visible.id());
    EXPECT_EQ(keepParkedBesideRaised(layout(-1126), windows, visible.id(), frontToBack),
              c.lifted ? 1 : 0);
    EXPECT_EQ(parked.writes(), stackedAboveIf(c.lifted));
    EXPECT_TRUE(visible.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParkedBesideRaisedAgain,
    ::testing::Values(
        // The window manager raised its active window once more, over the parked one.
        RaisedAgainCase{"raisedInFrontAgain", {"v", "p"}, true},
        // The lift held.
        RaisedAgainCase{"parkedStillInFront", {"p", "v"}, false},
        // A list that does not name the parked window tells nothing about it.
        RaisedAgainCase{"parkedNotListed", {"v"}, true}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The parked window's sliver ends 2 points left of the raised window; a pointer resting on the
// sliver keeps it behind (a window manager that focuses under the pointer would focus it), one
// resting on the raised window does not.
TEST_F(ParkedStackingTest, AParkedWindowUnderTheRestingPointerStaysBehindTheRaisedOne) {
    EXPECT_EQ(keepParkedBesideRaised(layout(-1126), windows, visible.id(), {}, Point{4, 500}), 0);
    EXPECT_TRUE(parked.writes().empty());
    EXPECT_EQ(keepParkedBesideRaised(layout(-1126), windows, visible.id(), {}, Point{600, 500}), 1);
    EXPECT_EQ(parked.writes(), std::vector<std::string>{"AXStackedAbove"});
}

TEST_F(ParkedStackingTest, WithoutAStackingOrderAWindowIsLoweredOnceEachTimeItIsParked) {
    EXPECT_EQ(keepParkedWindowsUnder(layout(3830), windows, {}, lowered), 1);
    EXPECT_EQ(keepParkedWindowsUnder(layout(3830), windows, {}, lowered), 0);
    // Shown, then parked again: lowered again.
    std::vector<Placement> shown = layout(1200);
    shown[1].isParked = false;
    EXPECT_EQ(keepParkedWindowsUnder(shown, windows, {}, lowered), 0);
    EXPECT_EQ(keepParkedWindowsUnder(layout(3830), windows, {}, lowered), 1);
    EXPECT_EQ(lowersOf(parked), 2);
    // A window that went away is forgotten.
    windows.erase(parked.id());
    keepParkedWindowsUnder({}, windows, {}, lowered);
    EXPECT_TRUE(lowered.empty());
}

}  // namespace
}  // namespace brindlow
