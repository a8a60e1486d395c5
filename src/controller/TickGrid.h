#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindlow {

// Repeating ticks of several periods on one grid from a common start: the k-th tick of a period
// is due at start + k × period. Ticks of different periods that meet (2 s and 3 s at 6 s) come
// due together and cost one wake-up, and a late wake-up never shifts the ticks after it.
class TickGrid {
  public:
    // Ticks due this close after a wake-up count as due now: a coarse timer (as toolkits use for
    // intervals of seconds) may fire up to 5 % of its interval early, and a wake-up that found
    // nothing due would cost one more.
    static constexpr double kSlack = 0.1;

    TickGrid(double start, std::vector<double> periods);

    // When the earliest tick is due.
    double nextDue() const;
    // The periods (by index, in the order given) with a tick due by `now`, each once however
    // many of its ticks a late wake-up passed; their next ticks are the first ones after `now`.
    std::vector<std::size_t> takeDue(double now);

  private:
    double due(std::size_t period) const;

    double start_;
    std::vector<double> periods_;
    std::vector<std::int64_t> next_;  // the number of each period's next tick
};

}  // namespace brindlow
