#include "platform/x11/X11Desktop.h"

#include <xcb/randr.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/CoordinateLimits.h"
#include "platform/Log.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Events.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
constexpr std::uint32_t kSourcePager = 2;  // "source indication": a pager or assistive tool

const Logger& clientsLog() {
    static const Logger logger = makeLogger("Clients");
    return logger;
}

}  // namespace

X11Desktop::X11Desktop(X11Connection& connection) : x_(connection) {
    if (x_.randrEventBase() >= 0) {
        xcb_randr_select_input(x_.xcb(), x_.root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    wmStateAtom_ = x_.atom("WM_STATE");
    changeStateAtom_ = x_.atom("WM_CHANGE_STATE");
    handBackAtom_ = x_.atom("_BRINDLOW_FOCUS_HAND_BACK");
    handBackMarkers_ = takeProbe();
    listener_ = x_.addListener([this](const xcb_generic_event_t& event) { onEvent(event); });
    refreshClients();
    refreshActive();
}

X11Desktop::~X11Desktop() {
    x_.removeListener(listener_);
    focusOnMapHold_.releaseAll();
    for (const xcb_window_t probe : probes_) xcb_destroy_window(x_.xcb(), probe);
    xcb_destroy_window(x_.xcb(), handBackMarkers_);
    x_.flush();
}

xcb_window_t X11Desktop::takeProbe() {
    {
        std::lock_guard lock(probesMutex_);
        if (!probes_.empty()) {
            const xcb_window_t probe = probes_.back();
            probes_.pop_back();
            return probe;
        }
    }
    const xcb_window_t probe = xcb_generate_id(x_.xcb());
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x_.xcb(), XCB_COPY_FROM_PARENT, probe, x_.root(), -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    return probe;
}

void X11Desktop::returnProbe(xcb_window_t probe) {
    std::lock_guard lock(probesMutex_);
    probes_.push_back(probe);
}

std::uint64_t X11Desktop::subscribeWindows(WindowHandler handler) {
    std::lock_guard lock(handlersMutex_);
    windowHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t X11Desktop::subscribeApps(AppHandler handler) {
    std::lock_guard lock(handlersMutex_);
    appHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t X11Desktop::subscribeScreenChanges(ChangeHandler handler) {
    std::lock_guard lock(handlersMutex_);
    screenHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t X11Desktop::subscribeStackingChanges(ChangeHandler handler) {
    std::lock_guard lock(handlersMutex_);
    stackingHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

void X11Desktop::unsubscribe(std::uint64_t id) {
    std::lock_guard lock(handlersMutex_);
    windowHandlers_.erase(id);
    appHandlers_.erase(id);
    screenHandlers_.erase(id);
    stackingHandlers_.erase(id);
}

void X11Desktop::emit(const X11WindowEvent& event) {
    // Held while they run, so an unsubscribed handler has finished running.
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : windowHandlers_) h(event);
}

void X11Desktop::emit(const X11AppEvent& event) {
    // Held while they run, so an unsubscribed handler has finished running.
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : appHandlers_) h(event);
}

void X11Desktop::emitScreensChanged() {
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : screenHandlers_) h();
}

std::vector<xcb_window_t> X11Desktop::clients() const {
    std::lock_guard lock(mutex_);
    return clients_;
}

bool X11Desktop::isClient(xcb_window_t window) const {
    std::lock_guard lock(mutex_);
    return known_.count(window) > 0;
}

std::optional<X11WindowSnapshot> X11Desktop::readClient(xcb_window_t window) const {
    std::optional<X11WindowSnapshot> snapshot = readWindow(x_, window);
    // A window manager that ended leaves its frame extents on the clients; nothing frames them
    // any more.
    if (snapshot && !hasWindowManager()) snapshot->extents = FrameExtents{};
    return snapshot;
}

std::vector<std::optional<X11WindowFrame>> X11Desktop::readClientFrames(
    const std::vector<xcb_window_t>& windows, bool placesOnly) const {
    std::vector<std::optional<X11WindowFrame>> frames = readFrames(x_, windows, placesOnly);
    if (!hasWindowManager())
        for (std::optional<X11WindowFrame>& frame : frames)
            if (frame) frame->extents = FrameExtents{};
    return frames;
}

xcb_window_t X11Desktop::checkWindowNow() const {
    std::lock_guard lock(mutex_);
    return checkWindow_;
}

bool X11Desktop::isWithdrawn(xcb_window_t window) const {
    std::lock_guard lock(mutex_);
    return withdrawn_.count(window) > 0;
}

bool X11Desktop::windowExists(xcb_window_t window) {
    auto* attributes = xcb_get_window_attributes_reply(
        x_.xcb(), xcb_get_window_attributes(x_.xcb(), window), nullptr);
    const bool exists = attributes != nullptr;
    std::free(attributes);
    return exists;
}

bool X11Desktop::minimizedByOthers(xcb_window_t window) const {
    if (parking_.isHidden(window) || parking_.isShowing(window)) return false;
    std::lock_guard lock(mutex_);
    const auto found = known_.find(window);
    return found != known_.end() && found->second.minimized;
}

bool X11Desktop::hasWindowManager() const {
    return windowManager_.load();
}

bool X11Desktop::onCurrentDesktop(const X11WindowSnapshot& s) const {
    if (!s.desktop || *s.desktop == kAllDesktops) return true;
    std::lock_guard lock(mutex_);
    return *s.desktop == currentDesktop_;
}

bool X11Desktop::minimized(const X11WindowSnapshot& s) const {
    // Iconified for parking, or not yet shown again, is Brindlow's own doing, not the user's.
    if (parking_.isHidden(s.window) || parking_.isShowing(s.window)) return false;
    // Some window managers mark every window of another desktop hidden: there it counts as away.
    return s.hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) && onCurrentDesktop(s);
}

bool X11Desktop::away(const X11WindowSnapshot& s) const {
    return !onCurrentDesktop(s);
}

std::optional<std::int32_t> X11Desktop::pidOf(xcb_window_t window) const {
    std::lock_guard lock(mutex_);
    auto found = known_.find(window);
    if (found == known_.end()) return std::nullopt;
    return found->second.pid;
}

std::vector<X11AppInfo> X11Desktop::applications() const {
    std::lock_guard lock(mutex_);
    std::vector<X11AppInfo> result;
    for (auto& [pid, info] : apps_) result.push_back(info);
    std::sort(result.begin(), result.end(),
              [](const X11AppInfo& a, const X11AppInfo& b) { return a.order < b.order; });
    return result;
}

std::optional<X11AppInfo> X11Desktop::application(std::int32_t pid) const {
    std::lock_guard lock(mutex_);
    auto found = apps_.find(pid);
    if (found == apps_.end()) return std::nullopt;
    return found->second;
}

std::vector<xcb_window_t> X11Desktop::windowsOf(std::int32_t pid) const {
    // Windows of other desktops too: they are the application's, only away for now.
    std::vector<xcb_window_t> candidates;
    {
        std::lock_guard lock(mutex_);
        for (xcb_window_t w : clients_) {
            auto found = known_.find(w);
            if (found != known_.end() && found->second.pid == pid) candidates.push_back(w);
        }
    }
    return candidates;
}

std::optional<xcb_window_t> X11Desktop::activeWindow() const {
    std::lock_guard lock(mutex_);
    return active_;
}

std::optional<xcb_window_t> X11Desktop::focusedWindowOf(std::int32_t pid) const {
    std::lock_guard lock(mutex_);
    for (xcb_window_t w : activeHistory_) {
        auto found = known_.find(w);
        if (found != known_.end() && found->second.pid == pid) return w;
    }
    return std::nullopt;
}

std::optional<X11WindowSnapshot> X11Desktop::read(xcb_window_t window) {
    if (!isClient(window)) return std::nullopt;
    return snapshotOf(window);
}

std::optional<X11WindowSnapshot> X11Desktop::snapshotOf(xcb_window_t window) const {
    const std::uint64_t events = x_.eventCount();
    {
        std::lock_guard lock(mutex_);
        if (snapshotEvents_ != events) {
            snapshots_.clear();
        } else if (auto found = snapshots_.find(window); found != snapshots_.end()) {
            return found->second;
        }
    }
    auto snapshot = readClient(window);
    std::lock_guard lock(mutex_);
    // Kept only when nothing happened while it was read.
    if (snapshot && x_.eventCount() == events) {
        if (snapshotEvents_ != events) snapshots_.clear();
        snapshotEvents_ = events;
        snapshots_[window] = *snapshot;
    }
    return snapshot;
}

std::string X11Desktop::subrole(const X11WindowSnapshot& s) {
    const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
    for (xcb_atom_t type : s.types) {
        if (type == ewmh._NET_WM_WINDOW_TYPE_NORMAL) break;
        if (type == ewmh._NET_WM_WINDOW_TYPE_DIALOG) return "AXDialog";
        if (type == ewmh._NET_WM_WINDOW_TYPE_SPLASH) return "AXSystemDialog";
        for (const xcb_atom_t floating :
             {ewmh._NET_WM_WINDOW_TYPE_UTILITY, ewmh._NET_WM_WINDOW_TYPE_TOOLBAR,
              ewmh._NET_WM_WINDOW_TYPE_MENU, ewmh._NET_WM_WINDOW_TYPE_DROPDOWN_MENU,
              ewmh._NET_WM_WINDOW_TYPE_POPUP_MENU, ewmh._NET_WM_WINDOW_TYPE_TOOLTIP,
              ewmh._NET_WM_WINDOW_TYPE_NOTIFICATION}) {
            if (type == floating) return "AXFloatingWindow";
        }
        if (type == ewmh._NET_WM_WINDOW_TYPE_DOCK || type == ewmh._NET_WM_WINDOW_TYPE_DESKTOP)
            return "AXUnknown";
    }
    // A normal window that belongs to another one is a dialog in all but name.
    if (s.transientFor != XCB_WINDOW_NONE) return "AXDialog";
    // On every desktop and out of the taskbar, with no type to say otherwise: a panel of a
    // window manager that does not mark its panels as docks (a button bar).
    const bool everyDesktop =
        s.hasState(ewmh._NET_WM_STATE_STICKY) || s.desktop == std::uint32_t(0xFFFFFFFF);
    if (s.types.empty() && everyDesktop && s.hasState(ewmh._NET_WM_STATE_SKIP_TASKBAR))
        return "AXUnknown";
    return "AXStandardWindow";
}

std::int32_t X11Desktop::resolvePid(const X11WindowSnapshot& s) {
    if (s.pid) return std::int32_t(*s.pid);
    if (auto pid = resourcePid(x_, s.window)) return std::int32_t(*pid);
    return 0;
}

std::vector<xcb_window_t> X11Desktop::readClientList() {
    if (const std::optional<xcb_window_t> check = windowManagerCheckWindow(x_)) {
        // Its destruction tells that the window manager ended, also when it was killed and
        // left its root properties behind.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_.xcb(), *check, XCB_CW_EVENT_MASK, &mask);
        {
            std::lock_guard lock(mutex_);
            if (checkWindow_ != *check) forgetWindowManagerTraits();
            windowManager_ = true;
            checkWindow_ = *check;
        }
        return readWindowList(x_, x_.root(), x_.ewmh()->_NET_CLIENT_LIST);
    }
    {
        std::lock_guard lock(mutex_);
        if (checkWindow_ != XCB_WINDOW_NONE) forgetWindowManagerTraits();
        windowManager_ = false;
        checkWindow_ = XCB_WINDOW_NONE;
    }
    // Without a window manager the clients are the mapped top-level windows.
    std::vector<xcb_window_t> result;
    auto* tree = xcb_query_tree_reply(x_.xcb(), xcb_query_tree(x_.xcb(), x_.root()), nullptr);
    if (!tree) return result;
    xcb_window_t* children = xcb_query_tree_children(tree);
    int count = xcb_query_tree_children_length(tree);
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (int i = 0; i < count; ++i) {
        cookies.push_back(xcb_get_window_attributes(x_.xcb(), children[i]));
    }
    for (int i = 0; i < count; ++i) {
        auto* a = xcb_get_window_attributes_reply(x_.xcb(), cookies[size_t(i)], nullptr);
        if (a && a->map_state == XCB_MAP_STATE_VIEWABLE && !a->override_redirect &&
            a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT) {
            result.push_back(children[i]);
        }
        std::free(a);
    }
    std::free(tree);
    return result;
}

void X11Desktop::refreshClients(std::optional<xcb_window_t> destroyed) {
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
        std::lock_guard lock(mutex_);
        currentDesktop_ = desktop.value_or(0);
        // A destroyed window goes even when the window manager still lists it; should the list
        // hold its id again, that is a new window, read afresh below.
        if (destroyed) {
            if (auto found = known_.find(*destroyed); found != known_.end()) {
                windowEvents.push_back(
                    {X11WindowEvent::Kind::destroyed, *destroyed, found->second.pid});
                known_.erase(found);
            }
            if (auto found = withdrawn_.find(*destroyed); found != withdrawn_.end()) {
                windowEvents.push_back(
                    {X11WindowEvent::Kind::destroyed, *destroyed, found->second});
                withdrawn_.erase(found);
                decorations_.erase(*destroyed);
            }
        }
        for (xcb_window_t w : list) {
            if (!known_.count(w)) added.push_back(w);
        }
    }
    // Clients that leave the list while their window lives on: withdrawn, not destroyed.
    std::vector<xcb_window_t> leaving;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [w, k] : known_)
            if (std::find(list.begin(), list.end(), w) == list.end()) leaving.push_back(w);
    }
    std::set<xcb_window_t> living;
    for (xcb_window_t w : leaving)
        if (windowExists(w)) living.insert(w);
    // Read the newcomers without the lock, and follow their own events.
    std::map<xcb_window_t, Known> fresh;
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
            std::lock_guard lock(mutex_);
            awaitingShow_.insert(w);
            continue;
        }
        Known k;
        adoptParked(*s);
        rememberDecorations(w, s->extents);
        k.pid = resolvePid(*s);
        k.frame = parkedFrame(w).value_or(s->outerFrame());
        k.title = s->title;
        k.minimized = minimized(*s);
        k.away = away(*s);
        k.topLevel = topLevelAncestor(x_, w).value_or(w);
        fresh.emplace(w, k);
        classes.emplace(w, s->wmClass);
    }

    {
        std::lock_guard lock(mutex_);
        std::vector<xcb_window_t> current;
        for (xcb_window_t w : list) {
            if (known_.count(w) || fresh.count(w)) current.push_back(w);
        }
        // Awaited no more once listed as shown, or no longer listed at all.
        std::erase_if(awaitingShow_, [&](xcb_window_t w) {
            return fresh.count(w) || std::find(list.begin(), list.end(), w) == list.end();
        });
        for (auto& [w, k] : fresh) {
            known_[w] = k;
            withdrawn_.erase(w);
            if (k.pid != 0 && !apps_.count(k.pid)) {
                apps_[k.pid] = X11AppInfo{k.pid, classes[w], nextOrder_++};
                appEvents.push_back({X11AppEvent::Kind::launched, k.pid});
            }
            windowEvents.push_back({X11WindowEvent::Kind::created, w, k.pid});
        }
        for (auto it = known_.begin(); it != known_.end();) {
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
                minimisedByOthers_.erase(it->first);
                desktopAskedByOthers_.erase(it->first);
                it = known_.erase(it);
            } else {
                ++it;
            }
        }
        clients_ = current;
        // Applications whose last client went away have ended.
        for (auto it = apps_.begin(); it != apps_.end();) {
            const auto ofApp = [&](auto& entry) { return entry.second == it->first; };
            bool any = std::any_of(known_.begin(), known_.end(),
                                   [&](auto& entry) { return entry.second.pid == it->first; }) ||
                       std::any_of(withdrawn_.begin(), withdrawn_.end(), ofApp);
            if (!any) {
                appEvents.push_back({X11AppEvent::Kind::terminated, it->first});
                it = apps_.erase(it);
            } else {
                ++it;
            }
        }
        std::erase_if(activeHistory_, [&](xcb_window_t w) { return !known_.count(w); });
        // A window manager may publish the active window before it lists it.
        if (active_ && fresh.count(*active_) && known_.count(*active_) &&
            (activeHistory_.empty() || activeHistory_.front() != *active_)) {
            const std::int32_t pid = known_[*active_].pid;
            activeHistory_.insert(activeHistory_.begin(), *active_);
            windowEvents.push_back({X11WindowEvent::Kind::focused, *active_, pid});
            if (activePid_ != pid) {
                activePid_ = pid;
                appEvents.push_back({X11AppEvent::Kind::activated, pid});
            }
        }
    }
    // Launch before the windows, terminate and activate after them.
    for (auto& e : appEvents) {
        if (e.kind == X11AppEvent::Kind::launched) emit(e);
    }
    for (auto& e : windowEvents) emit(e);
    for (auto& e : appEvents) {
        if (e.kind != X11AppEvent::Kind::launched) emit(e);
    }
}

