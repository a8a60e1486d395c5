// Observers, applications, the window list and the screens against openbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/x11/connection/X11Properties.h"
#include "windows/DisplayInfo.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

struct Received {
    std::vector<std::pair<std::uint32_t, std::string>> events;
    bool has(std::uint32_t window, std::string_view name) const { return count(window, name) > 0; }
    long count(std::uint32_t window, std::string_view name) const {
        return std::count(events.begin(), events.end(),
                          std::pair<std::uint32_t, std::string>(window, std::string(name)));
    }
};

class DesktopServices : public X11Fixture {
  protected:
    // An observer of the client's application that records every event it hears in `received_`,
    // listening for `names` on `window`; none when it cannot be set up.
    std::shared_ptr<AXObserver> recordingObserver(const TestClientProcess& client,
                                                  const AXElementRef& window,
                                                  std::initializer_list<std::string_view> names) {
        std::shared_ptr<AXObserver> observer;
        const AXError created = platform_.accessibility->createObserver(
            client.pid(),
            [this](const AXElementRef& element, const std::string& name) {
                received_.events.emplace_back(element->identity(), name);
            },
            observer);
        EXPECT_EQ(created, axerror::success);
        if (created != axerror::success) return nullptr;
        for (const std::string_view name : names) {
            const AXError added = observer->addNotification(window, name);
            EXPECT_EQ(added, axerror::success) << name;
            if (added != axerror::success) return nullptr;
        }
        return observer;
    }

    // Reserves `cardinals` (_NET_WM_STRUT_PARTIAL, or the whole edges of _NET_WM_STRUT when
    // there are four) for the client's window.
    static bool reserve(xcb_window_t window, const char* cardinals) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%x", window);
        const bool wholeEdges = std::count(cardinals, cardinals + std::strlen(cardinals), ',') == 3;
        const char* property = wholeEdges ? "_NET_WM_STRUT" : "_NET_WM_STRUT_PARTIAL";
        return runProcess({"xprop", "-id", id, "-f", property, "32c", "-set", property, cardinals})
                   .status == 0;
    }

    // Two monitors side by side, 960 wide each, until the end of the block.
    struct TwoMonitors {
        TwoMonitors() {
            // The first takes Xvfb's one output (named "screen"), which retires the server's own
            // monitor for it.
            made = runProcess(
                       {"xrandr", "--setmonitor", "BRINDLOW-1", "960/240x1080/270+0+0", "screen"})
                           .status == 0 &&
                   runProcess(
                       {"xrandr", "--setmonitor", "BRINDLOW-2", "960/240x1080/270+960+0", "none"})
                           .status == 0;
        }
        // The server keeps client-defined monitors after the client leaves.
        ~TwoMonitors() {
            for (const char* name : {"BRINDLOW-1", "BRINDLOW-2"})
                runProcess({"xrandr", "--delmonitor", name});
        }
        bool made = false;
    };

    // Takes the strut of a panel back while the panel still lives, at the end of its block:
    // icewm keeps the space a strut reserved out of its work area once the panel is gone (it
    // follows only changes of the property), so the tests after it would find the display
    // shortened. fvwm, the other way round, follows no change of a strut to zeros and gives the
    // space back only when the panel goes: the panel is withdrawn after. Waits until every screen
    // is whole again.
    struct StrutTakenBack {
        DesktopServices& fixture;
        xcb_window_t window;
        ~StrutTakenBack() {
            // Zeros rather than a removal: metacity follows a change of the property but not its
            // deletion.
            EXPECT_TRUE(reserve(window, "0,0,0,0,0,0,0,0,0,0,0,0"));
            EXPECT_TRUE(reserve(window, "0,0,0,0"));
            xcb_unmap_window(fixture.connection().xcb(), window);
            fixture.connection().flush();
            EXPECT_TRUE(fixture.settle([&] {
                const auto screens = fixture.platform_.screens->screens();
                return std::all_of(screens.begin(), screens.end(), [](const ScreenInfo& screen) {
                    return screen.visibleFrame == screen.frame;
                });
            }));
        }
    };

    Received received_;
};

