#include "analysis/element.h"

#include <cmath>
#include <complex>
#include <limits>
#include <type_traits>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

using numeric::CheckFinite;
using numeric::CNeg;
using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::CScale;
using numeric::RealMatrix;

namespace {

template <class T>
void EnsureSize(numeric::Matrix<T>& m, int rows, int cols) {
    if (m.Rows() != rows || m.Cols() != cols) m.Resize(rows, cols);
}

// Plane 1 (bending in local x-z) differs from plane 0 by the sign of every coupling
// between a deflection and a rotation: the entries whose indices have an odd sum.
template <class T>
void NegateOddEntries(numeric::Matrix<T>& k4) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if ((i + j) % 2 == 1) {
                if constexpr (std::is_same_v<T, Complex>) {
                    k4(i, j) = CNeg(k4(i, j));
                } else {
                    k4(i, j) = -k4(i, j);
                }
            }
}

// Adds block entry (i, j) into k(map[i], map[j]).
template <class T>
void PlaceBlock(const numeric::Matrix<T>& block, const int* map, int n, numeric::Matrix<T>& k) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) k(map[i], map[j]) = block(i, j);
}

const int kAxialMap[2] = {0, 6};
const int kTorsionMap[2] = {3, 9};
const int kPlane0Map[4] = {1, 5, 7, 11};
const int kPlane1Map[4] = {2, 4, 8, 10};

