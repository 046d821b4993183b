#include "analysis/member_field.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/element.h"
#include "numeric/failure.h"

namespace fem {

using cd = std::complex<double>;

namespace {

// Terms of the power series below: |w| <= 1 for the rod, |q| <= 16 for the beam, where
// the last term kept is below 1E-20 of the first.
constexpr int kSeriesTerms = 14;
// |s| L^2 / sqrt(beta) up to which the beam is taken by its power series (|lambda L| <= 2;
// the member's first clamped frequency lies at |lambda L| = 4.73).
constexpr double kBeamSeriesLimit = 4.0;

cd FromNumeric(const numeric::Complex& z) {
    return {z.re, z.im};
}

// sinh(w) / w as a series in w^2, for |w| <= 1.
cd SinhOverArgument(cd w) {
    const cd w2 = w * w;
    cd sum = 0.0;
    for (int n = kSeriesTerms - 1; n >= 0; --n)
        sum = 1.0 + sum * w2 / double((2 * n + 2) * (2 * n + 3));
    return sum;
}

// x^j sum_m q^m / (4m + j)!, q = Lambda x^4: the beam's series solutions, f0 = 1 + ...,
// f1 = x + ..., f2 = x^2 / 2 + ..., f3 = x^3 / 6 + ...; f0' = Lambda f3, f1' = f0,
// f2' = f1, f3' = f2.
std::array<cd, 4> BeamSeries(cd lambda4, double x) {
    const double x2 = x * x;
    const cd q = lambda4 * (x2 * x2);
    std::array<cd, 4> f{};
    double power = 1.0;  // x^j / j!
    for (int j = 0; j < 4; ++j) {
        cd sum = 0.0;
        for (int m = kSeriesTerms - 1; m >= 1; --m)
            sum = q * (1.0 + sum) /
                  double((4 * m + j) * (4 * m + j - 1) * (4 * m + j - 2) * (4 * m + j - 3));
        f[static_cast<std::size_t>(j)] = power * (1.0 + sum);
        power *= x / (j + 1);
    }
    return f;
}

void CheckFinite(cd z) {
    numeric::CheckFinite(z.real(), "the displacements inside a member");
    numeric::CheckFinite(z.imag(), "the displacements inside a member");
}

}  // namespace

cd MemberField::Rod::At(double x, double L) const {
    const cd K = k * L;
    if (std::abs(K) <= 1.0) {
        // sinh(k y) / sinh(k L) = (y / L) shc(k y) / shc(k L): nothing cancels at small k.
        const cd below = SinhOverArgument(K);
        const double y1 = L - x;
        return (u1 * (y1 / L) * SinhOverArgument(k * y1) + u2 * (x / L) * SinhOverArgument(k * x)) /
               below;
    }
    // Re k >= 0 (the ratio is even in k): sinh(k y) / sinh(k L) =
    // e^(-k (L - y)) (1 - e^(-2 k y)) / (1 - e^(-2 k L)), every exponential at most 1.
    const cd denominator = 1.0 - std::exp(-2.0 * K);
    auto ratio = [&](double y) { return std::exp(-k * (L - y)) * (1.0 - std::exp(-2.0 * k * y)); };
    return (u1 * ratio(L - x) + u2 * ratio(x)) / denominator;
}

MemberField::Beam MemberField::SolveBeam(double beta, cd s, double L,
                                         const std::array<cd, 4>& ends) {
    Beam b;
    b.lambda4 = -s * s / beta;
    const cd z = s * (L * L / std::sqrt(beta));
    const cd w1 = ends[0], t1 = ends[1], w2 = ends[2], t2 = ends[3];
    if (std::abs(z) <= kBeamSeriesLimit) {
        // w = w1 f0 + t1 f1 + p f2 + r f3; p and r from the far end.
        b.series = true;
        const std::array<cd, 4> f = BeamSeries(b.lambda4, L);
        const cd r1 = w2 - w1 * f[0] - t1 * f[1];
        const cd r2 = t2 - w1 * b.lambda4 * f[3] - t1 * f[0];
        const cd det = f[2] * f[2] - f[1] * f[3];  // L^4 / 12 at s = 0
        b.c = {w1, t1, (r1 * f[2] - r2 * f[3]) / det, (r2 * f[2] - r1 * f[1]) / det};
        return b;
    }
    // lambda L = X1 with X1^2 = i z, turned by a power of i into Re X1 >= |Im X1|; the
    // other pair of roots is +-i X1, of which X2 has Re X2 = |Im X1| >= 0.
    b.series = false;
    cd X1 = std::sqrt(cd(0.0, 1.0) * z);
    if (X1.imag() > X1.real()) {
        X1 = cd(X1.imag(), -X1.real());
    } else if (X1.imag() < -X1.real()) {
        X1 = cd(-X1.imag(), X1.real());
    }
    const cd X2 = X1.imag() <= 0.0 ? cd(0.0, 1.0) * X1 : cd(0.0, -1.0) * X1;
    b.mu1 = X1 / L;
    b.mu2 = X2 / L;
    // Rows w(0), w'(0) L / |X1|, w(L), w'(L) L / |X1| of e^(-X1 xi), e^(-X1 (1 - xi)),
    // e^(-X2 xi), e^(-X2 (1 - xi)), xi = x / L.
    const double unit = std::abs(X1);
    const cd e1 = std::exp(-X1), e2 = std::exp(-X2);
    const cd d1 = X1 / unit, d2 = X2 / unit;
    Eigen::Matrix4cd m;
    m << 1.0, e1, 1.0, e2,           //
        -d1, d1 * e1, -d2, d2 * e2,  //
        e1, 1.0, e2, 1.0,            //
        -d1 * e1, d1, -d2 * e2, d2;
    const Eigen::Vector4cd rhs(w1, t1 * L / unit, w2, t2 * L / unit);
    const Eigen::Vector4cd c = m.fullPivLu().solve(rhs);
    b.c = {c[0], c[1], c[2], c[3]};
    return b;
}

std::array<cd, 2> MemberField::Beam::At(double x, double L) const {
    if (series) {
        const std::array<cd, 4> f = BeamSeries(lambda4, x);
        return {c[0] * f[0] + c[1] * f[1] + c[2] * f[2] + c[3] * f[3],
                c[0] * lambda4 * f[3] + c[1] * f[0] + c[2] * f[1] + c[3] * f[2]};
    }
    const cd a = std::exp(-mu1 * x), b = std::exp(-mu1 * (L - x));
    const cd g = std::exp(-mu2 * x), h = std::exp(-mu2 * (L - x));
    return {c[0] * a + c[1] * b + c[2] * g + c[3] * h,
            mu1 * (c[1] * b - c[0] * a) + mu2 * (c[3] * h - c[2] * g)};
}

MemberField::MemberField(const ElementRecord& e, numeric::Complex s, const numeric::Complex* ends)
    : length_(e.Length) {
    if (!(length_ > 0.0))
        throw numeric::ComputationFailure(numeric::kDivisionByZero, "member of zero length");
    const cd sc = FromNumeric(s);
    cd d[12];
    for (int i = 0; i < 12; ++i) d[i] = FromNumeric(ends[i]);
    // The ratios of the rods are even in k: the root with Re k >= 0 is taken.
    const cd k = sc.real() >= 0.0 ? sc : -sc;
    axial_ = Rod{k / e.WaveAxial, d[0], d[6]};
    torsion_ = Rod{k / e.WaveTorsion, d[3], d[9]};
    // Plane 0 bends along local y (rotation about z = v'), plane 1 along local z
    // (rotation about y = -w').
    plane0_ = SolveBeam(e.BendCoefZ, sc, length_, {d[1], d[5], d[7], d[11]});
    plane1_ = SolveBeam(e.BendCoefY, sc, length_, {d[2], -d[4], d[8], -d[10]});
}

std::array<cd, 6> MemberField::At(double x) const {
    const std::array<cd, 2> v = plane0_.At(x, length_);
    const std::array<cd, 2> w = plane1_.At(x, length_);
    const std::array<cd, 6> out{axial_.At(x, length_),   v[0],  w[0],
                                torsion_.At(x, length_), -w[1], v[1]};
    for (const cd& z : out) CheckFinite(z);
    return out;
}

std::vector<double> InnerStations(double length, int count) {
    std::vector<double> x(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) x[static_cast<std::size_t>(i)] = length * (i + 1) / (count + 1);
    return x;
}

numeric::ComplexMatrix StationSpectra(const ImpactSolution& solution, int element,
                                      const std::vector<double>& stations, StationValues values,
                                      int line) {
    const Model& model = solution.Structure();
    if (element < 0 || element >= model.ElementCount())
        throw numeric::ComputationFailure(numeric::kOutOfRange,
                                          "element " + std::to_string(element) + " does not exist");
    const ElementRecord& e = model.Elements[static_cast<std::size_t>(element)];
    for (const int node : e.EndNode)
        if (!solution.HoldsNode(node))
            throw numeric::ComputationFailure(
                numeric::kOutOfRange,
                "the solution does not hold the spectra of node " + std::to_string(node));
    if (line < 0 || line >= solution.Lines())
        throw numeric::ComputationFailure(numeric::kOutOfRange, "no such line of transform points");
    const int per = values == StationValues::All ? 6 : 3;
    const int points = solution.PointsPerLine();
    numeric::ComplexMatrix out(per * static_cast<int>(stations.size()), points);
    numeric::Complex global[12], local[12];
    const bool released = HasReleases(e);
    ElementWork work;
    numeric::ComplexMatrix stiffness(12, 12);
    for (int k = 0; k < points; ++k) {
        for (int c = 0; c < 12; ++c)
            global[c] = solution.Spectrum(line, e.EndNode[c / 6], c % 6)[k];
        RotateVector12(e.RotMatrix, global, local);
        const numeric::Complex s = solution.Settings().TransformPoint(k, line);
        if (released) {
            // Where the member is released its end moves on its own, not with the node:
            // u_r = -k_rr^-1 k_rc u_c from the member's condensation at s.
            ElemStiffDyn(s, e, work, stiffness);
            numeric::Complex own[12];
            for (int c = 0; c < 12; ++c) {
                own[c] = local[c];
                if (!e.Released[static_cast<std::size_t>(c)]) continue;
                cd sum = 0.0;
                for (int j = 0; j < 12; ++j)
                    sum += cd(work.recovery(c, j).re, work.recovery(c, j).im) *
                           cd(local[j].re, local[j].im);
                own[c] = numeric::Complex{sum.real(), sum.imag()};
            }
            std::copy(own, own + 12, local);
        }
        const MemberField field(e, s, local);
        for (std::size_t i = 0; i < stations.size(); ++i) {
            const std::array<cd, 6> u = field.At(stations[i]);
            // Element components back to global: RotMatrixT times each triple.
            for (int c = 0; c < per; ++c) {
                const int o = c < 3 ? 0 : 3;
                const int r = c - o;
                const cd g = e.RotMatrixT[r][0] * u[o] + e.RotMatrixT[r][1] * u[o + 1] +
                             e.RotMatrixT[r][2] * u[o + 2];
                out(per * static_cast<int>(i) + c, k) = numeric::Complex{g.real(), g.imag()};
            }
        }
    }
    return out;
}

HistoryResult StationHistories(const ImpactSolution& solution, int element,
                               const std::vector<double>& stations, StationValues values,
                               const InverseTransform& inverse) {
    if (!solution.Complete() || !solution.AllPoints())
        throw numeric::ComputationFailure(numeric::kOutOfRange,
                                          "no complete dynamic result: run the analysis again");
    if (!inverse.Fits(solution.Settings()))
        throw numeric::ComputationFailure(numeric::kOutOfRange,
                                          "the inverse transform was made for other settings");
    std::vector<numeric::ComplexMatrix> spectra;
    for (int line = 0; line < solution.Lines(); ++line)
        spectra.push_back(StationSpectra(solution, element, stations, values, line));
    return InvertSpectra(inverse, spectra);
}

}  // namespace fem
