#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/WindowManagerTraits.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// What is known of one application: the clients with the same pid.
struct X11AppInfo {
    std::int32_t pid = 0;
    std::string wmClass;
    std::uint64_t order = 0;  // when it was first seen
};

// The managed clients as the window manager publishes them, their applications and the
// active-window history: read again as the X events say they changed (ClientRefresh.cpp), and
// told to the subscribers.
class ClientRegistry : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // The managed clients, oldest first (every desktop).
    std::vector<xcb_window_t> clients() const;
    bool isClient(xcb_window_t window) const;
    // A client that left the list while its window lives on.
    bool isWithdrawn(xcb_window_t window) const;
    // Known as minimised, and not by Brindlow's parking.
    bool minimizedByOthers(xcb_window_t window) const;
    // Clients on the current desktop or on all desktops.
    bool onCurrentDesktop(const X11WindowSnapshot& snapshot) const;
    std::optional<std::int32_t> pidOf(xcb_window_t window) const;
    std::vector<X11AppInfo> applications() const;
    std::optional<X11AppInfo> application(std::int32_t pid) const;
    // The application's clients on every desktop, oldest first.
    std::vector<xcb_window_t> windowsOf(std::int32_t pid) const;
    std::optional<xcb_window_t> activeWindow() const;
    // The application's most recently active client that is still there.
    std::optional<xcb_window_t> focusedWindowOf(std::int32_t pid) const;

    // The client's current state; nothing when it is gone or no longer managed. Kept while no
    // X event at all comes in (every change to a client, its properties or its frame causes one),
    // so repeated reads of an idle desktop cost no round trip.
    std::optional<X11WindowSnapshot> read(xcb_window_t window);
    bool minimized(const X11WindowSnapshot& snapshot) const;
    // On another desktop: out of sight, but neither minimised nor gone.
    bool away(const X11WindowSnapshot& snapshot) const;
    // Maximised either way (or both): by its state, or by its frame beside a window manager that
    // lists no such state.
    bool maximized(const X11WindowSnapshot& snapshot) const;
    // By the state alone.
    bool maximized(const std::vector<xcb_atom_t>& states) const;
    // The running window manager lists no maximised state: only a full read of a window (its
    // frame) tells it.
    bool showsMaximizedOnlyByFrame() const;
    // Beside such a window manager: a request to maximise a client, or to take that back, heard
    // on its way to the window manager (a pager's; one of ours was noted by `maximizeSending`).
    // A maximise of a window already at the maximised size changes nothing the frame would show:
    // the window reads maximised from the request until we take the state back.
    void maximizeRequested(xcb_window_t window, std::uint32_t action,
                           const std::vector<xcb_atom_t>& states);
    // Our own request to add or remove the state goes out now.
    void maximizeSending(xcb_window_t window, bool on);
    std::string subrole(const X11WindowSnapshot& snapshot);
    bool hasWindowManager() const;
    // What the running window manager does (no name while none runs); decided when it starts.
    WindowManagerTraits windowManagerTraits() const;
    // Its drag buttons, asked for each pointer motion of a drag: read without the records' lock.
    DragButtons dragButtons() const;

    // readWindow(), the frame extents left out while no window manager runs.
    std::optional<X11WindowSnapshot> readClient(xcb_window_t window) const;
    std::vector<std::optional<X11WindowFrame>> readClientFrames(
        const std::vector<xcb_window_t>& windows, bool placesOnly = false) const;
    // Whether the client sits in a window manager's frame (a root child of its own).
    bool isFramed(xcb_window_t client) const;
    std::optional<xcb_window_t> clientFramedBy(xcb_window_t frame);
    xcb_window_t checkWindowNow() const;

    // Reads the client list again; `destroyed` is a window known to be gone, whether or not
    // the window manager still lists it.
    void refreshClients(std::optional<xcb_window_t> destroyed = std::nullopt);
    void refreshActive();
    void refreshWindow(xcb_window_t window, bool titleMayChange);
    // After a configure: the window's place and size only.
    void refreshGeometry(xcb_window_t window);
    // After a configure of the frame that holds `client`, standing at `topLevel` now.
    void frameConfigured(xcb_window_t client, const Rect& topLevel);
    void refreshAllMinimized();

  private:
    // read(), answered from the snapshots while no event came in.
    std::optional<X11WindowSnapshot> snapshotOf(xcb_window_t window) const;
    bool windowExists(xcb_window_t window);
    std::vector<xcb_window_t> readClientList();
    std::int32_t resolvePid(const X11WindowSnapshot& snapshot);
    // Another window manager (or none) runs from now on: its traits are decided and logged.
    void windowManagerChanged(xcb_window_t check);

    // Held by a refresh of the clients or the active window, from its read to its last event.
    std::mutex refreshMutex_;
    // The rest under the records' lock.
    std::vector<xcb_window_t> clients_;
    // Whether the clients were listed once: those listed first are there as Brindlow starts.
    bool listedOnce_ = false;
    // Clients that left the list while their window lives on (withdrawn by their application,
    // or let go by a window manager that is ending), with their pid: reported as minimised, so
    // nothing of them is forgotten, until the window is destroyed or listed again.
    std::map<xcb_window_t, std::int32_t> withdrawn_;
    std::map<std::int32_t, X11AppInfo> apps_;
    std::uint64_t nextOrder_ = 1;
    std::vector<xcb_window_t> activeHistory_;  // most recent first
    std::optional<std::int32_t> activePid_;
    std::uint32_t currentDesktop_ = 0;
    // Read by waits on the event thread (WindowManagerWait::awaitWindowManager); written under
    // the lock.
    std::atomic<bool> windowManager_{false};
    xcb_window_t checkWindow_ = XCB_WINDOW_NONE;  // the running window manager's
    // The traits' drag buttons (the buttons in the low byte, the modifier above), kept in step
    // with them.
    std::atomic<std::uint16_t> dragButtons_{packDragButtons(DragButtons{})};
    static constexpr std::uint16_t packDragButtons(const DragButtons& drag) {
        return std::uint16_t(drag.buttons | (std::uint16_t(drag.modifier) << 8));
    }
    // Beside a window manager that lists no maximised state: the clients a pager asked to
    // maximise, and the count of our own requests for each client not heard back yet.
    mutable std::mutex maximizeMutex_;
    std::set<xcb_window_t> askedMaximized_;
    std::map<xcb_window_t, int> ownMaximizeRequests_;
    // Snapshots read while no event came in, and the event count they were read at.
    mutable std::map<xcb_window_t, X11WindowSnapshot> snapshots_;
    mutable std::uint64_t snapshotEvents_ = 0;
};

}  // namespace brindlow
