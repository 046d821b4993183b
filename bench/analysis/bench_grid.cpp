// The whole analysis of grid frames generated here: bays of 500 mm in x and y, storeys
// of 400 mm, the default steel bar of 10 mm diameter between neighbouring nodes (beams
// above the ground only), the ground nodes clamped and one step load along x at the top
// corner. Arguments: bays in x, bays in y, storeys, Nw, worker threads (0: one per core).
// Counters: peak resident memory of the process (MB), free dofs, threads used.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "analysis/engine.h"
#include "model/model.h"

namespace {

void BuildGrid(fem::Model& m, int bx, int by, int storeys) {
    m.ClearModel();
    auto index = [&](int i, int j, int k) { return (k * (by + 1) + j) * (bx + 1) + i; };
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                fem::NodeRecord n = fem::DefaultNode();
                n.Coord = {500.0 * i, 500.0 * j, 400.0 * k};
                for (auto& code : n.BcCode) code = k == 0 ? "u" : "p";
                if (i == bx && j == by && k == storeys) {
                    n.BcCode[0] = "pf";
                    n.LoadValue[0] = 1.0;
                }
                m.AddNode(n);
            }
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                fem::ElementRecord e = fem::DefaultElement();
                const int a = index(i, j, k);
                if (k > 0 && i < bx) {
                    e.EndNode = {a, index(i + 1, j, k)};
                    m.AddElement(e);
                }
                if (k > 0 && j < by) {
                    e.EndNode = {a, index(i, j + 1, k)};
                    m.AddElement(e);
                }
                if (k < storeys) {
                    e.EndNode = {a, index(i, j, k + 1)};
                    m.AddElement(e);
                }
            }
}

void BM_GridFrame(benchmark::State& state) {
    fem::Model m;
    BuildGrid(m, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
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
