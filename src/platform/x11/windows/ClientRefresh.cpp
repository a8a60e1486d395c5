// Reading the clients, the active window and a client's state again as the X events tell of a
// change, and telling the subscribers what changed.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/ClientRegistry.h"
#include "platform/x11/windows/X11Desktop.h"
#include "platform/x11/wm/X11WindowManagerTraits.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

const Logger& windowManagerLog() {
    static const Logger logger = makeLogger("WindowManager");
    return logger;
}

const Logger& clientsLog() {
    static const Logger logger = makeLogger("Clients");
    return logger;
}

}  // namespace

void ClientRegistry::refreshClients(std::optional<xcb_window_t> destroyed) {
    // One refresh at a time (the constructor's and the event thread's), so what each read commits
    // and emits in the order it was read: a list read earlier never undoes a later one.
    std::lock_guard refreshing(refreshMutex_);
    std::vector<X11WindowEvent> windowEvents;
    std::vector<X11AppEvent> appEvents;
    const std::vector<xcb_window_t> list = readClientList();
    const bool managedList = hasWindowManager();
    auto desktop = readCardinal(x_, x_.root(), x_.ewmh()->_NET_CURRENT_DESKTOP);

    std::vector<xcb_window_t> added;
    {
        std::lock_guard lock(d_.mutex);
        currentDesktop_ = desktop.value_or(0);
        // A destroyed window goes even when the window manager still lists it; should the list
        // hold its id again, that is a new window, read afresh below.
        if (destroyed) {
            if (auto found = d_.known.find(*destroyed); found != d_.known.end()) {
                windowEvents.push_back(
                    {X11WindowEvent::Kind::destroyed, *destroyed, found->second.pid});
                d_.known.erase(found);
                d_.mapFocusDue.ended(*destroyed);
            }
            if (auto found = withdrawn_.find(*destroyed); found != withdrawn_.end()) {
                windowEvents.push_back(
                    {X11WindowEvent::Kind::destroyed, *destroyed, found->second});
                withdrawn_.erase(found);
                d_.decorations.erase(*destroyed);
            }
        }
        for (xcb_window_t w : list) {
            if (!d_.known.count(w)) added.push_back(w);
        }
    }
    // Clients that leave the list while their window lives on: withdrawn, not destroyed.
    std::vector<xcb_window_t> leaving;
    {
        std::lock_guard lock(d_.mutex);
        for (const auto& [w, k] : d_.known)
            if (std::find(list.begin(), list.end(), w) == list.end()) leaving.push_back(w);
    }
    std::set<xcb_window_t> living;
    for (xcb_window_t w : leaving)
        if (windowExists(w)) living.insert(w);
    // Read the newcomers without the lock, and follow their own events.
    std::map<xcb_window_t, KnownClient> fresh;
    std::map<xcb_window_t, std::string> classes;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    for (xcb_window_t w : added) {
        xcb_change_window_attributes(x_.xcb(), w, XCB_CW_EVENT_MASK, &mask);
        auto s = readClient(w);
        if (!s) continue;
        // The list may still name a window that is gone while its id already belongs to a new
        // window the window manager has not taken on yet: that one counts once it carries
        // WM_STATE (its change brings another refresh).
        if (managedList && !s->managed()) continue;
        // Taken on but not shown yet, though it is to be (normal, on this desktop): the window
        // manager may still be placing it, and the frame read now would be taken for where it
        // stood before tiling. It counts once it is mapped (its map brings another refresh).
        if (hasWindowManager() && s->wmState == XCB_ICCCM_WM_STATE_NORMAL && !s->mapped &&
            !s->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) && onCurrentDesktop(*s)) {
            std::lock_guard lock(d_.mutex);
            d_.awaitingShow.insert(w);
            continue;
        }
        KnownClient k;
        parking().adoptParked(*s);
        withdrawn().rememberDecorations(w, s->extents);
        k.pid = resolvePid(*s);
        k.frame = parking().parkedFrame(w).value_or(s->outerFrame());
        k.title = s->title;
        k.minimized = minimized(*s);
        k.away = away(*s);
        k.maximized = maximized(*s);
        k.topLevel = topLevelAncestor(x_, w).value_or(w);
        fresh.emplace(w, k);
        classes.emplace(w, s->wmClass);
    }

    {
        std::lock_guard lock(d_.mutex);
        std::vector<xcb_window_t> current;
        for (xcb_window_t w : list) {
            if (d_.known.count(w) || fresh.count(w)) current.push_back(w);
        }
        // Awaited no more once listed as shown, or no longer listed at all.
        std::erase_if(d_.awaitingShow, [&](xcb_window_t w) {
            return fresh.count(w) || std::find(list.begin(), list.end(), w) == list.end();
        });
        // Windows there as Brindlow starts were focused, or not, long before.
        const bool mapFocusMayCome = listedOnce_ && managedList && d_.traits.focusesNewWindows;
        for (auto& [w, k] : fresh) {
            if (mapFocusMayCome && !k.minimized && !k.away)
                d_.mapFocusDue.listed(w, std::chrono::steady_clock::now());
            d_.known[w] = k;
            withdrawn_.erase(w);
            if (k.pid != 0 && !apps_.count(k.pid)) {
                apps_[k.pid] = X11AppInfo{k.pid, classes[w], nextOrder_++};
                appEvents.push_back({X11AppEvent::Kind::launched, k.pid});
            }
            windowEvents.push_back({X11WindowEvent::Kind::created, w, k.pid});
        }
        for (auto it = d_.known.begin(); it != d_.known.end();) {
            if (std::find(current.begin(), current.end(), it->first) == current.end()) {
                if (living.contains(it->first)) {
                    clientsLog().debug(
                        "Client 0x%x left the list while it lives on (%ld listed, %{public}s)",
                        it->first, long(list.size()),
                        std::string(managedList ? "window manager" : "no window manager"));
                    withdrawn_[it->first] = it->second.pid;
                    if (!it->second.minimized)
                        windowEvents.push_back(
                            {X11WindowEvent::Kind::minimized, it->first, it->second.pid});
                } else {
                    windowEvents.push_back(
                        {X11WindowEvent::Kind::destroyed, it->first, it->second.pid});
                }
                d_.minimisedByOthers.erase(it->first);
                d_.desktopAskedByOthers.forget(it->first);
                d_.mapFocusDue.ended(it->first);
                it = d_.known.erase(it);
            } else {
                ++it;
            }
        }
        clients_ = current;
        listedOnce_ = true;
        // Applications whose last client went away have ended.
        for (auto it = apps_.begin(); it != apps_.end();) {
            const auto ofApp = [&](auto& entry) { return entry.second == it->first; };
            bool any = std::any_of(d_.known.begin(), d_.known.end(),
                                   [&](auto& entry) { return entry.second.pid == it->first; }) ||
                       std::any_of(withdrawn_.begin(), withdrawn_.end(), ofApp);
            if (!any) {
                appEvents.push_back({X11AppEvent::Kind::terminated, it->first});
                it = apps_.erase(it);
            } else {
                ++it;
            }
        }
        std::erase_if(activeHistory_, [&](xcb_window_t w) { return !d_.known.count(w); });
        // A window manager may publish the active window before it lists it.
        if (d_.active && fresh.count(*d_.active) && d_.known.count(*d_.active) &&
            (activeHistory_.empty() || activeHistory_.front() != *d_.active)) {
            const std::int32_t pid = d_.known[*d_.active].pid;
            activeHistory_.insert(activeHistory_.begin(), *d_.active);
            windowEvents.push_back({X11WindowEvent::Kind::focused, *d_.active, pid});
            if (activePid_ != pid) {
                activePid_ = pid;
                appEvents.push_back({X11AppEvent::Kind::activated, pid});
            }
        }
    }
    // Launch before the windows, terminate and activate after them.
    for (auto& e : appEvents) {
        if (e.kind == X11AppEvent::Kind::launched) subscribers().emit(e);
    }
    for (auto& e : windowEvents) subscribers().emit(e);
    for (auto& e : appEvents) {
        if (e.kind != X11AppEvent::Kind::launched) subscribers().emit(e);
    }
}

