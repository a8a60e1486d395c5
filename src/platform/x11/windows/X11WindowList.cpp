#include "platform/x11/windows/X11WindowList.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/x11/apps/X11Workspace.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {
// Layers as the window server numbers them: normal, floating, dock.
constexpr std::int32_t kNormalLayer = 0;
constexpr std::int32_t kFloatingLayer = 3;
constexpr std::int32_t kDockLayer = 20;
// The root's children, bottom to top: the server's own stacking order, which every window
// manager keeps true (its published stacking list may be stale or reversed).
std::vector<xcb_window_t> rootChildren(X11Connection& x) {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x.xcb(), xcb_query_tree(x.xcb(), x.root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}
}  // namespace

X11WindowList::X11WindowList(X11Desktop& desktop, const X11Workspace& workspace)
    : desktop_(desktop), workspace_(workspace) {}

std::vector<WindowID> X11WindowList::stackingOrder() const {
    X11Connection& x = desktop_.connection();
    const std::vector<xcb_window_t> stacking =
        readWindowList(x, x.root(), x.ewmh()->_NET_CLIENT_LIST_STACKING);
    return std::vector<WindowID>(stacking.rbegin(), stacking.rend());  // it runs bottom to top
}

ObserverToken X11WindowList::addStackingObserver(std::function<void()> handler) {
    return desktop_.subscribers().subscribeStackingChanges(std::move(handler));
}

void X11WindowList::removeStackingObserver(ObserverToken token) {
    desktop_.subscribers().unsubscribe(token);
}

std::vector<WindowListEntry> X11WindowList::onScreenWindows() const {
    X11Connection& x = desktop_.connection();
    const std::vector<xcb_window_t> children = rootChildren(x);
    std::map<xcb_window_t, std::size_t> level;  // root child -> its place, 0 at the bottom
    for (std::size_t i = 0; i < children.size(); ++i) level[children[i]] = i;

    std::vector<std::pair<std::size_t, WindowListEntry>> stacked;
    for (xcb_window_t w : desktop_.registry().clients()) {
        auto s = readWindow(x, w);
        if (!s || !s->mapped || desktop_.registry().minimized(*s) || desktop_.registry().away(*s))
            continue;
        if (s->hasType(x.ewmh()->_NET_WM_WINDOW_TYPE_DESKTOP)) continue;
        auto frame = topLevelAncestor(x, w);
        if (!frame) continue;
        const auto place = level.find(*frame);
        if (place == level.end()) continue;  // gone since the tree was read
        WindowListEntry entry;
        entry.number = *frame;
        entry.identity = w;
        entry.ownerPID = desktop_.registry().pidOf(w).value_or(0);
        entry.layer = s->hasType(x.ewmh()->_NET_WM_WINDOW_TYPE_DOCK) ? kDockLayer
                      : s->hasState(x.ewmh()->_NET_WM_STATE_ABOVE)   ? kFloatingLayer
                                                                     : kNormalLayer;
        entry.bounds = s->outerFrame();
        if (auto app = workspace_.application(entry.ownerPID)) {
            entry.ownerName = app->localizedName.value_or("");
        }
        entry.name = s->title;
        stacked.emplace_back(place->second, std::move(entry));
    }
    // Front to back.
    std::sort(stacked.begin(), stacked.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<WindowListEntry> result;
    result.reserve(stacked.size());
    for (auto& [place, entry] : stacked) result.push_back(std::move(entry));
    return result;
}

}  // namespace brindlow
