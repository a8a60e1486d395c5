#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/AccessibilityTypes.h"
#include "platform/x11/FocusHandBack.h"
#include "platform/x11/FocusOnMapHold.h"
#include "platform/x11/ParkedHiding.h"
#include "platform/x11/X11Properties.h"

namespace brindlow {

class X11Connection;

// A change to one client window, as the X events tell it.
struct X11WindowEvent {
    enum class Kind {
        created,
        destroyed,
        focused,
        minimized,
        restored,
        resized,
        moved,
        titleChanged,
        away,  // left the current desktop
        back,  // on the current desktop again
    };
    Kind kind;
    xcb_window_t window;
    std::int32_t pid;
};

// A change to the set of running applications.
struct X11AppEvent {
    // deactivated: the active window became none; `pid` had it.
    enum class Kind { launched, terminated, activated, deactivated };
    Kind kind;
    std::int32_t pid;
};

// What is known of one application: the clients with the same pid.
struct X11AppInfo {
    std::int32_t pid = 0;
    std::string wmClass;
    std::uint64_t order = 0;  // when it was first seen
};

// The desktop as the window manager publishes it: the managed clients, their
// applications, the active-window history, and the operations on a client.
// Events are read on the connection's thread and handed to the subscribers
// there; subscribers hop to their own executor.
class X11Desktop {
  public:
    using WindowHandler = std::function<void(const X11WindowEvent&)>;
    using AppHandler = std::function<void(const X11AppEvent&)>;
    using ChangeHandler = std::function<void()>;

    explicit X11Desktop(X11Connection& connection);
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    X11Connection& connection() { return x_; }
    // A window of Brindlow's own (a panel's choice) asks the window manager to focus `window`:
    // until the hand-over ends, parking leaves the window shown, as it does the active window;
    // an iconify the window manager handled after the focus request would take the focus away.
    void handFocusTo(xcb_window_t window);
    // The window manager focused it (`taken`: hidden once it loses the focus), or did not in time
    // (a hiding that waited goes out now).
    void focusHandOverEnded(bool taken);

    std::uint64_t subscribeWindows(WindowHandler handler);
    std::uint64_t subscribeApps(AppHandler handler);
    // Monitors, panels' struts or the work area changed.
    std::uint64_t subscribeScreenChanges(ChangeHandler handler);
    // The window manager republished its stacking list.
    std::uint64_t subscribeStackingChanges(ChangeHandler handler);
    void unsubscribe(std::uint64_t id);

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
    // How many events the desktop has heard from the server so far: every change to a client,
    // the client list or the root comes as one.
    std::uint64_t eventCount() const { return eventCount_.load(); }
    // The application's most recently active client that is still there.
    std::optional<xcb_window_t> focusedWindowOf(std::int32_t pid) const;

    // The client's current state; nothing when it is gone or no longer managed. Kept while no
    // X event at all comes in (every change to a client, its properties or its frame causes one),
    // so repeated reads of an idle desktop cost no round trip.
    std::optional<X11WindowSnapshot> read(xcb_window_t window);
    bool minimized(const X11WindowSnapshot& snapshot) const;
    // On another desktop: out of sight, but neither minimised nor gone.
    bool away(const X11WindowSnapshot& snapshot) const;
    std::string subrole(const X11WindowSnapshot& snapshot);

    // Moves and/or resizes the outer frame and waits until the window manager
    // has handled the request (or `timeout` passes). success, invalidElement
    // for a window that is gone, cannotComplete on time-out.
    AXError moveResize(xcb_window_t window, std::optional<Point> origin, std::optional<Size> size,
                       double timeout);
    // setFrames() with one result: success when every window that is still there took its
    // request (parked windows hidden as by moveResize), else the first failure.
    AXError moveResizeAll(const std::vector<std::pair<xcb_window_t, Rect>>& targets,
                          double timeout);
    // Moves and resizes several outer frames together: one request per window that has to
    // change, one wait for the window manager to handle them all, then the size once more for
    // the windows whose read-back size differs. One result per target, in order.
    std::vector<FrameWriteResult> setFrames(
        const std::vector<std::pair<xcb_window_t, Rect>>& targets, double timeout);
    // Asks for the window to go under the others of its layer (_NET_RESTACK_WINDOW,
    // Below, no sibling); does not wait for the window manager.
    AXError lower(xcb_window_t window);
    // Asks for the window to go directly above `sibling` (_NET_RESTACK_WINDOW, Above); does not
    // wait for the window manager.
    AXError restackAbove(xcb_window_t window, xcb_window_t sibling);
    // Whether the window's frame stands directly above the sibling's among the clients' frames
    // in `children` (the root's, bottom to top); a window manager's own windows between them, or
    // ours, do not count.
    bool directlyAbove(xcb_window_t window, xcb_window_t sibling,
                       const std::vector<xcb_window_t>& children);
    std::vector<xcb_window_t> rootChildren();
    // Raises and focuses the window (a minimised one comes back), once per raise: a further ask
    // within moments, while the window is still active, sends nothing.
    AXError activate(xcb_window_t window, double timeout);
    AXError setFullScreen(xcb_window_t window, bool on, double timeout);
    AXError setMinimized(xcb_window_t window, bool on, double timeout);

