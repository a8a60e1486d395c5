#include "platform/x11/panels/X11PanelDesktop.h"

#include <unistd.h>

#include <algorithm>

#include "platform/RunningProcesses.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
// Requests from a pager are obeyed without focus-stealing checks.
constexpr auto kSourcePager = xcb_ewmh_client_source_type_t(2);

}  // namespace

X11PanelDesktop::X11PanelDesktop(X11Connection& connection, X11Desktop& desktop)
    : x_(connection), desktop_(desktop) {
    listener_ = x_.addListener([this](const xcb_generic_event_t& event) { onEvent(event); });
}

X11PanelDesktop::~X11PanelDesktop() {
    x_.removeListener(listener_);
}

void X11PanelDesktop::onEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    if (type == XCB_PROPERTY_NOTIFY) {
        // The root's changes reach this connection: the platform's desktop listens to them.
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (change.window == x_.root() && change.atom == x_.ewmh()->_NET_ACTIVE_WINDOW)
            activeChanged();
        if (change.window == x_.root() && change.atom == x_.ewmh()->_NET_CLIENT_LIST_STACKING)
            keepOutOfGroup(change.time);
        return;
    }
    if (type == XCB_CONFIGURE_NOTIFY && (event.response_type & 0x80)) {
        // Sent by the window manager: where it says the window stands.
        const auto& told = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
        std::function<void()> unframed;
        {
            std::lock_guard lock(mutex_);
            const auto watched = framingWatched_.find(told.window);
            if (watched != framingWatched_.end()) unframed = watched->second;
        }
        // A watch set before another window manager took over that frames them is not asked.
        if (unframed && !framesTranslucentAfterOutputsChange() &&
            standsUnframedElsewhere(told.window, told.x, told.y))
            unframed();
        return;
    }
    if (type == XCB_DESTROY_NOTIFY) {
        std::lock_guard lock(mutex_);
        framingWatched_.erase(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
    }
    if (type != XCB_MAP_NOTIFY && type != XCB_UNMAP_NOTIFY && type != XCB_DESTROY_NOTIFY) return;
    // All three carry the window in the same place.
    const xcb_window_t window = reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
    bool raise = false;
    {
        std::lock_guard lock(mutex_);
        if (type != XCB_MAP_NOTIFY) {
            // Shown again, it is prepared afresh, without the hold.
            if (heldAbove_ && heldAbove_->window == window) heldAbove_.reset();
            raiseWhenMapped_.erase(window);
            awaitingMap_.erase(window);
            return;
        }
        if (awaitingMap_.erase(window) == 0) return;
        raise = raiseWhenMapped_.erase(window) > 0;
    }
    xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, kAllDesktops,
                                       kSourcePager);
    if (raise) raiseManaged(window);
    x_.flush();
}

void X11PanelDesktop::activeChanged() {
    bool held = false;
    {
        std::lock_guard lock(mutex_);
        held = heldAbove_.has_value();
    }
    {
        std::lock_guard lock(watchersMutex_);
        if (!held && activeWatchers_.empty()) return;
    }
    const auto active = readActiveWindow(x_);
    {
        std::lock_guard lock(watchersMutex_);
        for (const auto& [token, changed] : activeWatchers_) changed(active);
    }
    if (!held) return;
    std::optional<xcb_window_t> release;
    {
        std::lock_guard lock(mutex_);
        // The focus handed back to the window that had it, or given to this one meanwhile by
        // the window manager, does not end the hold.
        if (!heldAbove_ ||
            (active && (*active == heldAbove_->activeAtRaise || *active == heldAbove_->window)))
            return;
        release = heldAbove_->window;
        heldAbove_.reset();
    }
    // The user turned to another window: this one stacks like any other again.
    xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), *release,
                                     XCB_EWMH_WM_STATE_REMOVE, x_.ewmh()->_NET_WM_STATE_ABOVE,
                                     XCB_ATOM_NONE, kSourcePager);
    x_.flush();
}

ObserverToken X11PanelDesktop::watchActiveWindow(ActiveWindowChanged changed) {
    std::lock_guard lock(watchersMutex_);
    activeWatchers_.emplace(++lastWatcher_, std::move(changed));
    return lastWatcher_;
}

