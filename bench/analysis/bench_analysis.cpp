// The whole analysis (dynamic, static, static element results) of the samples and of a
// generated frame, and one element's force histories.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/samples.h"

namespace {

fem::AnalysisSettings Settings(int Nw, double te, bool correct = false) {
    fem::AnalysisSettings s;
    s.Nw = Nw;
    s.Te = te;
    s.CorrectAliasing = correct;
    return s;
}

// Runs the whole analysis; false (and the benchmark skipped) when it did not complete.
bool Analyse(benchmark::State& state, const fem::Model& m, const fem::AnalysisSettings& s,
             fem::AnalysisResult* out = nullptr) {
    fem::AnalysisResult r = fem::RunAnalysis(m, s);
    if (!r.Impact->Complete() || !r.Static || !r.Static->Complete()) {
        state.SkipWithError(fem::EnglishText(r.Impact->Result()).c_str());
        return false;
    }
    if (out) *out = std::move(r);
    return true;
}

// range(2) = 1: every member bends as a Timoshenko member.
void BM_WholeAnalysisOfSample(benchmark::State& state) {
    const int sample = static_cast<int>(state.range(0));
    const int Nw = static_cast<int>(state.range(1));
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, sample);
    if (state.range(2) == 1) fem::UseTimoshenkoWhereShearAreas(m);
    for (auto _ : state)
        if (!Analyse(state, m, Settings(Nw, st.Te))) return;
    state.counters["points"] = Nw / 2 + 1;
    state.counters["free dofs"] = fem::NumberDofs(m).FreeDofCount;
}
BENCHMARK(BM_WholeAnalysisOfSample)
    ->ArgsProduct({{1, 2, 3, 4}, {512, 8192}, {0}})
    ->Args({4, 512, 1})
    ->Args({4, 8192, 1})
    ->Unit(benchmark::kMillisecond);

// Twelve force histories of one element of sample 4; range(0) = 1 makes the
// inverse-transform tables every time (the first computation after an analysis), 0 uses
// tables made once.
void BM_ElementForceHistory(benchmark::State& state) {
    const bool rebuild = state.range(0) == 1;
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 4);
    fem::AnalysisResult r;
    if (!Analyse(state, m, Settings(8192, st.Te), &r)) return;
    const fem::InverseTransform inverse(r.Impact->Settings());
    for (auto _ : state) {
        const fem::HistoryResult out =
            rebuild ? fem::ElementForceHistory(*r.Impact, 1, fem::ForceAxes::Element)
                    : fem::ElementForceHistory(*r.Impact, 1, fem::ForceAxes::Element, inverse);
        benchmark::DoNotOptimize(out.Uncorrected.Row(0));
    }
}
BENCHMARK(BM_ElementForceHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Sample 4 at Nw 8192 without (range(0) = 0) and with the aliasing correction: the whole
// analysis, whose dynamic solution then also solves the second line of transform points.
void BM_AliasingCorrectionOfSample4(benchmark::State& state) {
    const bool correct = state.range(0) == 1;
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 4);
    for (auto _ : state)
        if (!Analyse(state, m, Settings(8192, st.Te, correct))) return;
    state.counters["points"] = fem::DynamicPointCount(8192, correct);
}
BENCHMARK(BM_AliasingCorrectionOfSample4)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The twelve force histories of one element of sample 4 at Nw 8192, without and with the
// aliasing correction (corrected histories and error estimates from both lines).
void BM_ElementForceHistoriesCorrected(benchmark::State& state) {
    const bool correct = state.range(0) == 1;
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 4);
    fem::AnalysisResult r;
    if (!Analyse(state, m, Settings(8192, st.Te, correct), &r)) return;
    for (auto _ : state) {
        const fem::HistoryResult out =
            fem::ElementForceHistory(*r.Impact, 1, fem::ForceAxes::Element);
        benchmark::DoNotOptimize(out.Uncorrected.Row(0));
    }
}
BENCHMARK(BM_ElementForceHistoriesCorrected)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A space frame of 3 x 4 x 5 = 60 nodes, 100 mm apart, clamped on its 12 lowest nodes,
// with bars between neighbours (133 elements) and a step load at a top corner.
void BuildFrame(fem::Model& m) {
    m.ClearModel();
    const int nx = 3, ny = 4, nz = 5;
    auto index = [&](int i, int j, int k) { return (k * ny + j) * nx + i; };
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                fem::NodeRecord n = fem::DefaultNode();
                n.Coord = {100.0 * i, 100.0 * j, 100.0 * k};
                for (auto& code : n.BcCode) code = k == 0 ? "u" : "p";
                if (i == nx - 1 && j == ny - 1 && k == nz - 1) {
                    n.BcCode[0] = "pf";
                    n.LoadValue[0] = 1.0;
                }
                m.AddNode(n);
            }
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                fem::ElementRecord e = fem::DefaultElement();
                const int a = index(i, j, k);
                const int next[3][3] = {{i + 1, j, k}, {i, j + 1, k}, {i, j, k + 1}};
                for (const auto& q : next) {
                    if (q[0] >= nx || q[1] >= ny || q[2] >= nz) continue;
                    e.EndNode = {a, index(q[0], q[1], q[2])};
                    m.AddElement(e);
                }
            }
}

void BM_WholeAnalysisOfFrame60(benchmark::State& state) {
    fem::Model m;
    BuildFrame(m);
    for (auto _ : state)
        if (!Analyse(state, m, Settings(512, 0.005))) return;
    state.counters["elements"] = m.ElementCount();
    state.counters["free dofs"] = fem::NumberDofs(m).FreeDofCount;
}
BENCHMARK(BM_WholeAnalysisOfFrame60)->Unit(benchmark::kMillisecond);

}  // namespace
