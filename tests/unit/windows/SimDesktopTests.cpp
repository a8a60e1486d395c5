#include <gtest/gtest.h>

#include "support/sim/SimFixture.h"
#include "windows/AX.h"

namespace brindlow {
namespace {

// Only what no other test walks: latency and time-outs, full screen and the window list are
// relied on (with literal numbers) by the window-mover, async-mover and window-number tests.

struct SimDesktopTest : ::testing::Test, test::SimFixture {
    SimApp app = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    SimWindow window = desktop.openWindow(app, {.title = "a", .frame = {0, 0, 800, 600}});
};

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
