#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/Image.h"

namespace brindlow {

class X11Connection;

// Widths along a window's four sides: the decorations the window manager draws around a client
// (_NET_FRAME_EXTENTS), or the invisible margin inside a client (_GTK_FRAME_EXTENTS).
struct FrameExtents {
    int left = 0, right = 0, top = 0, bottom = 0;

    bool operator==(const FrameExtents&) const = default;
};

// Where a window stands, and what of it the user sees. A client that draws its own decorations
// (a header bar) draws its shadow too, transparent, inside its own window: that margin is part of
// the client but nothing to see or click, so the frame leaves it out.
struct WindowPlace {
    Rect clientFrame;      // the client window in root coordinates, without decorations
    FrameExtents extents;  // the window manager's decorations around it
    FrameExtents margin;   // the client's invisible margin inside it

    // The decorations as they show: the window manager's less the invisible margin (negative
    // where only the margin is).
    FrameExtents shownExtents() const {
        return {extents.left - margin.left, extents.right - margin.right, extents.top - margin.top,
                extents.bottom - margin.bottom};
    }
    // The frame as the user sees it: the client grown by the decorations, less its margin.
    Rect outerFrame() const {
        const FrameExtents shown = shownExtents();
        return {clientFrame.x - shown.left, clientFrame.y - shown.top,
                clientFrame.width + shown.left + shown.right,
                clientFrame.height + shown.top + shown.bottom};
    }
    // The client size that shows as a frame of `frame` size.
    Size clientSizeFor(Size frame) const {
        const FrameExtents shown = shownExtents();
        return {frame.width - shown.left - shown.right, frame.height - shown.top - shown.bottom};
    }
    // Where a move request with north-west gravity (which places the window manager's frame, the
    // client's margin included) goes for the frame to show at `frame`.
    Point requestOrigin(Point frame) const { return {frame.x - margin.left, frame.y - margin.top}; }
};

// WM_NORMAL_HINTS, as far as they matter here.
struct SizeHints {
    std::optional<Size> minSize;
    std::optional<Size> maxSize;
    std::optional<Size> increments;

    // Minimum and maximum both given and equal: the client cannot be resized.
    bool fixedSize() const { return minSize && maxSize && *minSize == *maxSize; }
    // A client size held between the minimum and the maximum, as the client asks every
    // resize to be (some window managers pass on any size); a bound of 0 does not count.
    Size within(Size client) const;
};

// What one window says about itself, read in one batch of requests.
struct X11WindowSnapshot : WindowPlace {
    xcb_window_t window = XCB_WINDOW_NONE;
    bool mapped = false;
    std::string title;  // _NET_WM_NAME, else WM_NAME, else ""
    bool hasTitle = false;
    std::string wmClass;               // the class half of WM_CLASS
    std::string wmInstance;            // the instance half
    std::optional<std::uint32_t> pid;  // _NET_WM_PID
    std::vector<xcb_atom_t> types;     // _NET_WM_WINDOW_TYPE
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    std::vector<xcb_atom_t> states;        // _NET_WM_STATE
    std::optional<std::uint32_t> desktop;  // _NET_WM_DESKTOP; 0xFFFFFFFF = all desktops
    // WM_STATE (1 normal, 3 iconic): the window manager puts it on every window it manages. None
    // on a window it has not taken on yet, or has let go.
    std::optional<std::uint32_t> wmState;
    SizeHints hints;

    bool hasState(xcb_atom_t state) const;
    bool hasType(xcb_atom_t type) const;
    // Whether the window manager counts it among its clients (withdrawn = 0 does not count).
    bool managed() const { return wmState.value_or(0) != 0; }
};

// Reads a window's properties and geometry in one round trip. Nothing when the
// window no longer exists.
std::optional<X11WindowSnapshot> readWindow(X11Connection& x, xcb_window_t window);

// A window's _NET_WM_STATE alone, in one request; nothing when the window no longer exists.
std::optional<std::vector<xcb_atom_t>> readStates(X11Connection& x, xcb_window_t window);

// Where a window stands, without its other properties.
struct X11WindowFrame : WindowPlace {
    SizeHints hints;
    bool viewable = false;    // mapped, and so are its ancestors: the window manager shows it
    bool fullScreen = false;  // its state says full screen
};

// The frames of several windows in one round trip, in order; nothing for a window that no longer
// exists. With `placesOnly`, only where each stands (its client frame, decorations and margin) is
// asked for, half the requests; the other fields keep their defaults.
std::vector<std::optional<X11WindowFrame>> readFrames(X11Connection& x,
                                                      const std::vector<xcb_window_t>& windows,
                                                      bool placesOnly = false);

// Root-window lists and values of the window manager.
std::vector<xcb_window_t> readWindowList(X11Connection& x, xcb_window_t window,
                                         xcb_atom_t property);
std::optional<xcb_window_t> readActiveWindow(X11Connection& x);
std::optional<std::uint32_t> readCardinal(X11Connection& x, xcb_window_t window,
                                          xcb_atom_t property);
std::vector<std::uint32_t> readCardinals(X11Connection& x, xcb_window_t window,
                                         xcb_atom_t property);
// readCardinals() for several properties of several windows, all asked before any answer is
// awaited (one round trip): element [w][p] holds property p of window w.
std::vector<std::vector<std::vector<std::uint32_t>>> readCardinalsOfEach(
    X11Connection& x, const std::vector<xcb_window_t>& windows,
    const std::vector<xcb_atom_t>& properties);
// The window manager's check window, when one runs.
bool windowManagerRuns(X11Connection& x);
// The running window manager's name (_NET_WM_NAME of its check window); none without one.
std::optional<std::string> windowManagerName(X11Connection& x);
// The window manager's check window (the child window that names itself), when one runs.
std::optional<xcb_window_t> windowManagerCheckWindow(X11Connection& x);

// The ancestor of a window that is a child of the root (the window manager's
// frame); the window itself when it is a child of the root; nothing when gone.
std::optional<xcb_window_t> topLevelAncestor(X11Connection& x, xcb_window_t window);

// The largest image of _NET_WM_ICON.
std::optional<Image> readIcon(X11Connection& x, xcb_window_t window);

// The pid of the client that created a window, asked of the X-Resource extension.
std::optional<std::uint32_t> resourcePid(X11Connection& x, xcb_window_t window);

// Latin-1 text (the STRING type of old clients' properties) as UTF-8.
std::string latin1ToUTF8(std::string_view latin1);

// Picks the largest icon from the raw _NET_WM_ICON cardinals (width, height,
// pixels, ... repeated); nothing when the data holds no complete image.
std::optional<Image> largestIcon(const std::vector<std::uint32_t>& data);

}  // namespace brindlow
