#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <vector>

#include "platform/AccessibilityTypes.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Restacking clients: under the others of their layer, or directly above another client.
class Stacking : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // Asks for the window to go under the others of its layer (_NET_RESTACK_WINDOW,
    // Below, no sibling); does not wait for the window manager.
    AXError lower(xcb_window_t window);
    // Asks for the window to go directly above `sibling` (_NET_RESTACK_WINDOW, Above); does not
    // wait for the window manager.
    AXError restackAbove(xcb_window_t window, xcb_window_t sibling);
    // Whether the window's frame stands directly above the sibling's among the clients' frames
    // in `children` (the root's, bottom to top); a window manager's own windows between them, or
    // ours, do not count.
    bool directlyAbove(xcb_window_t window, xcb_window_t sibling,
                       const std::vector<xcb_window_t>& children);
    std::vector<xcb_window_t> rootChildren();

  private:
    // The last restack asked for, with the root's children as they stood when it went out.
    struct Restack {
        xcb_window_t window = XCB_WINDOW_NONE;
        xcb_window_t sibling = XCB_WINDOW_NONE;
        std::vector<xcb_window_t> children;
    };
    std::optional<Restack> lastRestack_;  // under the records' lock
};

}  // namespace brindlow
