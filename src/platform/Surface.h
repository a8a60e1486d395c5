#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "platform/Color.h"
#include "platform/ObserverToken.h"

class QWidget;

namespace brindlow {

// The stacking tiers of our own windows, lowest first. `normal` surfaces are ordered relative to
// another application's window; `floating` ones stay above every normal window; `status` ones
// above the floating tier.
enum class SurfaceTier { normal, floating, status };

struct SurfaceOptions {
    SurfaceTier tier = SurfaceTier::floating;
    // Mouse events go to whatever lies below.
    bool clickThrough = true;
    // A drop shadow where the platform can draw one (only with a compositor).
    bool shadow = false;
};

// What a surface shows. The overlays' views implement it; the surface puts the widget inside its
// window and keeps it at the window's size. Fakes never ask for the widget, so a content object
// makes its widget on the first call only.
class SurfaceContent {
  public:
    virtual ~SurfaceContent() = default;
    virtual QWidget* widget() = 0;
};

// One of our own borderless windows over other applications' windows (border, dim, badge dot,
// toast, indicator, gap cover). Frames are global top-left coordinates. Main thread only.
class Surface {
  public:
    virtual ~Surface() = default;

    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame) = 0;

    // The logical alpha, kept exactly as set (the window system may quantise what it shows).
    virtual double alpha() const = 0;
    virtual void setAlpha(double alpha) = 0;
    // Whether alpha is really blended; without a compositor any alpha above 0 shows opaque.
    virtual bool blends() const = 0;

    // A fill behind the content (the dim's translucent black); clear by default.
    virtual void setBackgroundColor(const Color& color) = 0;
    // Asks the content to be drawn again (and the shape recomputed when shapes are used).
    virtual void redraw() = 0;
    // A part of the surface, in global coordinates, that shows nothing and lets whatever lies
    // below show through; none for the whole surface. The dim cuts the focused window out with
    // it: some window managers (metacity) put every override-redirect window back on top when
    // it is stacked below one of their frames.
    virtual void setHole(const std::optional<Rect>& hole) = 0;
    // More parts cut out the same way, beside the hole: the dim leaves our own windows alone.
    virtual void setMoreHoles(const std::vector<Rect>& /*holes*/) {}

    // Ordered in, whatever its alpha.
    virtual bool isVisible() const = 0;
    virtual SurfaceTier tier() const = 0;
    virtual void setTier(SurfaceTier tier) = 0;
    // Shows the surface on top of its tier.
    virtual void orderFront() = 0;
    // Shows the surface directly above / below another application's window, named by its window
    // number (the window manager's frame). False when the window system refused (the window is
    // gone); the surface then stays where it was.
    virtual bool orderAbove(std::uint32_t windowNumber) = 0;
    virtual bool orderBelow(std::uint32_t windowNumber) = 0;
    virtual void orderOut() = 0;
};

// Makes surfaces. Main thread only.
// What a window manager draws around a client (title bar, borders), in points.
struct Decorations {
    double left = 0, right = 0, top = 0, bottom = 0;
    friend bool operator==(const Decorations&, const Decorations&) = default;
};

class SurfaceFactory {
  public:
    virtual ~SurfaceFactory() = default;

    // The decorations around a managed window, so that a mark on its content keeps off the title
    // bar's buttons; none where the platform draws none or cannot tell.
    virtual Decorations decorations(WindowID) { return {}; }

    // `content` may be null for a surface that only shows its background colour.
    virtual std::unique_ptr<Surface> makeSurface(const SurfaceOptions& options,
                                                 std::shared_ptr<SurfaceContent> content) = 0;
    // Whether a compositing manager runs, so that alpha is blended.
    virtual bool compositing() const = 0;
    // Called on the main thread after a compositing manager started or stopped, in the order
    // added; the factory's own surfaces have followed by then.
    virtual ObserverToken addCompositingObserver(std::function<void()> /*handler*/) { return 0; }
    virtual void removeCompositingObserver(ObserverToken /*token*/) {}
    // Our surfaces show on every virtual desktop: overlays that belong to one desktop hide
    // when the current desktop changes. Called on the main thread.
    virtual ObserverToken addDesktopChangeObserver(std::function<void()> handler) = 0;
    virtual void removeDesktopChangeObserver(ObserverToken token) = 0;
};

}  // namespace brindlow
