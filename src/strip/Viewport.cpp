#include "strip/Viewport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace brindlow::Viewport {

namespace {

// Offsets within this of each other count as the same place.
constexpr double kSameOffset = 0.5;

struct FocusedSpan {
    const Column* column = nullptr;
    std::optional<LayoutEngine::ColumnSpan> span;  // none: pinned or out of range
};

FocusedSpan focusedSpan(const Strip& strip, const std::vector<LayoutEngine::ColumnSpan>& spans) {
    FocusedSpan result;
    if (!strip.focusedIndex) return result;
    const int focused = *strip.focusedIndex;
    if (focused < 0 || focused >= int(strip.columns.size())) return result;
    result.column = &strip.columns[size_t(focused)];
    const int unpinned = focused - strip.leftPinnedCount();
    if (!result.column->pin && unpinned >= 0 && unpinned < int(spans.size()))
        result.span = spans[size_t(unpinned)];
    return result;
}

}  // namespace

double maxOffset(std::span<const LayoutEngine::ColumnSpan> spans, double width, double outerGap) {
    if (spans.empty()) return 0;
    return std::max(0.0, spans.back().x + spans.back().width + std::max(0.0, outerGap) - width);
}

double maxOffset(const Strip& strip, double width, double gap, double outerGap) {
    return maxOffset(LayoutEngine::columnSpans(strip.columns, width, gap, outerGap), width,
                     outerGap);
}

std::optional<double> centredOffset(const Strip& strip, double width, double gap, double outerGap) {
    const std::vector<LayoutEngine::ColumnSpan> spans =
        LayoutEngine::columnSpans(strip.columns, width, gap, outerGap);
    const FocusedSpan focused = focusedSpan(strip, spans);
    if (!focused.column) return std::nullopt;
    double wanted = strip.scrollOffset;
    if (focused.span) {
        wanted = focused.column->isFullWidth
                     ? focused.span->x
                     : focused.span->x + focused.span->width / 2 - width / 2;
    }
    return std::max(0.0, std::min(wanted, maxOffset(spans, width, outerGap)));
}

double clampedOffset(const Strip& strip, double width, double gap, double outerGap,
                     CenterMode mode) {
    if (!strip.focusedIndex) return 0;
    outerGap = std::max(0.0, outerGap);
    const std::vector<LayoutEngine::ColumnSpan> spans =
        LayoutEngine::columnSpans(strip.columns, width, gap, outerGap);
    const double maximum = maxOffset(spans, width, outerGap);
    const FocusedSpan focused = focusedSpan(strip, spans);
    if (!focused.span) return std::max(0.0, std::min(strip.scrollOffset, maximum));
    const LayoutEngine::ColumnSpan span = *focused.span;
    if (focused.column->isFullWidth) return std::max(0.0, std::min(span.x, maximum));

    double kept = strip.scrollOffset;
    if (strip.scrollOffset > span.x - outerGap) {
        kept = span.x - outerGap;
    } else if (strip.scrollOffset + width < span.x + span.width + outerGap) {
        kept = span.x + span.width + outerGap - width;
    }
    const double centred = span.x + span.width / 2 - width / 2;
    double target = kept;
    switch (mode) {
        case CenterMode::never:
            target = kept;
            break;
        case CenterMode::always:
            target = centred;
            break;
        case CenterMode::onOverflow:
            target =
                std::fabs(kept - strip.scrollOffset) < kSameOffset ? strip.scrollOffset : centred;
            break;
    }
    return std::max(0.0, std::min(target, maximum));
}

}  // namespace brindlow::Viewport
