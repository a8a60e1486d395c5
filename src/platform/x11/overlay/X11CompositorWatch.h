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
// change of that owner (a new owner, the owner's window destroyed, its client gone). Observers
// run on `main` after the state changed. Main thread, except that events are read on the
// connection's thread.
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
    void ownerChanged(bool running);
    bool askOwner() const;

    X11Connection& events_;
    Executor& main_;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    bool running_ = false;
    std::uint64_t listener_ = 0;
    std::map<ObserverToken, std::function<void()>> observers_;
    ObserverToken nextToken_ = 1;
    // Events arrive on the connection's thread; handlers run on `main` while this lives.
    std::shared_ptr<X11CompositorWatch*> alive_;
};

}  // namespace brindlow
