#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <optional>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/focus/FocusOnMapHold.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Parking beside a window manager that keeps every window in view: a parked window it pulls back
// on screen is iconified instead, marked on the window as Brindlow's doing, and mapped again once
// its column scrolls back into view.
class Parking : public DesktopPart {
  public:
    Parking(X11Connection& connection, DesktopRecords& records, const DesktopParts& parts);

    // The last resort when the windows could not be put back in time: every client left out of
    // sight by parking (iconified, or standing mostly off the screen) is shown and moved fully
    // onto the screen, where it stands in height. Sends the requests and waits for nobody.
    void bringParkedIntoView();
    // Where a window iconified for parking stands for Brindlow (its parked frame); nothing for
    // every other window.
    std::optional<Rect> parkedFrame(xcb_window_t window) const;
    Rect rootFrame() const;
    // Iconifies windows to keep them out of sight while parked, marked as Brindlow's doing.
    void hideParked(const std::vector<xcb_window_t>& windows);
    // Maps a window hidden for parking again, now that it is in view.
    void showParked(xcb_window_t window);
    // A parked window left in view (or on top) while it was active goes out of sight (or under)
    // once it is not.
    void hideFormerlyActive(std::optional<xcb_window_t> former);
    // The window manager showed a parked window normal, or iconic: its parking is settled
    // (ParkedHiding::windowManagerShows), and its mark goes once it is no longer parked.
    void restoredByOthers(xcb_window_t window);
    // A window hidden for parking, or being shown again, was minimised by someone else: it is
    // no longer Brindlow's doing (and is minimised again where Brindlow's map may have undone it).
    void forgetParked(xcb_window_t window);
    // A window a Brindlow before this one left iconified for parking counts as parked, not as
    // minimised by the user.
    void adoptParked(const X11WindowSnapshot& snapshot);
    // Every window's own user time back, as the desktop ends.
    void releaseFocusHolds() { focusOnMapHold_.releaseAll(); }

  private:
    // The parked mark and the focus hold of a window no longer parked go.
    void dropParkedMark(xcb_window_t window);
    // Waits until the window manager has focused each new window whose map it may still answer
    // with the focus, or can no longer be waited for (MapFocusDue).
    void awaitMapFocus(const std::vector<xcb_window_t>& windows);

    // Set by bringParkedIntoView(): parking hides nothing from then on.
    std::atomic<bool> parkingGivenUp_{false};
    // Keeps a parked window that is mapped back from taking the focus as it shows.
    FocusOnMapHold focusOnMapHold_;
};

}  // namespace brindlow
