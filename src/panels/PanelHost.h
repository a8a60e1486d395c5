#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// The keys a keyable panel looks at; every other key is `other` and passes on.
enum class PanelKey { left, right, up, down, returnKey, keypadEnter, escape, other };

// What panels may ask of the strip: the requests are queued and return at once; their effect
// comes back as a later snapshot.
struct StripActions {
    std::function<void(WindowID)> jump;
    std::function<void(const std::string& displayUUID, int from, int to)> reorderColumn;
    // A window of ours is about to take the focus: the strip's raises asked for before must not
    // take it away (a jump's scroll may still be on its way to land).
    std::function<void()> yieldFocus;
};

// One floating panel window that takes the keyboard focus while shown. Global top-left
// coordinates throughout. Main thread.
class PanelHost {
  public:
    virtual ~PanelHost() = default;

    virtual bool isVisible() const = 0;
    // Whether the panel holds the keyboard focus now.
    virtual bool isKey() const = 0;
    // Places the panel, shows it in front and gives it the focus; remembers which window
    // had the focus before.
    virtual void show(const Rect& frame) = 0;
    // Takes the panel off screen at once; with `giveFocusBack` the remembered window gets the
    // focus again.
    virtual void orderOut(bool giveFocusBack) = 0;
    // Takes the panel off screen and hands the focus straight to `window`, the one the user chose
    // in it, so that the window manager does not fall back to another window on the way.
    virtual void orderOutFocusing(WindowID window) = 0;
    // The usable area of the primary screen, the zero rectangle without a screen.
    virtual Rect mainScreenVisibleFrame() const = 0;

    // Window opacity, 0 to 1, kept as given.
    virtual void setAlpha(double alpha) = 0;
    virtual double alpha() const = 0;
    // Animates the opacity to `alpha` over `seconds` and then runs `completion` on the main
    // thread; without a compositor the change is immediate (the completion still runs).
    virtual void fadeAlpha(double alpha, double seconds, std::function<void()> completion) = 0;
};

}  // namespace brindlow
