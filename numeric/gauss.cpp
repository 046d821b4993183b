#include "gauss.h"

#include <cmath>
#include <string>
#include <utility>

#include "failure.h"
#include "yield.h"

namespace numeric {
namespace {

void CheckSizes(int n, int rows, int cols, size_t b, size_t x, const char* who) {
    if (n < 0 || rows < n || cols < n || b < static_cast<size_t>(n) || x < static_cast<size_t>(n)) {
        throw ComputationFailure(kOutOfRange, std::string(who) + ": arrays smaller than order");
    }
}

}  // namespace

int GaussSolveComplex(int n, ComplexMatrix& A, std::vector<Complex>& b, std::vector<Complex>& x,
                      YieldHook* hook, SolverWork* work) {
    if (n <= 0) throw ComputationFailure(kOutOfRange, "empty system of equations");
    CheckSizes(n, A.Rows(), A.Cols(), b.size(), x.size(), "GaussSolveComplex");
    SolverWork local;
    SolverWork& w = work ? *work : local;
    w.perm.resize(n);
    w.y.assign(n, Complex{});
    for (int i = 0; i < n; ++i) w.perm[i] = i;

    for (int i = 0; i < n; ++i) {
        if (hook) hook->Yield();
        Complex* rowI = A.Row(i);
        // Pivot search along row i; ties keep the leftmost column.
        double best = CAbs(rowI[i]);
        int p = i;
        for (int j = i + 1; j < n; ++j) {
            const double m = CAbs(rowI[j]);
            if (m > best) {
                best = m;
                p = j;
            }
        }
        if (best == 0.0) throw ComputationFailure(kZeroPivot, "zero pivot in complex solver");
        const Complex r = CDiv(Complex{1.0, 0.0}, rowI[p]);
        if (p != i) {
            std::swap(w.perm[i], w.perm[p]);
            for (int l = 0; l < n; ++l) std::swap(A(l, i), A(l, p));
        }
        for (int m = i; m < n; ++m) {
            const Complex a = rowI[m];
            rowI[m] = Complex{r.re * a.re - r.im * a.im, r.re * a.im + r.im * a.re};
        }
        {
            const Complex a = b[i];
            b[i] = Complex{r.re * a.re - r.im * a.im, r.re * a.im + r.im * a.re};
        }
        const Complex bi = b[i];
        for (int l = i + 1; l < n; ++l) {
            Complex* rowL = A.Row(l);
            const Complex f = rowL[i];
            if (f.re == 0.0 && f.im == 0.0) continue;
            for (int m = i + 1; m < n; ++m) {
                const Complex a = rowI[m];
                rowL[m].re -= f.re * a.re - f.im * a.im;
                rowL[m].im -= f.re * a.im + f.im * a.re;
            }
            b[l].re -= f.re * bi.re - f.im * bi.im;
            b[l].im -= f.re * bi.im + f.im * bi.re;
        }
        // One finiteness check per pivot row keeps overflow from travelling on.
        for (int m = i; m < n; ++m) {
            CheckFinite(rowI[m].re, "the complex elimination");
            CheckFinite(rowI[m].im, "the complex elimination");
        }
        CheckFinite(b[i].re, "the complex elimination");
        CheckFinite(b[i].im, "the complex elimination");
    }

    for (int g = n - 1; g >= 0; --g) {
        Complex t = b[g];
        const Complex* rowG = A.Row(g);
        for (int k = g + 1; k < n; ++k) {
            t.re -= rowG[k].re * w.y[k].re - rowG[k].im * w.y[k].im;
            t.im -= rowG[k].re * w.y[k].im + rowG[k].im * w.y[k].re;
        }
        CheckFinite(t.re, "the complex elimination");
        CheckFinite(t.im, "the complex elimination");
        w.y[g] = t;
    }
    for (int k = 0; k < n; ++k) x[w.perm[k]] = w.y[k];
    return 0;
}

int GaussSolveReal(int n, RealMatrix& A, std::vector<double>& b, std::vector<double>& x,
                   SolverWork* work) {
    if (n <= 0) throw ComputationFailure(kOutOfRange, "empty system of equations");
    CheckSizes(n, A.Rows(), A.Cols(), b.size(), x.size(), "GaussSolveReal");
    SolverWork local;
    SolverWork& w = work ? *work : local;
    w.perm.resize(n);
    w.yReal.assign(n, 0.0);
    for (int i = 0; i < n; ++i) w.perm[i] = i;

    for (int i = 0; i < n; ++i) {
        double* rowI = A.Row(i);
        double best = std::fabs(rowI[i]);
        int p = i;
        for (int j = i + 1; j < n; ++j) {
            if (std::fabs(rowI[j]) > best) {
                best = std::fabs(rowI[j]);
                p = j;
            }
        }
        const double pivot = rowI[p];
        if (pivot == 0.0)
            throw ComputationFailure(kDivisionByZero, "division by zero in real solver");
        if (p != i) {
            std::swap(w.perm[i], w.perm[p]);
            for (int l = 0; l < n; ++l) std::swap(A(l, i), A(l, p));
        }
        for (int m = i; m < n; ++m) rowI[m] /= pivot;
        b[i] /= pivot;
        for (int l = i + 1; l < n; ++l) {
            double* rowL = A.Row(l);
            const double f = rowL[i];
            if (f == 0.0) continue;
            for (int m = i + 1; m < n; ++m) rowL[m] -= f * rowI[m];
            b[l] -= f * b[i];
        }
        for (int m = i; m < n; ++m) CheckFinite(rowI[m], "the real elimination");
        CheckFinite(b[i], "the real elimination");
    }
    for (int g = n - 1; g >= 0; --g) {
        double t = b[g];
        const double* rowG = A.Row(g);
        for (int k = g + 1; k < n; ++k) t -= rowG[k] * w.yReal[k];
        CheckFinite(t, "the real elimination");
        w.yReal[g] = t;
    }
    for (int k = 0; k < n; ++k) x[w.perm[k]] = w.yReal[k];
    return 0;
}

void InvertComplex(int n, ComplexMatrix& A) {
    if (A.Rows() < n || A.Cols() < n)
        throw ComputationFailure(kOutOfRange, "matrix too small for its inverse");
    ComplexMatrix R(n, n);
    ComplexMatrix W(n, n);
    std::vector<Complex> e(n);
    std::vector<Complex> z(n);
    SolverWork work;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) e[i] = (i == j) ? Complex{1.0, 0.0} : Complex{};
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) W(i, k) = A(i, k);
        GaussSolveComplex(n, W, e, z, nullptr, &work);
        for (int i = 0; i < n; ++i) R(i, j) = z[i];
    }
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) A(i, k) = R(i, k);
}

