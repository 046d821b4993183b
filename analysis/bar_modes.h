#pragma once
// One bar's free vibration at a circular frequency omega (internal to analysis/): its own
// clamped-clamped frequencies, its clamped modes and their end forces, and the exact
// displacements along it for given end displacements. Element components; actions 0
// axial, 1 torsion, 2 bending along local y (EIz, BendCoefZ), 3 bending along local z.
#include <array>

#include "model/model.h"

namespace fem::detail {

// Number of the bar's clamped-clamped frequencies of action below omega (rad/s).
int ClampedCountBelow(const ElementRecord& e, int action, double omega);
// The same over its four actions: the bar's share of J0.
int ClampedCountBelow(const ElementRecord& e, double omega);
// The lowest clamped-clamped frequency of the bar over its four actions, rad/s.
double LowestClampedFrequency(const ElementRecord& e);

// The Order-th clamped mode of action, scaled to a largest deflection or twist of 1,
// at omega (its natural frequency, which fixes the shape of a bending mode).
struct ClampedMode {
    int Action = 0;
    int Order = 1;
    double Wave = 0.0;             // axial and torsion: n pi / L; bending: (omega^2 / beta)^(1/4)
    double Length = 0.0;           // mm
    std::array<double, 4> Coef{};  // bending: of cos, sin, e^(-a x), e^(-a (L - x))
};
ClampedMode MakeClampedMode(const ElementRecord& e, int action, int order, double omega);
// The mode's deflection (derivative 0) or its derivatives 1 .. 3 along x at x.
double ClampedModeAt(const ClampedMode& mode, double x, int derivative);
// The twelve end forces (element components, acting on the bar) the mode needs.
std::array<double, 12> ClampedModeEndForces(const ElementRecord& e, const ClampedMode& mode);

// The exact displacements along the bar vibrating at omega with the end displacements
// d (element components, dofs 0 .. 11), each action solved on its own. Near one of the
// bar's own clamped frequencies the amplitude of that clamped mode comes from the nearly
// singular solution; exactly at it (to rounding) that mode is left out.
class BarField {
  public:
    BarField(const ElementRecord& e, double omega, const double* d);
    // u, v, w, rx, ry, rz (element components) at x, 0 <= x <= L.
    [[nodiscard]] std::array<double, 6> At(double x) const;

  private:
    // A rod's u(x) = (u1 sin(k (L - x)) + u2 sin(k x)) / sin(k L).
    struct Rod {
        double k = 0.0, u1 = 0.0, u2 = 0.0;
        [[nodiscard]] double At(double x, double L) const;
    };
    // A beam's deflection and slope from its end deflections and slopes.
    struct Beam {
        int kind = 0;  // 0 cubic (omega L^2 / sqrt(beta) ~ 0), 1 Krylov functions, 2 waves
        double a = 0.0;
        std::array<double, 4> c{};
        [[nodiscard]] std::array<double, 2> At(double x, double L) const;
    };
    static Beam SolveBeam(double a, double L, double w1, double t1, double w2, double t2);

    double length_;
    Rod axial_, torsion_;
    Beam plane0_, plane1_;
};

}  // namespace fem::detail
