#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/PanelDesktop.h"
#include "platform/RunningProcesses.h"
#include "platform/x11/panels/RestackAttempts.h"

namespace brindlow {

class X11Connection;
class X11Desktop;

// The panel services over the shared connection: EWMH requests to the window manager and the
// process list from /proc.
class X11PanelDesktop final : public PanelDesktop {
  public:
    X11PanelDesktop(X11Connection& connection, X11Desktop& desktop);
    ~X11PanelDesktop() override;
    X11PanelDesktop(const X11PanelDesktop&) = delete;
    X11PanelDesktop& operator=(const X11PanelDesktop&) = delete;

    std::optional<std::uint32_t> activeWindow() override;
    std::optional<std::uint32_t> keyboardFocus() override;
    ObserverToken watchActiveWindow(ActiveWindowChanged changed) override;
    void unwatchActiveWindow(ObserverToken token) override;
    void activate(std::uint32_t window) override;
    bool activateAndWait(std::uint32_t window, double limit) override;
    bool handFocusBack(std::uint32_t window) override;
    bool moveToCurrentDesktop(std::uint32_t window, double limit) override;
    void keepOwnWindowsOutOf(const std::vector<std::uint32_t>& group) override;
    void raiseWithoutFocus(std::uint32_t window) override;
    void preparePanel(std::uint32_t window, bool keepAbove) override;
    void watchFraming(std::uint32_t window, std::function<void()> unframed) override;
    bool framesTranslucentAfterOutputsChange() override;
    bool compositorRunning() override;
    std::optional<std::string> windowManagerName() override;
    std::vector<std::string> processNames() override;

  private:
    // Asks again for a prepared panel to show on every desktop once it is mapped: some window
    // managers (KWin, xfwm4) put a window they map on the current desktop whatever it asked.
    void onEvent(const xcb_generic_event_t& event);
    // Raises a window the window manager has taken on, one way or the other.
    void raiseManaged(xcb_window_t window);
    // Ends the hold above the others once the focus moved.
    void activeChanged();
    // Moves a window of ours that stands between two windows of the kept group below the lowest.
    // `now`: the server time of the change that called for it, if any.
    void keepOutOfGroup(xcb_timestamp_t now = XCB_CURRENT_TIME);
    // Brings the user time of a window of ours up to `now` (or the active window's published one):
    // some window managers (marco) drop the stacking requests of a client whose user time is
    // older than the active window's.
    void catchUpUserTime(xcb_window_t window, xcb_timestamp_t now);
    // The window that carries a client's _NET_WM_USER_TIME: its own, or the one it names.
    xcb_window_t userTimeWindowOf(xcb_window_t window);
    // The root child that holds a client: the window manager's frame, or the client itself.
    xcb_window_t topLevelOf(xcb_window_t window);
    bool windowManagerSupports(xcb_atom_t hint);
    // A window the window manager reports at (x, y) that is still the root's child and stands
    // elsewhere: it was never framed.
    bool standsUnframedElsewhere(xcb_window_t window, int x, int y);

    // A window raised by holding it above the ordinary ones, and the window focused then.
    struct HeldAbove {
        xcb_window_t window = XCB_WINDOW_NONE;
        xcb_window_t activeAtRaise = XCB_WINDOW_NONE;
    };

    X11Connection& x_;
    X11Desktop& desktop_;
    std::uint64_t listener_ = 0;
    std::mutex mutex_;
    std::set<std::uint32_t> awaitingMap_;
    std::set<std::uint32_t> raiseWhenMapped_;
    std::map<std::uint32_t, std::function<void()>> framingWatched_;
    std::optional<HeldAbove> heldAbove_;
    // Held while the watchers run, so that one unwatched is over.
    std::mutex watchersMutex_;
    std::map<ObserverToken, ActiveWindowChanged> activeWatchers_;
    ObserverToken lastWatcher_ = 0;
    std::vector<std::uint32_t> group_;
    RestackAttempts restackAttempts_;
    // Read once a second while the welcome window shows: only newcomers' names are read.
    std::mutex processNamesMutex_;
    ProcessNames processNames_;
};

}  // namespace brindlow
