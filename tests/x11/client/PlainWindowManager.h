#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <string>

namespace brindlow::test {

// Takes over from the running window manager as one named `name` (its check window's _NET_WM_NAME)
// and manages windows plainly until it is replaced or killed; prints "ready" once it has taken
// over. Returns the process's exit status.
int plainWindowManager(xcb_connection_t* connection, xcb_screen_t* screen, int screenNumber,
                       const std::string& name, bool clampsIntoView);

}  // namespace brindlow::test
