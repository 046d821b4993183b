// Dense complex solution, the kernel of every transform point.
#include <benchmark/benchmark.h>

#include <random>

#include "numeric/gauss.h"

namespace {

void BM_GaussSolveComplex(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    numeric::ComplexMatrix A0(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) A0(i, j) = {u(rng), u(rng)};
    std::vector<numeric::Complex> b0(n), x(n);
    for (auto& v : b0) v = {u(rng), u(rng)};
    numeric::SolverWork work;
    for (auto _ : state) {
        state.PauseTiming();
        numeric::ComplexMatrix A = A0;
        std::vector<numeric::Complex> b = b0;
        state.ResumeTiming();
        numeric::GaussSolveComplex(n, A, b, x, nullptr, &work);
        benchmark::DoNotOptimize(x.data());
    }
    // n^3/3 complex multiply-adds per solution.
    state.counters["cmadd/s"] = benchmark::Counter(static_cast<double>(n) * n * n / 3.0,
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GaussSolveComplex)
    ->Arg(24)
    ->Arg(48)
    ->Arg(96)
    ->Arg(192)
    ->Arg(384)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