TEST_F(DesktopServices, ObserverDeliversWindowEventsOnTheMainExecutor) {
    TestClientProcess client({"--title", "watched", "--size", "300x200"});
    auto window = windowElement(client);
    ASSERT_TRUE(window);
    const std::shared_ptr<AXObserver> observer =
        recordingObserver(client, window,
                          {ax::elementDestroyedNotification, ax::windowMiniaturizedNotification,
                           ax::windowDeminiaturizedNotification, ax::windowResizedNotification,
                           ax::windowMovedNotification, ax::titleChangedNotification});
    ASSERT_TRUE(observer);
    auto app = platform_.accessibility->applicationElement(client.pid());
    ASSERT_EQ(observer->addNotification(app, ax::windowCreatedNotification), axerror::success);
    EXPECT_EQ(observer->addNotification(app, ax::windowCreatedNotification),
              axerror::notificationAlreadyRegistered);
    ASSERT_EQ(observer->addNotification(app, ax::focusedWindowChangedNotification),
              axerror::success);
    observer->scheduleOnMain();
    const auto id = window->identity();

    ASSERT_TRUE(client.command("title renamed"));
    EXPECT_TRUE(main_.runUntil([&] { return received_.has(id, ax::titleChangedNotification); }));
    window->setAttributeValue(ax::position, Point{200, 150});
    EXPECT_TRUE(main_.runUntil([&] { return received_.has(id, ax::windowMovedNotification); }));
    window->setAttributeValue(ax::size, Size{500, 400});
    EXPECT_TRUE(main_.runUntil([&] { return received_.has(id, ax::windowResizedNotification); }));
    window->setAttributeValue(ax::minimized, AXValue(true));
    EXPECT_TRUE(
        main_.runUntil([&] { return received_.has(id, ax::windowMiniaturizedNotification); }));
    window->performAction(ax::raiseAction);
    EXPECT_TRUE(
        main_.runUntil([&] { return received_.has(id, ax::windowDeminiaturizedNotification); }));

    // A second process that says it belongs to the same application.
    TestClientProcess sibling({"--title", "sibling", "--pid", std::to_string(client.pid())});
    ASSERT_TRUE(sibling.ready());
    EXPECT_TRUE(main_.runUntil(
        [&] { return received_.has(sibling.window(), ax::windowCreatedNotification); }));
    auto second = windowElement(client, sibling.window());
    ASSERT_TRUE(second);
    second->performAction(ax::raiseAction);
    EXPECT_TRUE(main_.runUntil(
        [&] { return received_.has(sibling.window(), ax::focusedWindowChangedNotification); }));

    client.command("quit");  // it leaves without answering
    EXPECT_TRUE(
        main_.runUntil([&] { return received_.has(id, ax::elementDestroyedNotification); }));

    observer->unscheduleFromMain();
    const size_t count = received_.events.size();
    ASSERT_TRUE(sibling.command("title quiet"));
    // After the round trip the title's event has been handled and anything it
    // sent to the main executor is queued there.
    connection().sync();
    main_.runPending();
    EXPECT_EQ(received_.events.size(), count);
}

// The window manager moves a window by moving its frame: every such move is heard, one after
// another, and a resize of the frame as well.
TEST_F(DesktopServices, EveryMoveAndResizeOfTheFrameIsHeard) {
    TestClientProcess client({"--title", "carried", "--size", "300x200"});
    auto window = windowElement(client);
    ASSERT_TRUE(window);
    const std::shared_ptr<AXObserver> observer = recordingObserver(
        client, window, {ax::windowMovedNotification, ax::windowResizedNotification});
    ASSERT_TRUE(observer);
    observer->scheduleOnMain();
    const auto id = window->identity();
    const auto count = [&](std::string_view name) { return received_.count(id, name); };

    for (const Point place : {Point{200, 150}, Point{260, 150}, Point{320, 170}}) {
        const auto moves = count(ax::windowMovedNotification);
        ASSERT_EQ(window->setAttributeValue(ax::position, place), axerror::success);
        EXPECT_TRUE(main_.runUntil([&] { return count(ax::windowMovedNotification) > moves; }))
            << "no move heard to " << place.x << ", " << place.y;
    }
    const auto resizes = count(ax::windowResizedNotification);
    ASSERT_EQ(window->setAttributeValue(ax::size, Size{500, 400}), axerror::success);
    EXPECT_TRUE(main_.runUntil([&] { return count(ax::windowResizedNotification) > resizes; }));
    const auto moves = count(ax::windowMovedNotification);
    ASSERT_EQ(window->setAttributeValue(ax::position, Point{100, 120}), axerror::success);
    EXPECT_TRUE(main_.runUntil([&] { return count(ax::windowMovedNotification) > moves; }));
    observer->unscheduleFromMain();
}

