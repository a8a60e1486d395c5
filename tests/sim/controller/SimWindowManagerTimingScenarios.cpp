// The sim's window manager that answers our requests late: each kind after its own latency, the
// user's actions after every request sent before them, no event where the focus does not move,
// and the focus under a resting pointer beside a window manager whose focus follows it.
#include <gtest/gtest.h>

#include "platform/sim/SimDesktop.h"
#include "support/QuietLog.h"

namespace brindlow::test {
namespace {

class SimWindowManagerTiming : public QuietLogTest {
  protected:
    VirtualTime time;
    SimDesktop desktop{time};
    SimApp app;
    SimWindow a, b;
    std::vector<std::string> heard;
    std::shared_ptr<AXObserver> observer;

    void SetUp() override {
        QuietLogTest::SetUp();
        desktop.addDisplay({.frame = {0, 0, 1920, 1080}});
        app = desktop.launchApp({.name = "Editor", .activate = true});
        a = desktop.openWindow(app, {.title = "a", .frame = {0, 0, 900, 1080}});
        b = desktop.openWindow(app, {.title = "b", .frame = {1000, 0, 900, 1080}});
        a.focus();
        desktop.createObserver(
            app.pid(),
            [this](const AXElementRef& element, const std::string& name) {
                heard.push_back(name + " " + std::to_string(element->identity()));
            },
            observer);
        observer->addNotification(app.element(), ax::focusedWindowChangedNotification);
        for (const SimWindow& window : {a, b})
            for (const auto notification :
                 {ax::windowMiniaturizedNotification, ax::windowDeminiaturizedNotification})
                observer->addNotification(window.element(), notification);
        observer->scheduleOnMain();
        time.runUntilIdle();
    }

    void timing(std::map<SimRequestKind, double> latency) {
        desktop.setWindowManagerTiming({.latency = std::move(latency)});
    }
    std::string focusOf(const SimWindow& window) {
        return std::string(ax::focusedWindowChangedNotification) + " " +
               std::to_string(window.id());
    }
};

TEST_F(SimWindowManagerTiming, AnActivationIsAnsweredAfterItsLatency) {
    timing({{SimRequestKind::activate, 0.3}});
    EXPECT_EQ(b.element()->setAttributeValue(ax::main, true), axerror::success);
    time.advance(0.29);
    EXPECT_EQ(desktop.activeWindow(), a.id());
    EXPECT_EQ(desktop.unansweredRequests(), 1u);
    time.advance(0.02);
    EXPECT_EQ(desktop.activeWindow(), b.id());
    EXPECT_EQ(heard, std::vector<std::string>{focusOf(b)});
}

TEST_F(SimWindowManagerTiming, AnswersOfFasterKindsOvertakeSlowerOnes) {
    timing({{SimRequestKind::activate, 0.4}, {SimRequestKind::iconify, 0.1}});
    b.element()->setAttributeValue(ax::main, true);
    a.element()->setAttributeValue(ax::minimized, true);
    time.advance(0.5);
    EXPECT_EQ(heard, (std::vector<std::string>{std::string(ax::windowMiniaturizedNotification) +
                                                   " " + std::to_string(a.id()),
                                               focusOf(b)}));
}

TEST_F(SimWindowManagerTiming, TheUserActsAfterEveryRequestSentBefore) {
    timing({{SimRequestKind::activate, 0.4}});
    b.element()->setAttributeValue(ax::main, true);
    time.advance(0.1);
    b.minimize();
    EXPECT_TRUE(b.isMinimized());
    time.advance(1);
    EXPECT_TRUE(b.isMinimized());
}

TEST_F(SimWindowManagerTiming, AnActivationSentAfterAMinimiseMapsTheWindowBack) {
    timing({{SimRequestKind::activate, 0.2}});
    b.minimize();
    b.element()->setAttributeValue(ax::main, true);
    time.advance(0.3);
    EXPECT_FALSE(b.isMinimized());
    EXPECT_EQ(desktop.activeWindow(), b.id());
}

TEST_F(SimWindowManagerTiming, NoFocusEventWhereTheFocusDoesNotMove) {
    timing({{SimRequestKind::activate, 0.2}});
    a.element()->setAttributeValue(ax::main, true);
    time.advance(0.3);
    EXPECT_TRUE(heard.empty());
}

TEST_F(SimWindowManagerTiming, AWindowOurMoveSlidUnderARestingPointerTakesTheFocus) {
    desktop.setWindowManagerTraits(*WindowManagerTraits::forName("jwm"));
    timing({{SimRequestKind::activate, 0.1}, {SimRequestKind::moveResize, 0.05}});
    desktop.setPointerLocation(Point{950, 500});  // in the gap between a and b
    b.element()->setAttributeValue(ax::position, Point{800, 0});
    EXPECT_EQ(b.frame().origin(), Point(800, 0)) << "moved at once";
    time.advance(0.1);
    EXPECT_EQ(desktop.activeWindow(), a.id()) << "not yet: the window manager sees it late";
    time.advance(0.1);
    EXPECT_EQ(desktop.activeWindow(), b.id());
    EXPECT_EQ(heard, std::vector<std::string>{focusOf(b)});
}

TEST_F(SimWindowManagerTiming, BesideAClickToFocusWindowManagerThePointerTakesNothing) {
    desktop.setWindowManagerTraits(*WindowManagerTraits::forName("openbox"));
    timing({{SimRequestKind::activate, 0.1}});
    desktop.setPointerLocation(Point{950, 500});
    b.element()->setAttributeValue(ax::position, Point{800, 0});
    time.advance(1);
    EXPECT_EQ(desktop.activeWindow(), a.id());
    EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace brindlow::test
