#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ObserverToken.h"

namespace brindlow {

// What Brindlow's own keyable panels need of the desktop: who has the focus, handing it on, the
// window-manager hints of a panel, and where other window managers show themselves. Main thread.
class PanelDesktop {
  public:
    virtual ~PanelDesktop() = default;

    // The window that has the keyboard focus, when the window manager says.
    virtual std::optional<std::uint32_t> activeWindow() = 0;
    // The window the keys go to now, when it is one: for a moment it can differ from the one the
    // window manager names active.
    virtual std::optional<std::uint32_t> keyboardFocus() = 0;
    // Calls `changed`, on another thread, each time the window manager publishes the active
    // window, with the window it names (none: no window). Once `unwatchActiveWindow` returns, it
    // is not running and never runs again; it must be quick and must not watch or unwatch. Zero:
    // the desktop cannot tell.
    using ActiveWindowChanged = std::function<void(std::optional<std::uint32_t>)>;
    virtual ObserverToken watchActiveWindow(ActiveWindowChanged /*changed*/) { return 0; }
    virtual void unwatchActiveWindow(ObserverToken /*token*/) {}
    // Asks the window manager to focus and raise a window; returns at once.
    virtual void activate(std::uint32_t window) = 0;
    // The same, then waits until the window manager says the window has the focus, at most
    // `limit` seconds; true when it does.
    virtual bool activateAndWait(std::uint32_t window, double limit) = 0;
    // Gives the focus back to `window`, which had it before a window of ours took it, unless
    // the user has minimised or closed it, or it stands on another desktop, as the request goes
    // out: the user's doing since is never undone (a minimise the request crosses on its way to the
    // window manager, which then handles it first, is carried out once more). Returns whether the
    // request went out.
    virtual bool handFocusBack(std::uint32_t window) {
        activate(window);
        return true;
    }
    // Brings a window of ours that stands on another desktop to the current one and waits until
    // the window manager says it stands there, at most `limit` seconds; true when it does (or it
    // stood there already, or on every desktop).
    virtual bool moveToCurrentDesktop(std::uint32_t /*window*/, double /*limit*/) { return true; }
    // The windows of the focused column (client ids; none for a column of one): from now on, each
    // time the stacking changes, a window of ours found between two of them goes below the lowest,
    // so that none of ours is ever stacked inside the strip.
    virtual void keepOwnWindowsOutOf(const std::vector<std::uint32_t>& /*group*/) {}
    // Asks the window manager to raise a window of ours above the others without focusing it;
    // returns at once.
    virtual void raiseWithoutFocus(std::uint32_t window) = 0;
    // A window of ours on every desktop, kept out of taskbars and pagers, and with `keepAbove`
    // above ordinary windows. Before it is shown or while it is.
    virtual void preparePanel(std::uint32_t window, bool keepAbove) = 0;
    // Calls `unframed`, on another thread, each time the window manager reports the prepared
    // panel `window` placed while the window itself stayed unframed somewhere else.
    virtual void watchFraming(std::uint32_t /*window*/, std::function<void()> /*unframed*/) {}
    // Whether the window manager frames a translucent window of ours again after the outputs went
    // off and on; where it does, its placements need no watch.
    virtual bool framesTranslucentAfterOutputsChange() { return true; }
    // Whether a compositing manager runs, so that windows can be translucent and fade.
    virtual bool compositorRunning() = 0;
    // The name the running EWMH window manager publishes, when there is one.
    virtual std::optional<std::string> windowManagerName() = 0;
    // The short names of the running processes, in process-table order.
    virtual std::vector<std::string> processNames() = 0;
};

}  // namespace brindlow
