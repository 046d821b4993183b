#include "analysis/settings.h"

#include <cmath>
#include <thread>

#include "numeric/constants.h"
#include "numeric/numbertext.h"

namespace fem {

numeric::Complex AnalysisSettings::TransformPoint(int k, int line) const {
    const double re = line == 0 ? GammaTe / Te : (GammaTe + kAliasingShift) / Te;
    return numeric::CMake(re, k * numeric::TwoPi / Te);
}

std::string SettingsProblem(const AnalysisSettings& s) {
    if (s.Nw < 4 || s.Nw > 16384 || (s.Nw & (s.Nw - 1)) != 0)
        return "the number of time points must be a power of two from 4 to 16384, not " +
               std::to_string(s.Nw);
    if (!(s.Te > 0.0) || !std::isfinite(s.Te) || !std::isfinite(s.GammaTe / s.Te))
        return "the time span Te must be a positive number of seconds";
    if (!std::isfinite(s.GammaTe)) return "gamma x Te must be a finite number";
    return "";
}

numeric::Complex StepLoadTransform(numeric::Complex s, double Te, double Tau) {
    const numeric::Complex q =
        numeric::CAdd(numeric::Complex{1.0, 0.0}, numeric::CScale(Te * Tau, s));
    const numeric::Complex d = numeric::CExp(numeric::CScale(-0.1 * Te, s));
    return numeric::CDiv(d, numeric::CMul(s, q));
}

double ClampTau(double tau) {
    if (tau < 0.0 || tau > 0.1) return 0.1;
    return tau;
}

double TauFromText(const std::string& text) {
    double v = 0.0;
    if (!numeric::ParseNumber(text, v)) v = 0.0;  // not a number
    return ClampTau(v);
}

int ThreadsFor(int threads) {
    if (threads > 0) return threads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace fem
