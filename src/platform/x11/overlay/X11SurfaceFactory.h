#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <vector>

#include "platform/Surface.h"

namespace brindlow {

class Executor;
class X11Connection;
class X11Stacking;

// Surfaces as override-redirect Qt windows (tool, frameless, never focused, shown without
// activating, input-transparent when click-through), stacked by X11Stacking. Each is shaped to
// what its content draws (an XShape mask), less its holes. With a compositing manager they are
// ARGB windows whose alpha is the window opacity (a one-colour surface's colour alpha too);
// without one an alpha below 0.01 takes a surface off screen instead of blending. Needs a
// QGuiApplication on the xcb platform. Main thread only.
class X11SurfaceFactory final : public SurfaceFactory {
  public:
    // Nothing when the toolkit does not run on X11.
    static std::unique_ptr<X11SurfaceFactory> open(X11Connection& events, Executor& main);
    X11SurfaceFactory(xcb_connection_t* requests, X11Connection& events, Executor& main);
    ~X11SurfaceFactory() override;

    std::unique_ptr<Surface> makeSurface(const SurfaceOptions& options,
                                         std::shared_ptr<SurfaceContent> content) override;
    bool compositing() const override;
    ObserverToken addCompositingObserver(std::function<void()> handler) override;
    void removeCompositingObserver(ObserverToken token) override;
    // _NET_FRAME_EXTENTS of the client, read when asked (a round trip).
    Decorations decorations(WindowID window) override;
    ObserverToken addDesktopChangeObserver(std::function<void()> handler) override;
    void removeDesktopChangeObserver(ObserverToken token) override;

    X11Stacking& stacking() { return *stacking_; }

    class QtSurface;

  private:
    X11Connection& events_;
    std::unique_ptr<X11Stacking> stacking_;
    // Every live surface, to re-shape them when a compositor comes or goes.
    std::shared_ptr<std::vector<QtSurface*>> live_;
};

}  // namespace brindlow