void X11Desktop::refreshActive() {
    std::lock_guard refreshing(refreshMutex_);
    auto active = readActiveWindow(x_);
    std::optional<X11WindowEvent> focus;
    std::optional<X11AppEvent> activated;
    std::optional<xcb_window_t> former;
    std::optional<xcb_window_t> handBack;
    {
        std::lock_guard lock(mutex_);
        if (active == active_) return;
        former = active_;
        // Not the user's choice: the window manager focused a window we mapped back into view.
        // The focus goes back where it was, and neither change is reported: as far as anybody
        // else knows, it never moved.
        if (active && focusedByShowing(*active, former)) handBack = former;
        if (!handBack) active_ = active;
        const auto found = active && !handBack ? known_.find(*active) : known_.end();
        if (found != known_.end()) {
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
        handFocusBack(*active, *handBack);
        return;
    }
    hideFormerlyActive(former);
    if (focus) emit(*focus);
    if (activated) emit(*activated);
}

bool X11Desktop::isFramed(xcb_window_t client) const {
    std::lock_guard lock(mutex_);
    const auto found = known_.find(client);
    return found != known_.end() && found->second.topLevel != 0 && found->second.topLevel != client;
}

std::optional<xcb_window_t> X11Desktop::clientFramedBy(xcb_window_t frame) {
    std::lock_guard lock(mutex_);
    for (const auto& [client, k] : known_) {
        if (k.topLevel == frame && client != frame) return client;
    }
    return std::nullopt;
}

void X11Desktop::refreshWindow(xcb_window_t window, bool titleMayChange) {
    if (!isClient(window)) return;
    auto s = readClient(window);
    if (!s) return;
    const bool nowMinimized = minimized(*s);
    const bool nowAway = away(*s);
    rememberDecorations(window, s->extents);
    const Rect frame = parkedFrame(window).value_or(s->outerFrame());
    std::vector<X11WindowEvent> events;
    {
        std::lock_guard lock(mutex_);
        auto found = known_.find(window);
        if (found == known_.end()) return;
        Known& k = found->second;
        // Away first when leaving, back last when returning: in between the window reads as
        // what it is on its own desktop.
        if (nowAway && !k.away) events.push_back({X11WindowEvent::Kind::away, window, k.pid});
        // Restored: a later parking of it is Brindlow's again.
        if (!nowMinimized && k.minimized) minimisedByOthers_.erase(window);
        if (nowMinimized != k.minimized) {
            clientsLog().debug("Client 0x%x reads %{public}s (desktop %ld of %ld)", window,
                               std::string(nowMinimized ? "hidden" : "shown"),
                               long(s->desktop.value_or(kAllDesktops)), long(currentDesktop_));
            events.push_back(
                {nowMinimized ? X11WindowEvent::Kind::minimized : X11WindowEvent::Kind::restored,
                 window, k.pid});
        }
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
        k.frame = frame;
        // Only a refresh for a title change takes the title: one for a move seen first would
        // swallow the change its own property event then brings.
        if (titleMayChange) k.title = s->title;
    }
    for (auto& e : events) emit(e);
}

void X11Desktop::refreshGeometry(xcb_window_t window) {
    if (!isClient(window)) return;
    // Only the place and size change with a configure: the rest of the window's state comes
    // with property and map events, so three requests do instead of a full read.
    const std::optional<X11WindowFrame> read = readClientFrames({window}, true).front();
    if (!read) return;
    rememberDecorations(window, read->extents);
    const Rect frame = parkedFrame(window).value_or(read->outerFrame());
    std::vector<X11WindowEvent> events;
    {
        std::lock_guard lock(mutex_);
        auto found = known_.find(window);
        if (found == known_.end()) return;
        Known& k = found->second;
        if (frame.size() != k.frame.size())
            events.push_back({X11WindowEvent::Kind::resized, window, k.pid});
        if (frame.origin() != k.frame.origin())
            events.push_back({X11WindowEvent::Kind::moved, window, k.pid});
        k.frame = frame;
    }
    for (auto& e : events) emit(e);
}

void X11Desktop::frameConfigured(xcb_window_t client, const Rect& topLevel) {
    // A frame that only moved carries its client along: the event tells all there is, so the
    // frames of a moving strip cost no read. A resized one may place the client anew inside.
    if (!parkedFrame(client)) {
        std::optional<X11WindowEvent> moved;
        {
            std::lock_guard lock(mutex_);
            auto found = known_.find(client);
            if (found == known_.end()) return;
            Known& k = found->second;
            const std::optional<Rect> before = std::exchange(k.topLevelFrame, topLevel);
            if (before && before->size() == topLevel.size()) {
                if (before->origin() == topLevel.origin()) return;  // restacked only
                k.frame.x += topLevel.x - before->x;
                k.frame.y += topLevel.y - before->y;
                moved = X11WindowEvent{X11WindowEvent::Kind::moved, client, k.pid};
            }
        }
        if (moved) {
            emit(*moved);
            return;
        }
    }
    refreshGeometry(client);
}

void X11Desktop::refreshAllMinimized() {
    auto desktop = readCardinal(x_, x_.root(), x_.ewmh()->_NET_CURRENT_DESKTOP);
    {
        std::lock_guard lock(mutex_);
        currentDesktop_ = desktop.value_or(0);
    }
    for (xcb_window_t w : clients()) refreshWindow(w, false);
}

void X11Desktop::onEvent(const xcb_generic_event_t& event) {
    ++eventCount_;
    const uint8_t type = eventType(event);
    const int randr = x_.randrEventBase();
    if (randr >= 0 &&
        (type == randr + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randr + XCB_RANDR_NOTIFY)) {
        emitScreensChanged();
        return;
    }
    switch (type) {
        case XCB_PROPERTY_NOTIFY: {
            auto& e = as<xcb_property_notify_event_t>(event);
            const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
            if (e.window == x_.root()) {
                if (e.atom == ewmh._NET_CLIENT_LIST || e.atom == ewmh._NET_SUPPORTING_WM_CHECK) {
                    refreshClients();
                    emitScreensChanged();  // a panel may have come or gone
                } else if (e.atom == ewmh._NET_ACTIVE_WINDOW) {
                    refreshActive();
                } else if (e.atom == ewmh._NET_CURRENT_DESKTOP) {
                    refreshAllMinimized();
                } else if (e.atom == ewmh._NET_WORKAREA) {
                    emitScreensChanged();
                } else if (e.atom == ewmh._NET_CLIENT_LIST_STACKING) {
                    std::lock_guard lock(handlersMutex_);
                    for (auto& [id, h] : stackingHandlers_) h();
                }
                return;
            }
            if (e.atom == wmStateAtom_ && !isClient(e.window)) {
                // Listed before the window manager marked it as managed.
                refreshClients();
            } else if (e.atom == wmStateAtom_) {
                restoredByOthers(e.window);
                refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_NAME || e.atom == XCB_ATOM_WM_NAME) {
                refreshWindow(e.window, true);
            } else if (e.atom == ewmh._NET_WM_STATE) {
                restoredByOthers(e.window);
                refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_DESKTOP || e.atom == ewmh._NET_FRAME_EXTENTS) {
                refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_STRUT || e.atom == ewmh._NET_WM_STRUT_PARTIAL) {
                emitScreensChanged();
            }
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            auto& e = as<xcb_configure_notify_event_t>(event);
            if (e.window == x_.root()) {
                emitScreensChanged();
            } else if (e.event == e.window) {
                // The window manager tells a framed client of a move with a made-up event; the
                // move shows on the frame, which the root hears, so one read does for both. A
                // real one is a size change inside the frame, which may come after the frame's.
                const bool synthetic = (event.response_type & 0x80) != 0;
                if (!synthetic || !isFramed(e.window)) refreshGeometry(e.window);
            } else if (e.event == x_.root()) {
                // A reparenting window manager moves the frame; while the user
                // drags it by its title bar the client hears nothing until the
                // button is released, so the frame's own event tells the move.
                if (const auto client = clientFramedBy(e.window))
                    frameConfigured(*client, Rect(e.x, e.y, e.width + 2 * e.border_width,
                                                  e.height + 2 * e.border_width));
            }
            return;
        }
        case XCB_REPARENT_NOTIFY: {
            auto& e = as<xcb_reparent_notify_event_t>(event);
            if (e.event != e.window || !isClient(e.window)) return;
            const xcb_window_t topLevel = topLevelAncestor(x_, e.window).value_or(e.window);
            std::lock_guard lock(mutex_);
            if (auto found = known_.find(e.window); found != known_.end()) {
                found->second.topLevel = topLevel;
                found->second.topLevelFrame.reset();  // a new frame is measured anew
            }
            return;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY: {
            // Both carry `event` and `window` in the same places.
            auto& e = as<xcb_map_notify_event_t>(event);
            if (e.event == x_.root()) {
                // A client is viewable once its frame is mapped too, often after the client.
                bool awaited = false;
                if (type == XCB_MAP_NOTIFY) {
                    std::lock_guard lock(mutex_);
                    awaited = !awaitingShow_.empty();
                }
                if (!hasWindowManager() || awaited) refreshClients();
            } else {
                if (type == XCB_MAP_NOTIFY && e.event == e.window) {
                    bool awaited = false;
                    {
                        std::lock_guard lock(mutex_);
                        awaited = awaitingShow_.erase(e.window) > 0;
                    }
                    if (awaited) {
                        refreshClients();
                        return;
                    }
                    restoredByOthers(e.window);
                }
                refreshWindow(e.window, false);
            }
            return;
        }
        case XCB_CLIENT_MESSAGE: {
            // Requests to the window manager reach the root's listeners too.
            auto& e = as<xcb_client_message_event_t>(event);
            if (e.format == 32 && e.type == changeStateAtom_ &&
                e.data.data32[0] == XCB_ICCCM_WM_STATE_ICONIC && isClient(e.window))
                iconifyRequested(e.window);
            if (e.format == 32 && e.type == x_.ewmh()->_NET_WM_DESKTOP && isClient(e.window))
                desktopRequested(e.window, e.data.data32[0]);
            handBackHeard(e);
            return;
        }
        case XCB_DESTROY_NOTIFY: {
            auto& e = as<xcb_destroy_notify_event_t>(event);
            // The refresh reports the destruction and ends an application left without windows.
            if (isClient(e.window) || isWithdrawn(e.window)) {
                refreshClients(e.window);
            } else if (e.window == checkWindowNow()) {
                refreshClients();
            } else if (e.event == x_.root() && !hasWindowManager()) {
                refreshClients();
            }
            return;
        }
        default:
            return;
    }
}

namespace {

// Ends a wait once `window` is destroyed, and says so in `destroyed`.
std::function<bool(const xcb_generic_event_t&)> untilDestroyed(xcb_window_t window,
                                                               bool& destroyed) {
    return [window, &destroyed](const xcb_generic_event_t& event) {
        if (eventType(event) != XCB_DESTROY_NOTIFY) return false;
        destroyed = destroyed || as<xcb_destroy_notify_event_t>(event).window == window;
        return destroyed;
    };
}

}  // namespace

std::optional<X11Desktop::FenceOutcome> X11Desktop::probeFence(
    double timeout, const std::function<void()>& send,
    const std::function<bool(const xcb_generic_event_t&)>& endsWait) {
    std::optional<bool> answers;
    {
        std::lock_guard lock(mutex_);
        answers = fenceAnswered_;
    }
    if (answers == false) return std::nullopt;
    // The first time, a short wait tells whether this window manager answers.
    if (!answers) timeout = std::min(timeout, 0.5);
    // The window manager handles client messages in order, and it answers a
    // frame-extents request for a window it does not manage by writing the
    // property: once it does, every request sent before has been handled. An
    // unmapped window of our own per waiting caller, so an answer meant for
    // another caller is never taken for ours.
    const xcb_window_t probe = takeProbe();
    const xcb_atom_t extents = x_.ewmh()->_NET_FRAME_EXTENTS;
    bool ended = false;
    const Answer answer = awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) == XCB_PROPERTY_NOTIFY) {
                auto& e = as<xcb_property_notify_event_t>(event);
                if (e.window == probe && e.atom == extents) return true;
            }
            ended = endsWait(event);
            return ended;
        },
        timeout,
        [&] {
            send();
            xcb_ewmh_request_frame_extents(x_.ewmh(), x_.screenNumber(), probe);
            return false;
        });
    const bool answered = answer == Answer::heard;
    // Only a probe whose answer came is used again: a late answer must never end another wait.
    if (answered) {
        returnProbe(probe);
    } else {
        xcb_destroy_window(x_.xcb(), probe);
        xcb_flush(x_.xcb());
    }
    // A wait ended by the caller's own event tells nothing about the window manager. One that
    // answered before may still stop answering (KWin answers only now and then): a single
    // request left unanswered counts, so no later wait hangs on it.
    // One that ended tells nothing about the next.
    if (answer == Answer::windowManagerGone) return FenceOutcome{false, false, timeout, true};
    const bool silent = !answered && !ended;
    if (!ended && answers != answered) {
        std::lock_guard lock(mutex_);
        fenceAnswered_ = answered;
    }
    return FenceOutcome{answered, silent, timeout};
}

