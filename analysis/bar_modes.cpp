#include "analysis/bar_modes.h"

#include <Eigen/Dense>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

#include "analysis/element.h"
#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem::detail {

namespace {

using numeric::Pi;

// The first root of cos(lambda) cosh(lambda) = 1: the lowest clamped-clamped bending mode.
constexpr double kFirstClampedBeamRoot = 4.730040744862704;

double Beta(const ElementRecord& e, int action) {
    return action == 2 ? e.BendCoefZ : e.BendCoefY;
}

double Rigidity(const ElementRecord& e, int action) {
    switch (action) {
        case 0:
            return e.EA;
        case 1:
            return e.GJ;
        case 2:
            return e.EIz;
        default:
            return e.EIy;
    }
}

// (omega^2 / beta)^(1/4): the bending wave number at omega.
double BendingWave(double beta, double omega) {
    return std::sqrt(omega / std::sqrt(beta));
}

int FloorCount(double r) {
    if (!(r >= 0.0)) return 0;
    if (r >= static_cast<double>(INT_MAX / 8)) return INT_MAX / 8;  // sums of counts stay in int
    return static_cast<int>(std::floor(r));
}

// The bending basis cos(a x), sin(a x), e^(-a x), e^(-a (L - x)) and its derivatives:
// bounded by 1 at every x for every a L, so that nothing overflows on long bars.
void WaveBasis(double a, double L, double x, int derivative, double out[4]) {
    const double c = std::cos(a * x), s = std::sin(a * x);
    const double left = std::exp(-a * x), right = std::exp(-a * (L - x));
    const double p = std::pow(a, derivative);
    switch (derivative % 4) {
        case 0:
            out[0] = c, out[1] = s;
            break;
        case 1:
            out[0] = -s, out[1] = c;
            break;
        case 2:
            out[0] = -c, out[1] = -s;
            break;
        default:
            out[0] = s, out[1] = -c;
            break;
    }
    out[0] *= p;
    out[1] *= p;
    out[2] = (derivative % 2 == 0 ? p : -p) * left;
    out[3] = p * right;
}

// End deflections and slopes / a of the wave basis: rows w(0), w'(0)/a, w(L), w'(L)/a.
Eigen::Matrix4d WaveEnds(double a, double L) {
    Eigen::Matrix4d m;
    double row[4];
    const int derivatives[4] = {0, 1, 0, 1};
    for (int r = 0; r < 4; ++r) {
        WaveBasis(a, L, r < 2 ? 0.0 : L, derivatives[r], row);
        for (int c = 0; c < 4; ++c) m(r, c) = derivatives[r] == 1 ? row[c] / a : row[c];
    }
    return m;
}

// The Krylov functions S, T, U, V of z (sums of z^(4m + j) / (4m + j)!, j = 0 .. 3),
// each the derivative of the next: S' = V, T' = S, U' = T, V' = U. For z <= 2.
std::array<double, 4> Krylov(double z) {
    std::array<double, 4> f{};
    double term = 1.0;  // z^n / n!
    for (int n = 0; n < 40; ++n) {
        f[n % 4] += term;
        term *= z / (n + 1);
    }
    return f;
}

// A rod mode's displacement or an Euler-Bernoulli bending mode's deflection (derivative
// 0) or its derivatives 1 .. 3 along x at x.
double ModeDerivative(const ClampedMode& mode, double x, int derivative) {
    if (mode.Action < 2) {
        const double k = mode.Wave, p = std::pow(k, derivative);
        switch (derivative % 4) {
            case 0:
                return p * std::sin(k * x);
            case 1:
                return p * std::cos(k * x);
            case 2:
                return -p * std::sin(k * x);
            default:
                return -p * std::cos(k * x);
        }
    }
    double b[4];
    WaveBasis(mode.Wave, mode.Length, x, derivative, b);
    return mode.Coef[0] * b[0] + mode.Coef[1] * b[1] + mode.Coef[2] * b[2] + mode.Coef[3] * b[3];
}

// ---- Timoshenko members ---------------------------------------------------------------
// Their clamped modes have no closed form of the kind above; they come from the member
// divided at an inner node where neither piece has a clamped frequency near omega (the
// fractions and margins of the count's division in modes.cpp): the stiffness of the
// inner node, M = K22 of the first piece + K00 of the second (deflection and rotation),
// is singular exactly at the member's own frequencies, and its null vector moves the
// inner node in the clamped mode. Given end values, the inner node follows from M x =
// -(coupling) x (ends), solved without the direction of M's null vector when M is
// singular to rounding.
constexpr double kSplitAt[] = {0.41421356237309503,
                               0.3819660112501051,
                               0.4472135954999579,
                               0.36602540378443865,
                               0.4306,
                               0.3937};
constexpr double kSplitMargins[] = {4e-3, 1e-3, 3e-4, 1e-4, 0.0};
// A Timoshenko bar whose own frequency lies this close (relative) to omega has its field
// found through the division: TimoshenkoFieldAt itself fails at the frequency.
constexpr double kNearOwnFrequency = 1e-9;
// Eigenvalues of M below this share of its largest are taken as zero.
constexpr double kSingularShare = 1e-13;

int PlaneOf(int action) {
    return action - 2;
}

bool PoleWithin(const TimoshenkoSection& section, double L, double omega, double margin) {
    return TimoshenkoClampedCountBelow(section, L, omega * (1.0 - margin)) !=
           TimoshenkoClampedCountBelow(section, L, omega * (1.0 + margin));
}

// The member divided at an inner node: the real parts of both pieces' blocks at s = i omega
// in the signs of plane 0, and M with the rotation scaled by L (same units throughout).
struct Division {
    double first = 0.0;  // length of the first piece
    numeric::ComplexMatrix left{4, 4}, right{4, 4};
    Eigen::Matrix2d inner;
};

Division Divide(const TimoshenkoSection& section, double L, double omega) {
    Division d;
    d.first = -1.0;
    for (const double margin : kSplitMargins) {
        for (const double at : kSplitAt) {
            const double first = at * L;
            if (margin == 0.0 || (!PoleWithin(section, first, omega, margin) &&
                                  !PoleWithin(section, L - first, omega, margin))) {
                d.first = first;
                break;
            }
        }
        if (d.first > 0.0) break;
    }
    const numeric::Complex s{0.0, omega};
    TimoshenkoStiffDyn(section, s, d.first, 0, d.left);
    TimoshenkoStiffDyn(section, s, L - d.first, 0, d.right);
    d.inner(0, 0) = d.left(2, 2).re + d.right(0, 0).re;
    d.inner(0, 1) = (d.left(2, 3).re + d.right(0, 1).re) / L;
    d.inner(1, 0) = d.inner(0, 1);
    d.inner(1, 1) = (d.left(3, 3).re + d.right(1, 1).re) / (L * L);
    return d;
}

// Scales the mode to a largest deflection of +1: the largest of samples a sixteenth of a
// wavelength apart, refined by a parabola through it and its neighbours.
template <class Deflection>
double PeakDeflection(Deflection deflection, double L, int order) {
    const int n = 32 * (order + 1);
    const double h = L / n;
    int best = 0;
    double bestValue = 0.0;
    for (int k = 0; k <= n; ++k) {
        const double v = deflection(k * h);
        if (std::fabs(v) > std::fabs(bestValue)) best = k, bestValue = v;
    }
    double peak = bestValue;
    if (best > 0 && best < n) {
        const double l = deflection((best - 1) * h);
        const double r = deflection((best + 1) * h);
        const double curvature = l - 2.0 * bestValue + r;
        if (curvature != 0.0) peak = bestValue - 0.125 * (r - l) * (r - l) / curvature;
    }
    numeric::CheckFinite(1.0 / peak, "clamped bar mode");
    return peak;
}

ClampedMode MakeTimoshenkoMode(const ElementRecord& e, int action, int order, double omega) {
    ClampedMode m;
    m.Action = action;
    m.Order = order;
    m.Length = e.Length;
    m.Timoshenko = true;
    const TimoshenkoSection section = TimoshenkoSectionOf(e, PlaneOf(action));
    const double L = e.Length;
    const Division d = Divide(section, L, omega);
    // The null vector of the nearly singular 2 x 2: across its larger row.
    const Eigen::Matrix2d& M = d.inner;
    const bool firstRow = M.row(0).norm() >= M.row(1).norm();
    const double w = firstRow ? -M(0, 1) : -M(1, 1);
    const double psi = (firstRow ? M(0, 0) : M(1, 0)) / L;
    m.Pieces = TimoshenkoPieces{section, omega, L, d.first, {0.0, 0.0, w, psi, 0.0, 0.0}};
    m.Ends = {d.left(0, 2).re * w + d.left(0, 3).re * psi,
              d.left(1, 2).re * w + d.left(1, 3).re * psi,
              d.right(2, 0).re * w + d.right(2, 1).re * psi,
              d.right(3, 0).re * w + d.right(3, 1).re * psi};
    const double peak = PeakDeflection([&](double x) { return m.Pieces.At(x)[0]; }, L, order);
    for (double& v : m.Pieces.Values) v /= peak;
    for (double& v : m.Ends) v /= peak;
    return m;
}

}  // namespace