void ClientRegistry::refreshActive() {
    std::lock_guard refreshing(refreshMutex_);
    auto active = readActiveWindow(x_);
    std::optional<X11WindowEvent> focus;
    std::optional<X11AppEvent> activated;
    std::optional<xcb_window_t> former;
    std::optional<xcb_window_t> handBack;
    {
        std::lock_guard lock(d_.mutex);
        if (active == d_.active) return;
        clientsLog().debug("Active window 0x%x", active.value_or(XCB_WINDOW_NONE));
        former = d_.active;
        // Not the user's choice: the window manager focused a window we mapped back into view.
        // The focus goes back where it was, and neither change is reported: as far as anybody
        // else knows, it never moved.
        if (active && activation().focusedByShowing(*active, former)) handBack = former;
        if (!handBack) d_.active = active;
        if (active && !handBack) d_.mapFocusDue.ended(*active);
        const auto found = active && !handBack ? d_.known.find(*active) : d_.known.end();
        if (found != d_.known.end()) {
            std::erase(activeHistory_, *active);
            activeHistory_.insert(activeHistory_.begin(), *active);
            focus = X11WindowEvent{X11WindowEvent::Kind::focused, *active, found->second.pid};
            if (activePid_ != found->second.pid) {
                activePid_ = found->second.pid;
                activated = X11AppEvent{X11AppEvent::Kind::activated, found->second.pid};
            }
        } else if (!active && former && activePid_) {
            // No window has the focus now (a window manager that focuses under the pointer,
            // with nothing under it): told, though nothing else changes.
            activated = X11AppEvent{X11AppEvent::Kind::deactivated, *activePid_};
        }
    }
    if (handBack) {
        focusReturn().handFocusBack(*active, *handBack);
        return;
    }
    parking().hideFormerlyActive(former);
    if (focus) subscribers().emit(*focus);
    if (activated) subscribers().emit(*activated);
}