// Plain complex arithmetic for the element formulas, whose intermediate values are
// bounded by construction; the results are checked for finiteness once, at the end.
inline Complex Add(Complex a, Complex b) {
    return {a.re + b.re, a.im + b.im};
}
inline Complex Sub(Complex a, Complex b) {
    return {a.re - b.re, a.im - b.im};
}
inline Complex Mul(Complex a, Complex b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Complex Scale(double x, Complex a) {
    return {x * a.re, x * a.im};
}
inline Complex Half(Complex a) {
    return {0.5 * a.re, 0.5 * a.im};
}

constexpr double Factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

constexpr double Power(double x, int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= x;
    return p;
}

template <int N>
struct Series {
    double c[N] = {};
};

// Sum over m = 0 .. N-1 of c[m] w^m by Horner's rule.
template <int N>
Complex Evaluate(const Series<N>& s, Complex w) {
    Complex r{s.c[N - 1], 0.0};
    for (int m = N - 2; m >= 0; --m) r = Add(Mul(r, w), Complex{s.c[m], 0.0});
    return r;
}

// ---- Rods -------------------------------------------------------------------------------
// With lambda = s L / c the rod stiffness is (Y/L) [[lambda coth lambda, -lambda csch lambda],
// [-lambda csch lambda, lambda coth lambda]]. Both functions are even in lambda, so
// a = Re lambda >= 0 is taken, b = Im lambda.
//  - |lambda| <= 1: sinh(lambda)/lambda = sum w^n/(2n+1)!, cosh lambda = sum w^n/(2n)!
//    with w = lambda^2; then lambda coth = cosh / (sinh/lambda), lambda csch = 1 / (sinh/lambda).
//    Nothing cancels, down to lambda = 0 (the static rod). 11 terms reach rounding.
//  - a >= 1: coth = (1 + E) / (1 - E) and csch = 2 e^-lambda / (1 - E) with E = e^(-2 lambda),
//    |E| <= e^-2; nothing overflows however large a is.
//  - a < 1 < |lambda| (s near the imaginary axis): sinh lambda = sinh a cos b + i cosh a sin b
//    and cosh lambda = cosh a cos b + i sinh a sin b, each part a single product.
constexpr int kRodTerms = 11;

constexpr Series<kRodTerms> RodSeries(int offset) {
    Series<kRodTerms> s;
    for (int n = 0; n < kRodTerms; ++n) s.c[n] = 1.0 / Factorial(2 * n + offset);
    return s;
}
constexpr Series<kRodTerms> kSinhOverLambda = RodSeries(1);
constexpr Series<kRodTerms> kCoshSeries = RodSeries(0);

// lambda coth lambda into diag, lambda csch lambda into off.
void RodFunctions(Complex lambda, Complex& diag, Complex& off) {
    if (lambda.re < 0.0) lambda = Complex{-lambda.re, -lambda.im};
    const double a = lambda.re, b = lambda.im;
    if (a * a + b * b <= 1.0) {
        const Complex w = Mul(lambda, lambda);
        off = numeric::CDiv(Complex{1.0, 0.0}, Evaluate(kSinhOverLambda, w));
        diag = Mul(Evaluate(kCoshSeries, w), off);
    } else if (a >= 1.0) {
        const double m = std::exp(-a);
        const Complex em{m * std::cos(b), -m * std::sin(b)};  // e^-lambda
        const Complex E = Mul(em, em);
        const Complex r = numeric::CDiv(lambda, Complex{1.0 - E.re, -E.im});
        diag = Mul(r, Complex{1.0 + E.re, E.im});
        off = Scale(2.0, Mul(r, em));
    } else {
        const double g = std::expm1(a);  // e^a - 1, exact for small a
        const double sinhA = 0.5 * g * (g + 2.0) / (g + 1.0);
        const double coshA = sinhA + 1.0 / (g + 1.0);
        const double cb = std::cos(b), sb = std::sin(b);
        off = numeric::CDiv(lambda, Complex{sinhA * cb, coshA * sb});
        diag = Mul(off, Complex{coshA * cb, sinhA * sb});
    }
}

// ---- Bending ----------------------------------------------------------------------------
// With lambda^4 = -s^2 / beta and x = lambda L, the clamped-clamped beam relates
// (w1, theta1, w2, theta2) to the end forces by, with c = cos x, ch = cosh x, sn = sin x,
// sh = sinh x and D = 1 - c ch,
//   K00 = K22 = EI/L^3 x^3 (c sh + sn ch) / D    K01 = -K23 = EI/L^2 x^2 sn sh / D
//   K02 = -EI/L^3 x^3 (sn + sh) / D              K03 = -K12 = EI/L^2 x^2 (ch - c) / D
//   K11 = K33 = EI/L x (ch sn - sh c) / D        K13 = EI/L x (sh - sn) / D,
// the same as B A^-1 from the four solutions e^(lambda_b x). Every entry is even in x and
// unchanged by x -> i x (cos and cosh trade places), so any of the four roots serves.
//
// Large |x| (closed form): the root with a = Re x >= |Im x| is taken, b = Im x. Then
// ch and sh grow as e^a, c and sn as e^|b|, and every numerator above and D is a sum of
// products of at most one hyperbolic and one trigonometric function. Dividing numerator
// and denominator by e^(a + |b|) uses the bounded functions
//   ch' = e^-a ch = (e^(ib) + e^(-2a - ib)) / 2,      sh' = (e^(ib) - e^(-2a - ib)) / 2,
//   c' = e^-|b| c = (u + v) / 2,  sn' = (u - v) / (2i),  u = e^(-b - |b|) e^(ia),
//   v = e^(b - |b|) e^(-ia),
// and D' = e^(-a - |b|) - c' ch', so that for example (c sh + sn ch) / D = (c' sh' + sn' ch') / D'
// and (sn + sh) / D = (e^-a sn' + e^-|b| sh') / D'. All moduli are at most 1: nothing
// overflows at any x, and D' cancels only near a natural frequency, where K itself grows.
//
// Small |x| (series): D ~ x^4 / 6 and the numerators cancel. From
// cos x cosh x = sum (-4)^m x^(4m) / (4m)! and sin x sinh x = sum 2 (-4)^m x^(4m+2) / (4m+2)!
// and their derivatives, with q = x^4 = -s^2 L^4 / beta and sums over m >= 0,
//   D = x^4 d,  d = sum -(-4)^(m+1) q^m / (4m+4)!
//   c sh + sn ch = x sum 2 (-4)^m q^m / (4m+1)!    sn sh = x^2 sum 2 (-4)^m q^m / (4m+2)!
//   sn + sh = x sum 2 q^m / (4m+1)!                ch - c = x^2 sum 2 q^m / (4m+2)!
//   ch sn - sh c = x^3 sum -(-4)^(m+1) q^m / (4m+3)!   sh - sn = x^3 sum 2 q^m / (4m+3)!
// The powers of x cancel against those in K, which leaves quotients of series in q alone
// (no root); at q = 0 they give the static matrix (12, 6, -12, 6, 4, 2). For |x| <= 1.5
// (|q| <= 5.1) eight terms reach rounding and the closed form would lose up to a digit.
constexpr int kBendTerms = 8;
// |x|^2 = |s| L^2 / sqrt(beta) up to which the series serves.
constexpr double kSeriesLimitZ = 2.25;

// factor * ratio^(m + shift) / (4m + offset)! for m = 0 .. kBendTerms - 1.
constexpr Series<kBendTerms> BendSeries(double factor, double ratio, int shift, int offset) {
    Series<kBendTerms> s;
    for (int m = 0; m < kBendTerms; ++m)
        s.c[m] = factor * Power(ratio, m + shift) / Factorial(4 * m + offset);
    return s;
}
constexpr Series<kBendTerms> kD = BendSeries(-1.0, -4.0, 1, 4);
constexpr Series<kBendTerms> kN00 = BendSeries(2.0, -4.0, 0, 1);
constexpr Series<kBendTerms> kN01 = BendSeries(2.0, -4.0, 0, 2);
constexpr Series<kBendTerms> kN02 = BendSeries(2.0, 1.0, 0, 1);
constexpr Series<kBendTerms> kN03 = BendSeries(2.0, 1.0, 0, 2);
constexpr Series<kBendTerms> kN11 = BendSeries(-1.0, -4.0, 1, 3);
constexpr Series<kBendTerms> kN13 = BendSeries(2.0, 1.0, 0, 3);

// The dimensionless entries g00, g01, g02, g03, g11, g13 (K00 = EI/L^3 g00, K01 = EI/L^2 g01,
// ...) from z = s L^2 / sqrt(beta), for which x^2 = i z and q = -z^2.
void BendingBySeries(Complex z, Complex g[6]) {
    const Complex q{z.im * z.im - z.re * z.re, -2.0 * z.re * z.im};
    const Complex r = numeric::CDiv(Complex{1.0, 0.0}, Evaluate(kD, q));
    g[0] = Mul(Evaluate(kN00, q), r);
    g[1] = Mul(Evaluate(kN01, q), r);
    g[2] = Mul(Evaluate(kN02, q), Complex{-r.re, -r.im});
    g[3] = Mul(Evaluate(kN03, q), r);
    g[4] = Mul(Evaluate(kN11, q), r);
    g[5] = Mul(Evaluate(kN13, q), r);
}

void BendingByClosedForm(Complex z, Complex g[6]) {
    // x = sqrt(i z), turned by a power of i (exactly) into Re x >= |Im x|.
    const std::complex<double> root = std::sqrt(std::complex<double>(-z.im, z.re));
    Complex x{root.real(), root.imag()};
    if (x.im > x.re) {
        x = Complex{x.im, -x.re};
    } else if (x.im < -x.re) {
        x = Complex{-x.im, x.re};
    }
    const double a = x.re, b = x.im;
    const double ea = std::exp(-a), eb = std::exp(-std::fabs(b));
    const Complex ib{std::cos(b), std::sin(b)};                  // e^(ib)
    const Complex ia{std::cos(a), std::sin(a)};                  // e^(ia)
    const Complex far = Scale(ea * ea, Complex{ib.re, -ib.im});  // e^(-2a - ib)
    const Complex ch = Half(Add(ib, far));
    const Complex sh = Half(Sub(ib, far));
    const Complex iaConj{ia.re, -ia.im};
    const Complex u = b >= 0.0 ? Scale(eb * eb, ia) : ia;
    const Complex v = b >= 0.0 ? iaConj : Scale(eb * eb, iaConj);
    const Complex c = Half(Add(u, v));
    const Complex w = Sub(u, v);
    const Complex sn{0.5 * w.im, -0.5 * w.re};  // (u - v) / (2i)
    const Complex D = Sub(Complex{ea * eb, 0.0}, Mul(c, ch));
    const Complex r = numeric::CDiv(Complex{1.0, 0.0}, D);
    const Complex x2 = Mul(x, x);
    const Complex x3 = Mul(x2, x);
    g[0] = Mul(Mul(x3, Add(Mul(c, sh), Mul(sn, ch))), r);
    g[1] = Mul(Mul(x2, Mul(sn, sh)), r);
    g[2] = Mul(Mul(x3, Add(Scale(ea, sn), Scale(eb, sh))), Complex{-r.re, -r.im});
    g[3] = Mul(Mul(x2, Sub(Scale(eb, ch), Scale(ea, c))), r);
    g[4] = Mul(Mul(x, Sub(Mul(ch, sn), Mul(sh, c))), r);
    g[5] = Mul(Mul(x, Sub(Scale(eb, sh), Scale(ea, sn))), r);
}

// ---- Releases --------------------------------------------------------------------------
// The released dofs are eliminated in groups, one per action (the dofs of an action are
// coupled to each other only, but the elimination does not rely on it: each group's
// Schur complement is taken over all remaining dofs, so that any coupling is condensed
// exactly, and the recovery substitutes the later groups into the earlier ones).
constexpr int kActionOfDof[12] = {0, 2, 3, 1, 3, 2, 0, 2, 3, 1, 3, 2};

inline std::complex<double> Wide(const Complex& c) {
    return {c.re, c.im};
}
inline double Wide(double x) {
    return x;
}
inline void Store(Complex& out, const std::complex<double>& w) {
    out = Complex{w.real(), w.imag()};
}
inline void Store(double& out, double w) {
    out = w;
}
inline double RealPart(const std::complex<double>& w) {
    return w.real();
}
inline double RealPart(double w) {
    return w;
}
inline bool Finite(const std::complex<double>& w) {
    return std::isfinite(w.real()) && std::isfinite(w.imag());
}
inline bool Finite(double w) {
    return std::isfinite(w);
}

[[noreturn]] void SingularRelease() {
    throw numeric::ComputationFailure(numeric::kZeroPivot,
                                      "a member with released ends has a natural frequency here");
}

template <class T>
int Condense(const ElementRecord& e, numeric::Matrix<T>& k, numeric::Matrix<T>* recovery) {
    using W = decltype(Wide(T{}));
    // The groups of released dofs, in the order of the actions.
    int groups[4][2];
    int sizes[4] = {0, 0, 0, 0};
    for (int d = 0; d < 12; ++d)
        if (e.Released[d]) {
            const int a = kActionOfDof[d];
            if (sizes[a] == 2)
                throw numeric::ComputationFailure(numeric::kInvalidArgument,
                                                  "a member releases too many end forces");
            groups[a][sizes[a]++] = d;
        }
    bool eliminated[12] = {};
    // Per group: its dofs and the row factors f(r, j) = -(k_rr^-1 k_rj) over the dofs j
    // not eliminated before it (kept dofs and later groups).
    W factor[12][12] = {};
    int order[12];
    int done = 0;
    int negatives = 0;
    for (int a = 0; a < 4; ++a) {
        const int n = sizes[a];
        if (n == 0) continue;
        const int* r = groups[a];
        W inverse[2][2];
        if (n == 1) {
            const W p = Wide(k(r[0], r[0]));
            if (!(std::abs(p) > 0.0) || !Finite(p)) SingularRelease();
            inverse[0][0] = W(1.0) / p;
            if (RealPart(p) < 0.0) ++negatives;
        } else {
            const W a00 = Wide(k(r[0], r[0])), a11 = Wide(k(r[1], r[1]));
            const W a01 = Wide(k(r[0], r[1]));
            const W det = a00 * a11 - a01 * a01;
            const double terms = std::abs(a00 * a11) + std::abs(a01 * a01);
            if (!(std::abs(det) > 4.0 * std::numeric_limits<double>::epsilon() * terms) ||
                !Finite(det))
                SingularRelease();
            const W q = W(1.0) / det;
            inverse[0][0] = a11 * q;
            inverse[1][1] = a00 * q;
            inverse[0][1] = inverse[1][0] = -a01 * q;
            // The inertia of a real symmetric 2 x 2 block: one negative eigenvalue when
            // its determinant is negative, two when it is positive with a negative trace.
            const double dr = RealPart(a00) * RealPart(a11) - RealPart(a01) * RealPart(a01);
            negatives += dr < 0.0 ? 1 : (RealPart(a00) + RealPart(a11) < 0.0 ? 2 : 0);
        }
        for (int i = 0; i < n; ++i) eliminated[r[i]] = true;
        // f = -k_rr^-1 k_rj for the dofs j still in the matrix.
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < 12; ++j) {
                if (eliminated[j]) continue;
                W sum = 0.0;
                for (int m = 0; m < n; ++m) sum += inverse[i][m] * Wide(k(r[m], j));
                factor[r[i]][j] = -sum;
            }
        // The Schur complement on the dofs left, from the upper triangle, mirrored.
        for (int i = 0; i < 12; ++i) {
            if (eliminated[i]) continue;
            for (int j = i; j < 12; ++j) {
                if (eliminated[j]) continue;
                W v = Wide(k(i, j));
                for (int m = 0; m < n; ++m) v += Wide(k(i, r[m])) * factor[r[m]][j];
                if (!Finite(v)) SingularRelease();
                Store(k(i, j), v);
                Store(k(j, i), v);
            }
        }
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < 12; ++j) {
                k(r[i], j) = T{};
                k(j, r[i]) = T{};
            }
        for (int i = 0; i < n; ++i) order[done++] = r[i];
    }
    if (recovery) {
        if (recovery->Rows() != 12 || recovery->Cols() != 12) recovery->Resize(12, 12);
        recovery->Fill(T{});
        // Backwards: a group's own displacements from the kept dofs and the later groups,
        // whose rows are complete by then.
        W rows[12][12] = {};
        for (int g = done - 1; g >= 0; --g) {
            const int r = order[g];
            for (int j = 0; j < 12; ++j) {
                if (e.Released[j]) continue;
                W v = factor[r][j];
                for (int h = g + 1; h < done; ++h) v += factor[r][order[h]] * rows[order[h]][j];
                rows[r][j] = v;
            }
        }
        for (int g = 0; g < done; ++g)
            for (int j = 0; j < 12; ++j) Store((*recovery)(order[g], j), rows[order[g]][j]);
    }
    return negatives;
}

}  // namespace

