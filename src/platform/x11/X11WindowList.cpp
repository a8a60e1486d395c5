#include "platform/x11/X11WindowList.h"

#include <algorithm>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Properties.h"
#include "platform/x11/X11Workspace.h"

namespace brindlow {

namespace {
// Layers as the window server numbers them: normal, floating, dock.
constexpr std::int32_t kNormalLayer = 0;
constexpr std::int32_t kFloatingLayer = 3;
constexpr std::int32_t kDockLayer = 20;
}  // namespace

X11WindowList::X11WindowList(X11Desktop& desktop, const X11Workspace& workspace)
    : desktop_(desktop), workspace_(workspace) {}

std::vector<WindowID> X11WindowList::stackingOrder() const {
    X11Connection& x = desktop_.connection();
    const std::vector<xcb_window_t> stacking =
        readWindowList(x, x.root(), x.ewmh()->_NET_CLIENT_LIST_STACKING);
    return std::vector<WindowID>(stacking.rbegin(), stacking.rend());  // it runs bottom to top
}

std::vector<WindowListEntry> X11WindowList::onScreenWindows() const {
    X11Connection& x = desktop_.connection();
    std::vector<xcb_window_t> stacking =
        readWindowList(x, x.root(), x.ewmh()->_NET_CLIENT_LIST_STACKING);
    if (stacking.empty() && !desktop_.hasWindowManager()) stacking = desktop_.clients();
    std::reverse(stacking.begin(), stacking.end());  // the list runs bottom to top

    std::vector<WindowListEntry> result;
    for (xcb_window_t w : stacking) {
        auto s = readWindow(x, w);
        if (!s || !s->mapped || desktop_.minimized(*s) || desktop_.away(*s)) continue;
        if (s->hasType(x.ewmh()->_NET_WM_WINDOW_TYPE_DESKTOP)) continue;
        auto frame = topLevelAncestor(x, w);
        if (!frame) continue;
        WindowListEntry entry;
        entry.number = *frame;
        entry.identity = w;
        entry.ownerPID = desktop_.pidOf(w).value_or(0);
        entry.layer = s->hasType(x.ewmh()->_NET_WM_WINDOW_TYPE_DOCK) ? kDockLayer
                      : s->hasState(x.ewmh()->_NET_WM_STATE_ABOVE)   ? kFloatingLayer
                                                                     : kNormalLayer;
        entry.bounds = s->outerFrame();
        if (auto app = workspace_.application(entry.ownerPID)) {
            entry.ownerName = app->localizedName.value_or("");
        }
        entry.name = s->title;
        result.push_back(std::move(entry));
    }
    return result;
}

}  // namespace brindlow
