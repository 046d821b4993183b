// The Timoshenko bending block against the Euler-Bernoulli one (BeamStiffDyn) at the same
// transform points, and the clamped-clamped count of a member by halving.
#include <benchmark/benchmark.h>

#include <cmath>

#include "analysis/element.h"
#include "analysis/timoshenko.h"
#include "numeric/failure.h"

namespace {

// The default 10 mm steel bar, 100 mm long along a general direction, shear area 0.9 of
// the area (a solid circle), and s = |s| e^(1.4 i) at which the Euler-Bernoulli |kappa L|
// is range(0) / 10, as in bench_element.cpp.
struct Case {
    fem::ElementRecord e;
    fem::TimoshenkoSection section;
    numeric::Complex s;
};

Case MakeCase(const benchmark::State& state) {
    Case c;
    c.e = fem::DefaultElement();
    fem::UpdateElement(c.e, {0, 0, 0}, {60, 48, 64});
    const double mass = c.e.Density / fem::kGravity;
    c.section = {c.e.EIz, 0.9 * c.e.Shear * c.e.Area, mass * c.e.Area, mass * c.e.Iz};
    const double kappaL = static_cast<double>(state.range(0)) / 10.0;
    const double modulus = std::pow(kappaL / c.e.Length, 2) * std::sqrt(c.e.BendCoefZ);
    c.s = {modulus * std::cos(1.4), modulus * std::sin(1.4)};
    return c;
}

void BM_EulerBernoulliBlock(benchmark::State& state) {
    const Case c = MakeCase(state);
    numeric::ComplexMatrix k(4, 4);
    for (auto _ : state) {
        fem::BeamStiffDyn(c.e.BendCoefZ, c.e.EIz, c.s, c.e.Length, 0, k);
        benchmark::DoNotOptimize(k.Row(0));
    }
}
BENCHMARK(BM_EulerBernoulliBlock)->Arg(5)->Arg(30)->Arg(300)->Arg(3000);

void BM_TimoshenkoBlock(benchmark::State& state) {
    const Case c = MakeCase(state);
    numeric::ComplexMatrix k(4, 4);
    for (auto _ : state) {
        try {
            fem::TimoshenkoStiffDyn(c.section, c.s, c.e.Length, 0, k);
        } catch (const numeric::ComputationFailure& f) {
            state.SkipWithError(f.what());
            break;
        }
        benchmark::DoNotOptimize(k.Row(0));
    }
}
BENCHMARK(BM_TimoshenkoBlock)->Arg(5)->Arg(30)->Arg(300)->Arg(3000);

// Count below omega = |s| of the case: range(0) / 10 is the Euler-Bernoulli kappa L.
void BM_TimoshenkoClampedCount(benchmark::State& state) {
    const Case c = MakeCase(state);
    const double omega = std::hypot(c.s.re, c.s.im);
    for (auto _ : state) {
        benchmark::DoNotOptimize(fem::TimoshenkoClampedCountBelow(c.section, c.e.Length, omega));
    }
}
BENCHMARK(BM_TimoshenkoClampedCount)->Arg(30)->Arg(300)->Arg(3000);

}  // namespace
