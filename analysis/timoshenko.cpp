#include "analysis/timoshenko.h"

#include <cmath>
#include <complex>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

using numeric::CheckFinite;
using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::ComputationFailure;
using numeric::RealMatrix;

namespace {

// Plain complex arithmetic: the intermediate values are bounded by construction, and the
// results are checked for finiteness once, at the end.
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
inline Complex Neg(Complex a) {
    return {-a.re, -a.im};
}
inline double Abs(Complex a) {
    return std::hypot(a.re, a.im);
}
inline Complex Sqrt(Complex a) {
    const std::complex<double> r = std::sqrt(std::complex<double>(a.re, a.im));
    return {r.real(), r.imag()};
}
inline Complex Div(Complex a, Complex b) {
    return numeric::CDiv(a, b);
}

constexpr double Factorial(int n) {
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// cosh x = sum w^n / (2n)!, sinh(x)/x = sum w^n / (2n+1)!, w = x^2, for |x| <= 1.
constexpr int kHyperTerms = 11;
struct HyperSeries {
    double c[kHyperTerms] = {};
};
constexpr HyperSeries MakeHyperSeries(int offset) {
    HyperSeries s;
    for (int n = 0; n < kHyperTerms; ++n) s.c[n] = 1.0 / Factorial(2 * n + offset);
    return s;
}
constexpr HyperSeries kCoshSeries = MakeHyperSeries(0);
constexpr HyperSeries kShcSeries = MakeHyperSeries(1);

Complex Horner(const HyperSeries& s, Complex w) {
    Complex r{s.c[kHyperTerms - 1], 0.0};
    for (int n = kHyperTerms - 2; n >= 0; --n) r = Add(Mul(r, w), Complex{s.c[n], 0.0});
    return r;
}

// cosh x and sinh(x)/x, both divided by e^|Re x| (so of modulus at most 1 and e^1, and
// never overflowing); a = |Re x|. Even functions: x is turned to Re x >= 0.
struct Hyper {
    Complex ch, shc;
    double a = 0.0;
};

Hyper ScaledHyper(Complex x) {
    if (x.re < 0.0) x = Neg(x);
    const double a = x.re, b = x.im;
    if (a * a + b * b <= 1.0) {
        const Complex w = Mul(x, x);
        const double e = std::exp(-a);
        return {Scale(e, Horner(kCoshSeries, w)), Scale(e, Horner(kShcSeries, w)), a};
    }
    // e^-a cosh(a + ib) = ((1 + E) cos b + i (1 - E) sin b) / 2 with E = e^(-2a), and
    // e^-a sinh(a + ib) = ((1 - E) cos b + i (1 + E) sin b) / 2: single products only.
    const double plus = 0.5 * (1.0 + std::exp(-2.0 * a));
    const double minus = -0.5 * std::expm1(-2.0 * a);
    const double cb = std::cos(b), sb = std::sin(b);
    return {Complex{plus * cb, minus * sb}, Div(Complex{minus * cb, plus * sb}, x), a};
}

// Divided differences of sinh(mu)/mu over the roots p1, p2 of p^2 - e1 p + e2, from the
// series sum p^k / (2k+1)!: sum_{k>=1} h_{k-1} / (2k+1)!, where the complete symmetric
// polynomials h_k = (p1^(k+1) - p2^(k+1)) / (p1 - p2) follow h_k = e1 h_(k-1) - e2 h_(k-2).
// Neither root is needed, so a double root costs nothing. For |p1|, |p2| <= 4: 13 terms.
constexpr int kDividedTerms = 13;
Complex ShcDividedDifference(Complex e1, Complex e2) {
    Complex previous{0.0, 0.0}, h{1.0, 0.0}, sum{0.0, 0.0};
    for (int k = 1; k <= kDividedTerms; ++k) {
        sum = Add(sum, Scale(1.0 / Factorial(2 * k + 1), h));
        const Complex next = Sub(Mul(e1, h), Mul(e2, previous));
        previous = h;
        h = next;
    }
    return sum;
}

// |mu| up to which both roots are taken by series.
constexpr double kSeriesRoot = 2.0;

enum class Regime { kSeries, kSeparate, kSumDifference };

// The member in its dimensionless variables, its two roots and the scaled functions of
// the half problems (see the header). Quantities marked "scaled" are divided by
// e^(|Re mu1| + |Re mu2|) / 2 = e^tau, those marked "scaled twice" by e^(2 tau).
struct Member {
    Complex z2;  // rhoA s^2 L^4 / EI
    double R = 0.0, S = 0.0;
    Complex rho;     // 1 + z^2 R S, zero at omega_c
    Complex e1, e2;  // p1 + p2, p1 p2
    Complex dp;      // p1 - p2
    Complex mu1, mu2, sigma, delta;
    double tau = 0.0;
    Regime regime = Regime::kSeries;
    Hyper half1, half2;  // of mu1 / 2 and mu2 / 2
    // Scaled: c1 c2, sc1 sc2, V, W, Es, Ea. Scaled twice: shc sigma shc delta, the divided
    // differences of p F and F.
    Complex cc, ss, V, W, Es, Ea, X, PF, F;
};

void CheckSection(const TimoshenkoSection& sec, double L) {
    const bool ok = sec.EI > 0.0 && std::isfinite(sec.EI) && sec.kGA > 0.0 && sec.rhoA > 0.0 &&
                    std::isfinite(sec.rhoA) && sec.rhoI >= 0.0 && std::isfinite(sec.rhoI) &&
                    L > 0.0 && std::isfinite(L);
    if (!ok) throw ComputationFailure(numeric::kInvalidArgument, "invalid member properties");
}

Member Analyse(const TimoshenkoSection& sec, Complex s, double L) {
    CheckFinite(s.re, "the bending stiffness of a member");
    CheckFinite(s.im, "the bending stiffness of a member");
    Member m;
    const double L2 = L * L;
    m.z2 = Scale(L2 * L2 * sec.rhoA / sec.EI, Mul(s, s));
    CheckFinite(m.z2.re, "the bending stiffness of a member");
    CheckFinite(m.z2.im, "the bending stiffness of a member");
    m.R = sec.rhoI / (sec.rhoA * L2);
    m.S = std::isinf(sec.kGA) ? 0.0 : sec.EI / (sec.kGA * L2);
    const double RS = m.R * m.S, D = m.R - m.S;
    m.rho = Complex{1.0 + m.z2.re * RS, m.z2.im * RS};
    m.e1 = Scale(m.R + m.S, m.z2);
    m.e2 = Mul(m.z2, m.rho);
    // (p1 - p2)^2 = z^2 (z^2 (R - S)^2 - 4), without the cancellation of e1^2 - 4 e2.
    Complex r = Sqrt(Mul(m.z2, Sub(Scale(D * D, m.z2), Complex{4.0, 0.0})));
    if (m.e1.re * r.re + m.e1.im * r.im < 0.0) r = Neg(r);
    const Complex p1 = Scale(0.5, Add(m.e1, r));  // the root of larger modulus
    const Complex p2 = (p1.re == 0.0 && p1.im == 0.0) ? Complex{} : Div(m.e2, p1);
    m.dp = r;
    m.mu1 = Sqrt(p1);
    m.mu2 = Sqrt(p2);
    // Signs with |mu1 - mu2| <= |mu1 + mu2|, so that delta is the small one of the pair.
    if (Abs(Sub(m.mu1, m.mu2)) > Abs(Add(m.mu1, m.mu2))) m.mu2 = Neg(m.mu2);
    m.sigma = Scale(0.5, Add(m.mu1, m.mu2));
    // mu1 - mu2 = (p1 - p2) / (mu1 + mu2): accurate where the roots nearly coincide.
    m.delta = Abs(m.sigma) == 0.0 ? Complex{} : Div(r, Scale(4.0, m.sigma));

    const double m1 = Abs(m.mu1), m2 = Abs(m.mu2);
    if (m1 <= kSeriesRoot) {
        m.regime = Regime::kSeries;
    } else if (m2 <= 0.5 * m1) {
        m.regime = Regime::kSeparate;
    } else {
        m.regime = Regime::kSumDifference;
    }

    m.half1 = ScaledHyper(Scale(0.5, m.mu1));
    m.half2 = ScaledHyper(Scale(0.5, m.mu2));
    m.tau = m.half1.a + m.half2.a;
    // c = cosh(mu/2), sc = sinh(mu/2)/mu = shc(mu/2)/2.
    m.cc = Mul(m.half1.ch, m.half2.ch);
    m.ss = Scale(0.25, Mul(m.half1.shc, m.half2.shc));
    const Hyper hs = ScaledHyper(m.sigma), hd = ScaledHyper(m.delta);
    const double fs = std::exp(hs.a - m.tau), fd = std::exp(hd.a - m.tau);
    const Complex shcS = Scale(fs, hs.shc), shcD = Scale(fd, hd.shc);
    const Complex chS = Scale(fs, hs.ch), chD = Scale(fd, hd.ch);
    m.V = Scale(-0.25, Add(shcS, shcD));
    m.X = Mul(shcS, shcD);
    m.PF = Scale(0.5, Add(Mul(chS, shcD), Mul(shcS, chD)));
    switch (m.regime) {
        case Regime::kSeries: {
            const double e = std::exp(-m.tau);
            // sigma^2 + delta^2 = e1 / 2, sigma^2 delta^2 = (p1 - p2)^2 / 16.
            const Complex sd2 = Scale(1.0 / 16.0, Mul(r, r));
            m.W = Scale(0.25 * e, ShcDividedDifference(Scale(0.5, m.e1), sd2));
            m.F = Scale(e * e, ShcDividedDifference(m.e1, m.e2));
            break;
        }
        case Regime::kSeparate: {
            // c1 sc2 - c2 sc1 and F1 - F2 with F = sinh(mu)/mu = c shc(mu/2).
            const Complex w = Sub(Mul(m.half1.ch, m.half2.shc), Mul(m.half2.ch, m.half1.shc));
            m.W = Div(Scale(0.5, w), r);
            const Complex F1 = Scale(std::exp(-2.0 * m.half2.a), Mul(m.half1.ch, m.half1.shc));
            const Complex F2 = Scale(std::exp(-2.0 * m.half1.a), Mul(m.half2.ch, m.half2.shc));
            m.F = Div(Sub(F1, F2), r);
            break;
        }
        case Regime::kSumDifference: {
            const Complex product = Mul(m.mu1, m.mu2);  // sigma^2 - delta^2
            m.W = Div(Scale(0.25, Sub(shcS, shcD)), product);
            m.F = Div(Scale(0.5, Sub(Mul(chS, shcD), Mul(shcS, chD))), product);
            break;
        }
    }
    m.Es = Sub(m.V, Mul(Scale(m.S, m.z2), m.W));
    m.Ea = Sub(Scale(m.S, m.V), Mul(m.rho, m.W));
    return m;
}

// The dimensionless entries g00, g01, g02, g03, g11, g13 (K00 = EI/L^3 g00, K01 = EI/L^2 g01,
// K02 = EI/L^3 g02, K03 = EI/L^2 g03, K11 = EI/L g11, K13 = EI/L g13).
void Entries(const Member& m, Complex g[6]) {
    const Complex one{1.0, 0.0};
    const Complex rEs = Div(one, m.Es), rEa = Div(one, m.Ea);
    const Complex ks00 = Mul(Neg(Mul(m.z2, m.ss)), rEs);
    const Complex ks01 = Mul(Mul(m.z2, m.W), rEs);
    const Complex ks11 = Mul(Neg(m.cc), rEs);
    const Complex ka00 = Mul(Neg(m.cc), rEa);
    const Complex ka01 = Mul(Neg(m.V), rEa);
    const Complex ka11 = Mul(Neg(Mul(m.rho, m.ss)), rEa);
    const Complex both = Mul(rEs, rEa);
    const Complex zS = Scale(m.S, m.z2);
    g[0] = Scale(0.5, Add(ks00, ka00));
    g[1] = Scale(-0.5, Add(ks01, ka01));
    g[2] = Scale(-0.25, Mul(Sub(m.PF, Mul(zS, m.F)), both));
    g[3] = Scale(0.125, Mul(m.X, both));
    g[4] = Scale(0.5, Add(ks11, ka11));
    g[5] = Scale(0.25, Mul(Sub(Mul(m.rho, m.F), Scale(m.S, m.PF)), both));
}

// Plane 1 differs from plane 0 by the sign of every deflection-rotation coupling.
template <class T>
void NegateOddEntries(numeric::Matrix<T>& k4) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if ((i + j) % 2 == 1) {
                if constexpr (std::is_same_v<T, Complex>) {
                    k4(i, j) = Neg(k4(i, j));
                } else {
                    k4(i, j) = -k4(i, j);
                }
            }
}

template <class T>
void EnsureSize(numeric::Matrix<T>& m, int rows, int cols) {
    if (m.Rows() != rows || m.Cols() != cols) m.Resize(rows, cols);
}

// ---- The field along the member ---------------------------------------------------------
// With eta = x/L - 1/2 and the basis functions C(eta) = cosh(mu eta), Sc(eta) =
// sinh(mu eta)/mu and T(eta) = mu sinh(mu eta) of either root, the symmetric half problem
// (u even, psi odd, end values u = a, psi = b at eta = 1/2) is solved by
//   u   = ((Wr[C,T] - z^2 S Wr[C,Sc]) a - Wr[C,C] b) / Es,
//   psi = (z^2 Wr[Sc,Sc] a + (z^2 S Wr[Sc,C] - Wr[T,C]) b) / Es,
// the antisymmetric one (u odd, psi even, end values a', b') by
//   u   = ((rho Wr[Sc,C] - S Wr[T,C]) a' - rho Wr[Sc,Sc] b') / Ea,
//   psi = (Wr[C,C] a' + (S Wr[C,T] - rho Wr[C,Sc]) b') / Ea,
// where Wr[f,g] = (f1(eta) g2(1/2) - f2(eta) g1(1/2)) / (p1 - p2), the Wronskian of the two
// roots. It is a power series in p1 + p2 and p1 p2 where both roots are small, otherwise
// the quotient itself, each product divided by e^tau like Es and Ea.
enum Basis { kC = 0, kSc = 1, kT = 2 };

constexpr int kFieldTerms = 14;

// Taylor coefficients in p of the basis function at argument t.
void BasisSeries(Basis kind, double t, double c[kFieldTerms]) {
    for (int n = 0; n < kFieldTerms; ++n) {
        switch (kind) {
            case kC:
                c[n] = std::pow(t, 2 * n) / Factorial(2 * n);
                break;
            case kSc:
                c[n] = std::pow(t, 2 * n + 1) / Factorial(2 * n + 1);
                break;
            case kT:
                c[n] = n == 0 ? 0.0 : std::pow(t, 2 * n - 1) / Factorial(2 * n - 1);
                break;
        }
    }
}

// The basis functions of one root at argument t, divided by e^(|Re mu| |t|).
void BasisValues(Complex mu, double t, Complex out[3]) {
    const Hyper h = ScaledHyper(Scale(t, mu));
    out[kC] = h.ch;
    out[kSc] = Scale(t, h.shc);
    out[kT] = Mul(Mul(mu, mu), out[kSc]);
}

class Wronskians {
  public:
    Wronskians(const Member& m, double eta) : m_(m), eta_(eta) {
        if (m.regime == Regime::kSeries) {
            h_[0] = Complex{1.0, 0.0};
            h_[1] = m.e1;
            for (int k = 2; k < kFieldTerms; ++k)
                h_[k] = Sub(Mul(m.e1, h_[k - 1]), Mul(m.e2, h_[k - 2]));
            e2Power_[0] = Complex{1.0, 0.0};
            for (int k = 1; k < kFieldTerms; ++k) e2Power_[k] = Mul(e2Power_[k - 1], m.e2);
        } else {
            BasisValues(m.mu1, eta, at1_);
            BasisValues(m.mu2, eta, at2_);
            BasisValues(m.mu1, 0.5, end1_);
            BasisValues(m.mu2, 0.5, end2_);
            const double d = std::fabs(eta) - 0.5;
            f1_ = std::exp(2.0 * m.half1.a * d);  // e^(|Re mu1| (|eta| - 1/2))
            f2_ = std::exp(2.0 * m.half2.a * d);
        }
    }

