#pragma once

#include <functional>
#include <vector>

#include "platform/InputEvent.h"

namespace brindlow {

// A listener on the user's pointer-device input, running on a thread of its own
// ("com.vemto.brindlow.gestures"). One tap object can be started and stopped any
// number of times. start() and stop() are called from one thread (the main one).
class EventTap {
  public:
    enum class Verdict { pass, swallow };
    using Handler = std::function<Verdict(const InputEvent&)>;

    struct Options {
        // Finger swipes (swipe events).
        bool swipes = false;
        // Two-finger scrolls (scroll events).
        bool scrolls = false;
        // Only scrolls with Control and Option held are wanted, and those must not
        // reach other applications.
        bool scrollsWithKeysOnly = false;
        friend bool operator==(const Options&, const Options&) = default;
    };

    struct Started {
        bool running = false;
        // Whether swipe events can arrive (the back end may lack them).
        bool swipes = false;
    };

    virtual ~EventTap() = default;

    // Starts the thread and returns once it listens (or failed to). `handler` runs
    // on the tap thread, one event at a time.
    virtual Started start(const Options& options, Handler handler) = 0;
    // Returns once the thread has ended: no handler call runs or will run. Idempotent.
    virtual void stop() = 0;
    // Gives held events back to the event stream, marked `reposted`, in order. A back
    // end that cannot inject events drops them (its listener never held them back).
    virtual void repost(const std::vector<InputEvent>& events) = 0;
};

}  // namespace brindlow
