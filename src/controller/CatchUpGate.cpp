#include "controller/CatchUpGate.h"

namespace brindlow {

bool CatchUpGate::needsPass(const Look& look) const {
    const std::uint64_t work = stripWork_.load();
    std::lock_guard lock(mutex_);
    return !quiet_ || !look.changeCount || *look.changeCount != quiet_->changeCount ||
           look.running != quiet_->running || work != quiet_->stripWork;
}

void CatchUpGate::passed(const Look& look, bool quiet) {
    std::lock_guard lock(mutex_);
    if (quiet && look.changeCount)
        quiet_ = Mark{*look.changeCount, look.running, stripWork_.load()};
    else
        quiet_.reset();
}

}  // namespace brindlow
