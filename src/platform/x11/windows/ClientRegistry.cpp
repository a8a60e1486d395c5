// What the desktop knows of its clients and applications, and how it reads a client.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cstdlib>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/ClientRegistry.h"

#include "platform/x11/windows/FrameWriter.h"
#include "platform/x11/windows/MaximizedFrames.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

}  // namespace

std::vector<xcb_window_t> ClientRegistry::clients() const {
    std::lock_guard lock(d_.mutex);
    return clients_;
}

bool ClientRegistry::isClient(xcb_window_t window) const {
    std::lock_guard lock(d_.mutex);
    return d_.known.count(window) > 0;
}

std::optional<X11WindowSnapshot> ClientRegistry::readClient(xcb_window_t window) const {
    std::optional<X11WindowSnapshot> snapshot = readWindow(x_, window);
    // A window manager that ended leaves its frame extents on the clients; nothing frames them
    // any more.
    if (snapshot && !hasWindowManager()) snapshot->extents = FrameExtents{};
    return snapshot;
}

std::vector<std::optional<X11WindowFrame>> ClientRegistry::readClientFrames(
    const std::vector<xcb_window_t>& windows, bool placesOnly) const {
    std::vector<std::optional<X11WindowFrame>> frames = readFrames(x_, windows, placesOnly);
    if (!hasWindowManager())
        for (std::optional<X11WindowFrame>& frame : frames)
            if (frame) frame->extents = FrameExtents{};
    return frames;
}

xcb_window_t ClientRegistry::checkWindowNow() const {
    std::lock_guard lock(d_.mutex);
    return checkWindow_;
}

bool ClientRegistry::isWithdrawn(xcb_window_t window) const {
    std::lock_guard lock(d_.mutex);
    return withdrawn_.count(window) > 0;
}

bool ClientRegistry::windowExists(xcb_window_t window) {
    auto* attributes = xcb_get_window_attributes_reply(
        x_.xcb(), xcb_get_window_attributes(x_.xcb(), window), nullptr);
    const bool exists = attributes != nullptr;
    std::free(attributes);
    return exists;
}

bool ClientRegistry::minimizedByOthers(xcb_window_t window) const {
    if (d_.parked.isHidden(window) || d_.parked.isShowing(window)) return false;
    std::lock_guard lock(d_.mutex);
    const auto found = d_.known.find(window);
    return found != d_.known.end() && found->second.minimized;
}

bool ClientRegistry::hasWindowManager() const {
    return windowManager_.load();
}

bool ClientRegistry::onCurrentDesktop(const X11WindowSnapshot& s) const {
    if (!s.desktop || *s.desktop == kAllDesktops) return true;
    std::lock_guard lock(d_.mutex);
    return *s.desktop == currentDesktop_;
}

bool ClientRegistry::minimized(const X11WindowSnapshot& s) const {
    // Iconified for parking, or not yet shown again, is Brindlow's own doing, not the user's.
    if (d_.parked.isHidden(s.window) || d_.parked.isShowing(s.window)) return false;
    // Some window managers mark every window of another desktop hidden: there it counts as away.
    return s.hasState(x_.ewmh()->_NET_WM_STATE_HIDDEN) && onCurrentDesktop(s);
}

bool ClientRegistry::away(const X11WindowSnapshot& s) const {
    return !onCurrentDesktop(s);
}

bool ClientRegistry::maximized(const X11WindowSnapshot& s) const {
    if (maximized(s.states)) return true;
    {
        std::lock_guard lock(maximizeMutex_);
        if (askedMaximized_.contains(s.window)) return true;
    }
    // Full screen fills the monitor too; a parked window stands where we put it, and so does a
    // window at the size we asked of it (a full-width column without gaps).
    return showsMaximizedOnlyByFrame() && !s.hasState(x_.ewmh()->_NET_WM_STATE_FULLSCREEN) &&
           !parking().parkedFrame(s.window) &&
           !frameWriter().hasAskedSize(s.window, s.clientFrame.size(), s.hints.increments) &&
           hasMaximizedSize(s.outerFrame().size(), s.hints.increments, readMaximizedFrames(x_));
}

void ClientRegistry::maximizeRequested(xcb_window_t window, std::uint32_t action,
                                       const std::vector<xcb_atom_t>& states) {
    if (!showsMaximizedOnlyByFrame() || !isClient(window) || !maximized(states)) return;
    {
        std::lock_guard lock(maximizeMutex_);
        if (const auto own = ownMaximizeRequests_.find(window); own != ownMaximizeRequests_.end()) {
            if (--own->second == 0) ownMaximizeRequests_.erase(own);
            return;
        }
    }
    bool on = action == XCB_EWMH_WM_STATE_ADD;
    if (action == XCB_EWMH_WM_STATE_TOGGLE) {
        const auto s = readClient(window);
        on = !s || !maximized(*s);
    }
    {
        std::lock_guard lock(maximizeMutex_);
        if (on)
            askedMaximized_.insert(window);
        else
            askedMaximized_.erase(window);
    }
    refreshWindow(window, false);
}

void ClientRegistry::maximizeSending(xcb_window_t window, bool on) {
    if (!showsMaximizedOnlyByFrame()) return;
    std::lock_guard lock(maximizeMutex_);
    ++ownMaximizeRequests_[window];
    if (!on) askedMaximized_.erase(window);
}

bool ClientRegistry::showsMaximizedOnlyByFrame() const {
    if (!hasWindowManager()) return false;
    std::lock_guard lock(d_.mutex);
    return !d_.traits.publishesMaximized;
}