void X11PanelDesktop::unwatchActiveWindow(ObserverToken token) {
    std::lock_guard lock(watchersMutex_);
    activeWatchers_.erase(token);
}

std::optional<std::uint32_t> X11PanelDesktop::activeWindow() {
    const auto active = readActiveWindow(x_);
    if (!active || *active == XCB_WINDOW_NONE) return std::nullopt;
    return *active;
}

std::optional<std::uint32_t> X11PanelDesktop::keyboardFocus() {
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(x_.xcb(), xcb_get_input_focus(x_.xcb()), nullptr));
    // None and PointerRoot name no window.
    if (!reply || reply->focus == XCB_NONE || reply->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return std::nullopt;
    return reply->focus;
}

void X11PanelDesktop::activate(std::uint32_t window) {
    if (!windowManagerRuns(x_)) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(x_.xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    } else {
        xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), window, kSourcePager,
                                              XCB_CURRENT_TIME,
                                              activeWindow().value_or(XCB_WINDOW_NONE));
    }
    x_.flush();
}

bool X11PanelDesktop::handFocusBack(std::uint32_t window) {
    if (windowManagerRuns(x_)) return desktop_.activation().handFocusBack(window);
    if (!desktop_.activation().stillShownToUser(window)) return false;
    activate(window);
    return true;
}

bool X11PanelDesktop::activateAndWait(std::uint32_t window, double limit) {
    if (!windowManagerRuns(x_)) {
        activate(window);
        return true;
    }
    // Parking must not iconify the window while the window manager hands it the focus.
    desktop_.activation().handFocusTo(window);
    const xcb_atom_t activeAtom = x_.ewmh()->_NET_ACTIVE_WINDOW;
    const bool taken = x_.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
            const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return change.window == x_.root() && change.atom == activeAtom &&
                   activeWindow() == window;
        },
        limit,
        [&] {
            activate(window);
            return activeWindow() == window;
        });
    desktop_.activation().focusHandOverEnded(taken);
    return taken;
}

void X11PanelDesktop::keepOwnWindowsOutOf(const std::vector<std::uint32_t>& group) {
    {
        std::lock_guard lock(mutex_);
        if (group == group_) return;
        group_ = group;
        restackAttempts_.groupChanged();
    }
    keepOutOfGroup();
}

void X11PanelDesktop::keepOutOfGroup(xcb_timestamp_t now) {
    std::vector<std::uint32_t> group;
    {
        std::lock_guard lock(mutex_);
        group = group_;
    }
    if (group.size() < 2) return;
    const std::vector<xcb_window_t> published =
        readWindowList(x_, x_.root(), x_.ewmh()->_NET_CLIENT_LIST_STACKING);
    const WindowManagerTraits traits = desktop_.registry().windowManagerTraits();
    // Bottom to top.
    std::vector<xcb_window_t> stacking = published;
    if (traits.listsStackingTopFirst) std::reverse(stacking.begin(), stacking.end());
    std::optional<size_t> lowest, highest;
    for (size_t at = 0; at < stacking.size(); ++at) {
        if (std::find(group.begin(), group.end(), stacking[at]) == group.end()) continue;
        if (!lowest) lowest = at;
        highest = at;
    }
    const auto own = std::int32_t(getpid());
    std::vector<xcb_window_t> between;
    if (lowest)
        for (size_t at = *lowest + 1; at < *highest; ++at)
            if (desktop_.registry().pidOf(stacking[at]) == own) between.push_back(stacking[at]);
    {
        // The window manager republishes its list after each request, obeyed or not.
        std::lock_guard lock(mutex_);
        if (between.empty()) {
            restackAttempts_.settled();
            return;
        }
        if (!restackAttempts_.mayAsk(published)) return;
    }
    const xcb_window_t lowestFrame = topLevelOf(stacking[*lowest]);
    for (xcb_window_t window : between) {
        // Asked of the window manager, whose frames move; some obey only the client's own
        // request, relative to the frame of the lowest.
        if (traits.honoursRestack)
            xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, stacking[*lowest],
                                            XCB_STACK_MODE_BELOW);
        const std::uint32_t values[] = {lowestFrame, XCB_STACK_MODE_BELOW};
        xcb_configure_window(x_.xcb(), topLevelOf(window),
                             XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        if (!traits.honoursRestack) {
            // Some (xfwm4) carry out no restack and keep the stacking of their frames to
            // themselves, yet lower a client that asks for itself: to the bottom of its layer,
            // below the lowest too. A sibling is no use there, the clients' parents differ.
            catchUpUserTime(window, now);
            const std::uint32_t below = XCB_STACK_MODE_BELOW;
            xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &below);
        }
    }
    x_.flush();
}

