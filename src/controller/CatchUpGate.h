#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "windows/AppRef.h"

namespace brindlow {

// Lets the main thread tell, without waking the strip queue, that a catch-up pass would find
// what the last one found. A pass that found nothing to do leaves a mark: the platform's change
// count and the running applications it started from, and how many other strip-queue blocks had
// run by its end. While all three stay the same, another pass would read the same windows, judge
// them the same and change nothing. Any thread.
class CatchUpGate {
  public:
    // What the main thread sees at a tick.
    struct Look {
        std::optional<std::uint64_t> changeCount;  // none: the platform cannot tell
        std::vector<AppRef> running;
    };

    // Counts a strip-queue block other than a pass, as it runs: it may have changed what a pass
    // would do (a window let go, a setting, a retry).
    void noteStripWork() { ++stripWork_; }

    // Whether a pass is needed for what the main thread sees now.
    bool needsPass(const Look& look) const;
    // A pass that started from `look` is over (strip queue); `quiet` when it found nothing to do
    // (no application came or went, no window was adopted, nothing is waiting for a retry).
    void passed(const Look& look, bool quiet);

  private:
    struct Mark {
        std::uint64_t changeCount = 0;
        std::vector<AppRef> running;
        std::uint64_t stripWork = 0;
    };

    std::atomic<std::uint64_t> stripWork_{0};
    mutable std::mutex mutex_;
    std::optional<Mark> quiet_;
};

}  // namespace brindlow
