#include <gtest/gtest.h>

#include "support/sim/SimFixture.h"
#include "windows/AX.h"

namespace brindlow {
namespace {

struct SimDesktopTest : ::testing::Test, test::SimFixture {
    SimApp app = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    SimWindow window = desktop.openWindow(app, {.title = "a", .frame = {0, 0, 800, 600}});
};

TEST_F(SimDesktopTest, SlowApplicationsSpendVirtualTimeAndTimeOut) {
    app.setLatency(0.3);
    const AXElementRef element = window.element();
    const double start = time.now();
    EXPECT_EQ(element->setAttributeValue("AXPosition", Point{10, 0}), axerror::success);
    EXPECT_NEAR(time.now() - start, 0.3, 1e-9);
    EXPECT_EQ(window.frame().x, 10);

    element->setMessagingTimeout(0.2);
    EXPECT_EQ(element->setAttributeValue("AXPosition", Point{20, 0}), axerror::cannotComplete);
    EXPECT_NEAR(time.now() - start, 0.5, 1e-9);
    EXPECT_EQ(window.frame().x, 10);
    // Another element of the same window keeps the default time-out.
    EXPECT_EQ(window.element()->setAttributeValue("AXPosition", Point{20, 0}), axerror::success);
    // A window's own latency overrides its application's.
    window.setLatency(0);
    EXPECT_EQ(element->setAttributeValue("AXPosition", Point{30, 0}), axerror::success);
    EXPECT_NEAR(time.now() - start, 0.8, 1e-9);
}

TEST_F(SimDesktopTest, SizesFollowTheWindowsLimitsAndRefusals) {
    const AXElementRef element = window.element();
    window.setMinimumSize({400, 300}).setMaximumSize({1000, 700});
    element->setAttributeValue("AXSize", Size{100, 2000});
    EXPECT_EQ(window.frame(), Rect(0, 0, 400, 700));
    window.refuseSizes();
    EXPECT_EQ(element->setAttributeValue("AXSize", Size{500, 500}), axerror::success);
    EXPECT_EQ(window.frame().size(), (Size{400, 700}));
    window.setSizeSettable(false);
    EXPECT_EQ(element->setAttributeValue("AXSize", Size{500, 500}), axerror::attributeUnsupported);
    EXPECT_EQ(element->setAttributeValue("AXSize", Point{500, 500}), axerror::illegalArgument);
    window.ignoreMoves();
    EXPECT_EQ(element->setAttributeValue("AXPosition", Point{50, 50}), axerror::success);
    EXPECT_EQ(window.frame().origin(), (Point{0, 0}));
}

TEST_F(SimDesktopTest, FullScreenFillsTheDisplayUnderTheWindowAndComesBack) {
    desktop.addDisplay({.frame = {0, 0, 1920, 1080}});
    desktop.addDisplay({.frame = {1920, 0, 2560, 1440}});
    window.setFrame({2000, 100, 800, 600});
    EXPECT_EQ(window.element()->setAttributeValue("AXFullScreen", true), axerror::success);
    EXPECT_EQ(window.frame(), Rect(1920, 0, 2560, 1440));
    EXPECT_EQ(AX::boolAttribute(window.element(), "AXFullScreen"), true);
    // Moves are ignored while in full screen.
    window.element()->setAttributeValue("AXPosition", Point{0, 0});
    EXPECT_EQ(window.frame().x, 1920);
    window.setFullScreen(false);
    EXPECT_EQ(window.frame(), Rect(2000, 100, 800, 600));
}

TEST_F(SimDesktopTest, AQuitApplicationsElementsAnswerNothingAndItsWindowsLeaveTheList) {
    const SimApp other = desktop.launchApp({.name = "Other"});
    const SimWindow keeper = desktop.openWindow(other, {});
    const AXElementRef element = window.element();
    ASSERT_EQ(desktop.onScreenWindows().size(), 2u);
    app.activate();
    ASSERT_EQ(desktop.frontmostApplication()->pid, app.pid());
    app.quit();
    AXValue value;
    EXPECT_EQ(element->copyAttributeValue("AXTitle", value), axerror::invalidElement);
    EXPECT_EQ(element->setAttributeValue("AXPosition", Point{1, 1}), axerror::invalidElement);
    EXPECT_EQ(app.element()->copyAttributeValue("AXWindows", value), axerror::cannotComplete);
    ASSERT_EQ(desktop.onScreenWindows().size(), 1u);
    EXPECT_EQ(desktop.onScreenWindows()[0].number, keeper.number());
    EXPECT_FALSE(desktop.frontmostApplication());
    EXPECT_EQ(desktop.runningApplications().size(), 1u);
    EXPECT_FALSE(desktop.parentProcessID(app.pid()));
}

TEST_F(SimDesktopTest, TheWindowListIsFrontToBackAndSkipsMinimizedWindows) {
    const SimWindow second = desktop.openWindow(app, {.frame = {10, 10, 300, 200}});
    auto list = desktop.onScreenWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, second.number());
    EXPECT_EQ(list[0].bounds, Rect(10, 10, 300, 200));
    EXPECT_EQ(list[0].ownerName, "Editor");
    EXPECT_EQ(window.element()->performAction("AXRaise"), axerror::success);
    EXPECT_EQ(desktop.onScreenWindows()[0].number, window.number());
    window.minimize();
    list = desktop.onScreenWindows();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].number, second.number());
    EXPECT_NE(window.number(), WindowID(window.id()));
}

TEST_F(SimDesktopTest, WorkspaceNotificationsArriveOnTheMainExecutor) {
    std::vector<std::string> seen;
    const auto token =
        desktop.addObserver(WorkspaceEvent::didActivate, [&](const RunningApplication& a) {
            seen.push_back("activate " + a.localizedName.value_or(""));
        });
    desktop.addObserver(WorkspaceEvent::didLaunch, [&](const RunningApplication& a) {
        seen.push_back("launch " + a.localizedName.value_or(""));
    });
    desktop.installApp({.name = "Mail", .bundleID = "org.example.mail"});
    ASSERT_EQ(desktop.urlForApplication("org.example.mail"), "sim-app://org.example.mail");
    EXPECT_FALSE(desktop.urlForApplication("org.example.none"));
    EXPECT_TRUE(desktop.openApplication("sim-app://org.example.mail"));
    app.element()->setAttributeValue("AXFrontmost", true);
    EXPECT_TRUE(seen.empty());
    time.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"launch Mail", "activate Editor"}));
    desktop.removeObserver(token);
    app.activate();
    time.runUntilIdle();
    EXPECT_EQ(seen.size(), 2u);
    desktop.setProcess(4000, app.pid(), "zsh");
    EXPECT_EQ(desktop.parentProcessID(4000), app.pid());
    EXPECT_EQ(desktop.processName(4000), "zsh");
}

}  // namespace
}  // namespace brindlow