bool ClientRegistry::maximized(const std::vector<xcb_atom_t>& states) const {
    const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
    return std::any_of(states.begin(), states.end(), [&](xcb_atom_t state) {
        return state == ewmh._NET_WM_STATE_MAXIMIZED_VERT ||
               state == ewmh._NET_WM_STATE_MAXIMIZED_HORZ;
    });
}

std::optional<std::int32_t> ClientRegistry::pidOf(xcb_window_t window) const {
    std::lock_guard lock(d_.mutex);
    auto found = d_.known.find(window);
    if (found == d_.known.end()) return std::nullopt;
    return found->second.pid;
}

std::vector<X11AppInfo> ClientRegistry::applications() const {
    std::lock_guard lock(d_.mutex);
    std::vector<X11AppInfo> result;
    for (auto& [pid, info] : apps_) result.push_back(info);
    std::sort(result.begin(), result.end(),
              [](const X11AppInfo& a, const X11AppInfo& b) { return a.order < b.order; });
    return result;
}

std::optional<X11AppInfo> ClientRegistry::application(std::int32_t pid) const {
    std::lock_guard lock(d_.mutex);
    auto found = apps_.find(pid);
    if (found == apps_.end()) return std::nullopt;
    return found->second;
}

std::vector<xcb_window_t> ClientRegistry::windowsOf(std::int32_t pid) const {
    // Windows of other desktops too: they are the application's, only away for now.
    std::vector<xcb_window_t> candidates;
    {
        std::lock_guard lock(d_.mutex);
        for (xcb_window_t w : clients_) {
            auto found = d_.known.find(w);
            if (found != d_.known.end() && found->second.pid == pid) candidates.push_back(w);
        }
    }
    return candidates;
}

std::optional<xcb_window_t> ClientRegistry::activeWindow() const {
    std::lock_guard lock(d_.mutex);
    return d_.active;
}

std::optional<xcb_window_t> ClientRegistry::focusedWindowOf(std::int32_t pid) const {
    std::lock_guard lock(d_.mutex);
    for (xcb_window_t w : activeHistory_) {
        auto found = d_.known.find(w);
        if (found != d_.known.end() && found->second.pid == pid) return w;
    }
    return std::nullopt;
}

std::optional<X11WindowSnapshot> ClientRegistry::read(xcb_window_t window) {
    if (!isClient(window)) return std::nullopt;
    return snapshotOf(window);
}

std::optional<X11WindowSnapshot> ClientRegistry::snapshotOf(xcb_window_t window) const {
    const std::uint64_t events = x_.eventCount();
    {
        std::lock_guard lock(d_.mutex);
        if (snapshotEvents_ != events) {
            snapshots_.clear();
        } else if (auto found = snapshots_.find(window); found != snapshots_.end()) {
            return found->second;
        }
    }
    auto snapshot = readClient(window);
    std::lock_guard lock(d_.mutex);
    // Kept only when nothing happened while it was read.
    if (snapshot && x_.eventCount() == events) {
        if (snapshotEvents_ != events) snapshots_.clear();
        snapshotEvents_ = events;
        snapshots_[window] = *snapshot;
    }
    return snapshot;
}

std::string ClientRegistry::subrole(const X11WindowSnapshot& s) {
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

std::int32_t ClientRegistry::resolvePid(const X11WindowSnapshot& s) {
    if (s.pid) return std::int32_t(*s.pid);
    if (auto pid = resourcePid(x_, s.window)) return std::int32_t(*pid);
    return 0;
}

std::vector<xcb_window_t> ClientRegistry::readClientList() {
    if (const std::optional<xcb_window_t> check = windowManagerCheckWindow(x_)) {
        // Its destruction tells that the window manager ended, also when it was killed and
        // left its root properties behind.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_.xcb(), *check, XCB_CW_EVENT_MASK, &mask);
        bool changed = false;
        {
            std::lock_guard lock(d_.mutex);
            changed = checkWindow_ != *check;
            if (changed) waits().forgetLearnedAnswers();
            windowManager_ = true;
            checkWindow_ = *check;
        }
        if (changed) windowManagerChanged(*check);
        return readWindowList(x_, x_.root(), x_.ewmh()->_NET_CLIENT_LIST);
    }
    bool ended = false;
    {
        std::lock_guard lock(d_.mutex);
        ended = checkWindow_ != XCB_WINDOW_NONE;
        if (ended) waits().forgetLearnedAnswers();
        windowManager_ = false;
        checkWindow_ = XCB_WINDOW_NONE;
    }
    if (ended) windowManagerChanged(XCB_WINDOW_NONE);
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

bool ClientRegistry::isFramed(xcb_window_t client) const {
    std::lock_guard lock(d_.mutex);
    const auto found = d_.known.find(client);
    return found != d_.known.end() && found->second.topLevel != 0 &&
           found->second.topLevel != client;
}

std::optional<xcb_window_t> ClientRegistry::clientFramedBy(xcb_window_t frame) {
    std::lock_guard lock(d_.mutex);
    for (const auto& [client, k] : d_.known) {
        if (k.topLevel == frame && client != frame) return client;
    }
    return std::nullopt;
}

WindowManagerTraits ClientRegistry::windowManagerTraits() const {
    std::lock_guard lock(d_.mutex);
    return d_.traits;
}

DragButtons ClientRegistry::dragButtons() const {
    const std::uint16_t packed = dragButtons_.load(std::memory_order_relaxed);
    return DragButtons{std::uint8_t(packed & 0xFF), DragButtons::Modifier(packed >> 8)};
}

}  // namespace brindlow