std::array<double, 2> TimoshenkoPieces::At(double x) const {
    const bool second = x > Split;
    const double length = second ? Length - Split : Split;
    const double* v = Values.data() + (second ? 2 : 0);
    const numeric::Complex ends[4] = {{v[0], 0.0}, {v[1], 0.0}, {v[2], 0.0}, {v[3], 0.0}};
    const double at = std::clamp(second ? x - Split : x, 0.0, length);
    const std::array<numeric::Complex, 2> f =
        TimoshenkoFieldAt(Section, numeric::Complex{0.0, Omega}, length, 0, ends, at);
    return {f[0].re, f[1].re};
}

int ClampedCountBelow(const ElementRecord& e, int action, double omega) {
    if (action == 0) return FloorCount(omega * e.Length / (Pi * e.WaveAxial));
    if (action == 1) return FloorCount(omega * e.Length / (Pi * e.WaveTorsion));
    if (e.Timoshenko)
        return TimoshenkoClampedCountBelow(TimoshenkoSectionOf(e, PlaneOf(action)), e.Length,
                                           omega);
    // Bending: the roots of 1 - cos(lambda) cosh(lambda) = 0, one in every interval of
    // pi after the first; the sign of that function, divided by cosh so that nothing
    // overflows, tells on which side of the interval's root lambda lies.
    const double lambda = e.Length * BendingWave(Beta(e, action), omega);
    const int i = FloorCount(lambda / Pi);
    const double far = std::exp(-lambda);
    const double f = far - std::cos(lambda) * 0.5 * (1.0 + far * far);
    const int sg = f < 0.0 ? -1 : 1;
    const int parity = i % 2 == 0 ? 1 : -1;
    return i - (1 - parity * sg) / 2;
}

