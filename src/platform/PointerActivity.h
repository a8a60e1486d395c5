#pragma once

#include <functional>
#include <optional>

namespace brindlow {

// When the user last moved the pointer or pressed or let go of a button. Hearing it costs a
// wake-up for every motion, so the platform listens only while asked to.
class PointerActivity {
  public:
    virtual ~PointerActivity() = default;

    // Listens until `until` (seconds on the platform clock); a later call moves the end. False
    // when the platform cannot listen. Any thread.
    virtual bool listenUntil(double until) = 0;
    // When the last motion or button change was heard (platform clock); none when none was
    // heard. Any thread.
    virtual std::optional<double> lastActivity() const = 0;
    // Calls `then` once every motion and button change the server reported before this call has
    // been heard, however late: the hand is heard on a connection of its own, so a motion may be
    // heard after what it caused (a focus change) is heard elsewhere. `then` runs on any thread,
    // maybe before this returns. False when the platform cannot listen: `then` is never called.
    virtual bool afterHeardUpToNow(std::function<void()> then) = 0;
};

}  // namespace brindlow
