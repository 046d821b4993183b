#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <random>
#include <vector>

#include "numeric/failure.h"
#include "numeric/gauss.h"
#include "numeric/yield.h"

using namespace numeric;

namespace {

int FailureNumberOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ComputationFailure& e) {
        return e.Number();
    }
    return -1;
}

ComplexMatrix RandomComplex(int n, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    ComplexMatrix A(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) A(i, j) = Complex{u(rng), u(rng)};
    return A;
}

// Largest |A x - b| relative to |b|, computed independently of the solver.
double ComplexResidual(const ComplexMatrix& A, const std::vector<Complex>& x,
                       const std::vector<Complex>& b) {
    const int n = static_cast<int>(b.size());
    double worst = 0.0;
    double scale = 0.0;
    for (int i = 0; i < n; ++i) {
        std::complex<double> s = 0;
        for (int j = 0; j < n; ++j)
            s += std::complex<double>(A(i, j).re, A(i, j).im) *
                 std::complex<double>(x[j].re, x[j].im);
        worst = std::max(worst, std::abs(s - std::complex<double>(b[i].re, b[i].im)));
        scale = std::max(scale, std::abs(std::complex<double>(b[i].re, b[i].im)));
    }
    return worst / scale;
}

struct CountingYield : YieldHook {
    int calls = 0;
    void Yield() override { ++calls; }
};

}  // namespace

TEST(GaussSolveComplex, OrderOneAndColumnExchange) {
    ComplexMatrix A(1, 1);
    A(0, 0) = Complex{0, 2};
    std::vector<Complex> b{{4, 2}}, x(1);
    GaussSolveComplex(1, A, b, x);
    // (4 + 2i) / 2i = 1 - 2i
    EXPECT_NEAR(x[0].re, 1.0, 1e-15);
    EXPECT_NEAR(x[0].im, -2.0, 1e-15);

    // First row (0, 1): the pivot search must exchange the columns, and x(j) must
    // still belong to column j of the matrix passed in.
    // [0 1; 2 3] x = [5; 13] -> x = (4, 5)... check: 0*4 + 5 = 5, 2*4 + 3*5 = 23.
    ComplexMatrix B(2, 2);
    B(0, 0) = {0, 0};
    B(0, 1) = {1, 0};
    B(1, 0) = {2, 0};
    B(1, 1) = {3, 0};
    std::vector<Complex> c{{5, 0}, {23, 0}}, y(2);
    GaussSolveComplex(2, B, c, y);
    EXPECT_NEAR(y[0].re, 4.0, 1e-14);
    EXPECT_NEAR(y[1].re, 5.0, 1e-14);
}

TEST(GaussSolveComplex, TiesKeepTheLeftmostColumn) {
    // Row 0 has equal moduli |1| = |i|: the leftmost column stays the pivot, so no
    // column is exchanged, which the permutation in the work arrays shows. The solution
    // is exact with either choice.
    ComplexMatrix A(2, 2);
    A(0, 0) = {1, 0};
    A(0, 1) = {0, 1};
    A(1, 0) = {1, 0};
    A(1, 1) = {0, 0};
    // x0 = 2, x1 = 3 - i -> row0: 2 + i(3 - i) = 3 + 3i; row1: 2
    std::vector<Complex> b{{3, 3}, {2, 0}}, x(2);
    SolverWork work;
    GaussSolveComplex(2, A, b, x, nullptr, &work);
    EXPECT_EQ(work.perm, (std::vector<int>{0, 1}));
    EXPECT_NEAR(x[0].re, 2.0, 1e-15);
    EXPECT_NEAR(x[0].im, 0.0, 1e-15);
    EXPECT_NEAR(x[1].re, 3.0, 1e-15);
    EXPECT_NEAR(x[1].im, -1.0, 1e-15);
}

TEST(GaussSolveComplex, ZeroRowRaisesErrorTen) {
    ComplexMatrix A(3, 3);
    A(0, 0) = {1, 0};
    A(2, 2) = {1, 0};  // row 1 all zero
    std::vector<Complex> b(3, Complex{1, 0}), x(3);
    EXPECT_EQ(FailureNumberOf([&] { GaussSolveComplex(3, A, b, x); }), kZeroPivot);
}

TEST(GaussSolveComplex, RandomSystemsHaveSmallResiduals) {
    std::mt19937 rng(12345);
    for (int n : {2, 5, 17, 48, 96}) {
        ComplexMatrix A = RandomComplex(n, rng);
        const ComplexMatrix original = A;
        std::vector<Complex> b(n);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (auto& v : b) v = Complex{u(rng), u(rng)};
        const std::vector<Complex> rhs = b;
        std::vector<Complex> x(n);
        CountingYield hook;
        GaussSolveComplex(n, A, b, x, &hook);
        EXPECT_LT(ComplexResidual(original, x, rhs), 1e-11) << "n = " << n;
        EXPECT_EQ(hook.calls, n) << "one yield per pivot row";
    }
}