    [[nodiscard]] Complex Of(Basis f, Basis g) const {
        if (m_.regime == Regime::kSeries) {
            double fc[kFieldTerms], gc[kFieldTerms];
            BasisSeries(f, eta_, fc);
            BasisSeries(g, 0.5, gc);
            // (p1^n p2^k - p2^n p1^k) / (p1 - p2) = (p1 p2)^k h_(n-k-1) for n > k.
            Complex sum{0.0, 0.0};
            for (int k = 0; k < kFieldTerms; ++k)
                for (int n = k + 1; n < kFieldTerms; ++n)
                    sum = Add(
                        sum, Scale(fc[n] * gc[k] - fc[k] * gc[n], Mul(e2Power_[k], h_[n - k - 1])));
            return Scale(std::exp(-m_.tau), sum);
        }
        const Complex a = Scale(f1_, Mul(at1_[f], end2_[g]));
        const Complex b = Scale(f2_, Mul(at2_[f], end1_[g]));
        return Div(Sub(a, b), m_.dp);
    }

  private:
    const Member& m_;
    double eta_;
    Complex h_[kFieldTerms], e2Power_[kFieldTerms];
    Complex at1_[3], at2_[3], end1_[3], end2_[3];
    double f1_ = 0.0, f2_ = 0.0;
};

}  // namespace

