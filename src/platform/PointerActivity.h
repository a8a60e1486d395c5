#pragma once

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
};

}  // namespace brindlow