X11Desktop::Answer X11Desktop::awaitWindowManager(
    const std::function<bool(const xcb_generic_event_t&)>& accept, double timeout,
    const std::function<bool()>& send) {
    // Set on the event thread or here, whichever sees the end first.
    std::atomic<bool> gone{false};
    const auto ended = [&] {
        if (hasWindowManager()) return false;
        gone = true;
        return true;
    };
    const bool over = x_.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            // The desktop hears every event before the waits do: the event that ends the window
            // manager has marked it gone by now.
            return accept(event) || ended();
        },
        timeout,
        // Ended before the wait began: its end was heard already.
        [&] { return send() || ended(); });
    if (gone) return Answer::windowManagerGone;
    return over ? Answer::heard : Answer::unheard;
}

void X11Desktop::forgetWindowManagerTraits() {
    fenceAnswered_.reset();
    passesOn_.reset();
    signsMissed_ = 0;
    lateMovesMissed_ = 0;
}

AXError X11Desktop::fence(xcb_window_t window, double timeout, const std::function<void()>& send) {
    bool destroyed = false;
    const std::optional<FenceOutcome> outcome =
        probeFence(timeout, send, untilDestroyed(window, destroyed));
    if (!outcome) return fallbackFence(window, timeout, send);
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    // Nobody is left to carry the request out; the caller sends it again without one.
    if (outcome->windowManagerGone) return axerror::success;
    // The request went out; without an answer, what the window shows now is what it got.
    if (outcome->silent) return fallbackFence(window, outcome->timeout, [] {});
    return outcome->answered ? axerror::success : axerror::cannotComplete;
}

