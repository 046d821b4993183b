// One transform point's factorisation and solution of K(s) x = b on the engine's own
// matrices, by each sparse solver the analysis could use. Arguments: bays in x, bays in
// y, storeys (grid_frame.h), the solver (0 Eigen SparseLU as the analysis had it, pivot
// threshold 0.1; 1 the same with threshold 0.01; 2 UMFPACK; 3 KLU; 4 the automatic
// choice of analysis/sparse_solver.h). Each iteration solves the next of nine points
// spread over k = 0 .. Nw/2 of bench_grid's runs at Nw 256, Te 0.005 s (the fill of a
// pivoting LU grows with k); 9 iterations, each point once.
// Counters: free dofs, entries of the factors (Eigen: the largest over the points), the largest
// relative residual |K x - b| / |b| over the points; for the SuiteSparse solvers also the pivots
// off the diagonal and the solver's peak memory (the largest over the points), and its
// estimate. "LU Gflop": real floating-point operations of one LU factorisation with every
// pivot on the diagonal in AMD's order (8 per complex multiply-subtract, AMD's count);
// "flop rate": those per second of the timed factorisations and solutions, to compare with
// what the BLAS reaches on one core.
#include <benchmark/benchmark.h>
#include <suitesparse/amd.h>

#include <Eigen/SparseLU>
#include <algorithm>
#include <complex>
#include <memory>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/settings.h"
#include "analysis/sparse_solver.h"
#include "bench/analysis/grid_frame.h"

