#include <gtest/gtest.h>

#include "support/sim/SimFixture.h"
#include "windows/AppObserver.h"
#include "windows/AppRef.h"

namespace brindlow {
namespace {

using Event = AppObserver::Event;

struct AppObserverTest : ::testing::Test, test::SimFixture {
    SimApp app = desktop.launchApp({.name = "Editor"});
    std::vector<std::pair<Event, WindowID>> events;

    std::shared_ptr<AppObserver> makeObserver() {
        AXElementRef element = desktop.applicationElement(app.pid());
        element->setMessagingTimeout(1.0);
        return AppObserver::create(
            app.pid(), element,
            [this](Event event, const AXElementRef& e) {
                events.emplace_back(event, e->identity());
            },
            platform);
    }
};

TEST_F(AppObserverTest, DeliversWindowEventsOnTheMainExecutor) {
    auto observer = makeObserver();
    ASSERT_TRUE(observer->start());
    const SimWindow w = desktop.openWindow(app, {.title = "a"});
    EXPECT_TRUE(events.empty());  // nothing until the main executor runs
    time.runUntilIdle();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair(Event::windowCreated, w.id()));

    // Window notifications need the window to be watched.
    w.setTitle("b");
    time.runUntilIdle();
    EXPECT_EQ(events.size(), 1u);
    observer->watch(w.element());
    events.clear();
    w.setTitle("c");
    w.setFrame({5, 5, 700, 500});  // moved with the button up: dropped
    w.minimize();
    w.minimize(false);
    w.focus();
    desktop.postEvent(w, "AXSomethingElse");
    time.runUntilIdle();
    EXPECT_EQ(events,
              (std::vector<std::pair<Event, WindowID>>{{Event::titleChanged, w.id()},
                                                       {Event::resized, w.id()},
                                                       {Event::minimized, w.id()},
                                                       {Event::restored, w.id()},
                                                       {Event::focusedWindowChanged, w.id()}}));
    events.clear();
    desktop.setLeftMouseButtonDown(true);
    w.setFrame({50, 5, 700, 500});
    w.close();
    time.runUntilIdle();
    EXPECT_EQ(events, (std::vector<std::pair<Event, WindowID>>{{Event::moved, w.id()},
                                                               {Event::windowDestroyed, w.id()}}));
}

TEST_F(AppObserverTest, AnApplicationThatIsNotReadyIsRetriedLater) {
    app.refuseRegistrations(1, axerror::cannotComplete);
    auto observer = makeObserver();
    EXPECT_FALSE(observer->start());
    EXPECT_FALSE(observer->isObserving());
    EXPECT_EQ(entriesOf("AppObserver"),
              (Entries{{LogLevel::debug, "Observe pid " + std::to_string(app.pid()) +
                                             " not ready: AXError -25204"}}));
    // The already-registered answer counts as success.
    app.refuseRegistrations(1, axerror::notificationAlreadyRegistered);
    EXPECT_TRUE(observer->start());
    EXPECT_EQ(desktop.liveObserverCount(app.pid()), 1u);
    EXPECT_TRUE(observer->start());  // once installed, not again
    EXPECT_EQ(desktop.liveObserverCount(app.pid()), 1u);
}

TEST_F(AppObserverTest, WatchingBeforeAStartRegistersNothing) {
    auto observer = makeObserver();
    const SimWindow w = desktop.openWindow(app, {});
    observer->watch(w.element());
    ASSERT_TRUE(observer->start());
    w.setTitle("x");
    time.runUntilIdle();
    EXPECT_TRUE(events.empty());
}

TEST_F(AppObserverTest, AStoppedObserverDeliversNothingAndIsRemovedOnTheMainExecutor) {
    auto observer = makeObserver();
    ASSERT_TRUE(observer->start());
    const SimWindow w = desktop.openWindow(app, {});
    observer->watch(w.element());
    w.setTitle("queued before the stop");
    observer->stop();
    EXPECT_FALSE(observer->isObserving());
    EXPECT_EQ(desktop.liveObserverCount(app.pid()), 1u);  // the removal has not run yet
    observer->stop();                                     // a second stop does nothing
    time.runUntilIdle();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(desktop.liveObserverCount(app.pid()), 0u);
}

TEST_F(AppObserverTest, AnApplicationThatQuitsTearsItsObserverDownSafely) {
    auto observer = makeObserver();
    ASSERT_TRUE(observer->start());
    const SimWindow w = desktop.openWindow(app, {});
    observer->watch(w.element());
    w.setTitle("pending");  // a callback on its way to the main executor
    app.quit();
    // The controller stops and drops its observer before the main executor
    // runs: neither the queued callback nor the removal may touch freed memory.
    observer->stop();
    observer.reset();
    time.runUntilIdle();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(desktop.liveObserverCount(app.pid()), 0u);
    // Nothing further is delivered for the quit application's windows.
    desktop.postEvent(w, "AXTitleChanged");
    time.runUntilIdle();
    EXPECT_TRUE(events.empty());
}

TEST_F(AppObserverTest, ListsTheApplicationsWindows) {
    const SimWindow first = desktop.openWindow(app, {});
    const SimWindow second = desktop.openWindow(app, {});
    auto windows = AppObserver::windows(app.element());
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 2u);
    EXPECT_EQ((*windows)[0]->identity(), first.id());
    EXPECT_EQ((*windows)[1]->identity(), second.id());
    app.setWindowsReadable(false);
    EXPECT_FALSE(AppObserver::windows(app.element()));
}

TEST(AppRefs, OnlyRegularApplicationsOtherThanThisOneWithTrimmedNames) {
    test::SimFixture sim;
    sim.desktop.launchApp({.name = "  Editor\n", .bundleID = "org.example.editor"});
    sim.desktop.launchApp({.name = "Agent", .policy = ActivationPolicy::accessory});
    sim.desktop.launchApp({.name = "Ourselves", .pid = SimDesktop::kOwnPID});
    sim.desktop.launchApp({.name = " \t\u00A0"});
    sim.desktop.launchApp({.name = std::nullopt});
    sim.desktop.launchApp({.name = "\u2003Caf\u00E9 \u3000"});
    const auto apps = AppRef::runningApps(sim.desktop);
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0].name, "Editor");
    EXPECT_EQ(apps[0].bundleID, "org.example.editor");
    EXPECT_EQ(apps[1].name, "Unknown");
    EXPECT_EQ(apps[2].name, "Unknown");
    EXPECT_EQ(apps[2].bundleID, std::nullopt);
    EXPECT_EQ(apps[3].name, "Caf\u00E9");
    EXPECT_EQ(AppRef::trimmedName("\x01 a b \x7f"), "a b");
    // Invisible format characters count as control characters at either end.
    EXPECT_EQ(AppRef::trimmedName("\u200B\u200E Mail \u00AD\u2060\uFEFF"), "Mail");
}

}  // namespace
}  // namespace brindlow
