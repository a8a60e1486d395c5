// Parking beside a window manager that keeps every window in view: a parked window it pulls back
// on screen is iconified instead, marked on the window as Brindlow's doing, and mapped again once
// its column scrolls back into view.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>

#include "platform/CoordinateLimits.h"
#include "platform/Log.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"

namespace brindlow {

namespace {
// Set on a client while Brindlow keeps it iconified for parking, so that a later run (after a
// crash) does not take it for a window the user minimised.
constexpr const char* kParkedProperty = "_BRINDLOW_PARKED";
constexpr std::uint32_t kSourcePager = 2;  // "source indication": a pager or assistive tool
// How long showing a window waits for the window manager to handle an iconify still on its way.
constexpr double kIconifyWait = 0.5;
// Longer than a layout planned before a user's minimising takes to reach the window.
constexpr std::chrono::milliseconds kMinimiseAnswer{1000};
// Longer than a window manager takes to move a window to the desktop someone asked for.
constexpr std::chrono::milliseconds kDesktopAnswer{1000};

const Logger& parkingLog() {
    static const Logger logger = makeLogger("Parking");
    return logger;
}
}  // namespace

AXError X11Desktop::moveResize(xcb_window_t window, std::optional<Point> origin,
                               std::optional<Size> size, double timeout) {
    const auto s = read(window);
    if (!s && isWithdrawn(window)) return putBackWithdrawn(window, origin, size).error;
    if (!s) return axerror::invalidElement;
    if (!hasWindowManager()) {
        const AXError moved = moveResizeNow(window, origin, size, timeout);
        // Left iconic by a window manager that is gone: only its own map shows it now.
        const auto place = origin ? representablePoint(*origin) : std::nullopt;
        if (parking_.isHidden(window) && place &&
            !ParkedHiding::isParked(Rect(*place, s->outerFrame().size()), rootFrame()))
            showParked(window);
        return moved;
    }
    // Judged where the window can really go; what cannot be written is refused as before.
    const std::optional<Point> place = origin ? representablePoint(*origin) : std::nullopt;
    const std::optional<Size> extent = size ? representableSize(*size) : std::nullopt;
    if ((origin && !place) || (size && !extent))
        return moveResizeNow(window, origin, size, timeout);
    const Rect current = parkedFrame(window).value_or(s->outerFrame());
    const Rect target(place.value_or(current.origin()), extent.value_or(current.size()));
    const Rect screen = rootFrame();
    switch (parking_.plan(window, target, screen)) {
        case ParkedHiding::Step::hide:
            hideParked({window});
            return axerror::success;
        case ParkedHiding::Step::stayHidden:
            return axerror::success;
        case ParkedHiding::Step::moveThenShow: {
            const AXError moved = moveResizeNow(window, origin, size, timeout, target);
            showParked(window);
            return moved;
        }
        case ParkedHiding::Step::move:
            break;
    }
    const AXError moved = moveResizeNow(window, origin, size, timeout, target);
    if (moved != axerror::success || !ParkedHiding::isParked(target, screen) ||
        !windowManagerTraits().keepsWindowsOnScreen)
        return moved;
    // A parked window the window manager pulled back into view goes out of sight instead;
    // judged only while no later move of the window went out meanwhile.
    // Asked once more first: a window manager that clamps does so again, one that was only
    // late (another move in flight) now puts it where asked. Only a window the window manager
    // showed when asked and still shows tells (it places a hidden one by rules of its own).
    const auto clamped = [&] {
        const auto after = readWindow(x_, window);
        return after && s->mapped && after->mapped && parking_.isLastSent(window, target) &&
               ParkedHiding::wasClampedIntoView(target, after->outerFrame(), screen);
    };
    if (!clamped()) return moved;
    if (moveResizeNow(window, target.origin(), target.size(), timeout, target) ==
            axerror::success &&
        clamped()) {
        parking_.hiding(window, target);
        hideParked({window});
    }
    return moved;
}

void X11Desktop::bringParkedIntoView() {
    const Rect screen = rootFrame();
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    const std::vector<xcb_window_t> windows = clients();
    const std::vector<std::optional<X11WindowFrame>> frames = readClientFrames(windows);
    const bool windowManager = hasWindowManager();
    // Nothing goes out of sight again, not even a window hidden once it is no longer active.
    parkingGivenUp_ = true;
    {
        std::lock_guard lock(mutex_);
        hideWhenInactive_.reset();
        lowerWhenInactive_.reset();
    }
    // A map that overtakes an iconify still on its way is lost: the window manager handles those
    // first, in one short wait for all.
    if (windowManager && std::any_of(windows.begin(), windows.end(), [&](xcb_window_t window) {
            return parking_.isIconifying(window);
        }))
        probeFence(
            kIconifyWait, [] {}, [](const xcb_generic_event_t&) { return false; });
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t window = windows[i];
        if (!frames[i]) continue;
        const bool hidden = parking_.isHidden(window);
        const Rect outer = frames[i]->outerFrame();
        if (!hidden && !ParkedHiding::isParked(outer, screen)) continue;
        // All of it on the screen, the left edge first where it is wider.
        const double x = std::max(screen.x, std::min(outer.x, screen.maxX() - outer.width));
        if (std::lround(x) != std::lround(outer.x)) {
            const auto left = std::int32_t(std::lround(x));
            const auto top = std::int32_t(std::lround(outer.y));
            if (windowManager) {
                // With the size the client keeps: fluxbox grows a client moved without one.
                const Rect& client = frames[i]->clientFrame;
                sendMoveResize(window,
                               XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12) |
                                   XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y |
                                   XCB_EWMH_MOVERESIZE_WINDOW_WIDTH |
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

Rect X11Desktop::rootFrame() const {
    return Rect(0, 0, x_.screen()->width_in_pixels, x_.screen()->height_in_pixels);
}

void X11Desktop::hideParked(const std::vector<xcb_window_t>& windows) {
    if (windows.empty() || parkingGivenUp_.load()) return;
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    const xcb_atom_t changeState = x_.atom("WM_CHANGE_STATE");
    std::vector<xcb_window_t> minimised;
    for (const xcb_window_t window : windows) {
        {
            std::lock_guard lock(mutex_);
            // Minimised by someone else just before a layout planned on the strip's older state
            // parked it: it stays minimised, and is no longer Brindlow's doing.
            if (const auto asked = minimisedByOthers_.find(window);
                asked != minimisedByOthers_.end() &&
                std::chrono::steady_clock::now() - asked->second < kMinimiseAnswer) {
                minimised.push_back(window);
                continue;
            }
            // Iconifying the active window would make the window manager pick another one to
            // focus, racing the raise that follows; it goes once the focus has moved on.
            if (active_ == window || focusHandedTo_ == window) {
                hideWhenInactive_ = window;
                continue;
            }
            if (hideWhenInactive_ == window) hideWhenInactive_.reset();
        }
        parkingLog().info("Parked window 0x%x iconified: the window manager keeps it in view",
                          window);
        const std::uint32_t mark = 1;
        xcb_change_property(x_.xcb(), XCB_PROP_MODE_REPLACE, window, parked, XCB_ATOM_CARDINAL, 32,
                            1, &mark);
        {
            std::lock_guard lock(mutex_);
            ++ownIconifying_[window];
        }
        const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), changeState, 1, &iconic);
    }
    x_.flush();
    for (const xcb_window_t window : minimised) {
        parkingLog().info("Parked window 0x%x minimised by the user", window);
        forgetParked(window);
        refreshWindow(window, false);
    }
}

void X11Desktop::iconifyRequested(xcb_window_t window) {
    {
        std::lock_guard lock(mutex_);
        const auto own = ownIconifying_.find(window);
        if (own != ownIconifying_.end()) {
            if (--own->second == 0) ownIconifying_.erase(own);
            return;
        }
        // Hidden but still shown while it is the active window: minimised by the user now.
        if (hideWhenInactive_ == window) hideWhenInactive_.reset();
        minimisedByOthers_[window] = std::chrono::steady_clock::now();
    }
    // Someone else (the user, a taskbar, a command of ours) minimised a window already iconified
    // for parking: from now on it counts as minimised like any other.
    if (!parking_.isHidden(window) && !parking_.isShowing(window)) return;
    parkingLog().info("Parked window 0x%x minimised by the user", window);
    forgetParked(window);
    refreshWindow(window, false);
}

void X11Desktop::showParked(xcb_window_t window) {
    // Minimised by the user since the layout planned to show it: it stays so.
    const std::optional<bool> iconifying = parking_.shown(window);
    if (!iconifying) return;
    {
        std::lock_guard lock(mutex_);
        if (hideWhenInactive_ == window) hideWhenInactive_.reset();
        shownFromParking_ = ShownFromParking{window, std::chrono::steady_clock::now(), active_};
    }
    // The map of a window still mapped is lost, and the iconify the window manager handles next
    // would leave it iconic (a quit right after a hide): the window manager handles it first.
    if (*iconifying) fence(window, kIconifyWait, [] {});
    const std::optional<X11WindowSnapshot> snapshot = read(window);
    // The mark goes once the window manager shows the window (restoredByOthers): a run killed
    // before then leaves it iconic and marked, and the next run takes it for parked, not
    // minimised. Without a window manager nothing will show it as normal.
    if (!hasWindowManager()) xcb_delete_property(x_.xcb(), window, x_.atom(kParkedProperty));
    // A window still mapped (left shown while it had the focus) is not mapped anew. Held only
    // beside a window manager that focuses a window leaving the iconic state.
    if ((!snapshot || !snapshot->mapped) && windowManagerTraits().focusesMappedBack)
        focusOnMapHold_.hold(window);
    // Some window managers (metacity, marco) bring a window that leaves the iconic state to the
    // current desktop: it is sent back to its own, also when it reads as on the current one (the
    // user may switch desktops before the window manager sees the map). Read right before the
    // map, after the waits above: a user's move of the window to another desktop meanwhile is
    // where it is to stay.
    const std::optional<std::uint32_t> desktop =
        readCardinal(x_, window, x_.ewmh()->_NET_WM_DESKTOP);
    // Minimised by the user during the waits: it stays so.
    if (!parking_.mapping(window)) {
        focusOnMapHold_.release(window);
        return;
    }
    mapToDesktop(window, desktop);
    if (parking_.mapSent(window)) minimiseAgain(window);
}

void X11Desktop::mapToDesktop(xcb_window_t window, std::optional<std::uint32_t> desktop) {
    // Under the lock desktopRequested takes: a user's move heard before is sent here (the
    // window manager may not have handled it when the desktop was read), one heard after is
    // sent again there, after this map.
    std::lock_guard lock(mutex_);
    if (const auto asked = desktopAskedByOthers_.find(window);
        asked != desktopAskedByOthers_.end() &&
        std::chrono::steady_clock::now() - asked->second.second < kDesktopAnswer)
        desktop = asked->second.first;
    // A client leaves the iconic state by mapping its window; the window manager does the rest.
    xcb_map_window(x_.xcb(), window);
    if (desktop) {
        ownDesktopRequests_.emplace(window, *desktop);
        xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, *desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }
    x_.flush();
    parkingLog().debug("Parked window 0x%x mapped back, to desktop %d", window,
                       desktop ? int(*desktop) : -1);
}

void X11Desktop::desktopRequested(xcb_window_t window, std::uint32_t desktop) {
    {
        std::lock_guard lock(mutex_);
        if (const auto own = ownDesktopRequests_.find(std::pair(window, desktop));
            own != ownDesktopRequests_.end()) {
            ownDesktopRequests_.erase(own);
            return;
        }
        desktopAskedByOthers_[window] = std::pair(desktop, std::chrono::steady_clock::now());
        if (!parking_.isShowing(window)) return;
        // The request may reach the window manager before Brindlow's map, which then brings the
        // window to the current desktop (metacity, marco), or before the desktop Brindlow read
        // for it: asked once more, after both.
        ownDesktopRequests_.emplace(window, desktop);
        xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        x_.flush();
    }
    parkingLog().info("Window 0x%x sent to desktop %u as it was being shown: sent there again",
                      window, desktop);
}

void X11Desktop::minimiseAgain(xcb_window_t window) {
    // The user's minimise may have reached the window manager before Brindlow's map, which
    // then showed the window again: asked once more, on the user's behalf (a window manager
    // leaves a window already minimised as it is).
    parkingLog().info("Parked window 0x%x minimised as it was being shown: minimised again",
                      window);
    const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
    xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), x_.atom("WM_CHANGE_STATE"), 1,
                                 &iconic);
    x_.flush();
}

