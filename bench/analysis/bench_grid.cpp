// The whole analysis of the grid frames of grid_frame.h. Arguments: bays in x, bays in
// y, storeys, Nw, worker threads (0: one per core).
// Counters: peak resident memory of the process (MB), free dofs, threads used.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "analysis/engine.h"
#include "bench/analysis/grid_frame.h"
#include "model/model.h"

namespace {

void BM_GridFrame(benchmark::State& state) {
    fem::Model m;
    benchgrid::BuildGrid(m, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                         static_cast<int>(state.range(2)));
    const int Nw = static_cast<int>(state.range(3));
    fem::Analysis().Threads = static_cast<int>(state.range(4));
    for (auto _ : state) {
        const fem::AnalysisMessages msg = fem::RunAnalysis(m, Nw, 5.0, 0.005, 0.0);
        if (!msg.Dynamic.empty() || !msg.Static.empty()) state.SkipWithError(msg.Dynamic.c_str());
    }
    fem::Analysis().Threads = 0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak MB"] = usage.ru_maxrss / 1024.0;
    state.counters["free dofs"] = fem::Analysis().FreeDofCount;
    state.counters["threads"] = fem::Analysis().LastRun.Threads;
    state.counters["estimate MB"] = fem::Analysis().LastRun.EstimatedBytes / (1024.0 * 1024.0);
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
