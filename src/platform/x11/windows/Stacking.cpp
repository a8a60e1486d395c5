// Restacking clients.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/Stacking.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

AXError Stacking::lower(xcb_window_t window) {
    if (!registry().isClient(window)) return axerror::invalidElement;
    // The active window is never lowered: some window managers then hand the focus to whatever
    // is on top, racing the raise that follows. It goes under once the focus has moved on.
    {
        std::lock_guard lock(d_.mutex);
        if (d_.active == window) {
            d_.lowerWhenInactive = window;
            return axerror::success;
        }
    }
    if (registry().hasWindowManager() && registry().windowManagerTraits().honoursRestack)
        xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, XCB_WINDOW_NONE,
                                        XCB_STACK_MODE_BELOW);
    // Without a window manager, the window goes under at once. With one, the request reaches it
    // redirected: some (xfwm4) leave a pager's restack without a sibling undone but follow the
    // client's own request, and those that leave restack requests undone follow it too.
    const uint32_t below = XCB_STACK_MODE_BELOW;
    xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    x_.flush();
    return axerror::success;
}

AXError Stacking::restackAbove(xcb_window_t window, xcb_window_t sibling) {
    if (!registry().isClient(window) || !registry().isClient(sibling))
        return axerror::invalidElement;
    if (!registry().hasWindowManager()) {
        const uint32_t values[] = {sibling, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(x_.xcb(), window,
                             XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        x_.flush();
        return axerror::success;
    }
    // Some window managers (KWin) take a restack above the window directly below for a lower and
    // send the window to the bottom: nothing is asked then, nor while the same request is still on
    // its way (the server's order is still the one it was sent with).
    std::vector<xcb_window_t> children = rootChildren();
    if (directlyAbove(window, sibling, children)) return axerror::success;
    {
        std::lock_guard lock(d_.mutex);
        if (!d_.traits.honoursRestack) {
            // The request would be left undone: the frame goes above the sibling's itself.
            // Where the window manager redirects that too, nothing changes, as before.
            const auto frame = d_.known.find(window), siblingFrame = d_.known.find(sibling);
            if (frame != d_.known.end() && siblingFrame != d_.known.end() &&
                frame->second.topLevel && siblingFrame->second.topLevel) {
                const uint32_t values[] = {siblingFrame->second.topLevel, XCB_STACK_MODE_ABOVE};
                xcb_configure_window(x_.xcb(), frame->second.topLevel,
                                     XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                                     values);
            }
            x_.flush();
            return axerror::success;
        }
        if (d_.traits.lowersOnIdenticalRestack && lastRestack_ && lastRestack_->window == window &&
            lastRestack_->sibling == sibling && lastRestack_->children == children)
            return axerror::success;
        lastRestack_ = Restack{window, sibling, std::move(children)};
    }
    xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, sibling,
                                    XCB_STACK_MODE_ABOVE);
    x_.flush();
    return axerror::success;
}

std::vector<xcb_window_t> Stacking::rootChildren() {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x_.xcb(), xcb_query_tree(x_.xcb(), x_.root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool Stacking::directlyAbove(xcb_window_t window, xcb_window_t sibling,
                             const std::vector<xcb_window_t>& children) {
    std::set<xcb_window_t> frames;  // the clients' frames, the root's children that count
    xcb_window_t frame = XCB_WINDOW_NONE, siblingFrame = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(d_.mutex);
        for (const auto& [client, k] : d_.known) {
            if (k.topLevel == 0) continue;
            frames.insert(k.topLevel);
            if (client == window) frame = k.topLevel;
            if (client == sibling) siblingFrame = k.topLevel;
        }
    }
    if (frame == XCB_WINDOW_NONE || siblingFrame == XCB_WINDOW_NONE) return false;
    // Bottom to top: the first client's frame above the sibling's.
    const auto at = std::find(children.begin(), children.end(), siblingFrame);
    if (at == children.end()) return false;
    const auto next = std::find_if(std::next(at), children.end(),
                                   [&](xcb_window_t child) { return frames.contains(child); });
    return next != children.end() && *next == frame;
}

}  // namespace brindlow
