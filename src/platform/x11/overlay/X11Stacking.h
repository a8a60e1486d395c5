#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ObserverToken.h"
#include "platform/Surface.h"

namespace brindlow {

class Executor;
class X11CompositorWatch;
class X11Connection;

// Keeps our own override-redirect windows in their tiers, as X has no window levels: a window of
// the normal tier sits directly above or below another application's frame (a root child; the
// client window itself would answer BadMatch), floating windows above every client and status
// windows above those. A target that is not a root child (gone, or a client window instead of its
// frame) is refused before the restack; an error that still comes back is swallowed. The window
// manager restacks frames when the focus changes: after it does, every order is asserted again.
// The toolkit's own pop-ups (tooltips, menus, a picker's list: override-redirect windows made on
// `requests` that are none of ours here) stay above every tier while they are mapped, since the
// user is looking at them. Main thread, except where noted.
class X11Stacking {
  public:
    // Requests go through `requests` (the connection the windows were made on, so they follow
    // its own requests in order); root events are read from `events` and handled on `main`.
    X11Stacking(xcb_connection_t* requests, X11Connection& events, Executor& main);
    ~X11Stacking();
    X11Stacking(const X11Stacking&) = delete;
    X11Stacking& operator=(const X11Stacking&) = delete;

    void add(xcb_window_t window, SurfaceTier tier);
    void remove(xcb_window_t window);
    void setTier(xcb_window_t window, SurfaceTier tier);

    // The window has been mapped: it is put back where its last order said.
    void mapped(xcb_window_t window);
    // The window has been unmapped: its order is forgotten until the next one.
    void unmapped(xcb_window_t window);

    // Top of the window's tier (status windows stay above a floating one).
    void orderFront(xcb_window_t window);
    // Directly above / below a frame; false when the server refused.
    bool orderAbove(xcb_window_t window, xcb_window_t frame);
    bool orderBelow(xcb_window_t window, xcb_window_t frame);

    // Puts every mapped window back in its place (after the window manager restacked).
    void reassert();

    // Whether a compositing manager runs, followed as it starts and stops.
    bool compositing() const;
    // Called on `main` after a compositing manager started or stopped.
    ObserverToken addCompositingObserver(std::function<void()> handler);
    void removeCompositingObserver(ObserverToken token);

    ObserverToken addDesktopChangeObserver(std::function<void()> handler);
    void removeDesktopChangeObserver(ObserverToken token);

  private:
    enum class Relation { none, front, above, below };
    struct Entry {
        SurfaceTier tier = SurfaceTier::floating;
        Relation relation = Relation::none;
        xcb_window_t sibling = XCB_WINDOW_NONE;
        bool mapped = false;
        std::uint64_t frontSerial = 0;  // the order of orderFront calls within a tier
    };

    bool isSibling(xcb_window_t frame);
    // Made on the toolkit's connection: its id lies in that client's range.
    bool madeByToolkit(xcb_window_t window) const;
    void raisePopups();
    void restack(xcb_window_t window, std::optional<xcb_window_t> sibling, std::uint32_t mode);
    void raiseTier(SurfaceTier tier);
    void onEvent(const xcb_generic_event_t& event);

    xcb_connection_t* requests_;
    X11Connection& events_;
    Executor& main_;
    std::uint64_t listener_ = 0;
    std::map<xcb_window_t, Entry> windows_;
    // The toolkit's pop-ups that are mapped, in the order they appeared.
    std::vector<xcb_window_t> popups_;
    std::uint64_t nextFrontSerial_ = 1;
    std::unique_ptr<X11CompositorWatch> compositor_;
    std::map<ObserverToken, std::function<void()>> desktopObservers_;
    ObserverToken nextToken_ = 1;
    // Events arrive on the connection's thread; handlers run on `main` while this lives.
    std::shared_ptr<X11Stacking*> alive_;
    xcb_atom_t currentDesktopAtom_ = XCB_ATOM_NONE;
    // Many restacks in a row need one re-assertion.
    bool reassertQueued_ = false;
};

}  // namespace brindlow