int CondenseReleases(const ElementRecord& e, ComplexMatrix& k, ComplexMatrix* recovery) {
    return Condense(e, k, recovery);
}

int CondenseReleases(const ElementRecord& e, RealMatrix& k, RealMatrix* recovery) {
    return Condense(e, k, recovery);
}

void RodStiffStat(double Y, double L, RealMatrix& k2) {
    EnsureSize(k2, 2, 2);
    const double k = Y / L;
    CheckFinite(k, "the axial or torsional stiffness of a member");
    k2(0, 0) = k;
    k2(0, 1) = -k;
    k2(1, 0) = -k;
    k2(1, 1) = k;
}

void BeamStiffStat(double EI, double L, int plane, RealMatrix& k4) {
    EnsureSize(k4, 4, 4);
    const double a = EI / L;
    const double b = a / L;
    const double c = b / L;
    CheckFinite(c, "the bending stiffness of a member");
    const double v[4][4] = {{12 * c, 6 * b, -12 * c, 6 * b},
                            {6 * b, 4 * a, -6 * b, 2 * a},
                            {-12 * c, -6 * b, 12 * c, -6 * b},
                            {6 * b, 2 * a, -6 * b, 4 * a}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) k4(i, j) = v[i][j];
    if (plane == 1) NegateOddEntries(k4);
}

