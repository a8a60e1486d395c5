// Window elements beside the session's window manager: what the eligibility rule reads, and what
// moves, resizes, raises and full screen really do.
#include <gtest/gtest.h>

#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <thread>

#include "platform/CoordinateLimits.h"
#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

using WindowElements = X11Fixture;

TEST_F(WindowElements, RolesAndSettableSizeFollowTypeTransienceAndHints) {
    TestClientProcess normal({"--title", "normal"});
    TestClientProcess dialog({"--title", "dialog", "--type", "dialog"});
    TestClientProcess utility({"--title", "utility", "--type", "utility"});
    TestClientProcess splash({"--title", "splash", "--type", "splash"});
    TestClientProcess transient({"--title", "transient", "--transient"});
    TestClientProcess fixed(
        {"--title", "fixed", "--size", "300x200", "--min", "300x200", "--max", "300x200"});
    // A button bar as some window managers show one: on every desktop, out of the taskbar, no
    // type. On every desktop alone, a window is an ordinary one.
    TestClientProcess bar({"--title", "bar", "--states", "sticky,skip-taskbar", "--all-desktops"});
    TestClientProcess sticky({"--title", "sticky", "--states", "sticky", "--all-desktops"});
    for (auto* c : {&normal, &dialog, &utility, &splash, &transient, &fixed, &bar, &sticky}) {
        ASSERT_TRUE(c->ready());
    }

    auto n = windowElement(normal);
    ASSERT_TRUE(n);
    EXPECT_EQ(get<std::string>(n, ax::role), "AXWindow");
    EXPECT_EQ(get<std::string>(n, ax::subrole), "AXStandardWindow");
    EXPECT_EQ(get<std::string>(n, ax::title), "normal");
    EXPECT_EQ(get<bool>(n, ax::minimized), false);
    EXPECT_EQ(get<bool>(n, ax::fullScreen), false);
    EXPECT_TRUE(settable(n, ax::size));
    EXPECT_TRUE(settable(n, ax::position));

    EXPECT_EQ(get<std::string>(windowElement(dialog), ax::subrole), "AXDialog");
    EXPECT_EQ(get<std::string>(windowElement(utility), ax::subrole), "AXFloatingWindow");
    EXPECT_EQ(get<std::string>(windowElement(splash), ax::subrole), "AXSystemDialog");
    EXPECT_EQ(get<std::string>(windowElement(transient), ax::subrole), "AXDialog");
    EXPECT_EQ(get<std::string>(windowElement(transient, transient.owner()), ax::subrole),
              "AXStandardWindow");

    EXPECT_EQ(get<std::string>(windowElement(bar), ax::subrole), "AXUnknown");
    EXPECT_EQ(get<std::string>(windowElement(sticky), ax::subrole), "AXStandardWindow");

    auto f = windowElement(fixed);
    ASSERT_TRUE(f);
    EXPECT_EQ(get<std::string>(f, ax::subrole), "AXStandardWindow");
    EXPECT_FALSE(settable(f, ax::size));
    EXPECT_TRUE(settable(f, ax::position));
}

