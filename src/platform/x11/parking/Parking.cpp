// Parking beside a window manager that keeps every window in view: a parked window it pulls back
// on screen is iconified instead, marked on the window as Brindlow's doing, and mapped again once
// its column scrolls back into view.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/parking/Parking.h"
#include "platform/x11/windows/MoveResizeRequest.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

// Set on a client while Brindlow keeps it iconified for parking, so that a later run (after a
// crash) does not take it for a window the user minimised.
constexpr const char* kParkedProperty = "_BRINDLOW_PARKED";
using moveresize::kSourcePager;
// How long showing a window waits for the window manager to handle an iconify still on its way.
constexpr double kIconifyWait = 0.5;

const Logger& parkingLog() {
    static const Logger logger = makeLogger("Parking");
    return logger;
}

}  // namespace

void Parking::bringParkedIntoView() {
    const Rect screen = rootFrame();
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    const std::vector<xcb_window_t> windows = registry().clients();
    const std::vector<std::optional<X11WindowFrame>> frames = registry().readClientFrames(windows);
    const bool windowManager = registry().hasWindowManager();
    // Nothing goes out of sight again, not even a window hidden once it is no longer active.
    parkingGivenUp_ = true;
    {
        std::lock_guard lock(d_.mutex);
        d_.hideWhenInactive.reset();
        d_.lowerWhenInactive.reset();
    }
    // A map that overtakes an iconify still on its way is lost: the window manager handles those
    // first, in one short wait for all.
    if (windowManager && std::any_of(windows.begin(), windows.end(), [&](xcb_window_t window) {
            return d_.parked.isIconifying(window);
        }))
        waits().probeFence(
            kIconifyWait, [] {}, [](const xcb_generic_event_t&) { return false; });
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t window = windows[i];
        if (!frames[i]) continue;
        const bool hidden = d_.parked.isHidden(window);
        const Rect outer = frames[i]->outerFrame();
        if (!hidden && !ParkedHiding::isParked(outer, screen)) continue;
        // All of it on the screen, the left edge first where it is wider.
        const double x = std::max(screen.x, std::min(outer.x, screen.maxX() - outer.width));
        if (std::lround(x) != std::lround(outer.x)) {
            // The request places the window manager's frame, the client's invisible margin
            // included (as does a client placed without one).
            const Point request = frames[i]->requestOrigin(Point(x, outer.y));
            const auto left = std::int32_t(std::lround(request.x));
            const auto top = std::int32_t(std::lround(request.y));
            if (windowManager) {
                // With the size the client keeps: fluxbox grows a client moved without one.
                const Rect& client = frames[i]->clientFrame;
                frameWriter().sendMoveResize(
                    window,
                    XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12) | XCB_EWMH_MOVERESIZE_WINDOW_X |
                        XCB_EWMH_MOVERESIZE_WINDOW_Y | XCB_EWMH_MOVERESIZE_WINDOW_WIDTH |
                        XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT,
                    left, top, std::uint32_t(std::lround(client.width)),
                    std::uint32_t(std::lround(client.height)));
            } else {
                const std::uint32_t place[] = {std::uint32_t(left), std::uint32_t(top)};
                xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                                     place);
            }
        }
        if (hidden) {
            // A client leaves the iconic state by mapping its window; nothing marks it parked now.
            xcb_delete_property(x_.xcb(), window, parked);
            xcb_map_window(x_.xcb(), window);
        }
        parkingLog().info("Window 0x%x brought into view: it was not put back in time", window);
    }
    x_.flush();
}

Rect Parking::rootFrame() const {
    return Rect(0, 0, x_.screen()->width_in_pixels, x_.screen()->height_in_pixels);
}

void Parking::awaitMapFocus(const std::vector<xcb_window_t>& windows) {
    const xcb_atom_t activeAtom = x_.ewmh()->_NET_ACTIVE_WINDOW;
    const auto activeChanged = [&](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return change.window == x_.root() && change.atom == activeAtom;
    };
    for (const xcb_window_t window : windows) {
        // Read under the lock each time: the desktop hears an event before the wait does.
        const auto left = [&]() -> std::optional<std::chrono::steady_clock::duration> {
            std::lock_guard lock(d_.mutex);
            if (d_.active == window) return std::nullopt;
            return d_.mapFocusDue.awaitedFor(window, std::chrono::steady_clock::now());
        };
        for (auto wait = left(); wait; wait = left()) {
            const double seconds = std::chrono::duration<double>(*wait).count();
            if (waits().awaitWindowManager(activeChanged, seconds, [&] { return !left(); }) !=
                WindowManagerWait::Answer::heard)
                break;
        }
        std::lock_guard lock(d_.mutex);
        d_.mapFocusDue.ended(window);
    }
}