void X11Desktop::handFocusTo(xcb_window_t window) {
    std::lock_guard lock(mutex_);
    focusHandedTo_ = window;
    // Brindlow's own choice as much as a raise of the strip's: never handed back.
    lastActivation_ = std::pair(window, std::chrono::steady_clock::now());
}

void X11Desktop::focusHandOverEnded(bool taken) {
    std::optional<xcb_window_t> hideNow;
    {
        std::lock_guard lock(mutex_);
        if (!taken && focusHandedTo_ && hideWhenInactive_ == focusHandedTo_ &&
            active_ != focusHandedTo_) {
            hideWhenInactive_.reset();
            hideNow = focusHandedTo_;
        }
        focusHandedTo_.reset();
    }
    if (hideNow && parking_.isHidden(*hideNow)) hideParked({*hideNow});
}

void X11Desktop::hideFormerlyActive(std::optional<xcb_window_t> former) {
    bool hide = false, lowerIt = false;
    {
        std::lock_guard lock(mutex_);
        if (!former || active_ == former) return;
        hide = hideWhenInactive_ == former;
        lowerIt = lowerWhenInactive_ == former;
        if (hide) hideWhenInactive_.reset();
        if (lowerIt) lowerWhenInactive_.reset();
    }
    if (hide && parking_.isHidden(*former)) hideParked({*former});
    if (lowerIt) lower(*former);
}