void X11PanelDesktop::catchUpUserTime(xcb_window_t window, xcb_timestamp_t now) {
    const xcb_atom_t userTime = x_.ewmh()->_NET_WM_USER_TIME;
    // The time of the change is later than the click that raised the active window; without it,
    // the active window's published user time (not every client publishes one).
    if (now == XCB_CURRENT_TIME) {
        const auto active = readActiveWindow(x_);
        if (!active || *active == XCB_WINDOW_NONE || *active == window) return;
        now = readCardinal(x_, userTimeWindowOf(*active), userTime).value_or(XCB_CURRENT_TIME);
        if (now == XCB_CURRENT_TIME) return;
    }
    const xcb_window_t carrier = userTimeWindowOf(window);
    const auto ownTime = readCardinal(x_, carrier, userTime);
    if (ownTime && std::int32_t(*ownTime - now) >= 0) return;  // server time wraps
    xcb_change_property(x_.xcb(), XCB_PROP_MODE_REPLACE, carrier, userTime, XCB_ATOM_CARDINAL, 32,
                        1, &now);
}

xcb_window_t X11PanelDesktop::userTimeWindowOf(xcb_window_t window) {
    const std::vector<xcb_window_t> named =
        readWindowList(x_, window, x_.ewmh()->_NET_WM_USER_TIME_WINDOW);
    return named.empty() || named.front() == XCB_WINDOW_NONE ? window : named.front();
}

xcb_window_t X11PanelDesktop::topLevelOf(xcb_window_t window) {
    for (int depth = 0; depth < 8; ++depth) {
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(x_.xcb(), xcb_query_tree(x_.xcb(), window), nullptr));
        if (!tree || tree->parent == x_.root() || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return window;
}

bool X11PanelDesktop::moveToCurrentDesktop(std::uint32_t window, double limit) {
    const xcb_atom_t desktopAtom = x_.ewmh()->_NET_WM_DESKTOP;
    const auto current = readCardinal(x_, x_.root(), x_.ewmh()->_NET_CURRENT_DESKTOP);
    const auto standsOn = [&] { return readCardinal(x_, window, desktopAtom); };
    const auto placed = standsOn();
    // Without desktops, or where the window manager has not said, there is nothing to move.
    if (!current || !placed || *placed == kAllDesktops || *placed == *current) return true;
    // Told of the window manager's answer: added to whatever this connection listens to there.
    XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        x_.xcb(), xcb_get_window_attributes(x_.xcb(), window), nullptr));
    if (!attributes) return false;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x_.xcb(), window, XCB_CW_EVENT_MASK, &mask);
    return x_.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
            const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return change.window == window && change.atom == desktopAtom && standsOn() == current;
        },
        limit,
        [&] {
            xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, *current,
                                               kSourcePager);
            x_.flush();
            return standsOn() == current;
        });
}

void X11PanelDesktop::raiseWithoutFocus(std::uint32_t window) {
    if (!windowManagerRuns(x_)) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        x_.flush();
        return;
    }
    {
        // A window manager ignores requests about a window it has not taken on yet.
        std::lock_guard lock(mutex_);
        if (awaitingMap_.contains(window)) {
            raiseWhenMapped_.insert(window);
            return;
        }
    }
    raiseManaged(window);
    x_.flush();
}

