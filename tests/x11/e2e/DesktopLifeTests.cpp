// The real executable through what an ordinary desktop does to it: switching virtual desktops,
// sending a window to another one, minimising and restoring, the window manager replaced or gone,
// and a quit right after a change. The arrangement survives and the quit puts every window back.
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "AppOnDisplay.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

// The columns of the strip as titles and widths.
struct Arranged {
    std::vector<std::vector<std::string>> columns;
    std::vector<double> widths;
    bool operator==(const Arranged&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Arranged& shown) {
        for (size_t index = 0; index < shown.columns.size(); ++index) {
            out << "[";
            for (const std::string& title : shown.columns[index]) out << " " << title;
            out << " ] " << shown.widths[index] << " ";
        }
        return out;
    }
};

class DesktopLife : public AppOnDisplay {
  protected:
    void TearDown() override {
        // Skipped without a display: there is nothing to restore.
        if (!x11_) return AppOnDisplay::TearDown();
        // Later tests need the session's window manager as a fresh session has it: without one,
        // after another took over, or after desktop switches beside openbox (which keeps
        // something of them that later overlay tests see), a new one of the session's kind takes
        // over (it ends with the display).
        if (!switchedOff_.empty())
            runProcess({"xrandr", "--fb", "1920x1080", "--output", switchedOff_, "--auto"});
        if (currentDesktop() != 0) wmctrl({"-s", "0"});
        if (replacedWindowManager_ || !windowManagerRuns(connection()) ||
            (freshWindowManager_ && sessionWindowManager() == "openbox")) {
            const xcb_atom_t check = connection().atom("_NET_SUPPORTING_WM_CHECK");
            const auto before = readWindowList(connection(), connection().root(), check);
            runProcess(freshWindowManagerCommand());
            EXPECT_TRUE(settle([&] {
                return windowManagerRuns(connection()) &&
                       readWindowList(connection(), connection().root(), check) != before;
            }));
            // Once it manages a new window, it has taken on the others too.
            EXPECT_EQ(runProcess({BRINDLOW_TESTCLIENT_PATH, "--probe"}).status, 0);
        }
        AppOnDisplay::TearDown();
    }

    // This test leaves the window manager in a state of its own (another desktop was shown).
    bool freshWindowManager_ = false;
    // Another window manager took over from the session's.
    bool replacedWindowManager_ = false;
    // The output this test switched off, to switch on again.
    std::string switchedOff_;

    // fvwm ignores every request to move a window to the first desktop (the window stays where
    // it is, whatever desktop it is on and whichever is shown). Beside it, tests that send windows
    // back live on the second desktop and send them away to the third.
    void liveOnTheHomeDesktop() {
        if (sessionWindowManager() != "fvwm") return;
        home_ = 1;
        ASSERT_TRUE(wmctrl({"-s", homeDesktop()}));
        ASSERT_TRUE(settle([&] { return currentDesktop() == std::uint32_t(home_); }));
    }
    std::string homeDesktop() const { return std::to_string(home_); }
    std::string otherDesktop() const { return std::to_string(home_ + 1); }
    // Sends the window of the xterm titled `title` to the desktop numbered `desktop`.
    bool send(const std::string& title, const std::string& desktop) {
        return wmctrl({"-i", "-r", hex(xtermTitled(title)->window), "-t", desktop});
    }
    int home_ = 0;

