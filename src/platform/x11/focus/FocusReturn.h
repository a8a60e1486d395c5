#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "platform/x11/focus/FocusHandBack.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// The focus taken by a window mapped back goes back to where it was, once a marker shows that no
// desktop switch came in meanwhile (FocusHandBack); the markers go to an unmapped window of ours.
class FocusReturn : public DesktopPart {
  public:
    // `markers`: the window of ours the markers go to; destroyed by destroyMarkers().
    FocusReturn(X11Connection& connection, DesktopRecords& records, const DesktopParts& parts,
                xcb_window_t markers);

    // Asks the window manager to give the focus back to `to` without waiting: event thread.
    void handFocusBack(xcb_window_t from, xcb_window_t to);
    // A client message to the root or to us, for the hand-back: a desktop switch, an activation,
    // a marker.
    void handBackHeard(const xcb_client_message_event_t& message);
    // As the desktop ends.
    void destroyMarkers();

  private:
    void sendHandBackMarker(std::uint32_t marker);

    FocusHandBack focusHandBack_;
    xcb_window_t handBackMarkers_ = XCB_WINDOW_NONE;
    xcb_atom_t handBackAtom_ = XCB_ATOM_NONE;
};

}  // namespace brindlow
