#pragma once
// Damping of a material, exact in the Laplace domain: Rayleigh damping, the inertia
// rho (s^2 + alpha s) and the moduli E (1 + beta s), G (1 + beta s). It is given either
// by alpha and beta or by a damping ratio at two frequencies, which the analysis turns
// into alpha and beta by the usual formulas (RayleighOf). Units s, Hz.
#include <array>
#include <string>

namespace fem {

struct Damping {
    enum class Form { Rayleigh, Ratio };
    Form Given = Form::Rayleigh;
    double Alpha = 0.0;            // Rayleigh: 1/s
    double Beta = 0.0;             // Rayleigh: s
    double Ratio = 0.0;            // Ratio: the damping ratio zeta at both frequencies
    std::array<double, 2> AtHz{};  // Ratio: f1, f2 (Hz)

    bool operator==(const Damping& o) const {
        return Given == o.Given && Alpha == o.Alpha && Beta == o.Beta && Ratio == o.Ratio &&
               AtHz == o.AtHz;
    }
    bool operator!=(const Damping& o) const { return !(*this == o); }
};

// The Rayleigh coefficients of a damping: alpha and beta as given, or from a ratio zeta
// at f1 and f2 with w = 2 pi f: alpha = 2 zeta w1 w2 / (w1 + w2), beta = 2 zeta / (w1 + w2),
// which damp w1 and w2 by zeta exactly.
struct RayleighCoefficients {
    double Alpha = 0.0;
    double Beta = 0.0;
    [[nodiscard]] bool None() const { return Alpha == 0.0 && Beta == 0.0; }
};
[[nodiscard]] RayleighCoefficients RayleighOf(const Damping& damping);

// Why the damping cannot be used ("" when it can), naming the value: alpha, beta or the
// ratio below 0 or not a finite number, a frequency not above 0.
[[nodiscard]] std::string DampingProblem(const Damping& damping);

}  // namespace fem
