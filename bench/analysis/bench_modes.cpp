// Natural frequencies (and mode shapes) of sample 4 and of the grid frames of
// grid_frame.h. Arguments: the structure (0 sample 4, else bays in x, bays in y,
// storeys), the number of frequencies, shapes (1) or not (0), worker threads (0: one
// per core), and optionally 1: every member bends as a Timoshenko member. Counters: factorisations
// of K(omega), free dofs, threads, the highest frequency found (Hz).
#include <benchmark/benchmark.h>

#include "analysis/modes.h"
#include "bench/analysis/grid_frame.h"
#include "model/samples.h"

namespace {

void BM_NaturalModes(benchmark::State& state) {
    fem::Model m;
    if (state.range(0) == 0) {
        fem::BuildSample(m, 4);
    } else {
        benchgrid::BuildGrid(m, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                             static_cast<int>(state.range(2)));
    }
    fem::ModeRequest request;
    request.Count = static_cast<int>(state.range(3));
    request.Shapes = state.range(4) == 1;
    request.Threads = static_cast<int>(state.range(5));
    if (state.range(6) == 1) fem::UseTimoshenkoWhereShearAreas(m);
    fem::ModeResult result;
    for (auto _ : state) {
        result = fem::SolveModes(m, request);
        if (!result.Result.Complete()) state.SkipWithError(result.Result.Detail.c_str());
    }
    state.counters["factorisations"] = result.Evaluations;
    state.counters["free dofs"] = result.FreeDofs;
    state.counters["threads"] = result.Threads;
    if (!result.Modes.empty()) state.counters["highest Hz"] = result.Modes.back().FrequencyHz;
}
// Sample 4 and the 4 x 4 x 4 grid: 20 frequencies; the 1000 x 1 x 2 grid (6,006 nodes):
// 10; without and with shapes, on one worker and on one per core; sample 4 and the
// 4 x 4 x 4 grid on one worker with Euler-Bernoulli and with Timoshenko members.
BENCHMARK(BM_NaturalModes)
    ->Args({0, 0, 0, 20, 0, 0, 0})
    ->Args({0, 0, 0, 20, 1, 0, 0})
    ->Args({0, 0, 0, 20, 0, 1, 0})
    ->Args({0, 0, 0, 20, 0, 1, 1})
    ->Args({4, 4, 4, 20, 0, 1, 0})
    ->Args({4, 4, 4, 20, 0, 1, 1})
    ->Args({4, 4, 4, 20, 0, 0, 0})
    ->Args({4, 4, 4, 20, 1, 0, 0})
    ->Args({1000, 1, 2, 10, 0, 1, 0})
    ->Args({1000, 1, 2, 10, 0, 0, 0})
    ->Args({1000, 1, 2, 10, 1, 0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
