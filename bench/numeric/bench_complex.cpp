// The complex division and modulus of the solvers' pivot steps, on ordinary operands.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "numeric/complex.h"

namespace {

std::vector<numeric::Complex> Operands() {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    std::vector<numeric::Complex> v(1024);
    for (auto& c : v) c = {u(rng), u(rng)};
    return v;
}

void BM_CDiv(benchmark::State& state) {
    const std::vector<numeric::Complex> v = Operands();
    for (auto _ : state)
        for (size_t i = 0; i + 1 < v.size(); ++i)
            benchmark::DoNotOptimize(numeric::CDiv(v[i], v[i + 1]));
    state.SetItemsProcessed(state.iterations() * (v.size() - 1));
}
BENCHMARK(BM_CDiv);

void BM_CAbs(benchmark::State& state) {
    const std::vector<numeric::Complex> v = Operands();
    for (auto _ : state)
        for (const numeric::Complex& c : v) benchmark::DoNotOptimize(numeric::CAbs(c));
    state.SetItemsProcessed(state.iterations() * v.size());
}
BENCHMARK(BM_CAbs);

}  // namespace
