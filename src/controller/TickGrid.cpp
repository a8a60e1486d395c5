#include "controller/TickGrid.h"

#include <algorithm>
#include <cmath>

namespace brindlow {

TickGrid::TickGrid(double start, std::vector<double> periods)
    : start_(start), periods_(std::move(periods)), next_(periods_.size(), 1) {}

double TickGrid::due(std::size_t period) const {
    return start_ + double(next_[period]) * periods_[period];
}

double TickGrid::nextDue() const {
    double earliest = due(0);
    for (std::size_t period = 1; period < periods_.size(); ++period)
        earliest = std::min(earliest, due(period));
    return earliest;
}

std::vector<std::size_t> TickGrid::takeDue(double now) {
    std::vector<std::size_t> taken;
    for (std::size_t period = 0; period < periods_.size(); ++period) {
        if (due(period) > now + kSlack) continue;
        taken.push_back(period);
        const auto passed = std::int64_t(std::floor((now + kSlack - start_) / periods_[period]));
        next_[period] = std::max(next_[period], passed) + 1;
    }
    return taken;
}

}  // namespace brindlow
