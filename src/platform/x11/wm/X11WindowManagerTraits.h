#pragma once

#include <xcb/xcb.h>

#include "platform/WindowManagerTraits.h"

namespace brindlow {

class X11Connection;

// Decides the running window manager's traits: its name from its check window, its focus model
// from where it publishes it (its configuration, found through its own process's command line
// and environment), whether it holds the WM_Sn selection from the server. A few round trips and
// file reads: once per window manager. Any thread.
WindowManagerTraits detectWindowManagerTraits(X11Connection& x, xcb_window_t check);

}  // namespace brindlow
