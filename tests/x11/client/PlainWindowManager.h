#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <string>

namespace brindlow::test {

// Takes over from the running window manager as one named `name` (its check window's _NET_WM_NAME)
// and manages windows plainly until it is replaced or killed; prints "ready" once it has taken
// over. Returns the process's exit status.
// Takes the screen's window manager selection with a window of its own and then, as soon as the
// window manager it replaces has let go of the root, the root's redirection (with its structure
// and property changes). Returns that window (the one to name the window manager on), none when
// nothing let go of the root within `limitMs`.
xcb_window_t takeOverTheRoot(xcb_connection_t* connection, xcb_window_t root, int screenNumber,
                             int limitMs = 10'000);

int plainWindowManager(xcb_connection_t* connection, xcb_screen_t* screen, int screenNumber,
                       const std::string& name, bool clampsIntoView);

}  // namespace brindlow::test