void MatMulComplex(int n, ComplexMatrix& C, const ComplexMatrix& P, const ComplexMatrix& Q) {
    if (C.Rows() < n || C.Cols() < n) C.Resize(n, n);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < n; ++k) {
            double re = 0.0;
            double im = 0.0;
            for (int m = 0; m < n; ++m) {
                const Complex& a = P(i, m);
                const Complex& b = Q(m, k);
                re += a.re * b.re - a.im * b.im;
                im += a.re * b.im + a.im * b.re;
            }
            CheckFinite(re, "a complex matrix product");
            CheckFinite(im, "a complex matrix product");
            C(i, k) = Complex{re, im};
        }
    }
}

void MatVecReal(int n, double* y, const RealMatrix& A, const double* x) {
    for (int i = 0; i < n; ++i) {
        double s = 0.0;
        const double* row = A.Row(i);
        for (int j = 0; j < n; ++j) s += row[j] * x[j];
        CheckFinite(s, "a matrix product");
        y[i] = s;
    }
}

void MatVecComplex(int n, Complex* y, const ComplexMatrix& A, const Complex* x) {
    for (int i = 0; i < n; ++i) {
        double re = 0.0;
        double im = 0.0;
        const Complex* row = A.Row(i);
        for (int j = 0; j < n; ++j) {
            re += row[j].re * x[j].re - row[j].im * x[j].im;
            im += row[j].re * x[j].im + row[j].im * x[j].re;
        }
        CheckFinite(re, "a complex matrix product");
        CheckFinite(im, "a complex matrix product");
        y[i] = Complex{re, im};
    }
}

}  // namespace numeric