void TimoshenkoStiffStat(const TimoshenkoSection& sec, double L, int plane, RealMatrix& k4) {
    CheckSection(sec, L);
    const double phi = std::isinf(sec.kGA) ? 0.0 : 12.0 * sec.EI / (sec.kGA * L * L);
    const double a = sec.EI / ((1.0 + phi) * L);
    const double b = a / L;
    const double c = b / L;
    CheckFinite(c, "the bending stiffness of a member");
    const double v[4][4] = {{12 * c, 6 * b, -12 * c, 6 * b},
                            {6 * b, (4 + phi) * a, -6 * b, (2 - phi) * a},
                            {-12 * c, -6 * b, 12 * c, -6 * b},
                            {6 * b, (2 - phi) * a, -6 * b, (4 + phi) * a}};
    EnsureSize(k4, 4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) k4(i, j) = v[i][j];
    if (plane == 1) NegateOddEntries(k4);
}

void TimoshenkoStiffDyn(const TimoshenkoSection& sec, Complex s, double L, int plane,
                        ComplexMatrix& k4) {
    CheckSection(sec, L);
    Complex g[6];
    Entries(Analyse(sec, s, L), g);
    const double a = sec.EI / L, b = a / L, c = b / L;
    const Complex k00 = Scale(c, g[0]), k01 = Scale(b, g[1]), k02 = Scale(c, g[2]);
    const Complex k03 = Scale(b, g[3]), k11 = Scale(a, g[4]), k13 = Scale(a, g[5]);
    for (const Complex& v : {k00, k01, k02, k03, k11, k13}) {
        CheckFinite(v.re, "the bending stiffness of a member");
        CheckFinite(v.im, "the bending stiffness of a member");
    }
    // Six values fill the block, so it is symmetric exactly.
    EnsureSize(k4, 4, 4);
    const Complex minus03 = Neg(k03), minus01 = Neg(k01);
    const Complex rows[4][4] = {{k00, k01, k02, k03},
                                {k01, k11, minus03, k13},
                                {k02, minus03, k00, minus01},
                                {k03, k13, minus01, k11}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) k4(i, j) = rows[i][j];
    if (plane == 1) NegateOddEntries(k4);
}

