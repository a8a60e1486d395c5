#pragma once

namespace brindlow {

// Writes out the toolkit's pending X requests each time the main loop is about to wait.
//
// Qt flushes its X connection when it reads X events, and under the GLib event loop it reads them
// only when the server has sent some. A request made between two events (the next opacity of a
// fading panel or toast) would wait in the buffer until the server happens to send something:
// every step of a fade then reaches the server at once, at its end, and the fade is not seen.
// Installed once per process, on the main thread, after the application object exists; does
// nothing when the toolkit does not run on X11.
void flushToolkitRequestsBeforeEachWait();

}  // namespace brindlow
