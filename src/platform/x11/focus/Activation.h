#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/Accessibility.h"
#include "platform/AccessibilityTypes.h"
#include "platform/x11/focus/CrossedMinimise.h"
#include "platform/x11/focus/RaiseSteps.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Activating clients for Brindlow (one request per raise) and handing the focus to a window a
// window of ours chose; tells a focus the window manager gave a window we mapped back from one
// Brindlow asked for.
class Activation : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // Raises and focuses the window (a minimised one comes back), once per raise: a further step
    // of the raise `step` (one number for all the steps of one raise of the window mover; none
    // outside a raise) sends nothing while the window is still active.
    // A step says how many minimises of the window its raise was asked knowing of: none beyond
    // them is undone.
    AXError activate(xcb_window_t window, double timeout,
                     const std::optional<AXStep>& step = std::nullopt);
    // A window of Brindlow's own (a panel's choice) asks the window manager to focus `window`:
    // until the hand-over ends, parking leaves the window shown, as it does the active window;
    // an iconify the window manager handled after the focus request would take the focus away.
    void handFocusTo(xcb_window_t window);
    // The window manager focused it (`taken`: hidden once it loses the focus), or did not in time
    // (a hiding that waited goes out now).
    void focusHandOverEnded(bool taken);
    // Whether `active` only took the focus because we mapped it back from parking (some window
    // managers focus a window leaving the iconic state); with the records' lock held. The focus
    // then goes back to `former`.
    bool focusedByShowing(xcb_window_t active, std::optional<xcb_window_t> former);

    // Whether a request of ours that would focus `window` may still go out, read as it goes
    // out: the window exists, the user has not minimised it, and it stands on the current
    // desktop. Parking's own iconify does not count: the window is shown again as it is focused.
    bool stillShownToUser(xcb_window_t window);
    // Gives the focus back to `window`, which had it before a window of ours took it, unless the
    // user minimised, closed or sent it away: judged as it goes out, a minimise asked and not
    // carried out yet counting too; a minimise that crosses it on the way to the window manager
    // is carried out once more, as for an activation. Returns whether it went out.
    bool handFocusBack(xcb_window_t window);
    // The same for the focus a window we mapped back took (`from`, named in the request, which
    // comes from an application of the old kind): its echo is told by activationHeard().
    bool returnFocus(xcb_window_t window, xcb_window_t from);

    // Someone else's minimise of `window` (not parking's) reached the window manager; `shown`:
    // the window read shown until now. No activation of ours asked without knowing of it shows
    // the window again.
    void minimiseHeard(xcb_window_t window, bool shown);
    // The window's minimise was told to the observers; the window is gone. On the event thread.
    void minimiseTold(xcb_window_t window);
    void windowGone(xcb_window_t window);
    // Brindlow asks the window manager to minimise `window` for a command of its own.
    void minimiseSent(xcb_window_t window);
    // An activation request of `window` reached the window manager, one of ours by its look (a
    // pager's or an old application's, without a time). When it comes after the user's minimise of
    // the window, which it would undo, the window is minimised once more. On the event thread.
    void activationHeard(xcb_window_t window);

  private:
    // activate() without its check: the request of one that had heard `heard` minimises of the
    // window (none: not told).
    AXError activateNow(xcb_window_t window, double timeout, std::optional<std::uint64_t> heard);
    // handFocusBack() from `source`, naming `from` as the window active now.
    bool sendHandBack(xcb_window_t window, std::uint32_t source, xcb_window_t from);

    // Under the records' lock: the window Brindlow last activated, and for which raise.
    RaiseSteps lastActivation_;
    // The window Brindlow is activating now, from its request until the window manager answers.
    std::optional<xcb_window_t> activating_;
    // Our activations on their way, against the user's minimises heard meanwhile.
    CrossedMinimise crossedMinimise_;
};

}  // namespace brindlow
