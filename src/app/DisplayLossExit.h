#pragma once

#include <functional>

namespace brindlow {

// What the application does when the X server goes away under it. Nothing can be put back on a
// display that is gone, and threads may be waiting on a connection that will never answer, so it
// leaves at once instead of tearing down in order: it logs the loss, removes its socket, leaves
// original-frames.json for the next start (which puts the windows back from it) and exits with
// kStatus without running destructors or joining threads.
//
// The toolkit may notice the loss first and call exit(); a handler registered with atexit catches
// that and takes the same way out.
namespace display_loss {

inline constexpr int kStatus = 74;

struct Hooks {
    // Removes the command-line socket (only if this process made it); must not block.
    std::function<void()> removeSocket;
    // True when the connection to the display is broken (asked at exit()).
    std::function<bool()> displayIsGone;
};

// From now on a lost display ends the process as above; a later call replaces the hooks (they
// must stay valid until then, or until the process ends).
void arm(Hooks hooks);

// A connection to the display broke: exits when armed (any thread; the first caller wins, later
// ones wait for the end). Returns at once when not armed.
void lost();

}  // namespace display_loss

}  // namespace brindlow
