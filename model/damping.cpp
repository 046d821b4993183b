#include "model/damping.h"

#include <cmath>

#include "numeric/constants.h"

namespace fem {

RayleighCoefficients RayleighOf(const Damping& d) {
    if (d.Given == Damping::Form::Rayleigh) return {d.Alpha, d.Beta};
    const double w1 = numeric::TwoPi * d.AtHz[0];
    const double w2 = numeric::TwoPi * d.AtHz[1];
    return {2.0 * d.Ratio * w1 * w2 / (w1 + w2), 2.0 * d.Ratio / (w1 + w2)};
}

std::string DampingProblem(const Damping& d) {
    if (d.Given == Damping::Form::Rayleigh) {
        if (!std::isfinite(d.Alpha) || d.Alpha < 0.0) return "alpha must be a number of 0 or more";
        if (!std::isfinite(d.Beta) || d.Beta < 0.0) return "beta must be a number of 0 or more";
        return "";
    }
    if (!std::isfinite(d.Ratio) || d.Ratio < 0.0) return "the ratio must be a number of 0 or more";
    for (int i = 0; i < 2; ++i)
        if (!std::isfinite(d.AtHz[i]) || d.AtHz[i] <= 0.0)
            return "the frequencies at_hz must be numbers above 0";
    const RayleighCoefficients r = RayleighOf(d);
    if (!std::isfinite(r.Alpha) || !std::isfinite(r.Beta))
        return "the frequencies at_hz give no finite alpha and beta";
    return "";
}

}  // namespace fem
