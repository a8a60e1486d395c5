// The layout pass runs for every animating display on every frame: it must stay linear in the
// number of windows and allocate nothing beyond its result.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "strip/LayoutEngine.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Counts every allocation of the process so the benchmark can report allocations per pass.
// The replacements pair malloc with free, which GCC cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace brindlow {
namespace {

// Pins at both ends, stacks of two and three, tabs, full-width and refused-width columns.
Strip mixedStrip(int columnCount) {
    Strip strip;
    WindowID next = 1;
    const int pinned = columnCount >= 10 ? 2 : 0;
    static constexpr double fractions[] = {1.0 / 3, 0.5, 2.0 / 3, 1.0};
    for (int c = 0; c < columnCount; ++c) {
        Column column;
        const int rows = c % 5 == 4 ? 3 : c % 3 == 2 ? 2 : 1;
        for (int r = 0; r < rows; ++r) {
            column.windows.push_back(next++);
            column.weights.push_back(1.0 + r * 0.5);
        }
        column.activeIndex = rows - 1;
        column.widthFraction = fractions[c % 4];
        column.isTabbed = c % 7 == 6;
        column.isFullWidth = c % 11 == 10;
        if (c % 13 == 12) column.refusedWidth = RefusedWidth{1, 700};
        if (c < pinned) column.pin = Pin::left;
        if (c >= columnCount - pinned) column.pin = Pin::right;
        strip.columns.push_back(std::move(column));
    }
    strip.focusedIndex = columnCount / 2;
    return strip;
}

void layoutPass(benchmark::State& state) {
    const int columnCount = static_cast<int>(state.range(0));
    const Strip strip = mixedStrip(columnCount);
    const DisplayGeometry geometry{
        {0, 25, 2560, 1415}, {0, 0, 2560, 1440}, {{2560, 0, 1920, 1080}, {-1920, 200, 1920, 1080}}};
    LayoutEngine::MinimumHeights minimums;
    for (WindowID id = 9; id < 4 * static_cast<WindowID>(columnCount); id += 9) {
        minimums[id] = 420 + id % 300;
    }
    // Some stacks cannot fit at all and leave gap bands.
    for (WindowID id = 17; id < 4 * static_cast<WindowID>(columnCount); id += 17) {
        minimums[id] = 1300;
    }
    // Scrolled to the middle of the unpinned run, so both edges cut columns and both sides park.
    const auto spans = LayoutEngine::columnSpans(strip.columns, 2000, 16, 12);
    const double offset = spans.empty() ? 0 : spans[spans.size() / 2].x - 700;

    long passes = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        StripLayout result =
            LayoutEngine::layout(strip, geometry, minimums, offset, offset + 0.5, 16, 12, 10);
        benchmark::DoNotOptimize(result);
        ++passes;
    }
    const long allocated = allocations.load() - before;
    state.counters["ns_per_column"] = benchmark::Counter(
        static_cast<double>(columnCount),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_pass"] =
        static_cast<double>(allocated) / static_cast<double>(std::max(1L, passes));
}

BENCHMARK(layoutPass)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
}  // namespace brindlow