    bool wmctrl(const std::vector<std::string>& args) {
        freshWindowManager_ = true;
        std::vector<std::string> argv = {"wmctrl"};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv).status == 0;
    }
    // Withdrawn the way a client withdraws a window (XWithdrawWindow): unmapped, and told to the
    // root, which withdraws it also while it is iconic (Brindlow iconifies parked windows beside
    // window managers that keep windows in view, and unmapping those alone changes nothing).
    void withdraw(xcb_window_t window) {
        X11Connection& x = connection();
        xcb_unmap_window(x.xcb(), window);
        xcb_unmap_notify_event_t unmap{};
        unmap.response_type = XCB_UNMAP_NOTIFY;
        unmap.event = x.root();
        unmap.window = window;
        char event[32] = {};
        std::memcpy(event, &unmap, sizeof unmap);
        xcb_send_event(x.xcb(), 0, x.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       event);
        x.flush();
    }
    // Shown by the window manager: in its client list and mapped, or iconified by Brindlow
    // because it is parked where the window manager keeps windows in view.
    bool shownByWindowManager(xcb_window_t window) {
        xcb_connection_t* c = connection().xcb();
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        if (!attributes) return false;
        const bool parked =
            readCardinal(connection(), window, connection().atom("_BRINDLOW_PARKED")).has_value();
        if (attributes->map_state != XCB_MAP_STATE_VIEWABLE && !parked) return false;
        const auto clients = readWindowList(connection(), connection().root(),
                                            connection().atom("_NET_CLIENT_LIST"));
        return std::find(clients.begin(), clients.end(), window) != clients.end();
    }
    static std::string hex(xcb_window_t window) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", window);
        return text;
    }
    std::uint32_t currentDesktop() {
        return readCardinal(connection(), connection().root(),
                            connection().atom("_NET_CURRENT_DESKTOP"))
            .value_or(0);
    }

    // The xterms' columns in the listing; none while Brindlow does not answer.
    std::optional<Arranged> arranged() {
        const auto json = listing();
        if (!json) return std::nullopt;
        Arranged result;
        for (const auto& display : json->at("displays"))
            for (const auto& column : display.at("columns")) {
                std::vector<std::string> titles;
                for (const auto& window : column.at("windows"))
                    if (xtermTitled(window.value("title", "")))
                        titles.push_back(window.value("title", ""));
                if (titles.empty()) continue;
                result.columns.push_back(titles);
                result.widths.push_back(column.value("width", 0.0));
            }
        return result;
    }
    bool arrangedAs(const Arranged& expected) {
        const auto now = arranged();
        return now && *now == expected;
    }
    size_t listedXterms() {
        size_t count = 0;
        if (const auto now = arranged())
            for (const auto& column : now->columns) count += column.size();
        return count;
    }

    // Four xterms as columns of different widths around a stack: [1] 0.67, [2 3], [4] 0.67.
    Arranged startArranged() {
        startXterms(4);
        startBrindlow();
        if (HasFatalFailure()) return {};
        for (const char* command : {"focus-first", "cycle-width", "focus-right", "focus-right",
                                    "stack-left", "focus-right", "cycle-width"}) {
            EXPECT_EQ(tool({command}).status, 0) << command;
            // One at a time: each command acts on the focus the one before left.
            settle([&] { return listing().has_value(); });
        }
        Arranged before;
        EXPECT_TRUE(settle([&] {
            const auto now = arranged();
            if (!now || now->columns.size() != 3 || now->columns[1].size() != 2) return false;
            before = *now;
            return before.widths[0] != 0.5 && before.widths[2] != 0.5;
        })) << "not arranged: "
            << arranged().value_or(Arranged{});
        settledFrames();
        return before;
    }

    // Starts Brindlow and waits until it lists the xterms but those titled `away` (on another
    // desktop, so not listed).
    void startBrindlowWithout(const std::vector<std::string>& away) {
        std::vector<Xterm> kept;
        for (auto xterm = xterms_.begin(); xterm != xterms_.end();) {
            if (std::find(away.begin(), away.end(), xterm->title) == away.end()) {
                ++xterm;
                continue;
            }
            kept.push_back(std::move(*xterm));
            xterm = xterms_.erase(xterm);
        }
        startBrindlow();
        for (Xterm& xterm : kept) xterms_.push_back(std::move(xterm));
    }

    // Within 2 points of where it stood before Brindlow tiled it.
    bool atOriginal(const Xterm& xterm) {
        const std::optional<Rect> frame = frameOf(xterm.window);
        return frame && std::abs(frame->x - xterm.original.x) <= 2 &&
               std::abs(frame->y - xterm.original.y) <= 2 &&
               std::abs(frame->width - xterm.original.width) <= 2 &&
               std::abs(frame->height - xterm.original.height) <= 2;
    }

    // Windows tiled after the start (`adoptedLater`) keep no frame from before tiling: the quit
    // leaves them on the screen, give or take the 2 points a window may poke past its edge
    // (icewm pulls a window's client area into view and lets its frame border overhang).
    void quitAndExpectEveryWindowAtItsOriginal(const std::set<std::string>& adoptedLater = {}) {
        brindlow_->signal(SIGTERM);
        EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
        settle([&] {
            return std::all_of(xterms_.begin(), xterms_.end(), [&](const Xterm& xterm) {
                return adoptedLater.contains(xterm.title) || atOriginal(xterm);
            });
        });
        for (const Xterm& xterm : xterms_) {
            const Rect frame = frameOf(xterm.window).value_or(Rect{});
            if (adoptedLater.contains(xterm.title)) {
                EXPECT_TRUE(Rect(-2, -2, 1924, 1084).contains(frame))
                    << xterm.title << " at " << frame.x << "," << frame.y << " " << frame.width
                    << "x" << frame.height;
                continue;
            }
            EXPECT_TRUE(atOriginal(xterm))
                << xterm.title << " at " << frame.x << "," << frame.y << " " << frame.width << "x"
                << frame.height << ", was at " << xterm.original.x << "," << xterm.original.y << " "
                << xterm.original.width << "x" << xterm.original.height;
        }
    }
};