void Parking::hideParked(const std::vector<xcb_window_t>& windows) {
    if (windows.empty() || parkingGivenUp_.load()) return;
    // A new window the window manager is about to focus for its map: iconified first, it would
    // lose that focus to a window the window manager picks instead. Once focused, it is hidden
    // when it no longer is (below).
    awaitMapFocus(windows);
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    const xcb_atom_t changeState = x_.atom("WM_CHANGE_STATE");
    std::vector<xcb_window_t> minimised;
    for (const xcb_window_t window : windows) {
        {
            std::lock_guard lock(d_.mutex);
            // Minimised by someone else, however long before a layout planned on the strip's
            // older state parked it, and not shown again since: it stays minimised, and is no
            // longer Brindlow's doing. A window manager that refused that minimise says nothing
            // (X has no answer for it), and would refuse parking's iconify of the window too.
            if (d_.minimisedByOthers.contains(window)) {
                minimised.push_back(window);
                continue;
            }
            // Iconifying the active window would make the window manager pick another one to
            // focus, racing the raise that follows; it goes once the focus has moved on.
            if (d_.active == window || d_.focusHandedTo == window) {
                d_.hideWhenInactive = window;
                continue;
            }
            if (d_.hideWhenInactive == window) d_.hideWhenInactive.reset();
        }
        parkingLog().info("Parked window 0x%x iconified: the window manager keeps it in view",
                          window);
        const std::uint32_t mark = 1;
        xcb_change_property(x_.xcb(), XCB_PROP_MODE_REPLACE, window, parked, XCB_ATOM_CARDINAL, 32,
                            1, &mark);
        {
            std::lock_guard lock(d_.mutex);
            ++d_.ownIconifying[window];
        }
        const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), changeState, 1, &iconic);
    }
    x_.flush();
    for (const xcb_window_t window : minimised) {
        parkingLog().info("Parked window 0x%x minimised by the user", window);
        forgetParked(window);
        registry().refreshWindow(window, false);
    }
}

void Parking::showParked(xcb_window_t window) {
    // Minimised by the user since the layout planned to show it: it stays so.
    const std::optional<bool> iconifying = d_.parked.shown(window);
    if (!iconifying) return;
    {
        std::lock_guard lock(d_.mutex);
        if (d_.hideWhenInactive == window) d_.hideWhenInactive.reset();
        d_.shownFromParking = ShownFromParking{window, std::chrono::steady_clock::now(), d_.active};
    }
    // The map of a window still mapped is lost, and the iconify the window manager handles next
    // would leave it iconic (a quit right after a hide): the window manager handles it first.
    if (*iconifying) {
        waits().fence(window, kIconifyWait, [] {});
        d_.parked.iconifyHandled(window);
    }
    const std::optional<X11WindowSnapshot> snapshot = registry().read(window);
    // The mark goes once the window manager shows the window (restoredByOthers): a run killed
    // before then leaves it iconic and marked, and the next run takes it for parked, not
    // minimised. Without a window manager nothing will show it as normal.
    if (!registry().hasWindowManager())
        xcb_delete_property(x_.xcb(), window, x_.atom(kParkedProperty));
    // A window still mapped (left shown while it had the focus) is not mapped anew. Held only
    // beside a window manager that focuses a window leaving the iconic state.
    if ((!snapshot || !snapshot->mapped) && registry().windowManagerTraits().focusesMappedBack)
        focusOnMapHold_.hold(window);
    // Some window managers (metacity, marco) bring a window that leaves the iconic state to the
    // current desktop: it is sent back to its own, also when it reads as on the current one (the
    // user may switch desktops before the window manager sees the map). Read right before the
    // map, after the waits above: a user's move of the window to another desktop meanwhile is
    // where it is to stay.
    const std::optional<std::uint32_t> desktop =
        readCardinal(x_, window, x_.ewmh()->_NET_WM_DESKTOP);
    // Minimised by the user during the waits: it stays so; parked again: it stays hidden.
    if (!d_.parked.mapping(window)) {
        focusOnMapHold_.release(window);
        return;
    }
    desktops().mapToDesktop(window, desktop);
    if (d_.parked.mapSent(window)) desktops().minimiseAgain(window);
}

