// The sparse solvers of analysis/sparse_solver.h: an engine matrix solved as Eigen's LU
// with partial pivoting solves it, by both methods; singular matrices and a factorisation
// beyond the memory limit reported, never a crash; the inertia and log |det| of real
// symmetric matrices against their closed forms.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <Eigen/SparseLU>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/settings.h"
#include "analysis/sparse_solver.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::Bar;
using testsupport::cd;
using testsupport::Node;

const fem::SparseMethod kMethods[] = {fem::SparseMethod::kMultifrontal,
                                      fem::SparseMethod::kLeftLooking};

// A grid of bx x by bays of 500 mm and storeys of 400 mm, clamped at the ground, one step
// load at the top corner.
fem::Model SolverTestGrid(int bx, int by, int storeys) {
    fem::Model m;
    auto at = [&](int i, int j, int k) { return (k * (by + 1) + j) * (bx + 1) + i; };
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                const bool top = at(i, j, k) == at(bx, by, storeys);
                fem::NodeRecord n = Node(500.0 * i, 500.0 * j, 400.0 * k,
                                         k == 0 ? "uuuuuu"
                                         : top  ? "fppppp"
                                                : "pppppp");
                if (top) n.LoadValue[0] = 1.0;
                m.AddNode(n);
            }
    for (int k = 0; k <= storeys; ++k)
        for (int j = 0; j <= by; ++j)
            for (int i = 0; i <= bx; ++i) {
                if (k > 0 && i < bx) m.AddElement(Bar(at(i, j, k), at(i + 1, j, k)));
                if (k > 0 && j < by) m.AddElement(Bar(at(i, j, k), at(i, j + 1, k)));
                if (k < storeys) m.AddElement(Bar(at(i, j, k), at(i, j, k + 1)));
            }
    return m;
}

fem::SymmetricPattern PatternOf(const fem::GlobalPattern& p) {
    return {p.Order(), p.ColumnStarts().data(), p.RowIndices().data()};
}

TEST(SparseSolver, SolvesAnEngineMatrixAsEigensPivotedLU) {
    const fem::Model m = SolverTestGrid(2, 2, 3);
    const fem::GlobalPattern p(m, fem::NumberDofs(m));
    const fem::AnalysisSettings settings = testsupport::Settings(256, 5.0, 0.005);
    fem::ElementWork work;
    const int n = p.Order();
    std::vector<cd> values(p.NonZeros()), b(n), x(n);
    for (int r = 0; r < n; ++r) b[r] = cd(std::cos(0.3 * r), std::sin(0.7 * r));
    numeric::ComplexMatrix ke(12, 12);
    Eigen::SparseMatrix<cd, Eigen::ColMajor, int> A(n, n);
    A.resizeNonZeros(p.NonZeros());
    std::copy(p.ColumnStarts().begin(), p.ColumnStarts().end(), A.outerIndexPtr());
    std::copy(p.RowIndices().begin(), p.RowIndices().end(), A.innerIndexPtr());
    for (fem::SparseMethod method : kMethods) {
        fem::ComplexSymmetricSolver solver(PatternOf(p), method);
        EXPECT_EQ(solver.Summary().method, method);
        // Low, middle and high frequencies of Nw 256: from stiffness- to mass-dominated.
        for (int k : {0, 40, 128}) {
            fem::AssembleDynamic(p, m, settings.TransformPoint(k), work, ke, values.data());
            std::copy(values.begin(), values.end(), A.valuePtr());
            Eigen::SparseLU<decltype(A)> reference(A);
            ASSERT_EQ(reference.info(), Eigen::Success);
            const Eigen::VectorXcd expected =
                reference.solve(Eigen::Map<const Eigen::VectorXcd>(b.data(), n));
            solver.Factorize(values.data());
            solver.Solve(b.data(), x.data());
            const double scale = expected.cwiseAbs().maxCoeff();
            double difference = 0.0;
            for (int r = 0; r < n; ++r)
                difference = std::max(difference, std::abs(x[r] - expected[r]));
            EXPECT_LT(difference, 1e-12 * scale) << "k " << k;
        }
    }
}

TEST(SparseSolver, ReportsASingularMatrixAsAZeroPivot) {
    // Columns 0 and 1 proportional: [[1 2 0] [2 4 0] [0 0 1]]; and all zero.
    const std::vector<int> starts = {0, 2, 4, 5}, rows = {0, 1, 0, 1, 2};
    const std::vector<cd> proportional = {1.0, 2.0, 2.0, 4.0, 1.0}, zero(5);
    for (fem::SparseMethod method : kMethods) {
        fem::ComplexSymmetricSolver solver({3, starts.data(), rows.data()}, method);
        for (const std::vector<cd>* values : {&proportional, &zero}) {
            try {
                solver.Factorize(values->data());
                ADD_FAILURE() << "a singular matrix was factorised";
            } catch (const numeric::ComputationFailure& f) {
                EXPECT_EQ(f.Number(), numeric::kZeroPivot);
            }
        }
        fem::RealSymmetricSolver real({3, starts.data(), rows.data()},
                                      fem::RealSymmetricSolver::kStable);
        const std::vector<double> singular = {1.0, 2.0, 2.0, 4.0, 1.0};
        EXPECT_FALSE(real.Factorize(singular.data()));
    }
}

