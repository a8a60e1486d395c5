#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/Rounding.h"
#include "strip/LayoutEngine.h"
#include "strip/LayoutInternals.h"

namespace brindlow::LayoutEngine {

namespace detail {

namespace {

constexpr double stackedFloor = 100;    // every stacked window gets at least this much
constexpr double squeezedFloor = 60;    // what the others keep when a stack cannot fit
constexpr double largestWeight = 1e12;  // keeps shares finite

double usableWeight(double weight) {
    if (!(weight > 0.001)) return 0.001;  // also NaN
    return std::min(weight, largestWeight);
}

double stackedMinimum(double minimum) {
    return std::max(stackedFloor, minimum);
}

// roundHalfAway(stackedMinimum(minimum)) without rounding the floor itself.
double roundedStackedMinimum(double minimum) {
    return stackedFloor < minimum ? roundHalfAway(minimum) : stackedFloor;
}

// roundHalfAway(minimum), skipping the rounding for the usual minimum of 0 (of either sign).
double roundedMinimum(double minimum) {
    return minimum == 0 ? minimum : roundHalfAway(minimum);
}

}  // namespace

void stackHeightsInto(std::span<const double> weights, std::span<const double> minimums,
                      bool ignoreMinimums, double available, std::span<double> out,
                      std::span<unsigned char> fixed, std::span<double> slack) {
    const std::size_t n = weights.size();
    if (n == 0) return;
    auto minimumOf = [&](std::size_t i) {
        return ignoreMinimums ? stackedFloor : stackedMinimum(minimums[i]);
    };
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = 0;
        fixed[i] = 0;
    }

    // Windows whose share falls below their minimum are fixed at it; the rest share what is left.
    bool anyFixed = false;
    for (std::size_t round = 0; round <= n; ++round) {
        double fixedSum = 0;
        double freeWeight = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (fixed[i]) {
                fixedSum += out[i];
            } else {
                freeWeight += usableWeight(weights[i]);
            }
        }
        const double remaining = available - fixedSum;
        bool fixedAny = false;
        bool allFixed = true;
        for (std::size_t i = 0; i < n; ++i) {
            if (fixed[i]) continue;
            const double share = usableWeight(weights[i]) * remaining / freeWeight;
            out[i] = share;
            if (minimumOf(i) > share) {
                fixed[i] = 1;
                out[i] = minimumOf(i);
                fixedAny = true;
                anyFixed = true;
            } else {
                allFixed = false;
            }
        }
        if (!fixedAny || allFixed) break;
    }

    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!slack.empty()) slack[i] = out[i];
        out[i] = std::max(1.0, roundHalfAway(out[i]));
        sum += out[i];
    }
    // The last window absorbs the rounding difference when that keeps it at its minimum.
    const double target = roundHalfAway(available);
    // Unfixed, every window's share stays the same for any minimum up to it, and with no
    // difference to absorb the last one's minimum decides nothing either.
    if (!slack.empty() && (anyFixed || sum != target)) {
        std::fill(slack.begin(), slack.end(), -std::numeric_limits<double>::infinity());
    }
    const std::size_t last = n - 1;
    if (sum != target) {
        const double others = sum - out[last];
        if (available >= others + minimumOf(last)) {
            out[last] = std::max(1.0, std::max(minimumOf(last), target - others));
        }
    }
}