void ClientRegistry::refreshWindow(xcb_window_t window, bool titleMayChange) {
    if (!isClient(window)) return;
    auto s = readClient(window);
    if (!s) return;
    const bool nowMinimized = minimized(*s);
    const bool nowAway = away(*s);
    const bool nowMaximized = maximized(*s);
    withdrawn().rememberDecorations(window, s->extents);
    const Rect frame = parking().parkedFrame(window).value_or(s->outerFrame());
    std::vector<X11WindowEvent> events;
    {
        std::lock_guard lock(d_.mutex);
        auto found = d_.known.find(window);
        if (found == d_.known.end()) return;
        KnownClient& k = found->second;
        // Away first when leaving, back last when returning: in between the window reads as
        // what it is on its own desktop.
        if (nowAway && !k.away) events.push_back({X11WindowEvent::Kind::away, window, k.pid});
        // Shown hidden, then shown again (on whichever desktop): a later parking of it is
        // Brindlow's again. Read shown before the window manager carried the minimise out says
        // nothing.
        if (const auto asked = d_.minimisedByOthers.find(window);
            asked != d_.minimisedByOthers.end()) {
            if (s->hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN))
                asked->second = true;
            else if (asked->second)
                d_.minimisedByOthers.erase(asked);
        }
        // Where someone asked it to go: the desktop read from now on is theirs.
        d_.desktopAskedByOthers.reads(window, s->desktop);
        if (nowMinimized != k.minimized) {
            clientsLog().debug("Client 0x%x reads %{public}s (desktop %ld of %ld)", window,
                               std::string(nowMinimized ? "hidden" : "shown"),
                               long(s->desktop.value_or(kAllDesktops)), long(currentDesktop_));
            events.push_back(
                {nowMinimized ? X11WindowEvent::Kind::minimized : X11WindowEvent::Kind::restored,
                 window, k.pid});
        }
        // Before the size it brings: a resize heard first would look like the window's own.
        if (nowMaximized != k.maximized)
            events.push_back({X11WindowEvent::Kind::maximizedChanged, window, k.pid});
        if (frame.size() != k.frame.size()) {
            events.push_back({X11WindowEvent::Kind::resized, window, k.pid});
        }
        if (frame.origin() != k.frame.origin()) {
            events.push_back({X11WindowEvent::Kind::moved, window, k.pid});
        }
        if (titleMayChange && s->title != k.title) {
            events.push_back({X11WindowEvent::Kind::titleChanged, window, k.pid});
        }
        if (!nowAway && k.away) events.push_back({X11WindowEvent::Kind::back, window, k.pid});
        k.minimized = nowMinimized;
        k.away = nowAway;
        k.maximized = nowMaximized;
        k.frame = frame;
        // Only a refresh for a title change takes the title: one for a move seen first would
        // swallow the change its own property event then brings.
        if (titleMayChange) k.title = s->title;
    }
    for (auto& e : events) subscribers().emit(e);
}