// [[d 1] [1 1]] x = (1, 2): x = (1, 1 - 2d) / (1 - d). With d = 4 the diagonal pivots
// serve; with d = 1E-6 they would multiply by 1E6, and the rows are exchanged instead
// (then kept for d = 4 again, where they multiply by 4 at most).
TEST(SparseSolver, KeepsThePivotsOfThePreviousMatrixOnlyWhileTheyAreStable) {
    const std::vector<int> starts = {0, 2, 4}, rows = {0, 1, 0, 1};
    const cd b[2] = {1.0, 2.0};
    for (fem::SparseMethod method : kMethods) {
        fem::ComplexSymmetricSolver solver({2, starts.data(), rows.data()}, method);
        const double diagonals[] = {4.0, 1e-6, 4.0};
        for (int i = 0; i < 3; ++i) {
            const double d = diagonals[i];
            const std::vector<cd> values = {d, 1.0, 1.0, 1.0};
            cd x[2];
            solver.Factorize(values.data());
            solver.Solve(b, x);
            if (i == 0) {
                EXPECT_EQ(solver.OffDiagonalPivots(), 0);
            }
            if (i == 1) {
                EXPECT_GT(solver.OffDiagonalPivots(), 0);
            }
            EXPECT_NEAR(std::abs(x[0] - 1.0 / (1.0 - d)), 0.0, 1e-15) << d;
            EXPECT_NEAR(std::abs(x[1] - (1.0 - 2.0 * d) / (1.0 - d)), 0.0, 1e-15) << d;
        }
    }
}

// A factorisation beyond the process' address space raises SolverOutOfMemory, which the
// caller can catch; the allocator's failure never ends the program.
TEST(SparseSolver, ReportsExhaustedMemoryAsAnException) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The pattern of the 8 x 8 x 8 grid, factors of some 50 MB, with values of a
    // diagonally dominant matrix. No dynamic run: no worker thread leaves an allocator
    // arena whose reserved space a failed allocation could fall back on.
    const fem::Model m = SolverTestGrid(8, 8, 8);
    const fem::GlobalPattern p(m, fem::NumberDofs(m));
    std::vector<cd> values;
    for (int c = 0; c < p.Order(); ++c)
        for (int at = p.ColumnStarts()[c]; at < p.ColumnStarts()[c + 1]; ++at)
            values.push_back(p.RowIndices()[at] == c ? cd(1000.0, 1.0) : cd(-1.0, 0.0));
    for (fem::SparseMethod method : kMethods) {
        fem::ComplexSymmetricSolver solver(PatternOf(p), method);
        EXPECT_EXIT(
            {
                // No address space beyond what the process maps now.
                rlimit limit{};
                getrlimit(RLIMIT_AS, &limit);
                std::FILE* statm = std::fopen("/proc/self/statm", "r");
                unsigned long pages = 0;
                if (!statm || std::fscanf(statm, "%lu", &pages) != 1) std::_Exit(2);
                std::fclose(statm);
                limit.rlim_cur = pages * 4096ul;
                if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
                try {
                    solver.Factorize(values.data());
                } catch (const fem::SolverOutOfMemory&) {
                    std::_Exit(3);
                }
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(3), "");
    }
#endif
}

// tridiag(-1, 2, -1) - sigma I of order n has the eigenvalues
// 2 - 2 cos(k pi / (n + 1)) - sigma, k = 1 .. n.
TEST(SparseSolver, CountsNegativePivotsAndLogDeterminantOfARealMatrix) {
    const int n = 40;
    std::vector<int> starts = {0}, rows;
    for (int c = 0; c < n; ++c) {
        for (int r = std::max(0, c - 1); r <= std::min(n - 1, c + 1); ++r) rows.push_back(r);
        starts.push_back(static_cast<int>(rows.size()));
    }
    for (double sigma : {0.0, 0.5, 1.7, 3.99}) {
        std::vector<double> values;
        for (int c = 0; c < n; ++c)
            for (int at = starts[c]; at < starts[c + 1]; ++at)
                values.push_back(rows[at] == c ? 2.0 - sigma : -1.0);
        int negatives = 0;
        double logDet = 0.0;
        for (int k = 1; k <= n; ++k) {
            const double lambda = 2.0 - 2.0 * std::cos(k * numeric::Pi / (n + 1)) - sigma;
            negatives += lambda < 0.0;
            logDet += std::log(std::fabs(lambda));
        }
        for (auto pivoting :
             {fem::RealSymmetricSolver::kInertia, fem::RealSymmetricSolver::kStable}) {
            fem::RealSymmetricSolver solver({n, starts.data(), rows.data()}, pivoting);
            ASSERT_TRUE(solver.Factorize(values.data())) << sigma;
            if (pivoting == fem::RealSymmetricSolver::kInertia) {
                EXPECT_EQ(solver.NegativePivots(), negatives) << sigma;
            }
            EXPECT_NEAR(solver.LogAbsDeterminant(), logDet,
                        1e-11 * std::max(1.0, std::fabs(logDet)))
                << sigma;
        }
    }
}

}  // namespace
