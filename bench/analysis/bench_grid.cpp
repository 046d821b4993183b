// The whole analysis of the grid frames of grid_frame.h. Arguments: bays in x, bays in
// y, storeys, Nw, worker threads (0: one per core).
// Counters: peak resident memory of the process (MB), free dofs, threads used.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "analysis/run_analysis.h"
#include "bench/analysis/grid_frame.h"
#include "model/model.h"

namespace {

void BM_GridFrame(benchmark::State& state) {
    fem::Model m;
    benchgrid::BuildGrid(m, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                         static_cast<int>(state.range(2)));
    fem::AnalysisSettings settings;
    settings.Nw = static_cast<int>(state.range(3));
    settings.Te = 0.005;
    settings.Threads = static_cast<int>(state.range(4));
    fem::AnalysisResult r;
    for (auto _ : state) {
        r = fem::RunAnalysis(m, settings);
        if (!r.Impact->Complete() || !r.Static || !r.Static->Complete())
            state.SkipWithError(fem::EnglishText(r.Impact->Result()).c_str());
    }
    if (!r.Impact) return;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak MB"] = usage.ru_maxrss / 1024.0;
    state.counters["free dofs"] = r.Impact->Numbering().FreeDofCount;
    state.counters["threads"] = r.Impact->Report().Threads;
    state.counters["estimate MB"] = r.Impact->Report().EstimatedBytes / (1024.0 * 1024.0);
}
BENCHMARK(BM_GridFrame)
    ->Args({2, 2, 2, 512, 0})
    ->Args({4, 4, 4, 512, 0})
    ->Args({4, 4, 4, 512, 1})
    ->Args({6, 6, 6, 512, 0})
    ->Args({6, 6, 6, 512, 1})
    ->Args({10, 10, 10, 512, 0})
    ->Args({1000, 1, 2, 256, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