// A client that draws its own decorations and its shadow in a transparent margin of its window:
// its frame is what shows, a move and a resize place what shows, and when it drops the margin
// (as GTK does once maximised or tiled) its frame is its whole window, heard as a move and a
// resize.
TEST_F(DesktopServices, AClientsInvisibleMarginIsLeftOutOfItsFrameAndFollowed) {
    TestClientProcess client({"--title", "shadowed", "--size", "500x400", "--csd", "26,26,23,29"});
    auto window = windowElement(client);
    ASSERT_TRUE(window);
    if (readWindow(connection(), client.window())->extents != FrameExtents{}) {
        // A window manager that frames every window whatever its Motif hints say (fvwm) and does
        // not support _GTK_FRAME_EXTENTS meets no such margin: toolkits draw it only for one
        // that does.
        const auto supported =
            readCardinals(connection(), connection().root(), connection().ewmh()->_NET_SUPPORTED);
        if (std::find(supported.begin(), supported.end(),
                      connection().atom("_GTK_FRAME_EXTENTS")) == supported.end())
            GTEST_SKIP() << "beside " << sessionWindowManager()
                         << ", which decorates a window that asks for none and does not support "
                            "_GTK_FRAME_EXTENTS, toolkits draw no invisible margin";
        FAIL() << "the window manager decorates a window that asks for none";
    }
    ASSERT_EQ(window->setAttributeValue(ax::position, Point{120, 90}), axerror::success);
    ASSERT_EQ(window->setAttributeValue(ax::size, Size{700, 500}), axerror::success);
    EXPECT_TRUE(settle([&] { return frame(window) == Rect(120, 90, 700, 500); }))
        << "frame " << frame(window);
    EXPECT_EQ(readWindow(connection(), client.window())->clientFrame, Rect(94, 67, 752, 552));

    const std::shared_ptr<AXObserver> observer = recordingObserver(
        client, window, {ax::windowMovedNotification, ax::windowResizedNotification});
    ASSERT_TRUE(observer);
    observer->scheduleOnMain();
    const auto id = window->identity();
    ASSERT_TRUE(client.command("frame-extents 0,0,0,0"));
    EXPECT_TRUE(settle([&] {
        return frame(window) == readWindow(connection(), client.window())->clientFrame;
    })) << "frame "
        << frame(window);
    // Some window managers (KWin) keep what shows where it stood and move the client instead;
    // where the frame changed, the change was heard.
    if (frame(window) != Rect(120, 90, 700, 500)) {
        EXPECT_TRUE(main_.runUntil([&] {
            return received_.has(id, ax::windowMovedNotification) &&
                   received_.has(id, ax::windowResizedNotification);
        })) << "the margin's change was not heard";
    }
    observer->unscheduleFromMain();
}