int ClampedCountBelow(const ElementRecord& e, double omega) {
    int n = 0;
    for (int action = 0; action < 4; ++action) n += ClampedCountBelow(e, action, omega);
    return n;
}

double LowestClampedFrequency(const ElementRecord& e) {
    const double L = e.Length;
    double w = std::min(Pi * e.WaveAxial / L, Pi * e.WaveTorsion / L);
    for (int action = 2; action < 4; ++action)
        w = std::min(w, e.Timoshenko ? TimoshenkoClampedFrequencyBound(
                                           TimoshenkoSectionOf(e, PlaneOf(action)), L)
                                     : kFirstClampedBeamRoot * kFirstClampedBeamRoot *
                                           std::sqrt(Beta(e, action)) / (L * L));
    return w;
}

ClampedMode MakeClampedMode(const ElementRecord& e, int action, int order, double omega) {
    if (action >= 2 && e.Timoshenko) return MakeTimoshenkoMode(e, action, order, omega);
    ClampedMode m;
    m.Action = action;
    m.Order = order;
    m.Length = e.Length;
    if (action < 2) {
        m.Wave = order * Pi / e.Length;  // sin(n pi x / L), largest value 1
        return m;
    }
    // The null vector of the clamped ends at omega, near one of the bar's natural
    // frequencies: the right singular vector of the smallest singular value.
    m.Wave = BendingWave(Beta(e, action), omega);
    const Eigen::JacobiSVD<Eigen::Matrix4d> svd(WaveEnds(m.Wave, m.Length), Eigen::ComputeFullV);
    for (int c = 0; c < 4; ++c) m.Coef[c] = svd.matrixV()(c, 3);
    const double peak =
        PeakDeflection([&](double x) { return ModeDerivative(m, x, 0); }, m.Length, order);
    for (double& c : m.Coef) c /= peak;
    return m;
}