TEST_F(WindowElements, TitleFallsBackToALatin1WindowNameReadAsUTF8) {
    TestClientProcess client({"--title", "modern"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    ASSERT_TRUE(client.command("legacy-title Caf\xe9 \xbd"));
    connection().sync();
    // Titles end up in JSON: the Latin-1 bytes must come out as UTF-8.
    EXPECT_EQ(get<std::string>(e, ax::title), "Caf\u00e9 \u00bd");
    // On the window list once the window manager shows it, which may come after it lists it.
    EXPECT_TRUE(settle([&] {
        bool listed = false;
        for (auto& entry : platform_.windowList->onScreenWindows()) {
            if (entry.ownerPID == client.pid()) listed = entry.name == "Caf\u00e9 \u00bd";
        }
        return listed;
    }));
}

// Minimised a window is hidden; on another desktop it is away. Either way it is off the window
// list.
TEST_F(WindowElements, MinimisedAWindowIsHiddenAndOnAnotherDesktopAway) {
    TestClientProcess client({"--title", "wanderer"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    const auto onScreen = [&] {
        for (auto& entry : platform_.windowList->onScreenWindows())
            if (entry.ownerPID == client.pid()) return true;
        return false;
    };
    ASSERT_EQ(e->setAttributeValue(ax::minimized, AXValue(true)), axerror::success);
    // Some window managers (metacity) minimise a moment after they answered.
    EXPECT_TRUE(settle([&] { return get<bool>(e, ax::minimized) == true; }));
    EXPECT_FALSE(onScreen());
    ASSERT_EQ(e->performAction(ax::raiseAction), axerror::success);
    EXPECT_EQ(get<bool>(e, ax::minimized), false);

    auto app = platform_.accessibility->applicationElement(client.pid());
    const auto listed = [&] {
        auto windows = get<std::vector<AXElementRef>>(app, ax::windows);
        return windows && std::any_of(windows->begin(), windows->end(),
                                      [&](auto& w) { return w->identity() == client.window(); });
    };
    const auto moveTo = [&](std::uint32_t desktop) {
        xcb_ewmh_request_change_wm_desktop(connection().ewmh(), connection().screenNumber(),
                                           client.window(), desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        connection().flush();
    };
    auto count = readCardinal(connection(), connection().root(),
                              connection().atom("_NET_NUMBER_OF_DESKTOPS"));
    if (!count || *count < 2) GTEST_SKIP() << "the window manager has one desktop";

    // On another desktop it is away: still the application's window, neither minimised nor on
    // screen.
    moveTo(1);
    ASSERT_TRUE(settle([&] { return get<bool>(e, ax::away) == true; }));
    EXPECT_TRUE(listed());
    EXPECT_EQ(get<bool>(e, ax::minimized), false);
    EXPECT_FALSE(onScreen());

    moveTo(0xFFFFFFFF);
    ASSERT_TRUE(settle([&] { return get<bool>(e, ax::away) == false; }));
    EXPECT_TRUE(listed());
    EXPECT_EQ(get<bool>(e, ax::minimized), false);
}

TEST_F(WindowElements, FrameIncludesDecorationsMovesReadBackAndFarPositionsAreKeptInReach) {
    TestClientProcess client({"--title", "mover", "--size", "400x300"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    auto snapshot = readWindow(connection(), client.window());
    ASSERT_TRUE(snapshot);
    const FrameExtents ext = snapshot->extents;
    EXPECT_GT(ext.top, 0) << "openbox draws a title bar";
    EXPECT_EQ(frame(e).size(), Size(400.0 + ext.left + ext.right, 300.0 + ext.top + ext.bottom));

    ASSERT_EQ(e->setAttributeValue(ax::position, Point{120, 90}), axerror::success);
    EXPECT_EQ(get<Point>(e, ax::position), Point(120, 90));
    ASSERT_EQ(e->setAttributeValue(ax::size, Size{700, 500}), axerror::success);
    EXPECT_EQ(frame(e), Rect(120, 90, 700, 500));
    auto after = readWindow(connection(), client.window());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->clientFrame.size(),
              Size(700.0 - ext.left - ext.right, 500.0 - ext.top - ext.bottom));

    // Parked far off while another window has the focus: openbox leaves about a tenth of the
    // window visible (xfwm4 a strip; fluxbox, jwm and fvwm let it go all the way), and that is
    // what reads back. A window manager that pulls it into view instead gets it iconified, out of
    // sight but not minimised, standing where it was sent; back in view it is mapped again.
    TestClientProcess other({"--title", "other"});
    auto focused = windowElement(other);
    ASSERT_TRUE(focused);
    ASSERT_EQ(focused->performAction(ax::raiseAction), axerror::success);
    ASSERT_EQ(e->setAttributeValue(ax::position, Point{-30000, 100}), axerror::success);
    const Rect parked = frame(e);
    std::optional<X11WindowSnapshot> hidden;
    ASSERT_TRUE(settle([&] {
        hidden = readWindow(connection(), client.window());
        return hidden &&
               (!hidden->mapped || hidden->outerFrame().maxX() < hidden->outerFrame().width / 2);
    })) << "the parked window stands in view at "
        << hidden->outerFrame().x;
    if (hidden->mapped && parked.maxX() <= 0) {
        // KWin lets it go wholly off the screen, where it was sent.
        EXPECT_EQ(parked, Rect(-30000, 100, 700, 500));
        EXPECT_EQ(hidden->outerFrame(), parked);
    } else if (hidden->mapped) {
        EXPECT_LT(parked.x, 0);
        if (sessionWindowManager() == "openbox") {
            EXPECT_GE(parked.maxX(), parked.width * 0.1 - 1);
        }
        EXPECT_EQ(hidden->outerFrame(), parked);
    } else {
        EXPECT_EQ(parked, Rect(-30000, 100, 700, 500));
        EXPECT_EQ(get<bool>(e, ax::minimized), false);
        ASSERT_EQ(e->setAttributeValue(ax::position, Point{120, 90}), axerror::success);
        EXPECT_TRUE(settle([&] {
            const auto shown = readWindow(connection(), client.window());
            return shown && shown->mapped && shown->outerFrame() == Rect(120, 90, 700, 500);
        })) << "the parked window did not come back in view";
        EXPECT_EQ(get<bool>(e, ax::minimized), false);
    }
    EXPECT_EQ(e->setAttributeValue(ax::position, Point{1e9, 1e9}), axerror::success);
    EXPECT_LE(get<Point>(e, ax::position)->x, kMaxWindowCoordinate);
    EXPECT_EQ(e->setAttributeValue(ax::position, Point{std::nan(""), 0}), axerror::illegalArgument);
}

// A window the window manager hides (on another desktop, or while the user switches desktops)
// and that is sent off the screen's edge goes where the window manager puts hidden windows (some
// keep even those in view): that says nothing about parking, so it is neither iconified for
// parking nor minimised, sent on its own or in a batch, and it shows again on its desktop.
class HiddenWindowSentOffTheEdge : public X11Fixture, public ::testing::WithParamInterface<bool> {};

TEST_P(HiddenWindowSentOffTheEdge, IsNotIconifiedForParking) {
    auto count = readCardinal(connection(), connection().root(),
                              connection().atom("_NET_NUMBER_OF_DESKTOPS"));
    if (!count || *count < 2) GTEST_SKIP() << "the window manager has one desktop";
    // fvwm ignores every request to move a window to the first desktop: beside it the window
    // lives on the second and is hidden on the third.
    const std::uint32_t home = sessionWindowManager() == "fvwm" ? 1 : 0;
    if (home + 1 >= *count) GTEST_SKIP() << "the window manager has too few desktops";
    const auto show = [&](std::uint32_t desktop) {
        xcb_ewmh_request_change_current_desktop(connection().ewmh(), connection().screenNumber(),
                                                desktop, XCB_CURRENT_TIME);
        connection().flush();
        return settle([&] {
            return readCardinal(connection(), connection().root(),
                                connection().atom("_NET_CURRENT_DESKTOP")) == desktop;
        });
    };
    // Later tests expect the first desktop shown, whatever happens here.
    struct ShowFirstAfterwards {
        std::function<bool(std::uint32_t)> show;
        ~ShowFirstAfterwards() { show(0); }
    };
    std::optional<ShowFirstAfterwards> showFirst;
    if (home != 0) {
        showFirst.emplace(ShowFirstAfterwards{show});
        ASSERT_TRUE(show(home));
    }
    TestClientProcess client({"--title", "hidden", "--size", "400x300"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    const auto moveTo = [&](std::uint32_t desktop) {
        xcb_ewmh_request_change_wm_desktop(connection().ewmh(), connection().screenNumber(),
                                           client.window(), desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        connection().flush();
    };
    moveTo(home + 1);
    ASSERT_TRUE(settle([&] {
        const auto s = readWindow(connection(), client.window());
        return get<bool>(e, ax::away) == true && s && !s->mapped;
    }));

    const Rect parked(1884, 100, frame(e).width, frame(e).height);
    if (GetParam()) {
        const std::vector<FrameWrite> writes = {{e, parked}};
        ASSERT_TRUE(platform_.accessibility->setFrames(writes, 2.0));
    } else {
        ASSERT_EQ(e->setAttributeValue(ax::position, parked.origin()), axerror::success);
    }
    connection().sync();
    EXPECT_FALSE(readCardinal(connection(), client.window(), connection().atom("_BRINDLOW_PARKED")))
        << "iconified for parking while hidden";

    moveTo(home);
    EXPECT_TRUE(settle([&] {
        const auto s = readWindow(connection(), client.window());
        return get<bool>(e, ax::away) == false && s && s->mapped;
    })) << "the window did not show again";
    EXPECT_EQ(get<bool>(e, ax::minimized), false);
}

INSTANTIATE_TEST_SUITE_P(OnItsOwnAndInABatch, HiddenWindowSentOffTheEdge, ::testing::Bool());

// One batch: a plain window takes position and size at once, a stepped one is read back at the
// size the window manager gave it (openbox rounds to the steps), one already in place is not
// written, a dead one is gone.
TEST_F(WindowElements, BatchMovesEveryWindowTogetherAndReadsEachBack) {
    TestClientProcess plain({"--title", "plain", "--size", "400x300"});
    TestClientProcess stepped({"--title", "stepped", "--size", "400x300", "--inc", "7x9"});
    TestClientProcess still({"--title", "still", "--size", "300x200"});
    auto doomed =
        std::make_unique<TestClientProcess>(std::vector<std::string>{"--title", "doomed"});
    auto a = windowElement(plain), b = windowElement(stepped), c = windowElement(still),
         d = windowElement(*doomed);
    ASSERT_TRUE(a && b && c && d);
    const xcb_window_t dead = doomed->window();
    doomed->kill();
    ASSERT_TRUE(settle([&] { return !desktop().registry().isClient(dead); }));

    const std::vector<FrameWrite> writes = {
        {a, {120, 90, 700, 500}}, {b, {900, 100, 603, 403}}, {c, frame(c)}, {d, {0, 0, 500, 500}}};
    const auto results = platform_.accessibility->setFrames(writes, 2.0);
    ASSERT_TRUE(results);
    ASSERT_EQ(results->size(), 4u);
    EXPECT_EQ((*results)[0].error, axerror::success);
    EXPECT_TRUE((*results)[0].written);
    EXPECT_EQ((*results)[0].after, Rect(120, 90, 700, 500));
    EXPECT_EQ((*results)[0].after, frame(a));

    const auto s = readWindow(connection(), stepped.window());
    ASSERT_TRUE(s);
    if (sessionWindowManager() == "openbox") {
        EXPECT_EQ(int(s->clientFrame.width) % 7, 0);
        EXPECT_EQ(int(s->clientFrame.height) % 9, 0);
    }
    EXPECT_EQ((*results)[1].after, s->outerFrame());
    EXPECT_EQ((*results)[1].after->origin(), Point(900, 100));

    EXPECT_FALSE((*results)[2].written);
    EXPECT_EQ((*results)[2].before, (*results)[2].after);
    EXPECT_EQ((*results)[3].error, axerror::invalidElement);
    EXPECT_FALSE((*results)[3].after);
}

// The frames of an animation: each batch is answered by the windows' own configure events, so
// the window manager is asked for the moves and nothing else (no frame-extents request, which
// makes some window managers build and drop a whole frame), and every window ends where asked.
TEST_F(WindowElements, BatchesOfFramesInSightAskTheWindowManagerForTheMovesOnly) {
    TestClientProcess left({"--title", "left", "--size", "400x300"});
    TestClientProcess right({"--title", "right", "--size", "400x300"});
    auto a = windowElement(left), b = windowElement(right);
    ASSERT_TRUE(a && b);
    // What the window manager is asked through the root, heard the way it hears it.
    xcb_connection_t* watch = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(watch));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(watch)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(watch, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(watch, xcb_get_input_focus(watch), nullptr));

    // Three frames: both windows move; the right one is also resized in the last.
    const std::vector<std::pair<Rect, Rect>> frames = {
        {{100, 100, 700, 500}, {900, 100, 700, 500}},
        {{140, 100, 700, 500}, {940, 100, 700, 500}},
        {{180, 100, 700, 500}, {980, 100, 650, 500}}};
    for (const auto& [toLeft, toRight] : frames) {
        const std::vector<FrameWrite> writes = {{a, toLeft}, {b, toRight}};
        const auto results = platform_.accessibility->setFrames(writes, 2.0);
        ASSERT_TRUE(results && results->size() == 2u);
        EXPECT_EQ((*results)[0].error, axerror::success);
        EXPECT_EQ((*results)[0].after, toLeft);
        EXPECT_EQ((*results)[1].error, axerror::success);
        EXPECT_EQ((*results)[1].after, toRight);
    }
    EXPECT_EQ(frame(a), Rect(180, 100, 700, 500));
    EXPECT_EQ(frame(b), Rect(980, 100, 650, 500));

    // Everything sent before the batches' waits ended has reached the watch by this round trip.
    free(xcb_get_input_focus_reply(watch, xcb_get_input_focus(watch), nullptr));
    const auto atomNamed = [&](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            watch, xcb_intern_atom(watch, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    };
    const xcb_atom_t extentsRequest = atomNamed("_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t moveRequest = atomNamed("_NET_MOVERESIZE_WINDOW");
    int extentsRequests = 0, moveRequests = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(watch)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            extentsRequests += message->type == extentsRequest;
            moveRequests += message->type == moveRequest;
        }
        free(event);
    }
    xcb_disconnect(watch);
    EXPECT_EQ(extentsRequests, 0);
    EXPECT_EQ(moveRequests, 6);
}

// A window parked by a batch of moves (as animation frames send them) is out of sight as after a
// single move: a sliver at the edge, or iconified where the window manager would pull it into
// view; a later batch that brings it into view shows it there again.
TEST_F(WindowElements, ABatchParksAWindowOutOfSightAsASingleMoveDoes) {
    TestClientProcess client({"--title", "batched", "--size", "400x300"});
    TestClientProcess other({"--title", "other"});
    auto e = windowElement(client), focused = windowElement(other);
    ASSERT_TRUE(e && focused);
    // Both shown first: a window manager that focuses a window as it shows it (metacity) would
    // otherwise focus the one to park after the raise, and the active window stays in view.
    ASSERT_TRUE(settle([&] {
        const auto a = readWindow(connection(), client.window());
        const auto b = readWindow(connection(), other.window());
        return a && a->mapped && b && b->mapped;
    }));
    ASSERT_EQ(focused->performAction(ax::raiseAction), axerror::success);
    ASSERT_TRUE(settle([&] { return readActiveWindow(connection()) == other.window(); }));
    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(120, 90, 700, 500)}}, 2.0),
        axerror::success);
    ASSERT_EQ(frame(e), Rect(120, 90, 700, 500));

    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(3000, 90, 700, 500)}}, 2.0),
        axerror::success);
    std::optional<X11WindowSnapshot> parked;
    EXPECT_TRUE(settle([&] {
        parked = readWindow(connection(), client.window());
        return parked && (!parked->mapped || parked->outerFrame().x > 1920 - 700 / 2);
    })) << "the parked window stands in view at "
        << parked->outerFrame().x;
    EXPECT_EQ(get<bool>(e, ax::minimized), false);

    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(120, 90, 700, 500)}}, 2.0),
        axerror::success);
    EXPECT_TRUE(settle([&] {
        const auto shown = readWindow(connection(), client.window());
        return shown && shown->mapped && shown->outerFrame() == Rect(120, 90, 700, 500);
    })) << "the parked window did not come back in view";
}