class DesktopSwitches : public DesktopLife, public ::testing::WithParamInterface<int> {};

// To the second desktop and back, once or thirty times without waiting: the strip holds the same
// columns, widths and stacks, also when the quit comes on the second desktop.
TEST_P(DesktopSwitches, KeepTheArrangementAndTheQuitPutsEveryWindowBack) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const int trips = GetParam();
    if (trips == 1) {
        ASSERT_TRUE(wmctrl({"-s", "1"}));
        ASSERT_TRUE(settle([&] { return listedXterms() == 0; })) << "the xterms are still listed";
    }
    for (int trip = 0; trip < trips; ++trip) {
        wmctrl({"-s", "1"});
        wmctrl({"-s", "0"});
    }
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    ASSERT_TRUE(wmctrl({"-s", "1"}));
    ASSERT_TRUE(settle([&] { return currentDesktop() == 1 && listedXterms() == 0; }));
    quitAndExpectEveryWindowAtItsOriginal();
}

INSTANTIATE_TEST_SUITE_P(OnceAndThirtyTimes, DesktopSwitches, ::testing::Values(1, 30));

// A window sent to the second desktop leaves its column and comes back to it; sent there again
// and followed, it is tiled there, and the quit on that desktop puts every window back.
TEST_F(DesktopLife, AWindowSentToAnotherDesktopComesBackToItsColumnAndIsPutBackFromThere) {
    liveOnTheHomeDesktop();
    ASSERT_FALSE(HasFatalFailure());
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const Xterm* sent = xtermTitled(before.columns[1][0]);
    ASSERT_TRUE(send(sent->title, otherDesktop()));
    ASSERT_TRUE(settle([&] { return listedXterms() == 3; }));
    ASSERT_TRUE(send(sent->title, homeDesktop()));
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;

    ASSERT_TRUE(send(sent->title, otherDesktop()));
    ASSERT_TRUE(settle([&] { return listedXterms() == 3; }));
    ASSERT_TRUE(wmctrl({"-s", otherDesktop()}));
    EXPECT_TRUE(settle([&] {
        const auto now = arranged();
        return now && now->columns == std::vector<std::vector<std::string>>{{sent->title}};
    })) << "now "
        << arranged().value_or(Arranged{});
    quitAndExpectEveryWindowAtItsOriginal();
}

// Minimised and restored, a window goes back into its stack, and the quit puts it back where it
// stood before it was tiled.
TEST_F(DesktopLife, AMinimisedAndRestoredWindowKeepsItsPlaceAndItsOriginalFrame) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    for (const std::string& title : {before.columns[1][1], before.columns[0][0]}) {
        const Xterm* minimised = xtermTitled(title);
        ASSERT_TRUE(xdotool({"windowminimize", std::to_string(minimised->window)}));
        ASSERT_TRUE(settle([&] { return listedXterms() == 3; })) << title << " is still listed";
        ASSERT_TRUE(wmctrl({"-i", "-a", hex(minimised->window)}));
        EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
            << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    }
    quitAndExpectEveryWindowAtItsOriginal();
}

// Another window manager takes over, then none runs at all: the strip stays as it was, and the
// quit moves the windows back itself.
TEST_F(DesktopLife, AReplacedAndThenMissingWindowManagerLosesNothing) {
    BRINDLOW_SKIP_UNLESS_REPLACEABLE(connection());
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const xcb_atom_t check = connection().atom("_NET_SUPPORTING_WM_CHECK");
    const std::vector<xcb_window_t> first =
        readWindowList(connection(), connection().root(), check);
    replacedWindowManager_ = true;
    ChildProcess replacement({"openbox", "--replace"});
    ASSERT_TRUE(settle([&] {
        const auto now = readWindowList(connection(), connection().root(), check);
        return !now.empty() && now != first && windowManagerRuns(connection()) &&
               std::all_of(xterms_.begin(), xterms_.end(), [&](const Xterm& xterm) {
                   const auto snapshot = desktop().registry().read(xterm.window);
                   return snapshot && snapshot->extents.top > 0;
               });
    })) << "openbox --replace did not take over";
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;

    replacement.signal(SIGKILL);
    replacement.waitForExit(kLimit);
    ASSERT_TRUE(settle([&] { return !windowManagerRuns(connection()); }));
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    quitAndExpectEveryWindowAtItsOriginal();
}