xcb_window_t inputFocus(X11Connection& x) {
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(x.xcb(), xcb_get_input_focus(x.xcb()), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

TEST_F(DesktopServices, WindowActivatedBeforeItIsListedBecomesTheFocusedWindow) {
    TestClientProcess first({"--title", "first"});
    TestClientProcess later({"--title", "later", "--pid", std::to_string(first.pid())});
    ASSERT_TRUE(windowElement(first) && windowElement(first, later.window()));
    auto app = platform_.accessibility->applicationElement(first.pid());
    int focusEvents = 0;
    std::shared_ptr<AXObserver> observer;
    ASSERT_EQ(platform_.accessibility->createObserver(
                  first.pid(),
                  [&](const AXElementRef& element, const std::string& name) {
                      if (element->identity() == later.window() &&
                          name == ax::focusedWindowChangedNotification) {
                          ++focusEvents;
                      }
                  },
                  observer),
              axerror::success);
    ASSERT_EQ(observer->addNotification(app, ax::focusedWindowChangedNotification),
              axerror::success);
    observer->scheduleOnMain();

    // A window manager that publishes the active window before its client list.
    X11Connection& x = connection();
    const xcb_atom_t list = x.atom("_NET_CLIENT_LIST");
    std::vector<xcb_window_t> clients = readWindowList(x, x.root(), list);
    std::vector<xcb_window_t> without = clients;
    std::erase(without, later.window());
    const xcb_window_t active = later.window();
    // Start from the other window active, once openbox has settled its own focus and has let go
    // of earlier tests' windows (whose going may move the focus while the properties are faked).
    // openbox publishes a focus change only when it hears of it, and an earlier test's window may
    // have had the same id as `later`: the published window alone does not say openbox is done.
    // Once the server's focus is on `later`, openbox hears of it before it answers a later request.
    // A window manager that focuses under the pointer (fvwm) leaves the new window unfocused: it
    // is activated as the user would.
    ASSERT_EQ(windowElement(first, later.window())->performAction(ax::raiseAction),
              axerror::success);
    ASSERT_TRUE(settle([&] {
        return desktop().registry().clients().size() == 2 && inputFocus(x) == later.window();
    }));
    ASSERT_TRUE(windowManagerCaughtUp(x));
    ASSERT_TRUE(settle([&] { return desktop().registry().activeWindow() == later.window(); }));
    const xcb_window_t previous = first.window();
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), x.atom("_NET_ACTIVE_WINDOW"),
                        XCB_ATOM_WINDOW, 32, 1, &previous);
    x.sync();
    ASSERT_EQ(desktop().registry().focusedWindowOf(first.pid()), first.window());
    main_.runPending();
    focusEvents = 0;
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), list, XCB_ATOM_WINDOW, 32,
                        std::uint32_t(without.size()), without.data());
    x.sync();  // each step is seen on its own
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), x.atom("_NET_ACTIVE_WINDOW"),
                        XCB_ATOM_WINDOW, 32, 1, &active);
    x.sync();
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), list, XCB_ATOM_WINDOW, 32,
                        std::uint32_t(clients.size()), clients.data());
    x.sync();

    auto focused = get<AXElementRef>(app, ax::focusedWindow);
    ASSERT_TRUE(focused && *focused);
    EXPECT_EQ((*focused)->identity(), later.window());
    EXPECT_TRUE(main_.runUntil([&] { return focusEvents == 1; }));
}

// Some window managers that focus under the pointer take the focus from every window when the
// pointer is over none: the application that had it hears so.
TEST_F(DesktopServices, TheActiveWindowBecomingNoneDeactivatesItsApplication) {
    TestClientProcess client({"--title", "losing"});
    ASSERT_TRUE(windowElement(client));
    std::vector<std::int32_t> deactivated;
    const ObserverToken token = platform_.workspace->addObserver(
        WorkspaceEvent::didDeactivate,
        [&](const RunningApplication& app) { deactivated.push_back(app.pid); });
    X11Connection& x = connection();
    const xcb_atom_t activeAtom = x.atom("_NET_ACTIVE_WINDOW");
    const xcb_window_t window = client.window();
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), activeAtom, XCB_ATOM_WINDOW, 32,
                        1, &window);
    x.sync();
    ASSERT_TRUE(settle([&] { return desktop().registry().activeWindow() == window; }));
    const xcb_window_t none = XCB_WINDOW_NONE;
    xcb_change_property(x.xcb(), XCB_PROP_MODE_REPLACE, x.root(), activeAtom, XCB_ATOM_WINDOW, 32,
                        1, &none);
    x.sync();
    EXPECT_TRUE(main_.runUntil([&] {
        return std::find(deactivated.begin(), deactivated.end(), client.pid()) != deactivated.end();
    }));
    platform_.workspace->removeObserver(token);
}