void X11PanelDesktop::raiseManaged(xcb_window_t window) {
    // The window manager's frame moves, so the request goes to the window manager (a pager's
    // restack is obeyed without focus-stealing checks).
    const xcb_atom_t restack = x_.ewmh()->_NET_RESTACK_WINDOW;
    if (windowManagerSupports(restack))
        xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, XCB_WINDOW_NONE,
                                        XCB_STACK_MODE_ABOVE);
    // Some list restacking but ignore the request and obey the client's own raise (fvwm).
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    // Others obey neither (fluxbox, which lists restacking too), or cannot restack on request
    // and keep a window without the focus under the focused one whatever it asks (marco): it is
    // held above the ordinary windows until the focus moves on.
    const xcb_window_t active = readActiveWindow(x_).value_or(XCB_WINDOW_NONE);
    {
        std::lock_guard lock(mutex_);
        heldAbove_ = HeldAbove{window, active};
    }
    xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), window, XCB_EWMH_WM_STATE_ADD,
                                     x_.ewmh()->_NET_WM_STATE_ABOVE, XCB_ATOM_NONE, kSourcePager);
}

bool X11PanelDesktop::windowManagerSupports(xcb_atom_t hint) {
    xcb_ewmh_get_atoms_reply_t supported;
    if (!xcb_ewmh_get_supported_reply(
            x_.ewmh(), xcb_ewmh_get_supported(x_.ewmh(), x_.screenNumber()), &supported, nullptr))
        return false;
    const bool found = std::find(supported.atoms, supported.atoms + supported.atoms_len, hint) !=
                       supported.atoms + supported.atoms_len;
    xcb_ewmh_get_atoms_reply_wipe(&supported);
    return found;
}

void X11PanelDesktop::preparePanel(std::uint32_t window, bool keepAbove) {
    const xcb_atom_t states[] = {x_.ewmh()->_NET_WM_STATE_SKIP_TASKBAR,
                                 x_.ewmh()->_NET_WM_STATE_SKIP_PAGER,
                                 x_.ewmh()->_NET_WM_STATE_ABOVE};
    // Read by the window manager when it maps the window...
    xcb_ewmh_set_wm_desktop(x_.ewmh(), window, kAllDesktops);
    xcb_ewmh_set_wm_state(x_.ewmh(), window, keepAbove ? 3 : 2, const_cast<xcb_atom_t*>(states));
    // ...and asked of it when the window is already managed.
    xcb_ewmh_request_change_wm_desktop(x_.ewmh(), x_.screenNumber(), window, kAllDesktops,
                                       kSourcePager);
    xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), window, XCB_EWMH_WM_STATE_ADD,
                                     states[0], states[1], kSourcePager);
    if (keepAbove)
        xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), window,
                                         XCB_EWMH_WM_STATE_ADD, states[2], XCB_ATOM_NONE,
                                         kSourcePager);
    // Told of its map, to ask once more then.
    {
        std::lock_guard lock(mutex_);
        awaitingMap_.insert(window);
    }
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x_.xcb(), window, XCB_CW_EVENT_MASK, &mask);
    // Processed before the toolkit maps the window over its own connection.
    x_.sync();
}

void X11PanelDesktop::watchFraming(std::uint32_t window, std::function<void()> unframed) {
    std::lock_guard lock(mutex_);
    framingWatched_[window] = std::move(unframed);
}

bool X11PanelDesktop::framesTranslucentAfterOutputsChange() {
    return desktop_.registry().windowManagerTraits().framesTranslucentAfterOutputsChange;
}

bool X11PanelDesktop::standsUnframedElsewhere(xcb_window_t window, int x, int y) {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x_.xcb(), xcb_query_tree(x_.xcb(), window), nullptr));
    if (!tree || tree->parent != x_.root()) return false;
    XcbReply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        x_.xcb(), xcb_translate_coordinates(x_.xcb(), window, x_.root(), 0, 0), nullptr));
    return at && (at->dst_x != x || at->dst_y != y);
}

bool X11PanelDesktop::compositorRunning() {
    const xcb_atom_t selection = x_.ewmh()->_NET_WM_CM_Sn[x_.screenNumber()];
    XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        x_.xcb(), xcb_get_selection_owner(x_.xcb(), selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

std::optional<std::string> X11PanelDesktop::windowManagerName() {
    // As the registry follows the window manager's check window: asked once a second while the
    // welcome window shows, so no round trips.
    if (!desktop_.registry().hasWindowManager()) return std::nullopt;
    return desktop_.registry().windowManagerTraits().name;
}

std::vector<std::string> X11PanelDesktop::processNames() {
    std::lock_guard lock(processNamesMutex_);
    return processNames_.read();
}

}  // namespace brindlow