std::array<double, 2> ClampedModeAt(const ClampedMode& mode, double x) {
    if (mode.Timoshenko) return mode.Pieces.At(x);
    return {ModeDerivative(mode, x, 0), mode.Action < 2 ? 0.0 : ModeDerivative(mode, x, 1)};
}

std::array<double, 12> ClampedModeEndForces(const ElementRecord& e, const ClampedMode& mode) {
    std::array<double, 12> f{};
    if (mode.Timoshenko) {
        const std::array<double, 4>& q = mode.Ends;
        if (mode.Action == 2) {
            f[1] = q[0], f[5] = q[1], f[7] = q[2], f[11] = q[3];
        } else {  // rotation about y = -psi
            f[2] = q[0], f[4] = -q[1], f[8] = q[2], f[10] = -q[3];
        }
        for (double v : f) numeric::CheckFinite(v, "clamped bar mode");
        return f;
    }
    const double Y = Rigidity(e, mode.Action), L = mode.Length;
    auto at = [&](double x, int d) { return ModeDerivative(mode, x, d); };
    switch (mode.Action) {
        case 0:
            f[0] = -Y * at(0.0, 1), f[6] = Y * at(L, 1);
            break;
        case 1:
            f[3] = -Y * at(0.0, 1), f[9] = Y * at(L, 1);
            break;
        case 2:  // deflection v along y, rotation about z = v'
            f[1] = Y * at(0.0, 3), f[5] = -Y * at(0.0, 2);
            f[7] = -Y * at(L, 3), f[11] = Y * at(L, 2);
            break;
        default:  // deflection w along z, rotation about y = -w'
            f[2] = Y * at(0.0, 3), f[4] = Y * at(0.0, 2);
            f[8] = -Y * at(L, 3), f[10] = -Y * at(L, 2);
            break;
    }
    for (double v : f) numeric::CheckFinite(v, "clamped bar mode");
    return f;
}

BarField::BarField(const ElementRecord& e, double omega, const double* d) : length_(e.Length) {
    axial_ = Rod{omega / e.WaveAxial, d[0], d[6]};
    torsion_ = Rod{omega / e.WaveTorsion, d[3], d[9]};
    if (e.Timoshenko) {
        plane0_ = SolveTimoshenko(e, 0, omega, d[1], d[5], d[7], d[11]);
        plane1_ = SolveTimoshenko(e, 1, omega, d[2], -d[4], d[8], -d[10]);
        return;
    }
    plane0_ = SolveBeam(BendingWave(e.BendCoefZ, omega), length_, d[1], d[5], d[7], d[11]);
    plane1_ = SolveBeam(BendingWave(e.BendCoefY, omega), length_, d[2], -d[4], d[8], -d[10]);
}

BarField::Beam BarField::SolveTimoshenko(const ElementRecord& e, int plane, double omega, double w1,
                                         double t1, double w2, double t2) {
    Beam b;
    b.kind = 3;
    const TimoshenkoSection section = TimoshenkoSectionOf(e, plane);
    const double L = e.Length;
    b.pieces = TimoshenkoPieces{section, omega, L, L, {w1, t1, w2, t2, w2, t2}};
    if (omega == 0.0 || !PoleWithin(section, L, omega, kNearOwnFrequency)) return b;
    // At (or within rounding of) one of its own frequencies: the inner node of the divided
    // member from its ends, with the clamped mode's share left out where M is singular.
    const Division d = Divide(section, L, omega);
    const Eigen::Vector2d rhs(-(d.left(2, 0).re * w1 + d.left(2, 1).re * t1 +
                                d.right(0, 2).re * w2 + d.right(0, 3).re * t2),
                              -(d.left(3, 0).re * w1 + d.left(3, 1).re * t1 +
                                d.right(1, 2).re * w2 + d.right(1, 3).re * t2) /
                                  L);
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eigen(d.inner);
    const Eigen::Vector2d lambda = eigen.eigenvalues();
    const double largest = lambda.cwiseAbs().maxCoeff();
    Eigen::Vector2d x = Eigen::Vector2d::Zero();
    for (int k = 0; k < 2; ++k)
        if (std::fabs(lambda[k]) > kSingularShare * largest)
            x += eigen.eigenvectors().col(k) * (eigen.eigenvectors().col(k).dot(rhs) / lambda[k]);
    b.pieces.Split = d.first;
    b.pieces.Values = {w1, t1, x[0], x[1] / L, w2, t2};
    return b;
}

