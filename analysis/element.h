#pragma once
// Frame element matrices: the static 12 x 12 stiffness and the exact Laplace-domain
// 12 x 12 dynamic stiffness of a straight bar with distributed mass, in global
// components. Element dofs 0..5 at the first node, 6..11 at the second, each in the
// order ux, uy, uz, rx, ry, rz. Units mm, kgf, s; s in 1/s.
// The dynamic matrices neither overflow nor lose digits to cancellation, for members of
// any length at any s (|kappa L| from 0 to beyond 1E5, s = 0 included). Every routine
// raises numeric::ComputationFailure instead of producing an infinity or a NaN (a zero
// length, a natural frequency hit exactly on the imaginary axis).
#include "analysis/timoshenko.h"
#include "model/local_axes.h"
#include "model/model.h"
#include "numeric/complex.h"
#include "numeric/gauss.h"

namespace fem {

// Axial or torsion rod, Y = EA or GJ: 2 x 2, (Y/L) [[1, -1], [-1, 1]].
void RodStiffStat(double Y, double L, numeric::RealMatrix& k2);
// Cubic beam, order (deflection 1, rotation 1, deflection 2, rotation 2): 4 x 4.
// plane 0 bends in local x-y (EIz), plane 1 in local x-z (EIy, odd index sums negated).
void BeamStiffStat(double EI, double L, int plane, numeric::RealMatrix& k4);
// Rod with wave speed c (mm/s) at Laplace variable s: (Y s/c) [[coth, -csch], [-csch, coth]]
// of lambda = s L / c, by series for small lambda and through e^(-2 lambda) for large ones.
void RodStiffDyn(double c, double Y, numeric::Complex s, double L, numeric::ComplexMatrix& k2);
// Euler-Bernoulli beam with beta = EI / (mass per length) at s, the exact solution of
// EI w'''' + (EI/beta) s^2 w = 0 between clamped ends: power series in -s^2 L^4 / beta for
// short members, otherwise the closed form divided through by its growing exponentials.
// Same order and planes as BeamStiffStat; the block is exactly symmetric.
void BeamStiffDyn(double beta, double EI, numeric::Complex s, double L, int plane,
                  numeric::ComplexMatrix& k4);

// K = diag(RT, RT, RT, RT) k diag(R, R, R, R) for a local 12 x 12 k; t is 12 x 12 scratch.
void RotateBlocks(const Mat3& R, const Mat3& RT, const numeric::RealMatrix& k,
                  numeric::RealMatrix& t, numeric::RealMatrix& K);
void RotateBlocks(const Mat3& R, const Mat3& RT, const numeric::ComplexMatrix& k,
                  numeric::ComplexMatrix& t, numeric::ComplexMatrix& K);
// out = diag(R, R, R, R) in for 12-vectors: global components to element components.
void RotateVector12(const Mat3& R, const double* in, double* out);
void RotateVector12(const Mat3& R, const numeric::Complex* in, numeric::Complex* out);

// Condenses the released end forces of e (ElementRecord::Released) out of its local
// 12 x 12 stiffness k (element components, before the rotation): with r the released
// and c the kept dofs, k_cc - k_cr k_rr^-1 k_rc, the rows and columns of r zero. The
// released dofs are eliminated action by action (axial, torsion, each bending plane: at
// most two each, ReleaseFault), each group by the inverse of its 1 x 1 or 2 x 2 block
// (the adjugate over the determinant, so that nothing divides by a single entry that may
// vanish where the determinant does not); the result is exactly symmetric. recovery
// (12 x 12, when given) receives the member's own end displacements of the released
// dofs from the kept ones, u_r = -k_rr^-1 k_rc u_c, in the rows of r (0 elsewhere).
// Pivot check: raises numeric::ComputationFailure (kZeroPivot) when a pivot is 0 or a
// determinant is lost in rounding against its terms: a frequency of the member with its
// released dofs free and the others clamped hit exactly (only on the imaginary axis).
// Returns the number of negative eigenvalues of the real part of k_rr (the count of
// natural frequencies needs it at s = i omega, where k is real).
int CondenseReleases(const ElementRecord& e, numeric::ComplexMatrix& k,
                     numeric::ComplexMatrix* recovery = nullptr);
int CondenseReleases(const ElementRecord& e, numeric::RealMatrix& k,
                     numeric::RealMatrix* recovery = nullptr);

// Work arrays of the element matrices, so that a solution allocates nothing per element
// or transform point. One per thread.
struct ElementWork {
    numeric::ComplexMatrix k2{2, 2};
    numeric::ComplexMatrix k4{4, 4};
    numeric::ComplexMatrix local{12, 12};
    numeric::ComplexMatrix t{12, 12};
    numeric::RealMatrix realK2{2, 2};
    numeric::RealMatrix realK4{4, 4};
    numeric::RealMatrix realLocal{12, 12};
    numeric::RealMatrix realT{12, 12};
    // Of the last ElemStiffDyn or ElemStiffStat of a member with releases: the recovery
    // of CondenseReleases (element components) and, dynamic, its count of negative
    // eigenvalues of k_rr.
    numeric::ComplexMatrix recovery{12, 12};
    numeric::RealMatrix realRecovery{12, 12};
    int releasedNegatives = 0;
};

// The bending of element e in plane 0 (deflection along local y: EIz, shear area Ay,
// rotary inertia w Iz / g) or plane 1 (along local z: EIy, Az, w Iy / g) as a Timoshenko
// member; a shear area of 0 makes it rigid in shear (kGA infinite) in that plane.
TimoshenkoSection TimoshenkoSectionOf(const ElementRecord& e, int plane);

// The element's static stiffness in global components into K12 (sized 12 x 12 if needed),
// its released end forces condensed out (CondenseReleases). An element with Timoshenko
// bends by the shear-flexible blocks (TimoshenkoStiffStat, TimoshenkoStiffDyn) in both
// planes, any other by BeamStiffStat and BeamStiffDyn.
void ElemStiffStat(const ElementRecord& e, ElementWork& work, numeric::RealMatrix& K12);
// The element's dynamic stiffness at s in global components into K12, its released end
// forces condensed out.
void ElemStiffDyn(numeric::Complex s, const ElementRecord& e, ElementWork& work,
                  numeric::ComplexMatrix& K12);

}  // namespace fem
