#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "platform/ObserverToken.h"

namespace brindlow {

// One entry of the window server's list of on-screen windows.
struct WindowListEntry {
    std::uint32_t number = 0;  // the window-server number (x11: the frame window under the root)
    std::int32_t ownerPID = 0;
    std::int32_t layer = 0;  // 0 = normal windows; panels, docks and overlays lie above
    Rect bounds;             // global top-left coordinates, including decorations
    std::string ownerName;
    std::string name;  // the window title when known
    // The window as its accessibility element names it (AXElement::identity()); 0 when unknown.
    WindowID identity = 0;

    friend bool operator==(const WindowListEntry&, const WindowListEntry&) = default;
};

// The window server's stacking list.
class WindowList {
  public:
    virtual ~WindowList() = default;

    // On-screen windows only, desktop elements excluded, front to back. Empty
    // when the list is unavailable. Any thread.
    virtual std::vector<WindowListEntry> onScreenWindows() const = 0;
    // Only the windows' identities, front to back, hidden ones included where the server
    // keeps them in its order: cheaper where the server hands the order out whole. Empty
    // when unknown. Any thread.
    virtual std::vector<WindowID> stackingOrder() const {
        std::vector<WindowID> order;
        for (const WindowListEntry& entry : onScreenWindows()) order.push_back(entry.identity);
        return order;
    }
    // Calls `handler` on any thread whenever the stacking order may have changed (a window
    // manager restacked a window). 0 when the list cannot tell; the handler is then never called.
    virtual ObserverToken addStackingObserver(std::function<void()> handler) {
        (void)handler;
        return 0;
    }
    virtual void removeStackingObserver(ObserverToken token) { (void)token; }
};

}  // namespace brindlow