TEST_F(DesktopServices, ApplicationsComeFromClientsWithClassNameAndIconAndAreDescribedWhenTheyEnd) {
    std::vector<RunningApplication> launched, terminated, terminatedLate;
    platform_.workspace->addObserver(WorkspaceEvent::didLaunch,
                                     [&](const RunningApplication& a) { launched.push_back(a); });
    platform_.workspace->addObserver(WorkspaceEvent::didTerminate,
                                     [&](const RunningApplication& a) { terminated.push_back(a); });
    int pid = 0;
    std::unique_ptr<X11Platform> late;
    {
        TestClientProcess client({"--title", "app", "--class", "Brindlow-probe-app", "--icon"});
        ASSERT_TRUE(windowElement(client));
        pid = client.pid();
        // A platform that starts while the application already runs describes it when it ends.
        late = X11Platform::open(main_, FilePreferences::inStorageFolder(main_));
        ASSERT_TRUE(late);
        late->platform().workspace->addObserver(
            WorkspaceEvent::didTerminate,
            [&](const RunningApplication& a) { terminatedLate.push_back(a); });
        auto app = platform_.workspace->application(pid);
        ASSERT_TRUE(app);
        EXPECT_EQ(app->bundleID, "Brindlow-probe-app");
        EXPECT_EQ(app->localizedName, "Brindlow-probe-app");  // no .desktop entry
        auto icon = platform_.workspace->applicationIcon(pid);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->width, 4);  // the larger of its two images
        EXPECT_EQ(icon->argb.front(), 0xffff0000u);
        EXPECT_TRUE(main_.runUntil([&] {
            return std::any_of(launched.begin(), launched.end(),
                               [&](auto& a) { return a.pid == pid; });
        }));
    }
    for (auto* ended : {&terminated, &terminatedLate})
        EXPECT_TRUE(main_.runUntil([&] {
            return std::any_of(ended->begin(), ended->end(), [&](auto& a) {
                return a.pid == pid && a.bundleID == "Brindlow-probe-app" &&
                       a.localizedName == "Brindlow-probe-app";
            });
        }));
    EXPECT_FALSE(platform_.workspace->application(pid));
}

TEST_F(DesktopServices, TwoMonitorsDefinedByAClientBecomeTwoScreens) {
    ASSERT_EQ(connection().screen()->width_in_pixels, 1920);
    bool changed = false;
    auto token = platform_.screens->addChangeObserver([&] { changed = true; });
    {
        // The server keeps client-defined monitors after the client leaves: they go at the end of
        // the block, whatever happens in it.
        struct Monitors {
            ~Monitors() {
                for (const char* name : {"BRINDLOW-1", "BRINDLOW-2"})
                    runProcess({"xrandr", "--delmonitor", name});
            }
        } monitors;
        // The first takes Xvfb's one output (named "screen"), which retires the server's own
        // monitor for it.
        ASSERT_EQ(
            runProcess({"xrandr", "--setmonitor", "BRINDLOW-1", "960/240x1080/270+0+0", "screen"})
                .status,
            0);
        ASSERT_EQ(
            runProcess({"xrandr", "--setmonitor", "BRINDLOW-2", "960/240x1080/270+960+0", "none"})
                .status,
            0);
        ASSERT_TRUE(settle([&] { return platform_.screens->screens().size() == 2; }));
        const auto screens = platform_.screens->screens();
        EXPECT_EQ(screens[0].frame, Rect(0, 0, 960, 1080));
        EXPECT_EQ(screens[1].frame, Rect(960, 0, 960, 1080));
        for (auto& s : screens) {
            EXPECT_TRUE(s.number);
            EXPECT_FALSE(s.uuid) << "Xvfb has no EDID";
            EXPECT_EQ(s.visibleFrame, s.frame) << "no panel reserves space";
        }
        EXPECT_NE(screens[0].number, screens[1].number);
        EXPECT_TRUE(main_.runUntil([&] { return changed; }));
    }
    platform_.screens->removeChangeObserver(token);
    ASSERT_TRUE(settle([&] { return platform_.screens->screens().size() == 1; }));
}

// A 40-pixel panel at the bottom of the left monitor, 300 pixels long: the window manager's work
// area, one rectangle for both monitors, ends 40 pixels up, yet only the left monitor is
// shortened, whether its strut names its span (bottom_end_x 299) or reserves the whole edge.
struct PanelStrut {
    const char* name;
    const char* cardinals;
};