void RodStiffDyn(double c, double Y, Complex s, double L, ComplexMatrix& k2) {
    EnsureSize(k2, 2, 2);
    Complex lcoth, lcsch;
    RodFunctions(CScale(L / c, s), lcoth, lcsch);
    const double k = Y / L;
    const Complex d = CScale(k, lcoth);
    const Complex o = CScale(-k, lcsch);
    k2(0, 0) = d;
    k2(0, 1) = o;
    k2(1, 0) = o;
    k2(1, 1) = d;
}

void BeamStiffDyn(double beta, double EI, Complex s, double L, int plane, ComplexMatrix& k4) {
    const Complex z = numeric::CScale(L * L / std::sqrt(beta), s);
    Complex g[6];
    if (z.re * z.re + z.im * z.im <= kSeriesLimitZ * kSeriesLimitZ) {
        BendingBySeries(z, g);
    } else {
        BendingByClosedForm(z, g);
    }
    const double a = EI / L, b = a / L, c = b / L;
    const Complex k00 = Scale(c, g[0]), k01 = Scale(b, g[1]), k02 = Scale(c, g[2]);
    const Complex k03 = Scale(b, g[3]), k11 = Scale(a, g[4]), k13 = Scale(a, g[5]);
    for (const Complex& v : {k00, k01, k02, k03, k11, k13}) {
        CheckFinite(v.re, "the bending stiffness of a member");
        CheckFinite(v.im, "the bending stiffness of a member");
    }
    // Six values fill the block, so it is symmetric exactly.
    EnsureSize(k4, 4, 4);
    const Complex minus03{-k03.re, -k03.im}, minus01{-k01.re, -k01.im};
    const Complex rows[4][4] = {{k00, k01, k02, k03},
                                {k01, k11, minus03, k13},
                                {k02, minus03, k00, minus01},
                                {k03, k13, minus01, k11}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) k4(i, j) = rows[i][j];
    if (plane == 1) NegateOddEntries(k4);
}