TEST(GaussSolveReal, PivotingZeroPivotAndResiduals) {
    RealMatrix A(2, 2);
    A(0, 0) = 0;
    A(0, 1) = 2;
    A(1, 0) = 4;
    A(1, 1) = 1;
    // x = (1.5, -2): row0 = -4, row1 = 6 - 2 = 4
    std::vector<double> b{-4, 4}, x(2);
    GaussSolveReal(2, A, b, x);
    EXPECT_NEAR(x[0], 1.5, 1e-15);
    EXPECT_NEAR(x[1], -2.0, 1e-15);

    RealMatrix Z(2, 2);
    Z(0, 0) = 1;
    Z(0, 1) = 2;
    std::vector<double> zb{1, 1}, zx(2);
    EXPECT_EQ(FailureNumberOf([&] { GaussSolveReal(2, Z, zb, zx); }), kDivisionByZero);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n : {3, 30, 120}) {
        RealMatrix M(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) M(i, j) = u(rng);
        const RealMatrix original = M;
        std::vector<double> rhs(n), sol(n);
        for (auto& v : rhs) v = u(rng);
        std::vector<double> work = rhs;
        GaussSolveReal(n, M, work, sol);
        double worst = 0;
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < n; ++j) s += original(i, j) * sol[j];
            worst = std::max(worst, std::fabs(s - rhs[i]));
        }
        EXPECT_LT(worst, 1e-10) << "n = " << n;
    }
}

TEST(GaussSolve, EmptyOrUndersizedSystemsFail) {
    ComplexMatrix A;
    std::vector<Complex> b, x;
    EXPECT_EQ(FailureNumberOf([&] { GaussSolveComplex(0, A, b, x); }), kOutOfRange);
    ComplexMatrix B(2, 2);
    std::vector<Complex> c(1), y(2);
    EXPECT_EQ(FailureNumberOf([&] { GaussSolveComplex(2, B, c, y); }), kOutOfRange);
}

TEST(InvertComplex, InverseTimesMatrixIsIdentity) {
    std::mt19937 rng(99);
    for (int n : {1, 4, 12}) {
        ComplexMatrix A = RandomComplex(n, rng);
        ComplexMatrix Ainv = A;
        InvertComplex(n, Ainv);
        ComplexMatrix P(n, n);
        MatMulComplex(n, P, Ainv, A);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                EXPECT_NEAR(P(i, j).re, i == j ? 1.0 : 0.0, 1e-12);
                EXPECT_NEAR(P(i, j).im, 0.0, 1e-12);
            }
        }
    }
    ComplexMatrix I(3, 3);
    for (int i = 0; i < 3; ++i) I(i, i) = {1, 0};
    InvertComplex(3, I);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(I(i, j).re, i == j ? 1.0 : 0.0);
    ComplexMatrix S(2, 2);  // rank one
    S(0, 0) = {1, 1};
    S(0, 1) = {2, 2};
    S(1, 0) = {2, 2};
    S(1, 1) = {4, 4};
    EXPECT_EQ(FailureNumberOf([&] { InvertComplex(2, S); }), kZeroPivot);
}

TEST(MatrixProducts, AgainstHandValues) {
    RealMatrix A(2, 2);
    A(0, 0) = 1;
    A(0, 1) = 2;
    A(1, 0) = 3;
    A(1, 1) = 4;
    const double x[2] = {5, -1};
    double y[2];
    MatVecReal(2, y, A, x);
    EXPECT_EQ(y[0], 3.0);
    EXPECT_EQ(y[1], 11.0);

    ComplexMatrix C(2, 2);
    C(0, 0) = {1, 1};
    C(0, 1) = {0, -1};
    C(1, 0) = {2, 0};
    C(1, 1) = {1, 2};
    const Complex v[2] = {{1, 0}, {0, 1}};
    Complex w[2];
    MatVecComplex(2, w, C, v);
    // row0: (1+i) + (-i)(i) = 1 + i + 1 = 2 + i; row1: 2 + (1+2i)i = 2 + i - 2 = i
    EXPECT_EQ(w[0].re, 2.0);
    EXPECT_EQ(w[0].im, 1.0);
    EXPECT_EQ(w[1].re, 0.0);
    EXPECT_EQ(w[1].im, 1.0);

    ComplexMatrix P(2, 2);
    MatMulComplex(2, P, C, C);
    // C^2 (0,0) = (1+i)^2 + (-i)(2) = 2i - 2i = 0 ; (1,1) = 2(-i) + (1+2i)^2 = -2i - 3 + 4i
    EXPECT_NEAR(P(0, 0).re, 0.0, 1e-15);
    EXPECT_NEAR(P(0, 0).im, 0.0, 1e-15);
    EXPECT_NEAR(P(1, 1).re, -3.0, 1e-15);
    EXPECT_NEAR(P(1, 1).im, 2.0, 1e-15);
}