void X11Desktop::restoredByOthers(xcb_window_t window) {
    if (!parking_.isHidden(window) && !parking_.isShowing(window)) return;
    {
        // Still shown only because it is the active one: it is hidden once it is not.
        std::lock_guard lock(mutex_);
        if (hideWhenInactive_ == window) return;
    }
    // Mapped while still iconic is no restoring: a window manager that ends maps its windows,
    // and the next one takes them on iconic again. Shown means both marks say so, whichever
    // the window manager writes first.
    const std::optional<X11WindowSnapshot> snapshot = readClient(window);
    if (!snapshot) return;
    const bool normal = snapshot->wmState == XCB_ICCCM_WM_STATE_NORMAL &&
                        !snapshot->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN);
    // Iconic only because it is on another desktop (marco marks every window there iconic, not
    // hidden; others hidden too) says nothing about our iconify having arrived, nor about anyone
    // restoring the window: only minimised as `minimized` reads it does.
    const bool minimised =
        snapshot->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) && onCurrentDesktop(*snapshot);
    if (!normal && !minimised) return;
    // Shown: the window manager has made its choice of focus for the map.
    if (normal) focusOnMapHold_.release(window);
    // Decided and noted in one step with any hiding planned meanwhile (that is never lost): the
    // window manager's answers to an earlier showing, or a state still normal because our
    // iconify was not handled yet, say nothing about the user restoring the window.
    switch (parking_.windowManagerShows(window, normal)) {
        case ParkedHiding::Reading::shownBack:
        case ParkedHiding::Reading::restoredByOthers:
            dropParkedMark(window);
            break;
        case ParkedHiding::Reading::unknown:
        case ParkedHiding::Reading::parked:
            break;
    }
}