void RotateBlocks(const Mat3& R, const Mat3& RT, const RealMatrix& k, RealMatrix& t,
                  RealMatrix& K) {
    EnsureSize(t, 12, 12);
    EnsureSize(K, 12, 12);
    for (int row = 0; row < 12; ++row)
        for (int J = 0; J < 4; ++J)
            for (int j = 0; j < 3; ++j) {
                double sum = 0.0;
                for (int b = 0; b < 3; ++b) sum += k(row, 3 * J + b) * R[b][j];
                t(row, 3 * J + j) = sum;
            }
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i)
            for (int col = 0; col < 12; ++col) {
                double sum = 0.0;
                for (int n = 0; n < 3; ++n) sum += RT[i][n] * t(3 * I + n, col);
                CheckFinite(sum, "a rotation of a member matrix");
                K(3 * I + i, col) = sum;
            }
}

void RotateBlocks(const Mat3& R, const Mat3& RT, const ComplexMatrix& k, ComplexMatrix& t,
                  ComplexMatrix& K) {
    EnsureSize(t, 12, 12);
    EnsureSize(K, 12, 12);
    for (int row = 0; row < 12; ++row)
        for (int J = 0; J < 4; ++J)
            for (int j = 0; j < 3; ++j) {
                double re = 0.0;
                double im = 0.0;
                for (int b = 0; b < 3; ++b) {
                    const Complex& v = k(row, 3 * J + b);
                    re += v.re * R[b][j];
                    im += v.im * R[b][j];
                }
                t(row, 3 * J + j) = Complex{re, im};
            }
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i)
            for (int col = 0; col < 12; ++col) {
                double re = 0.0;
                double im = 0.0;
                for (int n = 0; n < 3; ++n) {
                    const Complex& v = t(3 * I + n, col);
                    re += RT[i][n] * v.re;
                    im += RT[i][n] * v.im;
                }
                // Checked inline: this runs for every element at every transform point.
                if (!std::isfinite(re) || !std::isfinite(im)) {
                    CheckFinite(re, "a rotation of a member matrix");
                    CheckFinite(im, "a rotation of a member matrix");
                }
                K(3 * I + i, col) = Complex{re, im};
            }
}