// A change made a moment before the quit is there after the next start.
TEST_F(DesktopLife, AQuitRightAfterAChangeKeepsTheChange) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_EQ(tool({"move-right"}).status, 0);
    Arranged changed;
    ASSERT_TRUE(settle([&] {
        const auto now = arranged();
        if (!now || *now == before) return false;
        changed = *now;
        return true;
    }));
    ASSERT_EQ(changed.columns[1], before.columns[0]);
    brindlow_->signal(SIGTERM);
    EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(settle([&] { return arrangedAs(changed); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << changed;
    quitAndExpectEveryWindowAtItsOriginal();
}

// Every output off (a screen size that holds none of them), then on again: the strip waits and
// comes back as it was.
TEST_F(DesktopLife, OutputsOffAndOnAgainKeepTheArrangement) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const std::string output = firstOutput();
    ASSERT_FALSE(output.empty());
    switchedOff_ = output;
    // xrandr refuses the size (the output does not fit) after it has switched the output off.
    runProcess({"xrandr", "--fb", "1280x720"});
    ASSERT_TRUE(settle([&] {
        const auto json = listing();
        return json && json->at("displays").empty();
    })) << "a display is still in use";
    ASSERT_EQ(runProcess({"xrandr", "--fb", "1920x1080", "--output", output, "--auto"}).status, 0);
    switchedOff_.clear();
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    quitAndExpectEveryWindowAtItsOriginal();
}

// Started on the second desktop, Brindlow tiles what is there; the first desktop's windows join
// when the user goes there, and the quit on the second desktop puts every one back.
TEST_F(DesktopLife, StartedAndQuitOnTheSecondDesktopPutsTheWindowsOfBothBack) {
    startXterms(4);
    for (size_t index = 2; index < 4; ++index)
        ASSERT_TRUE(wmctrl({"-i", "-r", hex(xterms_[index].window), "-t", "1"}));
    ASSERT_TRUE(wmctrl({"-s", "1"}));
    ASSERT_TRUE(settle([&] { return currentDesktop() == 1; }));
    // Listed once it starts: the second desktop's xterms.
    std::vector<Xterm> firstDesktop;
    for (int index = 0; index < 2; ++index) {
        firstDesktop.push_back(std::move(xterms_.front()));
        xterms_.erase(xterms_.begin());
    }
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    for (Xterm& xterm : firstDesktop) xterms_.push_back(std::move(xterm));
    ASSERT_TRUE(wmctrl({"-s", "0"}));
    // The first desktop's xterms, tiled once the user is there.
    EXPECT_TRUE(settle([&] {
        const auto now = arranged();
        std::set<std::string> titles;
        if (now)
            for (const auto& column : now->columns) titles.insert(column.begin(), column.end());
        return titles == std::set<std::string>{xterms_[2].title, xterms_[3].title};
    })) << "now "
        << arranged().value_or(Arranged{});
    ASSERT_TRUE(wmctrl({"-s", "1"}));
    ASSERT_TRUE(settle([&] { return currentDesktop() == 1 && listedXterms() == 2; }));
    quitAndExpectEveryWindowAtItsOriginal();
}

// Windows on the second desktop when Brindlow quits and starts again: sent back, they take their
// columns, widths and stack again, and the quit puts every window back.
TEST_F(DesktopLife, WindowsAwayOverAQuitAndAStartComeBackToTheirPlaces) {
    liveOnTheHomeDesktop();
    ASSERT_FALSE(HasFatalFailure());
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> sent = {before.columns[1][1], before.columns[2][0]};
    for (const std::string& title : sent) ASSERT_TRUE(send(title, otherDesktop()));
    ASSERT_TRUE(settle([&] { return listedXterms() == 2; }));
    brindlow_->signal(SIGTERM);
    ASSERT_EQ(brindlow_->waitForExit(kLimit), 0);

    startBrindlowWithout(sent);
    ASSERT_FALSE(HasFatalFailure());
    for (const std::string& title : sent) ASSERT_TRUE(send(title, homeDesktop()));
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    quitAndExpectEveryWindowAtItsOriginal();
}

// Killed, Brindlow puts nothing back; started again, it still knows where every window of its
// start stood before, also one that is on the second desktop at the kill. One tiled after the
// start keeps no frame from before tiling: the quit leaves it on the screen.
TEST_F(DesktopLife, AfterAKillEveryWindowItMovedIsPutBackByTheNextRun) {
    liveOnTheHomeDesktop();
    ASSERT_FALSE(HasFatalFailure());
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    // Paused, Brindlow takes the new window in without moving it, so its original is known here.
    ASSERT_EQ(tool({"pause"}).status, 0);
    const Xterm& late = startXterm("e2e-xterm-5");
    ASSERT_NE(late.window, XCB_WINDOW_NONE);
    ASSERT_TRUE(settle([&] { return listedXterms() == 5; }));
    ASSERT_EQ(tool({"pause"}).status, 0);
    ASSERT_TRUE(settle([&] { return !atOriginal(late); })) << "the new xterm was not tiled";
    const std::string away = before.columns[2][0];
    ASSERT_TRUE(send(away, otherDesktop()));
    ASSERT_TRUE(settle([&] { return listedXterms() == 4; }));
    brindlow_->signal(SIGKILL);
    brindlow_->waitForExit(kLimit);

    startBrindlowWithout({away});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(send(away, homeDesktop()));
    ASSERT_TRUE(settle([&] { return listedXterms() == 5; }));
    quitAndExpectEveryWindowAtItsOriginal({"e2e-xterm-5"});
}

// Minimised when Brindlow is killed, a window it tiled is put back by the next run, restored
// before the quit or not.
TEST_F(DesktopLife, AWindowMinimisedAtAKillIsPutBackByTheNextRun) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> minimised = {before.columns[1][1], before.columns[0][0]};
    for (const std::string& title : minimised)
        ASSERT_TRUE(xdotool({"windowminimize", std::to_string(xtermTitled(title)->window)}));
    ASSERT_TRUE(settle([&] { return listedXterms() == 2; }));
    brindlow_->signal(SIGKILL);
    brindlow_->waitForExit(kLimit);

    startBrindlowWithout(minimised);
    ASSERT_FALSE(HasFatalFailure());
    // One restored, one still minimised at the quit.
    ASSERT_TRUE(wmctrl({"-i", "-a", hex(xtermTitled(minimised[0])->window)}));
    ASSERT_TRUE(settle([&] { return listedXterms() == 3; }));
    quitAndExpectEveryWindowAtItsOriginal();
}