void PrintTo(const PanelStrut& strut, std::ostream* out) {
    *out << strut.name;
}

class PanelOnOneMonitor : public DesktopServices,
                          public ::testing::WithParamInterface<PanelStrut> {};

TEST_P(PanelOnOneMonitor, LeavesTheOtherItsWholeHeight) {
    ASSERT_EQ(connection().screen()->width_in_pixels, 1920);
    const TwoMonitors monitors;
    ASSERT_TRUE(monitors.made);
    TestClientProcess panel(
        {"--title", "panel", "--type", "dock", "--size", "300x40", "--at", "0,1040"});
    ASSERT_TRUE(panel.ready());
    const StrutTakenBack takenBack{*this, panel.window()};
    ASSERT_TRUE(reserve(panel.window(), GetParam().cardinals));
    // Both at once: the window manager's work area may follow the strut a moment later, and
    // the listing with it.
    std::vector<ScreenInfo> screens;
    EXPECT_TRUE(settle([&] {
        screens = platform_.screens->screens();
        return screens.size() == 2 && screens[0].visibleFrame == Rect(0, 0, 960, 1040) &&
               screens[1].visibleFrame == Rect(960, 0, 960, 1080);
    })) << "usable: "
        << (screens.empty() ? Rect() : screens[0].visibleFrame) << " and "
        << (screens.size() < 2 ? Rect() : screens[1].visibleFrame);
}

INSTANTIATE_TEST_SUITE_P(Struts, PanelOnOneMonitor,
                         ::testing::Values(PanelStrut{"ItsSpan", "0,0,0,40,0,0,0,0,0,0,0,299"},
                                           PanelStrut{"TheWholeEdge", "0,0,0,40"}),
                         [](const auto& named) { return std::string(named.param.name); });

// A dock-type client that reserves no strut: the listing keeps the usable area 4 pixels clear
// of it; once it goes, the whole display is usable again.
TEST_F(DesktopServices, ADockThatReservesNoSpaceShortensTheUsableAreaAboveIt) {
    ASSERT_EQ(connection().screen()->height_in_pixels, 1080);
    const auto usable = [&] { return DisplayInfo::current(*platform_.screens).at(0).visible; };
    EXPECT_EQ(usable(), Rect(0, 0, 1920, 1080));
    {
        TestClientProcess dock(
            {"--title", "dock", "--type", "dock", "--size", "960x48", "--at", "480,1032"});
        ASSERT_TRUE(dock.ready());
        ASSERT_TRUE(settle([&] { return platform_.screens->dockFrame().has_value(); }));
        // 960x48 as it asked, with whatever border the window manager gives a dock (fvwm
        // decorates it).
        const std::optional<X11WindowSnapshot> shown = desktop().registry().read(dock.window());
        ASSERT_TRUE(shown);
        const Rect docked = shown->outerFrame();
        EXPECT_EQ(docked.origin(), Point(480, 1032));
        EXPECT_EQ(shown->clientFrame.size(), Size(960, 48));
        EXPECT_EQ(platform_.screens->dockFrame(), docked);
        EXPECT_EQ(usable(), Rect(0, 0, 1920, 1028));
        // An ordinary client is no dock.
        TestClientProcess plain({"--title", "plain", "--size", "300x200"});
        ASSERT_TRUE(plain.ready());
        EXPECT_EQ(platform_.screens->dockFrame(), docked);
        // Moved up by 132, off the edge even with a decorated frame: heard as a change of the
        // screens, and a widget that floats above the bottom is no dock.
        bool changed = false;
        const ObserverToken token = platform_.screens->addChangeObserver([&] { changed = true; });
        ASSERT_EQ(
            desktop().frameWriter().moveResize(dock.window(), Point{480, 900}, std::nullopt, 5.0),
            axerror::success);
        EXPECT_TRUE(main_.runUntil([&] { return changed; }));
        EXPECT_TRUE(settle([&] { return usable() == Rect(0, 0, 1920, 1080); }));
        platform_.screens->removeChangeObserver(token);
    }
    EXPECT_TRUE(settle([&] { return !platform_.screens->dockFrame(); }));
    EXPECT_EQ(usable(), Rect(0, 0, 1920, 1080));
}