std::size_t stackFramesInto(StackRows rows, int activeRow, double top, double height, double gap,
                            double below) {
    const std::size_t n = rows.minimums.size();
    if (n == 0) return 0;
    const std::size_t active =
        static_cast<std::size_t>(std::clamp(activeRow, 0, static_cast<int>(n) - 1));
    const double avail = height - gap * static_cast<double>(n - 1);
    double need = 0;
    for (double minimum : rows.minimums) need += roundedStackedMinimum(minimum);
    // With a whole top, height and gap every slot edge is whole and needs no rounding.
    const bool wholeGrid = isWhole(top) && isWhole(height) && isWhole(gap);
    const auto onGrid = [wholeGrid](double value) {
        return wholeGrid ? value : roundHalfAway(value);
    };

    bool fitting = false;
    std::fill(rows.slack.begin(), rows.slack.end(), -std::numeric_limits<double>::infinity());
    if (need <= avail + 0.5) {
        stackHeightsInto(rows.weights, rows.minimums, false, avail, rows.shares, rows.fixed,
                         rows.slack);
        fitting = true;
    } else if (n == 1) {
        stackHeightsInto(rows.weights, rows.minimums, false, avail, rows.shares, rows.fixed);
    } else if (need <= avail + below + 0.5) {
        // Fits only with the room below the band: stack at the minimums, no bands.
        double y = top;
        for (std::size_t i = 0; i < n; ++i) {
            const double h = roundedStackedMinimum(rows.minimums[i]);
            rows.frames[i] = {onGrid(y), h};
            y += h + gap;
        }
        return 0;
    } else {
        // Cannot fit: the active window gets what it needs while the others keep 60 points.
        stackHeightsInto(rows.weights, rows.minimums, true, avail, rows.shares, rows.fixed);
        const double others = static_cast<double>(n - 1);
        const double activeHeight =
            std::min(std::max(rows.shares[active], roundHalfAway(rows.minimums[active])),
                     avail - squeezedFloor * others);
        const double otherHeight = std::floor((avail - activeHeight) / others);
        for (std::size_t i = 0; i < n; ++i) {
            rows.shares[i] = i == active ? activeHeight : otherHeight;
        }
    }

    double y = top;
    const double bottom = top + height;
    for (std::size_t i = 0; i < n; ++i) {
        const double h = i + 1 < n ? roundHalfAway(rows.shares[i]) : bottom - y;
        const double hh =
            std::max(1.0, std::min(std::max(h, roundedMinimum(rows.minimums[i])), height));
        double windowY = y;
        // Below the active row a window that cannot shrink keeps its slot's bottom and grows up.
        if (!fitting && i > active) windowY = y + h - hh;
        windowY = std::max(std::min(windowY, bottom - hh), top);
        rows.frames[i] = {onGrid(windowY), hh};
        rows.slots[i] = {onGrid(y), h};
        // A fitting window keeps its slot's height for any minimum that rounds to at most it.
        const double most = std::floor(h);
        if (!(most >= 0)) {
            rows.slack[i] = -std::numeric_limits<double>::infinity();
        } else if (most < rows.slack[i]) {
            rows.slack[i] = most;
        }
        y += h + gap;
    }

    std::size_t bandCount = 0;
    for (std::size_t k = 1; k < n; ++k) {
        const double slotBottom = rows.slots[k - 1].y + rows.slots[k - 1].height;
        const StackSlot& upper = rows.frames[k - 1];
        if (upper.y + upper.height > slotBottom + 0.5) {
            rows.bands[bandCount++] = {slotBottom, static_cast<int>(k - 1)};
        } else if (rows.frames[k].y < slotBottom + gap - 0.5) {
            rows.bands[bandCount++] = {slotBottom, static_cast<int>(k)};
        }
    }
    return bandCount;
}

}  // namespace detail

std::vector<double> stackHeights(std::span<const double> weights,
                                 std::span<const double> minimumHeights, double available) {
    const std::size_t n = weights.size();
    std::vector<double> minimums(n, 0.0);
    std::copy_n(minimumHeights.begin(), std::min(n, minimumHeights.size()), minimums.begin());
    std::vector<double> heights(n);
    std::vector<unsigned char> fixed(n);
    detail::stackHeightsInto(weights, minimums, false, available, heights, fixed);
    return heights;
}

StackFrames stackFrames(std::span<const double> weights, std::span<const double> minimumHeights,
                        int activeRow, double top, double height, double gap, double below) {
    const std::size_t n = minimumHeights.size();
    detail::HeapStackRows storage(n);
    for (std::size_t i = 0; i < n; ++i) {
        storage.weights[i] = i < weights.size() ? weights[i] : 1.0;
        storage.minimums[i] = minimumHeights[i];
    }
    const std::size_t bandCount = detail::stackFramesInto(storage.rows(), activeRow, top, height,
                                                          detail::nonNegative(gap), below);
    StackFrames result;
    result.frames = std::move(storage.frames);
    result.bands.assign(storage.bands.begin(),
                        storage.bands.begin() + static_cast<std::ptrdiff_t>(bandCount));
    return result;
}

}  // namespace brindlow::LayoutEngine