AXError X11Desktop::fallbackFence(xcb_window_t window, double timeout,
                                  const std::function<void()>& send) {
    bool destroyed = false;
    const std::optional<FenceOutcome> outcome =
        passOnFence(timeout, send, untilDestroyed(window, destroyed));
    if (!outcome) return fallbackSigns(window, timeout, send);
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    if (outcome->windowManagerGone) return axerror::success;
    // The request went out already when the probe went unanswered.
    if (outcome->silent) return fallbackSigns(window, outcome->timeout, [] {});
    return axerror::success;
}

AXError X11Desktop::fallbackSigns(xcb_window_t window, double timeout,
                                  const std::function<void()>& send) {
    // Some window managers (fluxbox) leave frame-extents requests for unmanaged
    // windows unanswered; one that passes on nothing either: wait for the first sign of
    // the request instead. A request the window manager ignores shows none, so the wait
    // is short.
    const xcb_atom_t state = x_.ewmh()->_NET_WM_STATE;
    const xcb_atom_t active = x_.ewmh()->_NET_ACTIVE_WINDOW;
    bool destroyed = false;
    awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            switch (eventType(event)) {
                case XCB_CONFIGURE_NOTIFY:
                    return as<xcb_configure_notify_event_t>(event).window == window;
                case XCB_PROPERTY_NOTIFY: {
                    auto& e = as<xcb_property_notify_event_t>(event);
                    return (e.window == window && e.atom == state) ||
                           (e.window == x_.root() && e.atom == active);
                }
                case XCB_DESTROY_NOTIFY:
                    destroyed = as<xcb_destroy_notify_event_t>(event).window == window;
                    return destroyed;
                default:
                    return false;
            }
        },
        std::min(timeout, 0.2),
        [&] {
            send();
            return false;
        });
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    return axerror::success;
}