// A window unmapped and mapped again 500 times (withdrawn and shown again, as some applications
// hide their windows) keeps its place in its stack and its frame from before tiling.
TEST_F(DesktopLife, AWindowWithdrawnAndShownAgainKeepsItsPlace) {
    const Arranged before = startArranged();
    ASSERT_FALSE(HasFatalFailure());
    const xcb_window_t id = xtermTitled(before.columns[1][1])->window;
    const std::string window = std::to_string(id);
    std::vector<std::string> flips;
    for (int flip = 0; flip < 500; ++flip)
        flips.insert(flips.end(), {"windowunmap", window, "windowmap", window});
    ASSERT_TRUE(xdotool(flips));
    // An unmap that overtakes a map still waiting in the window manager is lost, so the flips
    // end with a map. The window manager may show the window while flips are still queued for
    // it and withdraw it again after: only once it has caught up is none of them pending.
    // icewm in turn drops a map that reaches it while it still lets go of the window after the
    // unmap before it, and leaves the window withdrawn (without Brindlow too): once it has
    // handled every flip, such a window is mapped once more.
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    if (!shownByWindowManager(id)) {
        ASSERT_TRUE(xdotool({"windowmap", window}));
    }
    ASSERT_TRUE(settle([&] { return shownByWindowManager(id); }));
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    // Seen gone when withdrawn, then back.
    withdraw(id);
    ASSERT_TRUE(settle([&] { return listedXterms() == 3; }));
    ASSERT_TRUE(xdotool({"windowmap", window}));
    EXPECT_TRUE(settle([&] { return arrangedAs(before); }))
        << "now " << arranged().value_or(Arranged{}) << ", was " << before;
    quitAndExpectEveryWindowAtItsOriginal();
}

}  // namespace
}  // namespace brindlow::test