double TimoshenkoClampedFrequencyBound(const TimoshenkoSection& sec, double L) {
    CheckSection(sec, L);
    const double k = numeric::Pi / L, k2 = k * k;
    const double a = std::isinf(sec.kGA) ? 0.0 : sec.EI * k2 / sec.kGA;
    const double B = a - 1.0 - sec.rhoI * k2 / sec.rhoA;
    const double root = std::sqrt(B * B + 4.0 * a);
    // u = (B + root) / 2, written without cancellation for B < 0.
    const double u = B >= 0.0 ? 0.5 * (B + root) : 2.0 * a / (root - B);
    const double bound = std::sqrt(sec.EI * k2 * k2 / (sec.rhoA * (1.0 + u) + sec.rhoI * k2));
    CheckFinite(bound, "the lowest clamped frequency of a member");
    return bound;
}

int TimoshenkoClampedCountBelow(const TimoshenkoSection& sec, double L, double omega) {
    CheckSection(sec, L);
    CheckFinite(omega, "the clamped-frequency count of a member");
    if (omega <= 0.0) return 0;
    // Halvings until a piece lies below its first clamped-clamped frequency. 2^26 pieces
    // keep the count below INT_MAX / 8, so that sums of counts stay in int.
    constexpr int kMaxDepth = 26;
    int depth = 0;
    for (double piece = L; omega >= TimoshenkoClampedFrequencyBound(sec, piece); piece *= 0.5) {
        if (++depth > kMaxDepth)
            throw ComputationFailure(numeric::kOutOfRange,
                                     "frequency too high for the count of a member");
    }
    long long count = 0;
    double half = L;
    for (int level = 0; level < depth; ++level) {
        half *= 0.5;
        Complex g[6];
        Entries(Analyse(sec, Complex{0.0, omega}, half), g);
        const int negative = (g[0].re < 0.0 ? 1 : 0) + (g[4].re < 0.0 ? 1 : 0);
        count += (1LL << level) * negative;
    }
    return static_cast<int>(count);
}