bool X11Desktop::fillsScreen(const X11WindowSnapshot& snapshot) const {
    // A full-screen window keeps filling its screen whatever is asked of it: KWin, fluxbox and
    // fvwm would move it off its display, jwm would take it out of full screen.
    return hasWindowManager() && snapshot.hasState(x_.ewmh()->_NET_WM_STATE_FULLSCREEN);
}

AXError X11Desktop::moveResizeNow(xcb_window_t window, std::optional<Point> origin,
                                  std::optional<Size> size, double timeout,
                                  const std::optional<Rect>& parkingTarget) {
    auto s = read(window);
    if (!s) return axerror::invalidElement;
    if (fillsScreen(*s)) return axerror::success;
    const Rect outer = s->outerFrame();
    const FrameExtents& ext = s->extents;

    Point target = outer.origin();
    if (origin) {
        auto representable = representablePoint(*origin);
        if (!representable) return axerror::illegalArgument;
        target = *representable;
    }
    std::optional<Size> client;
    Size frameSize = outer.size();
    if (size) {
        auto outerSize = representableSize(*size);
        if (!outerSize) return axerror::illegalArgument;
        frameSize = *outerSize;
        // Held to the client's own limits: the window manager may pass on any size.
        client = representableSize(s->hints.within(Size{outerSize->width - ext.left - ext.right,
                                                        outerSize->height - ext.top - ext.bottom}));
    }
    const auto whole = [](double v) { return std::lround(v); };
    const bool moves =
        origin && (whole(target.x) != whole(outer.x) || whole(target.y) != whole(outer.y));
    const bool resizes = client && (whole(client->width) != whole(s->clientFrame.width) ||
                                    whole(client->height) != whole(s->clientFrame.height));
    if (!moves && !resizes) return axerror::success;

    if (!hasWindowManager()) {
        uint16_t mask = 0;
        std::vector<uint32_t> values;
        if (moves) {
            mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
            values.push_back(uint32_t(int32_t(whole(target.x))));
            values.push_back(uint32_t(int32_t(whole(target.y))));
        }
        if (resizes) {
            mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
            values.push_back(uint32_t(whole(client->width)));
            values.push_back(uint32_t(whole(client->height)));
        }
        xcb_configure_window(x_.xcb(), window, mask, values.data());
        x_.sync();
        return readWindow(x_, window) ? axerror::success : axerror::invalidElement;
    }

    uint32_t flags = XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12);
    if (moves) flags |= XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
    // A move carries the size the client keeps: fluxbox takes a missing size for the frame's
    // and grows the client by its decorations on every move.
    if (moves || resizes)
        flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    const Size kept = resizes ? *client : s->clientFrame.size();
    const uint32_t x = moves ? uint32_t(int32_t(whole(target.x))) : 0;
    const uint32_t y = moves ? uint32_t(int32_t(whole(target.y))) : 0;
    const uint32_t w = uint32_t(whole(kept.width));
    const uint32_t h = uint32_t(whole(kept.height));
    const AXError sent = fence(window, timeout, [&] {
        sendResizeFrom(int32_t(whole(outer.x)), Rect(target, frameSize), window, flags, int32_t(x),
                       int32_t(y), w, h, parkingTarget);
    });
    // The window manager ended before carrying the request out: it goes straight to the window.
    if (!hasWindowManager()) return moveResizeNow(window, origin, size, timeout, parkingTarget);
    return sent;
}

