// Ranking the search's candidates as the user types: 500 windows, one keystroke per iteration.
#include <benchmark/benchmark.h>

#include "panels/SearchModel.h"

namespace brindlow {
namespace {

constexpr int kWindows = 500;

std::vector<SearchItem> candidates() {
    const char* apps[] = {"Firefox", "XTerm", "Files", "Text Editor", "Caf\u00E9 Menu", "Terminal"};
    std::vector<SearchItem> items;
    for (int i = 0; i < kWindows; ++i) {
        WindowSnapshot w;
        w.id = WindowID(i + 1);
        w.app = apps[i % 6];
        w.title =
            "Document " + std::to_string(i) + " \u2014 project notes and r\u00E9sum\u00E9 drafts";
        items.push_back({w, "Column " + std::to_string(i / 3 + 1)});
    }
    return items;
}

// Each iteration is one keystroke of "notes 42": the query grows, then starts over.
void BM_SearchKeystroke(benchmark::State& state) {
    SearchModel model;
    model.setAll(candidates());
    const std::string typed = "notes 42";
    size_t length = 0;
    for (auto _ : state) {
        length = length % typed.size() + 1;
        model.setQuery(typed.substr(0, length));
        benchmark::DoNotOptimize(model.results().data());
    }
    state.counters["windows"] = kWindows;
}
BENCHMARK(BM_SearchKeystroke)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// A snapshot reloads every candidate (each haystack is prepared once here).
void BM_SearchLoad(benchmark::State& state) {
    const std::vector<SearchItem> items = candidates();
    SearchModel model;
    for (auto _ : state) {
        model.setAll(items);
        model.update();
        benchmark::DoNotOptimize(model.results().data());
    }
    state.counters["windows"] = kWindows;
}
BENCHMARK(BM_SearchLoad)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace brindlow
