#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>

#include "platform/x11/desktops/DesktopsAndMinimise.h"
#include "platform/x11/focus/Activation.h"
#include "platform/x11/focus/FocusReturn.h"
#include "platform/x11/parking/Parking.h"
#include "platform/x11/windows/ClientEvents.h"
#include "platform/x11/windows/ClientRegistry.h"
#include "platform/x11/windows/DesktopPart.h"
#include "platform/x11/windows/DesktopRecords.h"
#include "platform/x11/windows/FrameWriter.h"
#include "platform/x11/windows/Stacking.h"
#include "platform/x11/windows/WindowManagerWait.h"
#include "platform/x11/windows/WithdrawnWindows.h"

namespace brindlow {

class X11Connection;

// The desktop as the window manager publishes it, and the operations on its clients: one
// collaborator per job, which this object makes, wires and hands the X events to (read on the
// connection's thread; subscribers hop to their own executor).
class X11Desktop {
  public:
    explicit X11Desktop(X11Connection& connection);
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    X11Connection& connection() { return x_; }
    // How many events the desktop has heard from the server so far: every change to a client,
    // the client list or the root comes as one.
    std::uint64_t eventCount() const { return eventCount_.load(); }

    // The subscribers to its changes.
    ClientEvents& subscribers() { return events_; }
    // The clients, their applications and the active window.
    ClientRegistry& registry() { return registry_; }
    const ClientRegistry& registry() const { return registry_; }
    // Moves, resizes and full screen.
    FrameWriter& frameWriter() { return frames_; }
    Stacking& stacking() { return stacking_; }
    Activation& activation() { return activation_; }
    Parking& parking() { return parking_; }
    DesktopsAndMinimise& desktops() { return desktops_; }

  private:
    void onEvent(const xcb_generic_event_t& event);

    X11Connection& x_;
    DesktopRecords records_;
    DesktopParts parts_;
    ClientEvents events_;
    ClientRegistry registry_{x_, records_, parts_};
    WindowManagerWait waits_{x_, records_, parts_};
    FrameWriter frames_{x_, records_, parts_};
    Stacking stacking_{x_, records_, parts_};
    WithdrawnWindows withdrawn_{x_, records_, parts_};
    Activation activation_{x_, records_, parts_};
    FocusReturn focusReturn_{x_, records_, parts_, waits_.takeProbe()};
    Parking parking_{x_, records_, parts_};
    DesktopsAndMinimise desktops_{x_, records_, parts_};
    std::uint64_t listener_ = 0;
    // The activation counts the minimises told, before any observer hears of them.
    std::uint64_t minimisesTold_ = 0;
    std::atomic<std::uint64_t> eventCount_{0};
    xcb_atom_t wmStateAtom_ = XCB_ATOM_NONE;
    xcb_atom_t changeStateAtom_ = XCB_ATOM_NONE;
    xcb_atom_t marginAtom_ = XCB_ATOM_NONE;  // _GTK_FRAME_EXTENTS
};

}  // namespace brindlow