void X11Desktop::sendMoveResize(xcb_window_t window, std::uint32_t flags, std::int32_t x,
                                std::int32_t y, std::uint32_t width, std::uint32_t height,
                                const std::optional<Rect>& parkingTarget) {
    std::lock_guard lock(sendMutex_);
    if (parkingTarget) parking_.sending(window, *parkingTarget);
    // `flags` holds the gravity (bits 0-7), which fields count (bits 8-11) and the source (bits
    // 12-15), as the message packs them; the library packs them again.
    xcb_ewmh_request_moveresize_window(x_.ewmh(), x_.screenNumber(), window,
                                       xcb_gravity_t(flags & 0xFF),
                                       xcb_ewmh_client_source_type_t((flags >> 12) & 0xF),
                                       xcb_ewmh_moveresize_window_opt_flags_t(flags & 0xF00),
                                       uint32_t(x), uint32_t(y), width, height);
}

AXError X11Desktop::lower(xcb_window_t window) {
    if (!isClient(window)) return axerror::invalidElement;
    // The active window is never lowered: some window managers then hand the focus to whatever
    // is on top, racing the raise that follows. It goes under once the focus has moved on.
    {
        std::lock_guard lock(mutex_);
        if (active_ == window) {
            lowerWhenInactive_ = window;
            return axerror::success;
        }
    }
    if (!hasWindowManager()) {
        const uint32_t below = XCB_STACK_MODE_BELOW;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    } else {
        xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, XCB_WINDOW_NONE,
                                        XCB_STACK_MODE_BELOW);
        // Some window managers (xfwm4) leave a pager's restack without a sibling undone but
        // follow the client's own request, which reaches them redirected.
        const uint32_t below = XCB_STACK_MODE_BELOW;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    }
    x_.flush();
    return axerror::success;
}