// A parked window mapped back as its column scrolls into view leaves the focus with the window
// the user works in, though some window managers focus a window that leaves the iconic state;
// the user time the client had (or none) reads as before once the window shows. The pointer rests
// on the window worked in: a window that comes back under a resting pointer is focused by window
// managers whose focus follows the pointer (fvwm, jwm), mapped or not, and what the strip makes of
// that is the still-pointer check's business, not this one's.
class MappedBackFromParking : public X11Fixture,
                              public ::testing::WithParamInterface<std::optional<std::uint32_t>> {};

TEST_P(MappedBackFromParking, LeavesTheFocusWhereItWas) {
    TestClientProcess client({"--title", "mapped-back", "--size", "400x300"});
    TestClientProcess other({"--title", "worked-in"});
    auto e = windowElement(client), focused = windowElement(other);
    ASSERT_TRUE(e && focused);
    const xcb_atom_t userTime = connection().ewmh()->_NET_WM_USER_TIME;
    if (GetParam())
        xcb_change_property(connection().xcb(), XCB_PROP_MODE_REPLACE, client.window(), userTime,
                            XCB_ATOM_CARDINAL, 32, 1, &*GetParam());
    const Rect inView(120, 90, 700, 500);
    ASSERT_EQ(desktop().frameWriter().moveResizeAll(
                  {{client.window(), inView}, {other.window(), Rect(1000, 90, 600, 400)}}, 2.0),
              axerror::success);
    // Wherever an earlier test left it, the pointer now rests away from the window coming back.
    xcb_warp_pointer(connection().xcb(), XCB_WINDOW_NONE, connection().root(), 0, 0, 0, 0, 1300,
                     290);
    connection().sync();
    ASSERT_EQ(focused->performAction(ax::raiseAction), axerror::success);
    ASSERT_TRUE(settle([&] { return desktop().registry().activeWindow() == other.window(); }));
    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(3000, 90, 700, 500)}}, 2.0),
        axerror::success);
    ASSERT_TRUE(settle([&] {
        const auto parked = readWindow(connection(), client.window());
        return parked && (!parked->mapped || parked->outerFrame().x > 1920 - 700 / 2);
    }));

    // Every focus the window gets shows, however soon it is taken back.
    std::atomic<bool> tookFocus = false;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE |
                               XCB_EVENT_MASK_FOCUS_CHANGE;
    xcb_change_window_attributes(connection().xcb(), client.window(), XCB_CW_EVENT_MASK, &mask);
    const auto listener = connection().addListener([&](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7F) != XCB_FOCUS_IN) return;
        const auto& in = reinterpret_cast<const xcb_focus_in_event_t&>(event);
        if (in.event == client.window() && in.mode == XCB_NOTIFY_MODE_NORMAL) tookFocus = true;
    });
    connection().sync();
    ASSERT_EQ(desktop().frameWriter().moveResizeAll({{client.window(), inView}}, 2.0),
              axerror::success);
    EXPECT_TRUE(settle([&] {
        const auto shown = readWindow(connection(), client.window());
        return shown && shown->mapped && shown->outerFrame() == inView;
    })) << "the parked window did not come back in view";
    // The user time comes back once the window manager has shown the window, in the same turn
    // as it chose whether to focus it.
    EXPECT_TRUE(settle([&] {
        return readCardinal(connection(), client.window(), userTime) == GetParam();
    })) << "the client's user time did not come back";
    connection().removeListener(listener);
    EXPECT_FALSE(tookFocus) << "the window mapped back took the focus";
    EXPECT_EQ(desktop().registry().activeWindow(), other.window());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutAUserTime, MappedBackFromParking,
                         ::testing::Values(std::nullopt, std::optional<std::uint32_t>(4242)));

