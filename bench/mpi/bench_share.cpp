// What one process of an analysis shared over mpirun spends per transform point: the
// points of one share solved on one thread (SolveImpactPoints), on grid frames of
// growing size at Nw 8192.
// scaling.sh times whole runs and projects the wall time for many processes from these.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "analysis/impact.h"
#include "bench/analysis/grid_frame.h"

namespace {

// count points spread over the line, as one share of a many-process run holds them.
std::vector<int> SpreadPoints(const fem::AnalysisSettings& settings, int count) {
    std::vector<int> points;
    for (int i = 0; i < count; ++i) points.push_back(i * (settings.Points() - 1) / (count - 1));
    return points;
}

void BM_SharePerPoint(benchmark::State& state) {
    auto model = std::make_shared<fem::Model>();
    benchgrid::BuildGrid(*model, state.range(0), state.range(0), state.range(0));
    fem::AnalysisSettings settings;
    settings.Nw = 8192;
    settings.Te = 0.005;
    settings.Threads = 1;
    const std::vector<int> points = SpreadPoints(settings, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        auto part = fem::SolveImpactPoints(model, settings, points);
        if (!part->Complete()) state.SkipWithError("the share did not complete");
        benchmark::DoNotOptimize(part);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
// Grid of n x n x n bays, count points: the difference between two counts is the time of
// the points alone, the rest the share's setup (numbering, symbolic analysis, spectra).
// Process CPU time, which on one thread is the wall time of a core of one's own.
BENCHMARK(BM_SharePerPoint)
    ->Args({6, 4})
    ->Args({6, 12})
    ->Args({10, 4})
    ->Args({10, 12})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(1);

}  // namespace
