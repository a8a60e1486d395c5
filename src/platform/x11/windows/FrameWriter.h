#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/AccessibilityTypes.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Moves and resizes clients' outer frames: one request per window that has to change (a batch
// with one wait for the window manager, FrameBatch.cpp), parking a window out of sight where the
// window manager would pull it back into view, and full screen.
class FrameWriter : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // Moves and/or resizes the outer frame and waits until the window manager
    // has handled the request (or `timeout` passes). success, invalidElement
    // for a window that is gone, cannotComplete on time-out.
    AXError moveResize(xcb_window_t window, std::optional<Point> origin, std::optional<Size> size,
                       double timeout);
    // setFrames() with one result: success when every window that is still there took its
    // request (parked windows hidden as by moveResize), else the first failure.
    AXError moveResizeAll(const std::vector<std::pair<xcb_window_t, Rect>>& targets,
                          double timeout);
    // Moves and resizes several outer frames together: one request per window that has to
    // change, one wait for the window manager to handle them all, then the size once more for
    // the windows whose read-back size differs. One result per target, in order.
    std::vector<FrameWriteResult> setFrames(
        const std::vector<std::pair<xcb_window_t, Rect>>& targets, double timeout);
    AXError setFullScreen(xcb_window_t window, bool on, double timeout);
    // Maximised both ways, or neither.
    AXError setMaximized(xcb_window_t window, bool on, double timeout);

    // Sends one move/resize request. `parkingTarget`, when given, is noted as the frame last asked
    // of the window in the same step, so that the notes of moves sent from several threads come in
    // the order the window manager sees the requests.
    void sendMoveResize(xcb_window_t window, std::uint32_t flags, std::int32_t x, std::int32_t y,
                        std::uint32_t width, std::uint32_t height,
                        const std::optional<Rect>& parkingTarget = std::nullopt);

    // Whether a client of `client` size has the size last asked of it by a move/resize request,
    // to within one of its size increments either way (or exactly, without increments).
    bool hasAskedSize(xcb_window_t window, Size client, std::optional<Size> increments) const;

  private:
    // Asks the window manager to add or remove one or two states, then waits until the window's
    // state is `reached`.
    AXError changeState(xcb_window_t window, std::pair<xcb_atom_t, xcb_atom_t> states, bool on,
                        double timeout,
                        const std::function<bool(const X11WindowSnapshot&)>& reached);
    // Full screen: moves and resizes leave it where it is.
    bool fillsScreen(const X11WindowSnapshot& snapshot) const;
    // moveResize() without the parking: the request as asked.
    AXError moveResizeNow(xcb_window_t window, std::optional<Point> origin,
                          std::optional<Size> size, double timeout,
                          const std::optional<Rect>& parkingTarget = std::nullopt);
    // sendMoveResize() for a window whose frame's left edge stands at `standsAtX`, to go to the
    // outer frame `frame` (as it shows: `margin` is the client's invisible margin). A window
    // manager may put a window that is resized but not moved back onto the screen (openbox does,
    // whatever the request says of its place): a frame reaching past the screen's side, resized
    // where it stands, goes with a place one point further out and then the place itself, so that
    // it never shows nearer the screen than where it goes.
    void sendResizeFrom(std::int32_t standsAtX, const Rect& frame, const FrameExtents& margin,
                        xcb_window_t window, std::uint32_t flags, std::int32_t x, std::int32_t y,
                        std::uint32_t width, std::uint32_t height,
                        const std::optional<Rect>& parkingTarget);

    // Held while a move is noted and sent (sendMoveResize).
    mutable std::mutex sendMutex_;
    // The client size each window was last asked to take.
    std::map<xcb_window_t, Size> askedSizes_;
};

}  // namespace brindlow
