// Restacking one client directly above another.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <set>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"

namespace brindlow {

namespace {
// How long a restack is waited for: the window manager handles it before anything sent after.
constexpr double kRestackWait = 0.25;
}  // namespace

AXError X11Desktop::restackAbove(xcb_window_t window, xcb_window_t sibling) {
    if (!isClient(window) || !isClient(sibling)) return axerror::invalidElement;
    if (!hasWindowManager()) {
        const uint32_t values[] = {sibling, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(x_.xcb(), window,
                             XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        x_.flush();
        return axerror::success;
    }
    // Some window managers (KWin) take a restack above the window directly below for a lower and
    // send the window to the bottom: nothing is asked then. The request is waited for, so that
    // the order read for the next one is not older than this one.
    if (directlyAbove(window, sibling)) return axerror::success;
    return fence(window, kRestackWait, [&] {
        xcb_ewmh_request_restack_window(x_.ewmh(), x_.screenNumber(), window, sibling,
                                        XCB_STACK_MODE_ABOVE);
    });
}

bool X11Desktop::directlyAbove(xcb_window_t window, xcb_window_t sibling) {
    std::set<xcb_window_t> frames;  // the clients' frames, the root's children that count
    xcb_window_t frame = XCB_WINDOW_NONE, siblingFrame = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [client, k] : known_) {
            if (k.topLevel == 0) continue;
            frames.insert(k.topLevel);
            if (client == window) frame = k.topLevel;
            if (client == sibling) siblingFrame = k.topLevel;
        }
    }
    if (frame == XCB_WINDOW_NONE || siblingFrame == XCB_WINDOW_NONE) return false;
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x_.xcb(), xcb_query_tree(x_.xcb(), x_.root()), nullptr));
    if (!tree) return false;
    // Bottom to top: the first client's frame above the sibling's.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const xcb_window_t* end = children + xcb_query_tree_children_length(tree.get());
    const xcb_window_t* at = std::find(children, end, siblingFrame);
    if (at == end) return false;
    const xcb_window_t* next =
        std::find_if(at + 1, end, [&](xcb_window_t child) { return frames.contains(child); });
    return next != end && *next == frame;
}

}  // namespace brindlow