    bool hasWindowManager() const;

    // The last resort when the windows could not be put back in time: every client left out of
    // sight by parking (iconified, or standing mostly off the screen) is shown and moved fully
    // onto the screen, where it stands in height. Sends the requests and waits for nobody.
    void bringParkedIntoView();

    // Where a window iconified for parking stands for Brindlow (its parked frame); nothing for
    // every other window.
    std::optional<Rect> parkedFrame(xcb_window_t window) const { return parking_.frameOf(window); }

  private:
    struct Known {
        std::int32_t pid = 0;
        bool minimized = false;
        bool away = false;
        Rect frame;
        std::string title;
        // The root child that holds the client: the window manager's frame, or
        // the client itself when it is not reparented.
        xcb_window_t topLevel = 0;
        // Where the window manager's frame stood at its last configure.
        std::optional<Rect> topLevelFrame;
    };

    // Full screen: moves and resizes leave it where it is.
    bool fillsScreen(const X11WindowSnapshot& snapshot) const;
    // readWindow(), answered from the snapshots while no event came in.
    std::optional<X11WindowSnapshot> snapshotOf(xcb_window_t window) const;
    void onEvent(const xcb_generic_event_t& event);
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
    std::optional<xcb_window_t> clientFramedBy(xcb_window_t frame);
    // Whether the client sits in a window manager's frame (a root child of its own).
    bool isFramed(xcb_window_t client) const;
    bool windowExists(xcb_window_t window);
    // What was learned of how the window manager answers (with `mutex_` held): another one, or
    // none, came.
    void forgetWindowManagerTraits();
    xcb_window_t checkWindowNow() const;
    // readWindow(), the frame extents left out while no window manager runs.
    std::optional<X11WindowSnapshot> readClient(xcb_window_t window) const;
    std::vector<std::optional<X11WindowFrame>> readClientFrames(
        const std::vector<xcb_window_t>& windows, bool placesOnly = false) const;
    std::vector<xcb_window_t> readClientList();
    std::int32_t resolvePid(const X11WindowSnapshot& snapshot);
    void emit(const X11WindowEvent& event);
    void emit(const X11AppEvent& event);
    void emitScreensChanged();
    // Waits until the window manager has handled every request sent before:
    // it answers _NET_REQUEST_FRAME_EXTENTS by writing the property.
    // What probeFence learned: whether the window manager answered, whether it turned out to be
    // one that leaves the request unanswered (then the caller judges by what the windows show
    // now, and later waits fall back at once), and the time the wait was given.
    struct FenceOutcome {
        bool answered = false;
        bool silent = false;
        double timeout = 0;
        // The window manager ended during the wait (or ran no more): what was sent to it is lost.
        bool windowManagerGone = false;
    };
    // What a wait for the window manager came to.
    enum class Answer { heard, unheard, windowManagerGone };
    // X11Connection::waitForEvent() for an answer of the window manager's: it also ends, at once,
    // when no window manager runs after `send` or the moment it ends (nobody answers then).
    Answer awaitWindowManager(const std::function<bool(const xcb_generic_event_t&)>& accept,
                              double timeout, const std::function<bool()>& send);
    // Runs `send`, then asks the window manager for the frame extents of a fresh probe window
    // and waits for its answer; `endsWait` sees every other event and may end the wait early.
    // None when the window manager is known not to answer (the caller falls back).
    std::optional<FenceOutcome> probeFence(
        double timeout, const std::function<void()>& send,
        const std::function<bool(const xcb_generic_event_t&)>& endsWait);
    AXError fence(xcb_window_t window, double timeout, const std::function<void()>& send);
    // An unmapped window of ours to ask the frame extents of, one per waiting caller; one whose
    // answer came goes back for the next wait, which saves making one for every frame.
    xcb_window_t takeProbe();
    void returnProbe(xcb_window_t probe);
    // For a window manager that leaves frame-extents requests unanswered.
    AXError fallbackFence(xcb_window_t window, double timeout, const std::function<void()>& send);
    AXError fallbackSigns(xcb_window_t window, double timeout, const std::function<void()>& send);
    // What shows that the window manager carried out one window's request: its frame at (x, y)
    // or its client told it stands at (clientX, clientY), and, when a size was asked, its client
    // at that size.
    struct FrameSign {
        std::int32_t x = 0, y = 0;
        std::int32_t clientX = 0, clientY = 0;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> clientSize;
    };
    // The same wait for requests about several windows; `gone` is set for those destroyed
    // meanwhile. With `signs`, the windows' own configure events answer (a window without one
    // counts as handled once the others show theirs), and the window manager is asked for
    // nothing more unless one of them does not show its sign in time.
    AXError fenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                     const std::function<void()>& send, std::vector<bool>& gone,
                     const std::vector<std::optional<FrameSign>>* signs = nullptr);
    // Sends, then waits until every window with a sign shows it (or is destroyed): `missed` when
    // one showed none within `timeout`. Sends nothing (`none`) when no window has a sign or one
    // of them is not framed.
    enum class SignWait { none, seen, missed, windowManagerGone };
    SignWait awaitFrameSigns(const std::vector<xcb_window_t>& windows,
                             const std::vector<std::optional<FrameSign>>& signs, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    AXError fallbackFenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    AXError fallbackSignsAll(const std::vector<xcb_window_t>& windows, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    // Runs `send`, then asks a probe of ours to take another size: a window manager passes such
    // a request on only after whatever it was sent before, also one that leaves frame-extents
    // requests unanswered. The fallbacks' wait where it can be had: a first sign of a request
    // tells nothing of a second one about the same window. `endsWait` may end the wait early.
    // None when the window manager is known not to pass the request on.
    std::optional<FenceOutcome> passOnFence(
        double timeout, const std::function<void()>& send,
        const std::function<bool(const xcb_generic_event_t&)>& endsWait);
    // Waits until each window's frame stands at `places` (its outer frame's origin), or the window
    // manager moved its frame or told its client a place, or `timeout` passed; the windows'
    // frames as read last. Some window managers (fvwm) resize a client first and move its frame
    // only a moment later, after the client's own configure event and a probe's answer.
    std::vector<std::optional<X11WindowFrame>> awaitLateMoves(
        const std::vector<xcb_window_t>& windows, const std::vector<Point>& places, double timeout);
    // Sends one move/resize request. `parkingTarget`, when given, is noted as the frame last asked
    // of the window in the same step, so that the notes of moves sent from several threads come in
    // the order the window manager sees the requests.
    void sendMoveResize(xcb_window_t window, std::uint32_t flags, std::int32_t x, std::int32_t y,
                        std::uint32_t width, std::uint32_t height,
                        const std::optional<Rect>& parkingTarget = std::nullopt);
    // sendMoveResize() for a window whose frame's left edge stands at `standsAtX`, to go to the
    // outer frame `frame`. A window manager may put a window that is resized but not moved back
    // onto the screen (openbox does, whatever the request says of its place): a frame reaching
    // past the screen's side, resized where it stands, goes with a place one point further out
    // and then the place itself, so that it never shows nearer the screen than where it goes.
    void sendResizeFrom(std::int32_t standsAtX, const Rect& frame, xcb_window_t window,
                        std::uint32_t flags, std::int32_t x, std::int32_t y, std::uint32_t width,
                        std::uint32_t height, const std::optional<Rect>& parkingTarget);
    // activate() without its check: the request as asked.
    AXError activateNow(xcb_window_t window, double timeout);
    // moveResize() without the parking: the request as asked.
    AXError moveResizeNow(xcb_window_t window, std::optional<Point> origin,
                          std::optional<Size> size, double timeout,
                          const std::optional<Rect>& parkingTarget = std::nullopt);
    // Parking beside a window manager that keeps windows in view (X11DesktopParking.cpp).
    Rect rootFrame() const;
    // Iconifies windows to keep them out of sight while parked, marked as Brindlow's doing.
    void hideParked(const std::vector<xcb_window_t>& windows);
    // Maps a window hidden for parking again, now that it is in view.
    void showParked(xcb_window_t window);
    // A parked window left in view (or on top) while it was active goes out of sight (or under)
    // once it is not.
    void hideFormerlyActive(std::optional<xcb_window_t> former);
    // Whether `active` only took the focus because we mapped it back from parking (some window
    // managers focus a window leaving the iconic state); with the lock held. The focus then goes
    // back to `former`.
    bool focusedByShowing(xcb_window_t active, std::optional<xcb_window_t> former);
    // Asks the window manager to give the focus back to `to` once a marker shows that no desktop
    // switch came in meanwhile (FocusHandBack), without waiting: event thread.
    void handFocusBack(xcb_window_t from, xcb_window_t to);
    // A client message to the root or to us, for the hand-back: a desktop switch, an activation,
    // a marker (FocusHandBack).
    void handBackHeard(const xcb_client_message_event_t& message);
    void sendHandBackMarker(std::uint32_t marker);
    // A window hidden for parking, or being shown again, was minimised by someone else: it is
    // no longer Brindlow's doing (and is minimised again where Brindlow's map may have undone it).
    void forgetParked(xcb_window_t window);
    // Asks the window manager once more to minimise a window the user minimised while Brindlow
    // was mapping it back from parking.
    void minimiseAgain(xcb_window_t window);
    // The parked mark and the focus hold of a window no longer parked go.
    void dropParkedMark(xcb_window_t window);
    // The window manager showed a parked window normal, or iconic: its parking is settled
    // (ParkedHiding::windowManagerShows), and its mark goes once it is no longer parked.
    void restoredByOthers(xcb_window_t window);
    // Someone asked the window manager to iconify the window (WM_CHANGE_STATE): unless it was
    // Brindlow hiding it for parking, the window is minimised from now on.
    void iconifyRequested(xcb_window_t window);
    // Someone asked the window manager to move the window to `desktop` (_NET_WM_DESKTOP): unless
    // it was Brindlow, a window shown from parking now or soon goes there, whatever its map does.
    void desktopRequested(xcb_window_t window, std::uint32_t desktop);
    // Maps a window shown from parking and sends it to `desktop` (someone else's choice made
    // meanwhile wins), in one step with desktopRequested.
    void mapToDesktop(xcb_window_t window, std::optional<std::uint32_t> desktop);
    // A window a Brindlow before this one left iconified for parking counts as parked, not as
    // minimised by the user.
    void adoptParked(const X11WindowSnapshot& snapshot);
    // Gives a withdrawn window, which no window manager manages, the place and size of a frame
    // (either may stay) by configuring it directly: what it takes when shown again
    // (X11DesktopWithdrawn.cpp).
    FrameWriteResult putBackWithdrawn(xcb_window_t window, std::optional<Point> origin,
                                      std::optional<Size> size);
    // Notes the frame extents a window manager gave a client, unless none: what a withdrawn
    // window's decorations were once the window manager took them away.
    void rememberDecorations(xcb_window_t window, const FrameExtents& extents);

    X11Connection& x_;
    std::uint64_t listener_ = 0;
    std::atomic<std::uint64_t> eventCount_{0};
    xcb_atom_t wmStateAtom_ = XCB_ATOM_NONE;
    xcb_atom_t changeStateAtom_ = XCB_ATOM_NONE;
    // Held by a refresh of the clients or the active window, from its read to its last event.
    std::mutex refreshMutex_;

    mutable std::mutex mutex_;
    std::vector<xcb_window_t> clients_;
    std::map<xcb_window_t, Known> known_;
    // Clients that left the list while their window lives on (withdrawn by their application,
    // or let go by a window manager that is ending), with their pid: reported as minimised, so
    // nothing of them is forgotten, until the window is destroyed or listed again.
    std::map<xcb_window_t, std::int32_t> withdrawn_;
    // The last frame extents of each client that had any (rememberDecorations).
    std::map<xcb_window_t, FrameExtents> decorations_;
    std::map<std::int32_t, X11AppInfo> apps_;
    std::uint64_t nextOrder_ = 1;
    std::vector<xcb_window_t> activeHistory_;  // most recent first
    std::optional<xcb_window_t> active_;
    std::optional<std::int32_t> activePid_;
    std::uint32_t currentDesktop_ = 0;
    // Read by waits on the event thread (awaitWindowManager); written under `mutex_`.
    std::atomic<bool> windowManager_{false};
    xcb_window_t checkWindow_ = XCB_WINDOW_NONE;  // the running window manager's
    // Snapshots read while no event came in, and the event count they were read at.
    mutable std::map<xcb_window_t, X11WindowSnapshot> snapshots_;
    mutable std::uint64_t snapshotEvents_ = 0;
    std::mutex probesMutex_;
    std::vector<xcb_window_t> probes_;
    // Whether the window manager answers the fence; unknown until first tried.
    std::optional<bool> fenceAnswered_;
    // Frame batches in a row whose windows did not all show their signs in time.
    std::atomic<int> signsMissed_{0};
    std::optional<bool> passesOn_;  // guarded by mutex_: whether passOnFence() was ever answered
    std::atomic<std::uint32_t> passOnRounds_{0};
    // Late moves in a row that never came: the window manager kept those windows where they
    // stood (it holds them there), and is not waited for from then on.
    std::atomic<int> lateMovesMissed_{0};
    // The window Brindlow last activated, and when.
    std::optional<std::pair<xcb_window_t, std::chrono::steady_clock::time_point>> lastActivation_;
    // The window Brindlow is activating now, from its request until the window manager answers.
    std::optional<xcb_window_t> activating_;
    // The focus taken by a window mapped back goes back to where it was (handFocusBack); its
    // markers go to an unmapped window of our own.
    FocusHandBack focusHandBack_;
    xcb_window_t handBackMarkers_ = XCB_WINDOW_NONE;
    xcb_atom_t handBackAtom_ = XCB_ATOM_NONE;
    // The parked window last mapped back, when, and which window had the focus then.
    struct ShownFromParking {
        xcb_window_t window = XCB_WINDOW_NONE;
        std::chrono::steady_clock::time_point time;
        std::optional<xcb_window_t> focused;
    };
    std::optional<ShownFromParking> shownFromParking_;
    // The window a window of ours asks the window manager to focus (handFocusTo).
    std::optional<xcb_window_t> focusHandedTo_;
    // A parked window to iconify, or to lower, once it is no longer the active one.
    std::optional<xcb_window_t> hideWhenInactive_;
    std::optional<xcb_window_t> lowerWhenInactive_;
    // Iconify requests Brindlow sent for parking that have not come back to it yet, per window.
    std::map<xcb_window_t, int> ownIconifying_;
    // Iconify requests of others (the user, a taskbar) for windows not parked then, and when:
    // a layout already on its way must not take such a window for one to park.
    std::map<xcb_window_t, std::chrono::steady_clock::time_point> minimisedByOthers_;
    // Desktop requests Brindlow sent for windows shown from parking, not come back to it yet: a
    // window and its desktop each (a user's request for another desktop in between is not ours).
    std::multiset<std::pair<xcb_window_t, std::uint32_t>> ownDesktopRequests_;
    // The desktop someone else last asked the window manager to move a window to, and when.
    std::map<xcb_window_t, std::pair<std::uint32_t, std::chrono::steady_clock::time_point>>
        desktopAskedByOthers_;
    // Clients listed and taken on that the window manager has not shown yet (see refreshClients).
    std::set<xcb_window_t> awaitingShow_;
    // Windows iconified because the window manager would not let them park off screen.
    ParkedHiding parking_;
    // Set by bringParkedIntoView(): parking hides nothing from then on.
    std::atomic<bool> parkingGivenUp_{false};
    // Keeps a parked window that is mapped back from taking the focus as it shows.
    FocusOnMapHold focusOnMapHold_{x_};
    // Held while a move is noted and sent (sendMoveResize).
    std::mutex sendMutex_;

    std::mutex handlersMutex_;
    std::uint64_t nextHandler_ = 1;
    std::map<std::uint64_t, WindowHandler> windowHandlers_;
    std::map<std::uint64_t, AppHandler> appHandlers_;
    std::map<std::uint64_t, ChangeHandler> screenHandlers_;
    std::map<std::uint64_t, ChangeHandler> stackingHandlers_;
    // The last restack asked for, with the root's children as they stood when it went out.
    struct Restack {
        xcb_window_t window = XCB_WINDOW_NONE;
        xcb_window_t sibling = XCB_WINDOW_NONE;
        std::vector<xcb_window_t> children;
    };
    std::optional<Restack> lastRestack_;  // guarded by mutex_
};

}  // namespace brindlow