// A window that grows where it stands until it is parked (a landing after frames that already
// took it there at its old size) goes out of sight like any parked window. openbox keeps a window
// asked for a new size alone on the screen, which must neither pull it into view there nor make
// Brindlow take openbox for a window manager that keeps every parked window in view.
TEST_F(WindowElements, AWindowThatGrowsIntoParkingWhereItStandsGoesOutOfSight) {
    TestClientProcess client({"--title", "grown", "--size", "400x300"});
    TestClientProcess other({"--title", "other"});
    auto e = windowElement(client), focused = windowElement(other);
    ASSERT_TRUE(e && focused);
    ASSERT_EQ(focused->performAction(ax::raiseAction), axerror::success);
    // 300 of its 400 points on the 1920-point screen: in view.
    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(1620, 90, 400, 300)}}, 2.0),
        axerror::success);
    // 300 of 700: parked.
    ASSERT_EQ(
        desktop().frameWriter().moveResizeAll({{client.window(), Rect(1620, 90, 700, 500)}}, 2.0),
        axerror::success);
    EXPECT_EQ(frame(e), Rect(1620, 90, 700, 500));
    std::optional<X11WindowSnapshot> s;
    EXPECT_TRUE(settle([&] {
        s = readWindow(connection(), client.window());
        return s && (!s->mapped || s->outerFrame().x > 1920 - 700 / 2);
    })) << "the parked window stands in view at "
        << s->outerFrame().x;
    if (sessionWindowManager() == "openbox") {
        EXPECT_TRUE(s->mapped) << "iconified: openbox taken for one that keeps windows in view";
    }
}