void ClientRegistry::refreshGeometry(xcb_window_t window) {
    if (!isClient(window)) return;
    // Its frame is all that tells a maximise there: the full read compares that too.
    if (showsMaximizedOnlyByFrame()) return refreshWindow(window, false);
    // Only the place and size change with a configure: the rest of the window's state comes
    // with property and map events, so three requests do instead of a full read.
    const std::optional<X11WindowFrame> read = readClientFrames({window}, true).front();
    if (!read) return;
    withdrawn().rememberDecorations(window, read->extents);
    const Rect frame = parking().parkedFrame(window).value_or(read->outerFrame());
    std::vector<X11WindowEvent> events;
    {
        std::lock_guard lock(d_.mutex);
        auto found = d_.known.find(window);
        if (found == d_.known.end()) return;
        KnownClient& k = found->second;
        if (frame.size() != k.frame.size())
            events.push_back({X11WindowEvent::Kind::resized, window, k.pid});
        if (frame.origin() != k.frame.origin())
            events.push_back({X11WindowEvent::Kind::moved, window, k.pid});
        k.frame = frame;
    }
    for (auto& e : events) subscribers().emit(e);
}

void ClientRegistry::frameConfigured(xcb_window_t client, const Rect& topLevel) {
    // A frame that only moved carries its client along: the event tells all there is, so the
    // frames of a moving strip cost no read. A resized one may place the client anew inside.
    if (!parking().parkedFrame(client)) {
        std::optional<X11WindowEvent> moved;
        {
            std::lock_guard lock(d_.mutex);
            auto found = d_.known.find(client);
            if (found == d_.known.end()) return;
            KnownClient& k = found->second;
            const std::optional<Rect> before = std::exchange(k.topLevelFrame, topLevel);
            if (before && before->size() == topLevel.size()) {
                if (before->origin() == topLevel.origin()) return;  // restacked only
                k.frame.x += topLevel.x - before->x;
                k.frame.y += topLevel.y - before->y;
                moved = X11WindowEvent{X11WindowEvent::Kind::moved, client, k.pid};
            }
        }
        if (moved) {
            subscribers().emit(*moved);
            return;
        }
    }
    refreshGeometry(client);
}

void ClientRegistry::refreshAllMinimized() {
    auto desktop = readCardinal(x_, x_.root(), x_.ewmh()->_NET_CURRENT_DESKTOP);
    {
        std::lock_guard lock(d_.mutex);
        currentDesktop_ = desktop.value_or(0);
    }
    for (xcb_window_t w : clients()) refreshWindow(w, false);
}

void ClientRegistry::windowManagerChanged(xcb_window_t check) {
    WindowManagerTraits traits;
    if (check != XCB_WINDOW_NONE) traits = detectWindowManagerTraits(x_, check);
    {
        std::lock_guard lock(d_.mutex);
        // A newer change decided meanwhile stands.
        if (checkWindow_ != check) return;
        d_.traits = traits;
        dragButtons_ = packDragButtons(traits.drag);
    }
    windowManagerLog().log("Window manager: %{public}s", traits.describe());
}

}  // namespace brindlow