void Parking::hideFormerlyActive(std::optional<xcb_window_t> former) {
    bool hide = false, lowerIt = false;
    {
        std::lock_guard lock(d_.mutex);
        if (!former || d_.active == former) return;
        hide = d_.hideWhenInactive == former;
        lowerIt = d_.lowerWhenInactive == former;
        if (hide) d_.hideWhenInactive.reset();
        if (lowerIt) d_.lowerWhenInactive.reset();
    }
    if (hide && d_.parked.isHidden(*former)) hideParked({*former});
    if (lowerIt) stacking().lower(*former);
}

void Parking::restoredByOthers(xcb_window_t window) {
    if (!d_.parked.isHidden(window) && !d_.parked.isShowing(window)) return;
    bool stillActive = false;
    {
        std::lock_guard lock(d_.mutex);
        stillActive = d_.hideWhenInactive == window;
    }
    // Mapped while still iconic is no restoring: a window manager that ends maps its windows,
    // and the next one takes them on iconic again. Shown means both marks say so, whichever
    // the window manager writes first.
    const std::optional<X11WindowSnapshot> snapshot = registry().readClient(window);
    if (!snapshot) return;
    // Still shown only because it is the active one: it is hidden once it is not. Our iconify
    // of it has not gone out, so minimised now is someone else's doing (the window manager's own
    // key, which sends no request anybody hears): it stays minimised, and is no longer parked.
    if (stillActive) {
        if (!snapshot->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) ||
            !registry().onCurrentDesktop(*snapshot))
            return;
        {
            std::lock_guard lock(d_.mutex);
            if (d_.hideWhenInactive != window) return;
            d_.hideWhenInactive.reset();
            d_.minimisedByOthers[window] = true;
        }
        parkingLog().info("Parked window 0x%x minimised by the user", window);
        forgetParked(window);
        return;
    }
    const bool normal = snapshot->wmState == XCB_ICCCM_WM_STATE_NORMAL &&
                        !snapshot->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN);
    // Iconic only because it is on another desktop (marco marks every window there iconic, not
    // hidden; others hidden too) says nothing about our iconify having arrived, nor about anyone
    // restoring the window: only minimised as `minimized` reads it does.
    const bool minimised = snapshot->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) &&
                           registry().onCurrentDesktop(*snapshot);
    if (!normal && !minimised) return;
    // Shown: the window manager has made its choice of focus for the map.
    if (normal) focusOnMapHold_.release(window);
    // Decided and noted in one step with any hiding planned meanwhile (that is never lost): the
    // window manager's answers to an earlier showing, or a state still normal because our
    // iconify was not handled yet, say nothing about the user restoring the window.
    switch (d_.parked.windowManagerShows(window, normal)) {
        case ParkedHiding::Reading::shownBack:
        case ParkedHiding::Reading::restoredByOthers:
            dropParkedMark(window);
            break;
        case ParkedHiding::Reading::unknown:
        case ParkedHiding::Reading::parked:
            break;
    }
}

void Parking::forgetParked(xcb_window_t window) {
    if (!d_.parked.isHidden(window) && !d_.parked.isShowing(window)) return;
    const bool mapOut = d_.parked.forget(window);
    dropParkedMark(window);
    if (mapOut) desktops().minimiseAgain(window);
}

void Parking::dropParkedMark(xcb_window_t window) {
    focusOnMapHold_.release(window);
    xcb_delete_property(x_.xcb(), window, x_.atom(kParkedProperty));
    x_.flush();
}

void Parking::adoptParked(const X11WindowSnapshot& snapshot) {
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    if (!readCardinal(x_, snapshot.window, parked)) return;
    if (snapshot.wmState == XCB_ICCCM_WM_STATE_ICONIC) {
        d_.parked.hidden(snapshot.window, snapshot.outerFrame());
    } else {
        xcb_delete_property(x_.xcb(), snapshot.window, parked);
        x_.flush();
    }
}

Parking::Parking(X11Connection& connection, DesktopRecords& records, const DesktopParts& parts)
    : DesktopPart(connection, records, parts), focusOnMapHold_(connection) {}

std::optional<Rect> Parking::parkedFrame(xcb_window_t window) const {
    return d_.parked.frameOf(window);
}

}  // namespace brindlow