// Where a window's frame stands each time the server configures it, heard on a connection of its
// own (the root's substructure events) from now on.
class FramePositions {
  public:
    explicit FramePositions(xcb_window_t client) : x_(xcb_connect(nullptr, nullptr)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        frame_ = client;
        for (;;) {
            auto* tree = xcb_query_tree_reply(x_, xcb_query_tree(x_, frame_), nullptr);
            const xcb_window_t parent = tree ? tree->parent : root;
            std::free(tree);
            if (parent == root) break;
            frame_ = parent;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, root, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr));
    }
    ~FramePositions() { xcb_disconnect(x_); }
    FramePositions(const FramePositions&) = delete;
    FramePositions& operator=(const FramePositions&) = delete;

    // Every left edge heard so far, in order (call once the window manager has caught up).
    std::vector<int> lefts() {
        std::free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) {
            if ((event->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) {
                const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
                if (e->window == frame_) lefts_.push_back(e->x);
            }
            std::free(event);
        }
        return lefts_;
    }

  private:
    xcb_connection_t* x_;
    xcb_window_t frame_ = XCB_WINDOW_NONE;
    std::vector<int> lefts_;
};

struct GrowInPlace {
    const char* name;
    Rect from, to;  // on the 1920-point screen
};

class GrowingIntoParking : public X11Fixture, public ::testing::WithParamInterface<GrowInPlace> {};