AXError X11Desktop::setFullScreen(xcb_window_t window, bool on, double timeout) {
    if (!read(window)) return axerror::invalidElement;
    if (!hasWindowManager()) return axerror::attributeUnsupported;
    const xcb_atom_t fullScreen = x_.ewmh()->_NET_WM_STATE_FULLSCREEN;
    const AXError sent = fence(window, timeout, [&] {
        xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), window,
                                         on ? XCB_EWMH_WM_STATE_ADD : XCB_EWMH_WM_STATE_REMOVE,
                                         fullScreen, XCB_ATOM_NONE,
                                         xcb_ewmh_client_source_type_t(kSourcePager));
    });
    if (sent != axerror::success) return sent;
    // Some window managers (KWin) give the window its new frame first and say so in its state
    // only after: the answer waits for the state, so that reading it back agrees.
    const auto done = [&] {
        const auto now = readWindow(x_, window);
        return !now || now->hasState(fullScreen) == on;
    };
    const xcb_atom_t state = x_.ewmh()->_NET_WM_STATE;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    for (auto left = timeout; left > 0;
         left = std::chrono::duration<double>(until - std::chrono::steady_clock::now()).count()) {
        const Answer changed = awaitWindowManager(
            [&](const xcb_generic_event_t& event) {
                if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
                auto& e = as<xcb_property_notify_event_t>(event);
                return e.window == window && e.atom == state;
            },
            left, [&] { return done(); });
        if (changed != Answer::heard || done()) break;
    }
    return axerror::success;
}

AXError X11Desktop::setMinimized(xcb_window_t window, bool on, double timeout) {
    if (!on) return activate(window, timeout);
    if (!read(window)) return axerror::invalidElement;
    if (!hasWindowManager()) {
        xcb_unmap_window(x_.xcb(), window);
        x_.sync();
        return axerror::success;
    }
    const AXError sent = fence(window, timeout, [&] {
        const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), x_.atom("WM_CHANGE_STATE"), 1,
                                     &iconic);
    });
    // The window manager ended before it iconified the window: it is unmapped instead.
    if (!hasWindowManager()) return setMinimized(window, on, timeout);
    return sent;
}

}  // namespace brindlow