void RotateVector12(const Mat3& R, const double* in, double* out) {
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i) {
            double sum = 0.0;
            for (int n = 0; n < 3; ++n) sum += R[i][n] * in[3 * I + n];
            CheckFinite(sum, "a rotation to member axes");
            out[3 * I + i] = sum;
        }
}

void RotateVector12(const Mat3& R, const Complex* in, Complex* out) {
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i) {
            double re = 0.0;
            double im = 0.0;
            for (int n = 0; n < 3; ++n) {
                re += R[i][n] * in[3 * I + n].re;
                im += R[i][n] * in[3 * I + n].im;
            }
            CheckFinite(re, "a rotation to member axes");
            CheckFinite(im, "a rotation to member axes");
            out[3 * I + i] = Complex{re, im};
        }
}

TimoshenkoSection TimoshenkoSectionOf(const ElementRecord& e, int plane) {
    const double mass = e.Density / kGravity;
    const double I = plane == 0 ? e.Iz : e.Iy;
    const double shearArea = plane == 0 ? e.ShearAreaY : e.ShearAreaZ;
    TimoshenkoSection section;
    section.EI = plane == 0 ? e.EIz : e.EIy;
    section.kGA = shearArea > 0.0 ? e.Shear * shearArea : INFINITY;
    section.rhoA = mass * e.Area;
    section.rhoI = mass * I;
    return section;
}

