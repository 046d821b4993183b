// One element's dynamic stiffness at one transform point: the bending block alone and
// the whole 12 x 12 matrix in global components, at several values of kappa L, the
// latter also for the element bending as a Timoshenko member.
#include <benchmark/benchmark.h>

#include <cmath>

#include "analysis/element.h"
#include "numeric/failure.h"

namespace {

// A 100 mm steel bar of 10 mm diameter along a general direction, and the transform
// point s = |s| e^(1.4 i) at which |kappa L| = range(0) / 10.
struct Case {
    fem::ElementRecord e;
    numeric::Complex s;
};

Case MakeCase(const benchmark::State& state, bool timoshenko = false) {
    Case c;
    c.e = fem::DefaultElement();
    c.e.Timoshenko = timoshenko;
    fem::UpdateElement(c.e, {0, 0, 0}, {60, 48, 64});
    const double kappaL = static_cast<double>(state.range(0)) / 10.0;
    const double modulus = std::pow(kappaL / c.e.Length, 2) * std::sqrt(c.e.BendCoefZ);
    c.s = {modulus * std::cos(1.4), modulus * std::sin(1.4)};
    return c;
}

void BM_BeamStiffDyn(benchmark::State& state) {
    const Case c = MakeCase(state);
    numeric::ComplexMatrix k(4, 4);
    for (auto _ : state) {
        try {
            fem::BeamStiffDyn(c.e.BendCoefZ, c.e.EIz, c.s, c.e.Length, 0, k);
        } catch (const numeric::ComputationFailure& f) {
            state.SkipWithError(f.what());
            break;
        }
        benchmark::DoNotOptimize(k.Row(0));
    }
}
BENCHMARK(BM_BeamStiffDyn)->Arg(5)->Arg(30)->Arg(300)->Arg(3000);

void BM_RodStiffDyn(benchmark::State& state) {
    const Case c = MakeCase(state);
    numeric::ComplexMatrix k(2, 2);
    for (auto _ : state) {
        fem::RodStiffDyn(c.e.WaveAxial, c.e.EA, c.s, c.e.Length, k);
        benchmark::DoNotOptimize(k.Row(0));
    }
}
BENCHMARK(BM_RodStiffDyn)->Arg(5)->Arg(300);

// range(1) = 1: the element bends as a Timoshenko member (both planes alike, one block).
void BM_ElemStiffDyn(benchmark::State& state) {
    const Case c = MakeCase(state, state.range(1) == 1);
    numeric::ComplexMatrix K(12, 12);
    fem::ElementWork work;
    for (auto _ : state) {
        try {
            fem::ElemStiffDyn(c.s, c.e, work, K);
        } catch (const numeric::ComputationFailure& f) {
            state.SkipWithError(f.what());
            break;
        }
        benchmark::DoNotOptimize(K.Row(0));
    }
}
BENCHMARK(BM_ElemStiffDyn)->ArgsProduct({{5, 30, 300, 3000}, {0, 1}});

}  // namespace
