#include "analysis/bar_modes.h"

#include <Eigen/Dense>
#include <algorithm>
#include <climits>
#include <cmath>

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

}  // namespace

int ClampedCountBelow(const ElementRecord& e, int action, double omega) {
    if (action == 0) return FloorCount(omega * e.Length / (Pi * e.WaveAxial));
    if (action == 1) return FloorCount(omega * e.Length / (Pi * e.WaveTorsion));
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
        w = std::min(w, kFirstClampedBeamRoot * kFirstClampedBeamRoot * std::sqrt(Beta(e, action)) /
                            (L * L));
    return w;
}

ClampedMode MakeClampedMode(const ElementRecord& e, int action, int order, double omega) {
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
    // Scale to a largest deflection of +1: the largest of samples a sixteenth of a
    // wavelength apart, refined by a parabola through it and its neighbours.
    const int n = 32 * (order + 1);
    const double h = m.Length / n;
    int best = 0;
    double bestValue = 0.0;
    for (int k = 0; k <= n; ++k) {
        const double v = ClampedModeAt(m, k * h, 0);
        if (std::fabs(v) > std::fabs(bestValue)) best = k, bestValue = v;
    }
    double peak = bestValue;
    if (best > 0 && best < n) {
        const double l = ClampedModeAt(m, (best - 1) * h, 0);
        const double r = ClampedModeAt(m, (best + 1) * h, 0);
        const double curvature = l - 2.0 * bestValue + r;
        if (curvature != 0.0) peak = bestValue - 0.125 * (r - l) * (r - l) / curvature;
    }
    numeric::CheckFinite(1.0 / peak, "clamped bar mode");
    for (double& c : m.Coef) c /= peak;
    return m;
}

double ClampedModeAt(const ClampedMode& mode, double x, int derivative) {
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

std::array<double, 12> ClampedModeEndForces(const ElementRecord& e, const ClampedMode& mode) {
    std::array<double, 12> f{};
    const double Y = Rigidity(e, mode.Action), L = mode.Length;
    auto at = [&](double x, int d) { return ClampedModeAt(mode, x, d); };
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
    plane0_ = SolveBeam(BendingWave(e.BendCoefZ, omega), length_, d[1], d[5], d[7], d[11]);
    plane1_ = SolveBeam(BendingWave(e.BendCoefY, omega), length_, d[2], -d[4], d[8], -d[10]);
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