namespace {

// Both bending planes of a Timoshenko element at s into the local 12 x 12 block.
void PlaceTimoshenkoBending(Complex s, const ElementRecord& e, ElementWork& w) {
    const TimoshenkoSection y = TimoshenkoSectionOf(e, 0);
    const TimoshenkoSection z = TimoshenkoSectionOf(e, 1);
    TimoshenkoStiffDyn(y, s, e.Length, 0, w.k4);
    PlaceBlock(w.k4, kPlane0Map, 4, w.local);
    if (y.EI == z.EI && y.kGA == z.kGA && y.rhoI == z.rhoI) {
        // The same member in both planes (a round bar, a tube, a square): the same
        // block with the plane-1 signs.
        NegateOddEntries(w.k4);
    } else {
        TimoshenkoStiffDyn(z, s, e.Length, 1, w.k4);
    }
    PlaceBlock(w.k4, kPlane1Map, 4, w.local);
}

}  // namespace

void ElemStiffStat(const ElementRecord& e, ElementWork& w, RealMatrix& K12) {
    w.realLocal.Fill(0.0);
    RodStiffStat(e.EA, e.Length, w.realK2);
    PlaceBlock(w.realK2, kAxialMap, 2, w.realLocal);
    RodStiffStat(e.GJ, e.Length, w.realK2);
    PlaceBlock(w.realK2, kTorsionMap, 2, w.realLocal);
    if (e.Timoshenko) {
        TimoshenkoStiffStat(TimoshenkoSectionOf(e, 0), e.Length, 0, w.realK4);
    } else {
        BeamStiffStat(e.EIz, e.Length, 0, w.realK4);
    }
    PlaceBlock(w.realK4, kPlane0Map, 4, w.realLocal);
    if (e.Timoshenko) {
        TimoshenkoStiffStat(TimoshenkoSectionOf(e, 1), e.Length, 1, w.realK4);
    } else {
        BeamStiffStat(e.EIy, e.Length, 1, w.realK4);
    }
    PlaceBlock(w.realK4, kPlane1Map, 4, w.realLocal);
    if (HasReleases(e)) CondenseReleases(e, w.realLocal, &w.realRecovery);
    RotateBlocks(e.RotMatrix, e.RotMatrixT, w.realLocal, w.realT, K12);
}

void ElemStiffDyn(Complex s, const ElementRecord& e, ElementWork& w, ComplexMatrix& K12) {
    w.local.Fill(Complex{});
    RodStiffDyn(e.WaveAxial, e.EA, s, e.Length, w.k2);
    PlaceBlock(w.k2, kAxialMap, 2, w.local);
    RodStiffDyn(e.WaveTorsion, e.GJ, s, e.Length, w.k2);
    PlaceBlock(w.k2, kTorsionMap, 2, w.local);
    if (e.Timoshenko) {
        PlaceTimoshenkoBending(s, e, w);
    } else {
        BeamStiffDyn(e.BendCoefZ, e.EIz, s, e.Length, 0, w.k4);
        PlaceBlock(w.k4, kPlane0Map, 4, w.local);
        if (e.BendCoefY == e.BendCoefZ && e.EIy == e.EIz) {
            // A circular section bends alike in both planes: the same block with the
            // plane-1 signs, identical to computing it again.
            NegateOddEntries(w.k4);
        } else {
            BeamStiffDyn(e.BendCoefY, e.EIy, s, e.Length, 1, w.k4);
        }
        PlaceBlock(w.k4, kPlane1Map, 4, w.local);
    }
    if (HasReleases(e)) w.releasedNegatives = CondenseReleases(e, w.local, &w.recovery);
    RotateBlocks(e.RotMatrix, e.RotMatrixT, w.local, w.t, K12);
}

}  // namespace fem