bool X11Desktop::focusedByShowing(xcb_window_t active, std::optional<xcb_window_t> former) {
    // Longer than a window manager takes to map a window and focus it.
    constexpr std::chrono::milliseconds kMapAnswer{1000};
    if (!shownFromParking_ || shownFromParking_->window != active) return false;
    // Only a window manager that focuses windows mapped back takes the focus this way.
    if (!traits_.focusesMappedBack) {
        shownFromParking_.reset();
        return false;
    }
    const ShownFromParking shown = *shownFromParking_;
    shownFromParking_.reset();
    if (activating_ == active || !former || former != shown.focused) return false;
    // The window Brindlow itself focused last (the activation may have come before the map).
    if (lastActivation_ && lastActivation_->first == active) return false;
    if (std::chrono::steady_clock::now() - shown.time > kMapAnswer) return false;
    return known_.count(*former) > 0;
}

void X11Desktop::handFocusBack(xcb_window_t from, xcb_window_t to) {
    parkingLog().info("Window 0x%x took the focus as it was mapped back; returning it to 0x%x",
                      from, to);
    sendHandBackMarker(focusHandBack_.plan(from, to));
}

void X11Desktop::sendHandBackMarker(std::uint32_t marker) {
    // Back to us after every event the server sent before it.
    x_.sendToSelf(handBackMarkers_, handBackAtom_, marker);
    x_.flush();
}

