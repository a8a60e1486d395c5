#include "settings/RestoreStrips.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace brindlow {

std::optional<WindowCandidate> takeCandidate(std::string_view bundleID, std::string_view title,
                                             std::vector<WindowCandidate>& pool) {
    auto picked = std::find_if(pool.begin(), pool.end(), [&](const WindowCandidate& candidate) {
        return candidate.bundleID == bundleID && candidate.title == title;
    });
    if (picked == pool.end()) {
        picked = std::find_if(pool.begin(), pool.end(), [&](const WindowCandidate& candidate) {
            return candidate.bundleID == bundleID;
        });
    }
    if (picked == pool.end()) return std::nullopt;
    WindowCandidate taken = std::move(*picked);
    pool.erase(picked);
    return taken;
}

namespace {

// A NaN edge would break the sort's ordering; such windows go last.
double sortKey(double edge) {
    return std::isnan(edge) ? std::numeric_limits<double>::infinity() : edge;
}

void sortLeftToRight(std::vector<WindowCandidate>& pool) {
    std::stable_sort(pool.begin(), pool.end(),
                     [](const WindowCandidate& a, const WindowCandidate& b) {
                         const double ax = sortKey(a.frame.minX());
                         const double bx = sortKey(b.frame.minX());
                         if (ax != bx) return ax < bx;
                         return sortKey(a.frame.minY()) < sortKey(b.frame.minY());
                     });
}

// Saved weights survive only when every kept window has one.
std::vector<double> keptWeights(const ColumnDescriptor& saved, const std::vector<bool>& matched,
                                std::size_t windowCount) {
    std::vector<double> weights;
    const std::size_t paired = std::min(saved.windows.size(), saved.weights.size());
    for (std::size_t i = 0; i < paired; ++i)
        if (matched[i]) weights.push_back(saved.weights[i]);
    if (weights.size() != windowCount) weights.assign(windowCount, 1.0);
    return weights;
}

// The saved index limited to the kept windows, in 64 bits before narrowing.
int clampedActiveIndex(std::int64_t saved, std::size_t windowCount) {
    const std::int64_t last = static_cast<std::int64_t>(windowCount) - 1;
    return static_cast<int>(std::max<std::int64_t>(0, std::min(saved, last)));
}

std::optional<Column> restoreColumn(const ColumnDescriptor& saved,
                                    std::vector<WindowCandidate>& pool) {
    Column column;
    std::vector<bool> matched(saved.windows.size(), false);
    for (std::size_t i = 0; i < saved.windows.size(); ++i) {
        const WindowDescriptor& window = saved.windows[i];
        if (auto candidate = takeCandidate(window.bundleID, window.title, pool)) {
            column.windows.push_back(candidate->id);
            matched[i] = true;
        }
    }
    if (column.windows.empty()) return std::nullopt;
    column.weights = keptWeights(saved, matched, column.windows.size());
    column.activeIndex = clampedActiveIndex(saved.activeIndex, column.windows.size());
    column.widthFraction = saved.widthFraction;
    column.isFullWidth = saved.isFullWidth;
    column.isTabbed = saved.isTabbed;
    column.autoTabbed = saved.autoTabbed.value_or(false);
    column.pin = saved.pin;
    return column;
}

// Pinned columns to their edges, each group in its order; the focus stays on
// its window, or goes to the first column.
void finish(Strip& strip) {
    const std::optional<WindowID> focused = strip.focusedWindowID();
    const auto rank = [](const Column& column) {
        return !column.pin ? 1 : (*column.pin == Pin::left ? 0 : 2);
    };
    std::stable_sort(strip.columns.begin(), strip.columns.end(),
                     [&](const Column& a, const Column& b) { return rank(a) < rank(b); });
    const std::optional<StripLocation> location =
        focused ? strip.locate(*focused) : std::optional<StripLocation>();
    if (location) {
        strip.focusedIndex = location->column;
    } else if (!strip.columns.empty()) {
        strip.focusedIndex = 0;
    } else {
        strip.focusedIndex.reset();
    }
    strip.scrollOffset = 0;
}

}  // namespace

std::map<std::string, Strip> restoreStrips(const SessionSnapshot& snapshot,
                                           std::vector<WindowCandidate> candidates,
                                           const std::vector<std::string>& displayUUIDs,
                                           const std::string& fallbackUUID,
                                           const ColumnWidthRule& defaultWidth) {
    std::vector<WindowCandidate>& pool = candidates;
    sortLeftToRight(pool);

    std::map<std::string, Strip> strips;
    for (const std::string& uuid : displayUUIDs) strips.try_emplace(uuid);
    strips.try_emplace(fallbackUUID);

    const auto target = [&](const std::string& uuid) -> Strip& {
        const bool live =
            std::find(displayUUIDs.begin(), displayUUIDs.end(), uuid) != displayUUIDs.end();
        return strips[live ? uuid : fallbackUUID];
    };

    for (const DisplayDescriptor& saved : snapshot.displays) {
        Strip& strip = target(saved.uuid);
        const std::optional<int> earlierFocus = strip.focusedIndex;
        std::optional<int> foundFocus;
        for (std::size_t position = 0; position < saved.columns.size(); ++position) {
            std::optional<Column> column = restoreColumn(saved.columns[position], pool);
            if (!column) continue;
            if (saved.focusedIndex && *saved.focusedIndex == static_cast<std::int64_t>(position))
                foundFocus = static_cast<int>(strip.columns.size());
            strip.columns.push_back(std::move(*column));
        }
        strip.focusedIndex = earlierFocus ? earlierFocus : foundFocus;
    }

    for (const WindowCandidate& leftover : pool) {
        const double width = defaultWidth ? defaultWidth(leftover) : 0.5;
        target(leftover.displayUUID).columns.push_back(Column::single(leftover.id, width));
    }

    for (auto& [uuid, strip] : strips) finish(strip);
    return strips;
}

}  // namespace brindlow
