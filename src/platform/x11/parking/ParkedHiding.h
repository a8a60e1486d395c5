#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "geometry/Geometry.h"

namespace brindlow {

// Parked windows where the window manager keeps every window in view. A window parked off the
// screen's edge that the window manager pulls back into view would cover the visible columns, so
// it is iconified instead until it scrolls back into view. This remembers which iconified windows
// are Brindlow's own doing (never the user's minimising) and where each stands for Brindlow
// meanwhile. Any thread.
class ParkedHiding {
  public:
    // What to do with a request to put a window at a frame.
    enum class Step {
        move,          // send the move as usual
        hide,          // the window manager is known to clamp: iconify instead of moving
        stayHidden,    // already iconified and still parked: nothing to send
        moveThenShow,  // iconified and now in view: move it, then map it again
    };

    // Less than half of the frame's width lies on the screen.
    static bool isParked(const Rect& frame, const Rect& screen);
    // A parked target came back with at least half of it on the screen.
    static bool wasClampedIntoView(const Rect& target, const Rect& accepted, const Rect& screen);

    // Decides, and for `hide` and `stayHidden` remembers the target as where the window stands.
    // For `hide`, the iconify is on its way (`isIconifying`) from this moment on.
    Step plan(std::uint32_t window, const Rect& target, const Rect& screen);
    // The window is being iconified for parking at `target` (`isIconifying` from now on); from
    // now on the window manager counts as one that clamps.
    void hiding(std::uint32_t window, const Rect& target);
    // The same for a window already iconic (left so by an earlier run).
    void hidden(std::uint32_t window, const Rect& target);
    // An iconify for parking is on its way: until the window manager shows the window iconic,
    // the window reading as shown says nothing about the user restoring it.
    bool isIconifying(std::uint32_t window) const;
    // The window manager showed the window iconic: the iconify arrived, and a showing it
    // overtook is over.
    void iconic(std::uint32_t window);
    // What the window manager showing a window as `normal` (or iconic) means for its parking.
    enum class Reading {
        unknown,           // not parked by Brindlow
        parked,            // still parked, or its iconify still on its way: nothing changed
        shownBack,         // Brindlow's own showing is done: it is no longer parked
        restoredByOthers,  // shown by someone else (the user, an activation): forgotten
    };
    // Decided and noted under one lock, so that a hiding planned on another thread meanwhile is
    // never lost.
    Reading windowManagerShows(std::uint32_t window, bool normal);
    // The window is to show again: until the window manager shows it, it still counts as
    // Brindlow's doing (`isShowing`), never as minimised. Tells whether its iconify was still
    // on its way; nothing when it is no longer hidden (minimised by the user since the layout
    // planned to show it), and then it is not to be shown. With the iconify on its way, the
    // window reading as shown before it arrives answers an earlier showing, not this one; that
    // lasts until it reads iconic or `iconifyHandled`.
    std::optional<bool> shown(std::uint32_t window);
    // The window manager has handled every request sent before (and its answers were heard):
    // the iconify a showing waited for arrived, or never will.
    void iconifyHandled(std::uint32_t window);
    // Brindlow's map of a window being shown goes out now, unless someone else minimised the
    // window since `shown` (then it stays minimised, and nothing is mapped) or a layout parked
    // it again meanwhile (its iconify is on its way: a map after it would show it). After
    // sending the map, `mapSent` is due.
    bool mapping(std::uint32_t window);
    // The map went out. True when someone else minimised the window while it did: that
    // minimise may reach the window manager before the map, which then shows the window again,
    // so it is to be asked once more.
    bool mapSent(std::uint32_t window);
    // Shown by the window manager, minimised by someone else, or gone: forgotten. True when
    // Brindlow's map of it had gone out and the window manager had not shown it yet: a minimise
    // now may reach the window manager before that map (see `mapSent`).
    bool forget(std::uint32_t window);
    // Shown by the window manager after `shown`: forgotten, unless it was hidden again since.
    void showingEnded(std::uint32_t window);

    // Notes the frame last asked of the window manager for a window; `isLastSent` tells whether
    // a read-back can still be judged against it (moves on other threads may have followed).
    void sending(std::uint32_t window, const Rect& target);
    bool isLastSent(std::uint32_t window, const Rect& target) const;

    bool isHidden(std::uint32_t window) const;
    bool isShowing(std::uint32_t window) const;
    // Where a hidden window stands for Brindlow: its parked target.
    std::optional<Rect> frameOf(std::uint32_t window) const;
    bool windowManagerClamps() const;

  private:
    // The iconify arrived, and a showing it overtook is over too. Under `mutex_`.
    void iconifyArrived(std::uint32_t window);
    // The window manager answered Brindlow's showing (or a hiding overtook it). Under `mutex_`.
    void showingOver(std::uint32_t window);

    mutable std::mutex mutex_;
    std::map<std::uint32_t, Rect> hidden_;
    std::set<std::uint32_t> showing_;
    // Being shown, with Brindlow's map going out (false) or minimised by someone else while it
    // did (true).
    std::map<std::uint32_t, bool> mapping_;
    // Being shown, with Brindlow's map gone out: not yet answered by the window manager.
    std::set<std::uint32_t> mapped_;
    // Marked together with `hidden_`, under the same lock, so that no reader sees a window
    // hidden whose iconify is not yet known to be on its way.
    std::set<std::uint32_t> iconifying_;
    // Being shown again while their iconify was on its way: it has not arrived yet.
    std::set<std::uint32_t> iconicAwaited_;
    std::map<std::uint32_t, Rect> lastSent_;
    bool clamps_ = false;
};

}  // namespace brindlow
