#pragma once
// One bar's free vibration at a circular frequency omega (internal to analysis/): its own
// clamped-clamped frequencies, its clamped modes and their end forces, and the exact
// displacements along it for given end displacements. Element components; actions 0
// axial, 1 torsion, 2 bending along local y (EIz, BendCoefZ), 3 bending along local z.
// A bar with Timoshenko bends as a Timoshenko member (TimoshenkoSectionOf) in actions 2
// and 3: its clamped modes and its fields come from the exact field along the member,
// near one of its own frequencies from the member divided at an inner node.
#include <array>

#include "analysis/timoshenko.h"
#include "model/model.h"

namespace fem::detail {

// Number of the bar's clamped-clamped frequencies of action below omega (rad/s).
int ClampedCountBelow(const ElementRecord& e, int action, double omega);
// The same over its four actions: the bar's share of J0.
int ClampedCountBelow(const ElementRecord& e, double omega);
// The lowest clamped-clamped frequency of the bar over its four actions, rad/s; for a
// Timoshenko bar a lower bound of it (TimoshenkoClampedFrequencyBound).
double LowestClampedFrequency(const ElementRecord& e);

// The exact bending field of a Timoshenko member at s = i Omega, in the signs of plane 0
// (deflection, rotation psi), as one piece or as two pieces meeting at an inner node, each
// solved from its end values (TimoshenkoFieldAt).
struct TimoshenkoPieces {
    TimoshenkoSection Section;
    double Omega = 0.0;
    double Length = 0.0;  // mm
    double Split = 0.0;   // length of the first piece; Length: one piece
    // Deflection and rotation at x = 0, Split and Length.
    std::array<double, 6> Values{};
    [[nodiscard]] std::array<double, 2> At(double x) const;
};

// The Order-th clamped mode of action, scaled to a largest deflection or twist of 1,
// at omega (its natural frequency, which fixes the shape of a bending mode).
struct ClampedMode {
    int Action = 0;
    int Order = 1;
    double Wave = 0.0;             // axial and torsion: n pi / L; bending: (omega^2 / beta)^(1/4)
    double Length = 0.0;           // mm
    std::array<double, 4> Coef{};  // bending: of cos, sin, e^(-a x), e^(-a (L - x))
    // Bending of a Timoshenko bar: the member divided where neither piece has a clamped
    // frequency near omega, its inner node moving with both ends clamped, and the end
    // forces (force, moment at x = 0, force, moment at x = L) in the signs of plane 0.
    bool Timoshenko = false;
    TimoshenkoPieces Pieces;
    std::array<double, 4> Ends{};
};
ClampedMode MakeClampedMode(const ElementRecord& e, int action, int order, double omega);
// The mode at x: {displacement, 0} of a rod; {deflection, rotation} of a bending mode, the
// rotation being the slope w' of an Euler-Bernoulli bar and psi of a Timoshenko one (about
// local z for action 2, about -y for action 3).
std::array<double, 2> ClampedModeAt(const ClampedMode& mode, double x);
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
    // A beam's deflection and slope (rotation) from its end deflections and slopes.
    struct Beam {
        // 0 cubic (omega L^2 / sqrt(beta) ~ 0), 1 Krylov functions, 2 waves, 3 Timoshenko
        int kind = 0;
        double a = 0.0;
        std::array<double, 4> c{};
        TimoshenkoPieces pieces;
        [[nodiscard]] std::array<double, 2> At(double x, double L) const;
    };
    static Beam SolveBeam(double a, double L, double w1, double t1, double w2, double t2);
    static Beam SolveTimoshenko(const ElementRecord& e, int plane, double omega, double w1,
                                double t1, double w2, double t2);

    double length_;
    Rod axial_, torsion_;
    Beam plane0_, plane1_;
};

}  // namespace fem::detail
