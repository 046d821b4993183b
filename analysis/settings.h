#pragma once
// The settings of one impact analysis, and the transform points they place.
// Transform points s_k = gamma + i 2 pi k / Te, k = 0 .. Nw/2 (gamma = GammaTe / Te);
// time instants t_j = j Te / Nw, j = 0 .. Nw - 1. Units s.
#include <string>

#include "numeric/complex.h"

namespace fem {

// The second line of transform points of the aliasing correction lies kAliasingShift / Te
// to the right of the first: s'_k = (GammaTe + kAliasingShift) / Te + i 2 pi k / Te.
inline constexpr double kAliasingShift = 3.0;

struct AnalysisSettings {
    int Nw = 512;                  // number of time points: a power of two, 4 .. 16384
    double GammaTe = 5.0;          // gamma * Te
    double Te = 0.001;             // time span of the response, s
    double Tau = 0.0;              // rise time of the step loads as a fraction of Te
    bool CorrectAliasing = false;  // also solve the second line of transform points
    int Threads = 0;               // worker threads; 0: one per processor core

    [[nodiscard]] int Lines() const { return CorrectAliasing ? 2 : 1; }
    [[nodiscard]] int PointsPerLine() const { return Nw / 2 + 1; }
    [[nodiscard]] int Points() const { return Lines() * PointsPerLine(); }
    // Point k of line 0 or of line 1 (the second line of the aliasing correction).
    [[nodiscard]] numeric::Complex TransformPoint(int k, int line = 0) const;
};

// Transform points of one impact solution: Nw/2 + 1, twice that with the second line.
inline int DynamicPointCount(int Nw, bool secondLine) {
    return (secondLine ? 2 : 1) * (Nw / 2 + 1);
}

// Why the settings cannot be used ("" when they can): an Nw that is not a power of two
// from 4 to 16384, a Te or GammaTe that is not a positive finite number.
[[nodiscard]] std::string SettingsProblem(const AnalysisSettings& settings);

// F(s) = e^(-s Te/10) / (s (1 + s Tau Te)), the transform of a unit step delayed by Te/10
// rising with time constant Tau Te.
[[nodiscard]] numeric::Complex StepLoadTransform(numeric::Complex s, double Te, double Tau);

// The load rise time of the analysis form: a text that is not a number gives 0; a value
// below 0 or above 0.1 becomes 0.1.
double TauFromText(const std::string& text);
double ClampTau(double tau);

// Worker threads for a request: threads when positive, else one per processor core.
[[nodiscard]] int ThreadsFor(int threads);

}  // namespace fem