// A tray host in the top right corner (28 × 32, no strut) is no dock; a launcher along the left
// edge, a third of its height or more, is, and the usable area starts 4 pixels right of it.
TEST_F(DesktopServices, OnlyADockAlongAnEdgeShortensTheUsableArea) {
    const auto usable = [&] { return DisplayInfo::current(*platform_.screens).at(0).visible; };
    TestClientProcess tray(
        {"--title", "tray", "--type", "dock", "--size", "28x32", "--at", "1892,0"});
    ASSERT_TRUE(tray.ready());
    TestClientProcess launcher(
        {"--title", "launcher", "--type", "dock", "--size", "48x600", "--at", "0,240"});
    ASSERT_TRUE(launcher.ready());
    ASSERT_TRUE(settle([&] { return platform_.screens->dockFrame().has_value(); }));
    const std::optional<X11WindowSnapshot> shown = desktop().registry().read(launcher.window());
    ASSERT_TRUE(shown);
    EXPECT_EQ(platform_.screens->dockFrame(), shown->outerFrame());
    const double left = shown->outerFrame().maxX() + 4;
    EXPECT_EQ(usable(), Rect(left, 0, 1920 - left, 1080));
}

// A dock that reserves its space is a panel like any other: the area ends at its strut, and it
// is no dock to keep clear of.
TEST_F(DesktopServices, ADockWithAStrutIsLeftToItsStrut) {
    TestClientProcess dock(
        {"--title", "dock", "--type", "dock", "--size", "960x48", "--at", "480,1032"});
    ASSERT_TRUE(dock.ready());
    const StrutTakenBack takenBack{*this, dock.window()};
    ASSERT_TRUE(reserve(dock.window(), "0,0,0,48,0,0,0,0,0,0,480,1439"));
    EXPECT_TRUE(settle(
        [&] { return platform_.screens->screens().at(0).visibleFrame == Rect(0, 0, 1920, 1032); }));
    EXPECT_EQ(platform_.screens->dockFrame(), std::nullopt);
    EXPECT_EQ(DisplayInfo::current(*platform_.screens).at(0).visible, Rect(0, 0, 1920, 1032));
}

TEST_F(DesktopServices, RemovedObserversHearNothingAlreadyOnItsWay) {
    int screenCalls = 0, launches = 0;
    auto screenToken = platform_.screens->addChangeObserver([&] { ++screenCalls; });
    auto launchToken = platform_.workspace->addObserver(
        WorkspaceEvent::didLaunch, [&](const RunningApplication&) { ++launches; });
    // A work-area change on the root and a new application, both handled by
    // the time the round trip is back: their notifications wait on main.
    // The window manager's work area goes back afterwards: later tests (and Qt's
    // menu placement) in this session read it.
    const xcb_atom_t workArea = connection().atom("_NET_WORKAREA");
    const std::vector<std::uint32_t> original =
        readCardinals(connection(), connection().root(), workArea);
    const std::uint32_t area[] = {0, 0, 100, 100};
    xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, connection().root(), workArea,
                        XCB_ATOM_CARDINAL, 32, 4, area);
    TestClientProcess client({"--title", "launching"});
    ASSERT_TRUE(windowElement(client));
    connection().sync();
    platform_.screens->removeChangeObserver(screenToken);
    platform_.workspace->removeObserver(launchToken);
    main_.runPending();
    EXPECT_EQ(screenCalls, 0);
    EXPECT_EQ(launches, 0);
    if (original.empty())
        xcb_delete_property(connection().xcb(), connection().root(), workArea);
    else
        xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, connection().root(),
                            workArea, XCB_ATOM_CARDINAL, 32,
                            static_cast<std::uint32_t>(original.size()), original.data());
    connection().sync();
}

// Without _NET_WM_PID the pid comes from the resource extension.
TEST_F(DesktopServices, FindsThePidWithoutTheWindowProperty) {
    TestClientProcess client({"--title", "anonymous", "--no-pid"});
    ASSERT_TRUE(windowElement(client));
    EXPECT_EQ(desktop().registry().pidOf(client.window()), client.pid());
}

}  // namespace
}  // namespace brindlow::test