void X11Desktop::handBackHeard(const xcb_client_message_event_t& message) {
    if (message.format != 32) return;
    const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
    if (message.type == ewmh._NET_CURRENT_DESKTOP) {
        const auto dropped = focusHandBack_.desktopSwitchRequested(message.data.data32[0]);
        if (!dropped) return;
        // The focus stays where the window manager put it: it is taken as it is now.
        parkingLog().info("Focus not returned to 0x%x: the desktop is being switched", dropped->to);
        refreshActive();
    } else if (message.type == ewmh._NET_ACTIVE_WINDOW) {
        if (const auto marker =
                focusHandBack_.activationHeard(message.data.data32[2], message.window)) {
            parkingLog().info("A desktop switch came before the focus went back: asked again");
            sendHandBackMarker(*marker);
        }
    } else if (message.window == handBackMarkers_ && message.type == handBackAtom_) {
        const FocusHandBack::Due due = focusHandBack_.markerArrived(message.data.data32[0]);
        if (due.handBack)
            xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), due.handBack->to,
                                                  XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                                  XCB_CURRENT_TIME, due.handBack->from);
        if (due.desktop)
            xcb_ewmh_request_change_current_desktop(x_.ewmh(), x_.screenNumber(), *due.desktop,
                                                    XCB_CURRENT_TIME);
        x_.flush();
    }
}

void X11Desktop::forgetParked(xcb_window_t window) {
    if (!parking_.isHidden(window) && !parking_.isShowing(window)) return;
    const bool mapOut = parking_.forget(window);
    dropParkedMark(window);
    if (mapOut) minimiseAgain(window);
}

void X11Desktop::dropParkedMark(xcb_window_t window) {
    focusOnMapHold_.release(window);
    xcb_delete_property(x_.xcb(), window, x_.atom(kParkedProperty));
    x_.flush();
}

void X11Desktop::adoptParked(const X11WindowSnapshot& snapshot) {
    const xcb_atom_t parked = x_.atom(kParkedProperty);
    if (!readCardinal(x_, snapshot.window, parked)) return;
    if (snapshot.wmState == XCB_ICCCM_WM_STATE_ICONIC) {
        parking_.hidden(snapshot.window, snapshot.outerFrame());
    } else {
        xcb_delete_property(x_.xcb(), snapshot.window, parked);
        x_.flush();
    }
}

}  // namespace brindlow
