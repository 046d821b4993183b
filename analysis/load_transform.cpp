#include "analysis/load_transform.h"

#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

namespace {

using Cd = std::complex<double>;

// Below this |z| the functions below are summed as series: 18 terms reach rounding.
constexpr double kSeriesBelow = 0.5;
constexpr int kSeriesTerms = 18;

// phi1(z) = (1 - e^-z) / z = integral from 0 to 1 of e^(-z u) du.
Cd Phi1(Cd z) {
    if (std::abs(z) >= kSeriesBelow) return (1.0 - std::exp(-z)) / z;
    // sum over n of (-z)^n / (n + 1)!
    Cd term = 1.0, sum = 1.0;
    for (int n = 1; n < kSeriesTerms; ++n) {
        term *= -z / static_cast<double>(n + 1);
        sum += term;
    }
    return sum;
}

// phi2(z) = (1 - e^-z (1 + z)) / z^2 = integral from 0 to 1 of u e^(-z u) du.
Cd Phi2(Cd z) {
    if (std::abs(z) >= kSeriesBelow) return (1.0 - std::exp(-z) * (1.0 + z)) / (z * z);
    // sum over n of (-z)^n (n + 1) / (n + 2)!
    Cd power = 1.0, sum = 0.5;
    double factorial = 2.0;
    for (int n = 1; n < kSeriesTerms; ++n) {
        power *= -z;
        factorial *= n + 2;
        sum += power * (n + 1.0) / factorial;
    }
    return sum;
}

// The integral of f(t) e^(-s t) over a segment from t0 of length h on which f goes
// linearly from f0 to f1.
Cd Segment(Cd s, double t0, double h, double f0, double f1) {
    const Cd z = s * h;
    return std::exp(-s * t0) * h * (f0 * Phi1(z) + (f1 - f0) * Phi2(z));
}

// A table as the sum of its segments (for |s| times its length below 1), or, where that
// sum would cancel (each segment's 1/s part against its neighbours'), as the sum of the
// steps and ramps it is made of, the ramps of a segment together:
// (1/s) [f_1 e^(-s t_1) + sum over segments of (f_(i+1) - f_i) e^(-s t_i) phi1(s h_i)],
// which also holds the last value for ever.
Cd Table(const std::vector<std::array<double, 2>>& p, Cd s) {
    const double length = p.back()[0] - p.front()[0];
    const double last = p.back()[1];
    if (std::abs(s) * length < 1.0) {
        Cd sum = 0.0;
        for (std::size_t i = 0; i + 1 < p.size(); ++i)
            sum += Segment(s, p[i][0], p[i + 1][0] - p[i][0], p[i][1], p[i + 1][1]);
        if (last != 0.0) {
            if (s == 0.0)
                throw numeric::ComputationFailure(numeric::kZeroPivot,
                                                  "a table that does not end at s = 0");
            sum += last * std::exp(-s * p.back()[0]) / s;
        }
        return sum;
    }
    Cd sum = p.front()[1] * std::exp(-s * p.front()[0]);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const double h = p[i + 1][0] - p[i][0];
        sum += (p[i + 1][1] - p[i][1]) * std::exp(-s * p[i][0]) * Phi1(s * h);
    }
    return sum / s;
}

// The transform of the history started at t = 0.
Cd Transform(const LoadHistory& h, Cd s) {
    switch (h.Kind) {
        case HistoryKind::Step:
            if (s == 0.0) throw numeric::ComputationFailure(numeric::kZeroPivot, "a step at s = 0");
            return 1.0 / (s * (1.0 + s * h.Rise));
        case HistoryKind::Rectangle:
            return h.Duration * Phi1(s * h.Duration);
        case HistoryKind::Triangle: {
            // (2 / T) (1 - e^(-s T / 2))^2 / s^2
            const double half = 0.5 * h.Duration;
            const Cd p = Phi1(s * half);
            return half * p * p;
        }
        case HistoryKind::HalfSine: {
            // w (1 + e^-sT) / ((s - i w)(s + i w)), w = pi / T; near s = +-i w, where both
            // vanish, as (T / 2i) [phi1((s - i w) T) - phi1((s + i w) T)].
            const double T = h.Duration, w = numeric::Pi / T;
            const Cd iw(0.0, w);
            if (std::abs(s - iw) * T < 1.0 || std::abs(s + iw) * T < 1.0)
                return T / Cd(0.0, 2.0) * (Phi1((s - iw) * T) - Phi1((s + iw) * T));
            return w * (1.0 + std::exp(-s * T)) / ((s - iw) * (s + iw));
        }
        case HistoryKind::Table:
            return Table(h.Points, s);
    }
    return 0.0;
}

}  // namespace

numeric::Complex HistoryTransform(const LoadHistory& history, numeric::Complex s, double delay) {
    if (const std::string why = HistoryProblem(history); !why.empty())
        throw numeric::ComputationFailure(numeric::kInvalidArgument, "load history: " + why);
    const Cd S(s.re, s.im);
    const Cd F = std::exp(-S * delay) * Transform(history, S);
    numeric::CheckFinite(F.real(), "a load history's transform");
    numeric::CheckFinite(F.imag(), "a load history's transform");
    return numeric::Complex{F.real(), F.imag()};
}

}  // namespace fem