// A window at the screen's right edge that grows where it stands until most of it is off the
// screen (the first frame of a scroll towards it, when it stood narrowed to the edge) never shows
// anywhere left of where it stands: openbox pulls a window that is resized but not moved back onto
// the screen, which showed it in view for a moment before the next frame took it out again.
TEST_P(GrowingIntoParking, NeverShowsLeftOfWhereItStands) {
    const GrowInPlace& row = GetParam();
    TestClientProcess client({"--title", "grown", "--size", "400x300"});
    TestClientProcess other({"--title", "other"});
    auto e = windowElement(client), focused = windowElement(other);
    ASSERT_TRUE(e && focused);
    ASSERT_EQ(focused->performAction(ax::raiseAction), axerror::success);
    {
        // Only moved out, 220 of its 400 points on the screen: a window manager that keeps even
        // such a window on the screen (metacity) is one beside which parked windows are iconified,
        // and the first one shows in view until that is learned.
        FramePositions movedOut(client.window());
        const Rect out(1700, 90, 400, 300);
        ASSERT_EQ(desktop().frameWriter().moveResizeAll({{client.window(), out}}, 2.0),
                  axerror::success);
        ASSERT_TRUE(windowManagerCaughtUp(connection()));
        for (const int left : movedOut.lefts())
            if (left < out.x)
                GTEST_SKIP() << sessionWindowManager() << " keeps moved windows on the screen too";
    }
    ASSERT_EQ(desktop().frameWriter().moveResizeAll({{client.window(), row.from}}, 2.0),
              axerror::success);
    ASSERT_EQ(frame(e), row.from);
    FramePositions heard(client.window());
    ASSERT_EQ(desktop().frameWriter().moveResizeAll({{client.window(), row.to}}, 2.0),
              axerror::success);
    // Once the move returns, the window manager has carried out all it was asked, the place
    // after the size too.
    EXPECT_EQ(frame(e), row.to);
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    const std::vector<int> lefts = heard.lefts();
    for (const int left : lefts) EXPECT_GE(left, int(row.to.x)) << "shown in view at " << left;
    const auto s = readWindow(connection(), client.window());
    ASSERT_TRUE(s);
    EXPECT_TRUE(!s->mapped || s->outerFrame() == row.to)
        << "stands at " << s->outerFrame().x << " " << s->outerFrame().y << " "
        << s->outerFrame().width << "x" << s->outerFrame().height;
}

INSTANTIATE_TEST_SUITE_P(
    X11, GrowingIntoParking,
    ::testing::Values(
        // 400 points wholly on the screen, then 420 of 1000.
        GrowInPlace{"whollyOnTheScreen", Rect(1500, 90, 400, 300), Rect(1500, 90, 1000, 500)},
        // 300 of its 400 points on the screen, then 300 of 700.
        GrowInPlace{"partlyOffTheScreen", Rect(1620, 90, 400, 300), Rect(1620, 90, 700, 500)}),
    [](const ::testing::TestParamInfo<GrowInPlace>& row) { return std::string(row.param.name); });

