#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "geometry/Geometry.h"
#include "platform/WindowManagerTraits.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/desktops/AskedDesktops.h"
#include "platform/x11/focus/MapFocusDue.h"
#include "platform/x11/parking/ParkedHiding.h"

namespace brindlow {

// What the desktop knows of one client window.
struct KnownClient {
    std::int32_t pid = 0;
    bool minimized = false;
    bool away = false;
    bool maximized = false;
    Rect frame;
    std::string title;
    // The root child that holds the client: the window manager's frame, or
    // the client itself when it is not reparented.
    xcb_window_t topLevel = 0;
    // Where the window manager's frame stood at its last configure.
    std::optional<Rect> topLevelFrame;
};

// The parked window last mapped back, when, and which window had the focus then.
struct ShownFromParking {
    xcb_window_t window = XCB_WINDOW_NONE;
    std::chrono::steady_clock::time_point time;
    std::optional<xcb_window_t> focused;
};

// The tables the desktop's collaborators share, under one lock (`mutex`), so that a decision
// that reads several of them (is the window active, handed the focus, minimised by someone
// else, parked?) sees them in one state. What only one collaborator keeps stays with it.
struct DesktopRecords {
    mutable std::mutex mutex;
    // Every managed client, by window (ClientRegistry keeps it).
    std::map<xcb_window_t, KnownClient> known;
    // The last frame extents of each client that had any (WithdrawnWindows::rememberDecorations).
    std::map<xcb_window_t, FrameExtents> decorations;
    // The active window as the window manager last published it.
    std::optional<xcb_window_t> active;
    // What the running window manager does (ClientRegistry::windowManagerChanged).
    WindowManagerTraits traits;
    // Written by Parking::showParked, read by Activation::focusedByShowing.
    std::optional<ShownFromParking> shownFromParking;
    // The window a window of ours asks the window manager to focus (Activation::handFocusTo).
    std::optional<xcb_window_t> focusHandedTo;
    // A parked window to iconify, or to lower, once it is no longer the active one.
    std::optional<xcb_window_t> hideWhenInactive;
    std::optional<xcb_window_t> lowerWhenInactive;
    // Iconify requests Brindlow sent for parking that have not come back to it yet, per window.
    std::map<xcb_window_t, int> ownIconifying;
    // Windows others (the user, a taskbar) asked the window manager to iconify, until it shows
    // them again: a layout already on its way must not take such a window for one to park. Each
    // with whether the window manager has shown it hidden since (shown again only after that).
    std::map<xcb_window_t, bool> minimisedByOthers;
    // The desktop someone else last asked the window manager to move a window to, until the
    // window reads on it.
    AskedDesktops desktopAskedByOthers;
    // Clients listed and taken on that the window manager has not shown yet
    // (ClientRegistry::refreshClients).
    std::set<xcb_window_t> awaitingShow;
    // New clients whose map the window manager may still answer with the focus: parking waits
    // for that answer before it iconifies one.
    MapFocusDue mapFocusDue;
    // Windows iconified because the window manager would not let them park off screen; a table
    // of its own lock.
    ParkedHiding parked;
};

}  // namespace brindlow
