#pragma once
// Exact Timoshenko members (shear deformation and rotary inertia) in one bending plane:
// the static shear-flexible stiffness, the exact Laplace-domain dynamic stiffness, the
// number of clamped-clamped natural frequencies below a frequency, and the exact
// deflection and rotation along the member. Same dof order, signs and planes as
// BeamStiffStat / BeamStiffDyn (element.h): (deflection 1, rotation 1, deflection 2,
// rotation 2); plane 0 bends in local x-y, plane 1 in local x-z (the entries of odd index
// sum negated). Units mm, kgf, s; s in 1/s.
//
// Equations (Timoshenko 1921; in the Laplace domain with zero initial state):
//   kGA (w'' - psi') = rhoA s^2 w,   EI psi'' + kGA (w' - psi) = rhoI s^2 psi,
// shear force V = kGA (w' - psi), moment M = EI psi'. With x = L xi, u = w / L and
//   z^2 = rhoA s^2 L^4 / EI,  R = rhoI / (rhoA L^2),  S = EI / (kGA L^2)  (Phi = 12 S)
// the solutions e^(mu xi) have p = mu^2 a root of p^2 - z^2 (R + S) p + z^2 (1 + z^2 R S),
// the classical frequency equation of the member (as in the exact Timoshenko member of
// Howson & Williams, J. Sound Vib. 1973, without axial load). At s = i omega one root is
// p2 = 0 where 1 + z^2 R S = 0, at omega_c = sqrt(kGA / rhoI), the start of the second
// spectrum. The static block is the shear-flexible beam of Davis, Henshell & Warburton
// (J. Sound Vib. 22 (1972) 475); the count is that of Wittrick & Williams (Q. J. Mech.
// Appl. Math. 1971).
//
// The block is found from the two half problems of the member about its middle (Howson &
// Williams' symmetric and antisymmetric modes): with c = cosh(mu/2), sc = sinh(mu/2)/mu,
// both entire in p, sigma = (mu1 + mu2)/2, delta = (mu1 - mu2)/2, shc x = sinh x / x,
//   V = (c1 p2 sc2 - c2 p1 sc1) / (p1 - p2) = -(shc sigma + shc delta) / 4,
//   W = (c1 sc2 - c2 sc1) / (p1 - p2)       = (shc sigma - shc delta) / (4 mu1 mu2),
//   Es = V - z^2 S W,   Ea = S V - (1 + z^2 R S) W   (zero at the symmetric and the
//   antisymmetric clamped-clamped frequencies),
// the symmetric half stiffness is [-z^2 sc1 sc2, z^2 W; z^2 W, -c1 c2] / Es and the
// antisymmetric one [-c1 c2, -V; -V, -(1 + z^2 R S) sc1 sc2] / Ea. Their half sums give
// the diagonal blocks, their half differences the coupling, which simplifies (cosh^2 -
// sinh^2 = 1) to divided differences of F(p) = sinh(mu)/mu and p F(p) over Es Ea, so
// that nothing cancels for long members. V, p F and shc sigma shc delta are always taken
// in sigma and delta; W and the divided difference of F, each of which cancels in one of
// its forms, are taken
//   - by power series in p1 + p2 and p1 p2 where both roots are small (|mu| <= 2, s = 0
//     included: the static shear-flexible block);
//   - in mu1 and mu2 where one root is at most half the other (near omega_c);
//   - in sigma and delta otherwise (two large roots, a double root included).
// Every exponential is divided by e^((|Re mu1| + |Re mu2|) / 2) or its square, so that no
// length or frequency overflows. The entries depend on s^2 only: any complex s serves.
// Accuracy: the entries are exact to a few units of rounding times the conditioning of
// the problem in s, about max(1, |mu|) (the phase mu of a long member).
#include <array>

#include "numeric/complex.h"
#include "numeric/gauss.h"

namespace fem {

// One bending plane of a straight uniform member.
struct TimoshenkoSection {
    double EI = 0.0;    // bending stiffness, kgf mm^2
    double kGA = 0.0;   // shear stiffness G A_s (shear area A_s), kgf; infinity: rigid in shear
    double rhoA = 0.0;  // mass per length, kgf s^2 / mm^2
    double rhoI = 0.0;  // rotary inertia per length rho I, kgf s^2; 0: none
};

// Shear-flexible static stiffness, EI / ((1 + Phi) L^3) [12, 6L, -12, 6L; 6L, (4 + Phi) L^2,
// -6L, (2 - Phi) L^2; ...] with Phi = 12 EI / (kGA L^2): 4 x 4.
void TimoshenkoStiffStat(const TimoshenkoSection& section, double L, int plane,
                         numeric::RealMatrix& k4);
// Exact dynamic stiffness at s: 4 x 4, exactly symmetric, equal to the static block at
// s = 0 and to BeamStiffDyn when kGA is infinite and rhoI is 0.
void TimoshenkoStiffDyn(const TimoshenkoSection& section, numeric::Complex s, double L, int plane,
                        numeric::ComplexMatrix& k4);

// A lower bound (rad/s) of the lowest clamped-clamped natural frequency of a member of
// length L, from its Rayleigh quotient with the Wirtinger inequality for w and psi (both
// zero at the ends; the pure rotation psi = const is excluded by the clamps):
//   omega1^2 >= EI k^4 / (rhoA (1 + u) + rhoI k^2),  k = pi / L,
//   u = (B + sqrt(B^2 + 4a)) / 2,  a = EI k^2 / kGA,  B = a - 1 - rhoI k^2 / rhoA.
// Without shear flexibility and rotary inertia it is the first pinned-pinned frequency.
double TimoshenkoClampedFrequencyBound(const TimoshenkoSection& section, double L);

// Number of clamped-clamped natural frequencies of the member below omega (rad/s) in this
// plane (J0 of the Wittrick-Williams count). The member is halved until a half lies below
// its first clamped frequency by the bound above; a member of two equal halves counts
// twice the count of a half plus the negative eigenvalues of its middle node's stiffness,
// diag(2 K00, 2 K11) of a half (the couplings of the two halves cancel). Either family
// (the second spectrum above omega_c included) is counted; clamped ends admit no pure
// rotation mode. Fails (kOutOfRange) where the count would not fit in an int.
int TimoshenkoClampedCountBelow(const TimoshenkoSection& section, double L, double omega);

// The exact deflection and rotation at station x (0 <= x <= L) of the member at s with
// the end values ends = (deflection 1, rotation 1, deflection 2, rotation 2), in the
// plane's signs. Fails where s is a clamped-clamped natural frequency of the member.
// Near the double root of real s (mu1 = mu2, s about 2 sqrt(EI rhoA) / |rhoI - rhoA EI /
// kGA|, never on the imaginary axis) it loses log10 |mu1 + mu2| / |mu1 - mu2| digits.
std::array<numeric::Complex, 2> TimoshenkoFieldAt(const TimoshenkoSection& section,
                                                  numeric::Complex s, double L, int plane,
                                                  const numeric::Complex ends[4], double x);

}  // namespace fem
