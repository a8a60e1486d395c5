#pragma once

#include <cstdint>
#include <vector>

namespace brindlow {

// Bounds the requests that move our own windows out of a stack. A window manager republishes its
// stacking list after every request, whether it obeyed or not: one that leaves the order as it
// was would otherwise be asked again at every republication, without end.
class RestackAttempts {
  public:
    // Consecutive requests that did not settle the order, before giving up until the group
    // changes.
    static constexpr int kLimit = 3;

    // A new group to keep clear: asking starts afresh.
    void groupChanged() {
        asked_.clear();
        attempts_ = 0;
    }
    // Nothing of ours stands in the group: the next misplacement is asked for afresh.
    void settled() {
        asked_.clear();
        attempts_ = 0;
    }
    // Whether to ask for the order published as `stacking`; counted when it says yes.
    bool mayAsk(const std::vector<std::uint32_t>& stacking) {
        if (attempts_ >= kLimit || (attempts_ > 0 && stacking == asked_)) return false;
        asked_ = stacking;
        ++attempts_;
        return true;
    }

  private:
    std::vector<std::uint32_t> asked_;
    int attempts_ = 0;
};

}  // namespace brindlow