namespace {

using Cd = std::complex<double>;
using ComplexSparse = Eigen::SparseMatrix<Cd, Eigen::ColMajor, int>;

// Eigen's SparseLU as the analysis configured it: AMD on the symmetric pattern (the
// permutation turned the way SparseLU reads it), symmetric mode, a diagonal pivot kept
// unless an entry below is 1 / threshold times larger.
struct SymmetricAmdOrdering {
    using PermutationType = Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>;
    template <class MatrixType>
    void operator()(const MatrixType& matrix, PermutationType& perm) {
        PermutationType amd;
        Eigen::AMDOrdering<int>()(matrix, amd);
        perm = amd.inverse();
    }
};
using EigenLU = Eigen::SparseLU<ComplexSparse, SymmetricAmdOrdering>;

// The grid's matrices at the points of bench_grid's runs (Nw 256, Te 0.005 s).
struct Problem {
    Problem(int bx, int by, int storeys) {
        benchgrid::BuildGrid(model, bx, by, storeys);
        settings.Nw = 256;
        settings.Te = 0.005;
        numbering = fem::NumberDofs(model);
        pattern = std::make_unique<fem::GlobalPattern>(model, numbering);
        values.resize(pattern->NonZeros());
        b.assign(pattern->Order(), Cd{});
        for (int r = 0; r < pattern->Order(); ++r) {
            const auto [n, j] = numbering.DofOwner[r];
            if (model.Nodes[n].BcCode[j] == "pf") b[r] = Cd(1.0, 0.0);
        }
    }
    // The values of K at point k.
    void Assemble(int k) {
        fem::AssembleDynamic(*pattern, model, settings.TransformPoint(k), work, ke, values.data());
    }
    [[nodiscard]] double Residual(const std::vector<Cd>& x) const {
        std::vector<Cd> r(b);
        const std::vector<int>& starts = pattern->ColumnStarts();
        const std::vector<int>& rows = pattern->RowIndices();
        for (int c = 0; c < pattern->Order(); ++c)
            for (int at = starts[c]; at < starts[c + 1]; ++at) r[rows[at]] -= values[at] * x[c];
        double rn = 0.0, bn = 0.0;
        for (std::size_t i = 0; i < r.size(); ++i) {
            rn = std::max(rn, std::abs(r[i]));
            bn = std::max(bn, std::abs(b[i]));
        }
        return rn / bn;
    }
    fem::Model model;
    fem::AnalysisSettings settings;
    fem::DofNumbering numbering;
    std::unique_ptr<fem::GlobalPattern> pattern;
    fem::ElementWork work;
    numeric::ComplexMatrix ke{12, 12};
    std::vector<Cd> values, b;
};

// Real flops of an LU factorisation of the pattern without pivoting, in AMD's order.
double LuFlops(const fem::GlobalPattern& p) {
    std::vector<int> permutation(p.Order());
    double control[AMD_CONTROL], info[AMD_INFO];
    amd_defaults(control);
    amd_order(p.Order(), p.ColumnStarts().data(), p.RowIndices().data(), permutation.data(),
              control, info);
    return 8.0 * info[AMD_NMULTSUBS_LU];
}

constexpr int kPoints[] = {0, 16, 32, 48, 64, 80, 96, 112, 128};

void BM_PointSolve(benchmark::State& state) {
    Problem problem(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                    static_cast<int>(state.range(2)));
    const int method = static_cast<int>(state.range(3));
    const fem::GlobalPattern& p = *problem.pattern;
    const int n = p.Order();
    std::vector<Cd> x(n);
    double residual = 0.0, entries = 0.0;
    int next = 0;

    if (method <= 1) {
        ComplexSparse A(n, n);
        A.resizeNonZeros(p.NonZeros());
        std::copy(p.ColumnStarts().begin(), p.ColumnStarts().end(), A.outerIndexPtr());
        std::copy(p.RowIndices().begin(), p.RowIndices().end(), A.innerIndexPtr());
        EigenLU lu;
        lu.isSymmetric(true);
        lu.setPivotThreshold(method == 0 ? 0.1 : 0.01);
        lu.analyzePattern(A);
        Eigen::Map<const Eigen::VectorXcd> b(problem.b.data(), n);
        Eigen::VectorXcd y, r;
        for (auto _ : state) {
            state.PauseTiming();
            const int k = kPoints[next++ % 9];
            problem.Assemble(k);
            std::copy(problem.values.begin(), problem.values.end(), A.valuePtr());
            state.ResumeTiming();
            lu.factorize(A);
            y = lu.solve(b);
            r = b - A * y;
            y += lu.solve(r);
            state.PauseTiming();
            std::copy(y.data(), y.data() + n, x.begin());
            residual = std::max(residual, problem.Residual(x));
            entries = std::max(entries, static_cast<double>(lu.nnzL() + lu.nnzU()));
            state.ResumeTiming();
        }
    } else {
        const fem::SymmetricPattern pattern{n, p.ColumnStarts().data(), p.RowIndices().data()};
        const fem::SparseMethod chosen = method == 2   ? fem::SparseMethod::kMultifrontal
                                         : method == 3 ? fem::SparseMethod::kLeftLooking
                                                       : fem::SparseMethod::kAutomatic;
        fem::ComplexSymmetricSolver solver(pattern, chosen);
        int offDiagonal = 0;
        double peak = 0.0;
        for (auto _ : state) {
            state.PauseTiming();
            problem.Assemble(kPoints[next++ % 9]);
            state.ResumeTiming();
            solver.Factorize(problem.values.data());
            solver.Solve(problem.b.data(), x.data());
            state.PauseTiming();
            residual = std::max(residual, problem.Residual(x));
            offDiagonal = std::max(offDiagonal, solver.OffDiagonalPivots());
            peak = std::max(peak, solver.PeakBytes());
            state.ResumeTiming();
        }
        entries = solver.Summary().factorEntries;
        state.counters["off-diagonal pivots"] = offDiagonal;
        state.counters["peak MB"] = peak / 1048576.0;
        state.counters["estimate MB"] = solver.Summary().memoryBytes / 1048576.0;
        state.SetLabel(solver.Summary().method == fem::SparseMethod::kMultifrontal ? "UMFPACK"
                                                                                   : "KLU");
    }
    state.counters["free dofs"] = n;
    state.counters["factor entries"] = entries;
    const double flops = LuFlops(p);
    state.counters["LU Gflop"] = flops / 1e9;
    state.counters["flop rate"] = benchmark::Counter(
        flops * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["residual"] = residual;
}

// The 4 x 4 x 4, 7 x 7 x 7 and 10 x 10 x 10 grids, a 9 x 9 tower of 18 storeys and the
// long frame of 1000 x 1 bays and 2 storeys, by every solver.
void Models(benchmark::internal::Benchmark* b) {
    const int models[][3] = {{4, 4, 4}, {7, 7, 7}, {10, 10, 10}, {9, 9, 18}, {1000, 1, 2}};
    for (const auto& m : models)
        for (int method = 0; method <= 4; ++method) b->Args({m[0], m[1], m[2], method});
}
BENCHMARK(BM_PointSolve)->Apply(Models)->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

// As the programs do: a single-threaded BLAS, freed factors kept for reuse.
int main(int argc, char** argv) {
    fem::ConfigureProcessForAnalysis();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