double BarField::Rod::At(double x, double L) const {
    const double xi = x / L;
    if (k * L < 1e-8) return u1 * (1.0 - xi) + u2 * xi;
    const double s = std::sin(k * L);
    // Near the rod's own frequency the ends fix its amplitude through the division (the
    // mode's end displacements nearly cancel); at it, only u1 cos(kx) is fixed.
    if (std::fabs(s) < 1e-14) return u1 * std::cos(k * x);
    return (u1 * std::sin(k * (L - x)) + u2 * std::sin(k * x)) / s;
}

BarField::Beam BarField::SolveBeam(double a, double L, double w1, double t1, double w2, double t2) {
    Beam b;
    b.a = a;
    const double Z = a * L;
    if (Z < 1e-4) {
        // Static cubic: the dynamic terms are of order Z^4 < 1E-16.
        b.kind = 0;
        b.c = {w1, t1, w2, t2};
    } else if (Z < 2.0) {
        // w = w1 S + (t1/a) T + p U + q V of z = a x; p and q from the far end.
        b.kind = 1;
        const std::array<double, 4> f = Krylov(Z);
        const double S = f[0], T = f[1], U = f[2], V = f[3];
        const double r1 = w2 - w1 * S - t1 / a * T;
        const double r2 = t2 / a - w1 * V - t1 / a * S;
        const double det = U * U - T * V;  // (1 - cos Z cosh Z) / 2 > 0 for Z < 4.73
        b.c = {w1, t1 / a, (U * r1 - V * r2) / det, (U * r2 - T * r1) / det};
    } else {
        b.kind = 2;
        Eigen::Vector4d rhs(w1, t1 / a, w2, t2 / a);
        // Near the bar's own frequency the nearly singular solve gives the amplitude of
        // its clamped mode; at it (to rounding), the mode is left out.
        Eigen::CompleteOrthogonalDecomposition<Eigen::Matrix4d> cod(WaveEnds(a, L));
        cod.setThreshold(1e-14);
        const Eigen::Vector4d c = cod.solve(rhs);
        b.c = {c[0], c[1], c[2], c[3]};
    }
    return b;
}

std::array<double, 2> BarField::Beam::At(double x, double L) const {
    if (kind == 3) return pieces.At(x);
    if (kind == 0) {
        const double xi = x / L, xi2 = xi * xi, xi3 = xi2 * xi;
        const double w = c[0] * (1 - 3 * xi2 + 2 * xi3) + c[1] * L * (xi - 2 * xi2 + xi3) +
                         c[2] * (3 * xi2 - 2 * xi3) + c[3] * L * (xi3 - xi2);
        const double slope = c[0] * (6 * xi2 - 6 * xi) / L + c[1] * (1 - 4 * xi + 3 * xi2) +
                             c[2] * (6 * xi - 6 * xi2) / L + c[3] * (3 * xi2 - 2 * xi);
        return {w, slope};
    }
    if (kind == 1) {
        const std::array<double, 4> f = Krylov(a * x);
        const double S = f[0], T = f[1], U = f[2], V = f[3];
        return {c[0] * S + c[1] * T + c[2] * U + c[3] * V,
                a * (c[0] * V + c[1] * S + c[2] * T + c[3] * U)};
    }
    double b0[4], b1[4];
    WaveBasis(a, L, x, 0, b0);
    WaveBasis(a, L, x, 1, b1);
    double w = 0.0, slope = 0.0;
    for (int k = 0; k < 4; ++k) w += c[k] * b0[k], slope += c[k] * b1[k];
    return {w, slope};
}

std::array<double, 6> BarField::At(double x) const {
    const std::array<double, 2> v = plane0_.At(x, length_);
    const std::array<double, 2> w = plane1_.At(x, length_);
    return {axial_.At(x, length_), v[0], w[0], torsion_.At(x, length_), -w[1], v[1]};
}

}  // namespace fem::detail