std::array<Complex, 2> TimoshenkoFieldAt(const TimoshenkoSection& sec, Complex s, double L,
                                         int plane, const Complex ends[4], double x) {
    CheckSection(sec, L);
    CheckFinite(x, "the displacements along a member");
    if (x < 0.0 || x > L) throw ComputationFailure(numeric::kOutOfRange, "station off the member");
    const double sign = plane == 1 ? -1.0 : 1.0;
    const Complex u1 = Scale(1.0 / L, ends[0]), u2 = Scale(1.0 / L, ends[2]);
    const Complex psi1 = Scale(sign, ends[1]), psi2 = Scale(sign, ends[3]);
    const Complex a = Scale(0.5, Add(u1, u2)), b = Scale(0.5, Sub(psi2, psi1));
    const Complex a2 = Scale(0.5, Sub(u2, u1)), b2 = Scale(0.5, Add(psi1, psi2));

    const Member m = Analyse(sec, s, L);
    const Wronskians wr(m, x / L - 0.5);
    const Complex CT = wr.Of(kC, kT), CSc = wr.Of(kC, kSc), CC = wr.Of(kC, kC);
    const Complex ScSc = wr.Of(kSc, kSc), ScC = wr.Of(kSc, kC), TC = wr.Of(kT, kC);
    const Complex zS = Scale(m.S, m.z2);
    const Complex uS = Sub(Mul(Sub(CT, Mul(zS, CSc)), a), Mul(CC, b));
    const Complex psiS = Add(Mul(Mul(m.z2, ScSc), a), Mul(Sub(Mul(zS, ScC), TC), b));
    const Complex uA =
        Sub(Mul(Sub(Mul(m.rho, ScC), Scale(m.S, TC)), a2), Mul(Mul(m.rho, ScSc), b2));
    const Complex psiA = Add(Mul(CC, a2), Mul(Sub(Scale(m.S, CT), Mul(m.rho, CSc)), b2));
    const Complex u = Add(Div(uS, m.Es), Div(uA, m.Ea));
    const Complex psi = Add(Div(psiS, m.Es), Div(psiA, m.Ea));
    const std::array<Complex, 2> out{Scale(L, u), Scale(sign, psi)};
    for (const Complex& v : out) {
        CheckFinite(v.re, "the displacements along a member");
        CheckFinite(v.im, "the displacements along a member");
    }
    return out;
}

}  // namespace fem
