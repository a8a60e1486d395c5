#include <gtest/gtest.h>

#include "support/sim/SimFixture.h"
#include "windows/AppIcons.h"
#include "windows/WindowNumbers.h"

namespace brindlow {
namespace {

struct WindowNumberTest : ::testing::Test, test::SimFixture {
    SimApp app = desktop.launchApp({.name = "Editor"});
};

TEST_F(WindowNumberTest, MatchesTheFrontmostWindowWithinFourPoints) {
    const Rect frame{100, 100, 800, 600};
    const SimWindow back = desktop.openWindow(app, {.frame = frame});
    const SimWindow front = desktop.openWindow(app, {.frame = frame});
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), front.number());
    back.raise();
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), back.number());

    front.setServerBounds(Rect(103.9, 96.1, 803.9, 596.1));
    back.minimize();  // not on screen
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), front.number());
    front.setServerBounds(Rect(100, 100, 804, 600));
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), std::nullopt);
}

TEST_F(WindowNumberTest, IgnoresOtherLayersAndOtherProcesses) {
    const Rect frame{0, 0, 400, 300};
    const SimWindow panel = desktop.openWindow(app, {.frame = frame});
    panel.setLayer(3);
    const SimApp other = desktop.launchApp({.name = "Other"});
    desktop.openWindow(other, {.frame = frame});
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), std::nullopt);
    panel.setLayer(0);
    EXPECT_EQ(windowNumber(desktop, app.pid(), frame), panel.number());
}

TEST(AppIcons, CachesTheIconOrTheFallbackPerProcess) {
    test::SimFixture sim;
    AppIconCache icons(sim.desktop);
    Image picture;
    picture.width = picture.height = 1;
    picture.argb = {0xFF00FF00};
    const SimApp app = sim.desktop.launchApp({.name = "Editor", .icon = picture});
    EXPECT_EQ(icons.icon(app.pid()), picture);

    // Asked before the application exists: the fallback stays cached.
    const Image early = icons.icon(777);
    EXPECT_EQ(early.symbolName, "macwindow");
    sim.desktop.launchApp({.name = "Late", .pid = 777, .icon = picture});
    EXPECT_EQ(icons.icon(777), early);

    sim.desktop.setSymbolImagesAvailable(false);
    EXPECT_TRUE(icons.icon(778).isEmpty());
}

// A thousand short-lived applications leave nothing behind, and a process id that comes back
// with another application shows that application's icon.
TEST(AppIcons, ForgetsAnApplicationThatTerminates) {
    test::SimFixture sim;
    AppIconCache icons(sim.desktop);
    Image green, blue;
    green.width = green.height = blue.width = blue.height = 1;
    green.argb = {0xFF00FF00};
    blue.argb = {0xFF0000FF};
    for (int i = 0; i < 1000; ++i) {
        const SimApp app = sim.desktop.launchApp({.name = "Short", .pid = 5000, .icon = green});
        EXPECT_EQ(icons.icon(5000), green);
        app.quit();
        sim.time.runUntilIdle();  // the terminate notification
    }
    EXPECT_EQ(icons.size(), 0u);
    sim.desktop.launchApp({.name = "Other", .pid = 5000, .icon = blue});
    EXPECT_EQ(icons.icon(5000), blue);
}

}  // namespace
}  // namespace brindlow
