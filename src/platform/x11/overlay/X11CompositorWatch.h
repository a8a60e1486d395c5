#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/ObserverToken.h"

namespace brindlow {

class Executor;
class X11Connection;

// Whether a compositing manager runs on our screen, followed as it starts and stops: a
// compositor owns the selection _NET_WM_CM_S<screen> while it runs, and XFixes reports every
// change of that owner (a new owner, the owner's window destroyed, its client gone). An owner
// counts once it also draws the windows, i.e. a window of ours is redirected off screen: some
// hold the selection and draw nothing (KWin refusing a software renderer), and there every
// window shows its pixels as they are. Observers run on `main` after the state changed. Main
// thread, except that events are read on the connection's thread.
class X11CompositorWatch {
  public:
    X11CompositorWatch(X11Connection& events, Executor& main);
    ~X11CompositorWatch();
    X11CompositorWatch(const X11CompositorWatch&) = delete;
    X11CompositorWatch& operator=(const X11CompositorWatch&) = delete;

    bool running() const { return running_; }

    ObserverToken addObserver(std::function<void()> handler);
    void removeObserver(ObserverToken token);

  private:
    void ownerChanged(bool owned);
    bool askOwner() const;
    // Whether our probe window is redirected (a compositor draws it).
    bool redirected() const;
    // A new owner redirects the windows a moment after it took the selection: asked again a few
    // times, `attempt` counting, while the same owner holds it.
    void checkRedirection(std::uint64_t generation, int attempt);
    void setRunning(bool running);

    X11Connection& events_;
    Executor& main_;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    bool running_ = false;
    bool owned_ = false;
    // Counts owner changes: a later check for an earlier owner is dropped.
    std::uint64_t generation_ = 0;
    // A 1x1 window of ours out of sight, mapped so that a compositor redirects it.
    xcb_window_t probe_ = XCB_WINDOW_NONE;
    bool compositeExtension_ = false;
    std::uint64_t listener_ = 0;
    std::map<ObserverToken, std::function<void()>> observers_;
    ObserverToken nextToken_ = 1;
    // Events arrive on the connection's thread; handlers run on `main` while this lives.
    std::shared_ptr<X11CompositorWatch*> alive_;
};

}  // namespace brindlow