// Sizes asked for are held to the client's own minimum and maximum, whether or not the window
// manager enforces them; what the client got reads back.
TEST_F(WindowElements, SizesAreHeldToTheClientsMinimumAndMaximum) {
    TestClientProcess client(
        {"--title", "bounded", "--size", "400x300", "--min", "300x250", "--max", "600x450"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    const auto client_ = [&] { return readWindow(connection(), client.window())->clientFrame; };
    ASSERT_EQ(e->setAttributeValue(ax::size, Size{100, 100}), axerror::success);
    EXPECT_TRUE(settle([&] { return client_().size() == Size(300, 250); }))
        << client_().width << "x" << client_().height;
    const std::vector<FrameWrite> writes = {{e, {100, 80, 1200, 1000}}};
    const auto results = platform_.accessibility->setFrames(writes, 2.0);
    ASSERT_TRUE(results && results->size() == 1u);
    EXPECT_TRUE(settle([&] { return client_().size() == Size(600, 450); }))
        << client_().width << "x" << client_().height;
    EXPECT_EQ((*results)[0].after, frame(e));
    EXPECT_EQ((*results)[0].after->size(),
              readWindow(connection(), client.window())->outerFrame().size());
}

// A read of where windows stand only (after a configure) finds what a full read finds there, and
// leaves out the hints and states it did not ask for.
TEST_F(WindowElements, AReadOfPlacesOnlyFindsTheFrameAFullReadFinds) {
    TestClientProcess client(
        {"--title", "placed", "--size", "400x300", "--min", "300x250", "--max", "600x450"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    ASSERT_EQ(e->setAttributeValue(ax::position, Point{120, 90}), axerror::success);
    const auto full = readFrames(connection(), {client.window(), XCB_WINDOW_NONE});
    const auto places = readFrames(connection(), {client.window(), XCB_WINDOW_NONE}, true);
    ASSERT_EQ(places.size(), 2u);
    ASSERT_TRUE(full[0] && places[0]);
    EXPECT_FALSE(places[1]) << "no window, nothing read";
    EXPECT_EQ(places[0]->outerFrame(),
              Rect(120, 90, full[0]->outerFrame().width, full[0]->outerFrame().height));
    EXPECT_EQ(places[0]->clientFrame, full[0]->clientFrame);
    EXPECT_EQ(places[0]->clientFrame.size(), Size(400, 300));
    EXPECT_EQ(places[0]->extents.top, full[0]->extents.top);
    EXPECT_EQ(places[0]->extents.left, full[0]->extents.left);
    EXPECT_EQ(full[0]->hints.minSize, Size(300, 250));
    EXPECT_FALSE(places[0]->hints.minSize);
    EXPECT_TRUE(full[0]->viewable);
}

// The on-screen list follows the server's own stacking after every raise, whatever the window
// manager publishes as its stacking list (some do not update it after a raise).
TEST_F(WindowElements, WindowListFollowsTheServersStackingAfterEachRaise) {
    TestClientProcess first({"--title", "first"});
    TestClientProcess second({"--title", "second"});
    TestClientProcess third({"--title", "third"});
    const std::map<const TestClientProcess*, AXElementRef> elements = {
        {&first, windowElement(first)},
        {&second, windowElement(second)},
        {&third, windowElement(third)}};
    for (const auto& [client, element] : elements) ASSERT_TRUE(element);
    const auto order = [&] {
        std::vector<std::int32_t> pids;
        for (const WindowListEntry& entry : platform_.windowList->onScreenWindows())
            if (entry.ownerPID == first.pid() || entry.ownerPID == second.pid() ||
                entry.ownerPID == third.pid())
                pids.push_back(entry.ownerPID);
        return pids;
    };
    for (const TestClientProcess* raised : {&first, &third, &second, &first}) {
        ASSERT_EQ(elements.at(raised)->performAction(ax::raiseAction), axerror::success);
        EXPECT_TRUE(settle([&] {
            const auto pids = order();
            return pids.size() == 3u && pids.front() == raised->pid();
        })) << "the list does not start with the raised window";
    }
}

TEST_F(WindowElements, ClientThatRefusesASizeKeepsItsOwn) {
    TestClientProcess client({"--title", "stubborn", "--size", "400x300", "--refuse"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    std::optional<FrameExtents> ext;
    ASSERT_TRUE(settle([&] {
        const auto s = readWindow(connection(), client.window());
        if (s && s->extents.top > 0) ext = s->extents;
        return ext.has_value();
    })) << sessionWindowManager()
        << " did not decorate the window";
    const AXError resized = e->setAttributeValue(ax::size, Size{800, 600});
    // Only once this resize has reached the client can its own request undo it: a frame read
    // before then (or while an earlier change is still on its way) tells nothing.
    const int width = 800 - ext->left - ext->right, height = 600 - ext->top - ext->bottom;
    ASSERT_TRUE(
        client.waitForLine("refused " + std::to_string(width) + "x" + std::to_string(height)))
        << "the resize never reached the client as " << width << "x" << height
        << " (the write said " << resized << "; the client printed \"" << client.linesPassedOver()
        << "\")";
    EXPECT_TRUE(settle([&] {
        const auto s = readWindow(connection(), client.window());
        return s && s->clientFrame.size() == Size(400, 300) &&
               frame(e).size() == s->outerFrame().size();
    })) << "the frame stays at "
        << frame(e).width << "x" << frame(e).height;
}

TEST_F(WindowElements, FullScreenCoversTheScreenAndIgnoresMoves) {
    BRINDLOW_SKIP_BESIDE("icewm does not give a window back the frame it had before full screen",
                         "icewm");
    TestClientProcess client({"--title", "full", "--size", "400x300"});
    auto e = windowElement(client);
    ASSERT_TRUE(e);
    ASSERT_EQ(e->setAttributeValue(ax::position, Point{50, 60}), axerror::success);
    const Rect before = frame(e);

    ASSERT_EQ(e->setAttributeValue(ax::fullScreen, AXValue(true)), axerror::success);
    EXPECT_EQ(get<bool>(e, ax::fullScreen), true);
    const Rect screen(0, 0, connection().screen()->width_in_pixels,
                      connection().screen()->height_in_pixels);
    // Some window managers finish the change a little after they answered.
    EXPECT_TRUE(settle([&] { return frame(e) == screen; }));
    // The window manager ignores moves of a full-screen window, and the read-back says so.
    EXPECT_EQ(e->setAttributeValue(ax::position, Point{300, 300}), axerror::success);
    EXPECT_EQ(frame(e), screen);

    ASSERT_EQ(e->setAttributeValue(ax::fullScreen, AXValue(false)), axerror::success);
    // Some window managers (fluxbox) publish the state a little after they answered.
    EXPECT_TRUE(settle([&] { return get<bool>(e, ax::fullScreen) == false; }));
    EXPECT_TRUE(settle([&] { return frame(e) == before; }));
}

TEST_F(WindowElements, RaiseMakesTheWindowMainAndFrontmost) {
    TestClientProcess first({"--title", "first"});
    TestClientProcess second({"--title", "second"});
    auto a = windowElement(first);
    auto b = windowElement(second);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->performAction(ax::raiseAction), axerror::success);
    EXPECT_EQ(get<bool>(a, ax::main), true);
    EXPECT_EQ(get<bool>(b, ax::main), false);
    auto app = platform_.accessibility->applicationElement(first.pid());
    EXPECT_EQ(get<bool>(app, ax::frontmost), true);
    // The window list runs front to back and numbers windows by their window manager frames.
    std::vector<WindowListEntry> windows;
    settle([&] { return (windows = platform_.windowList->onScreenWindows()).size() >= 2u; });
    ASSERT_GE(windows.size(), 2u);
    EXPECT_EQ(windows[0].ownerPID, first.pid());
    EXPECT_EQ(windows[1].ownerPID, second.pid());
    const auto frameWindow = topLevelAncestor(connection(), first.window());
    ASSERT_TRUE(frameWindow);
    EXPECT_NE(*frameWindow, first.window());
    EXPECT_EQ(windows[0].number, *frameWindow);
    EXPECT_EQ(windows[0].layer, 0);
    EXPECT_EQ(windows[0].bounds, frame(a));
    EXPECT_EQ(windows[0].name, "first");

    ASSERT_EQ(b->setAttributeValue(ax::main, AXValue(true)), axerror::success);
    EXPECT_EQ(get<bool>(b, ax::main), true);
    EXPECT_EQ(platform_.windowList->onScreenWindows().front().ownerPID, second.pid());
    // The application remembers its last focused window.
    auto focused = get<AXElementRef>(app, ax::focusedWindow);
    ASSERT_TRUE(focused && *focused);
    EXPECT_EQ((*focused)->identity(), first.window());
}

TEST_F(WindowElements, ClientThatDiesMidMoveGivesInvalidElement) {
    auto client =
        std::make_unique<TestClientProcess>(std::vector<std::string>{"--title", "doomed"});
    auto e = windowElement(*client);
    ASSERT_TRUE(e);
    std::atomic<bool> stop = false;
    std::vector<AXError> results;
    std::thread mover([&] {
        for (int i = 0; !stop && i < 2000; ++i) {
            results.push_back(e->setAttributeValue(ax::position, Point{double(i % 300), 50}));
            if (results.back() == axerror::invalidElement) break;
        }
    });
    ASSERT_TRUE(settle([&] { return get<Point>(e, ax::position) != Point(0, 0); }));
    client->kill();
    settle([&] { return !desktop().registry().isClient(client->window()); });
    stop = true;
    mover.join();
    EXPECT_EQ(e->setAttributeValue(ax::position, Point{10, 10}), axerror::invalidElement);
    EXPECT_EQ(e->setAttributeValue(ax::size, Size{300, 300}), axerror::invalidElement);
    EXPECT_EQ(e->performAction(ax::raiseAction), axerror::invalidElement);
    AXValue value;
    EXPECT_EQ(e->copyAttributeValue(ax::position, value), axerror::invalidElement);
    EXPECT_EQ(e->copyAttributeValue(ax::fullScreen, value), axerror::invalidElement);
    for (AXError r : results) {
        EXPECT_TRUE(r == axerror::success || r == axerror::invalidElement) << r;
    }
}

}  // namespace
}  // namespace brindlow::test
