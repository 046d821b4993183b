#pragma once
// The dynamic stiffness of a member with Rayleigh damping (model/damping.h), exact: with
// the inertia rho (s^2 + alpha s) and the moduli E (1 + beta s), G (1 + beta s), every
// block of the member (rods, beams) is its undamped block at s_eff times (1 + beta s),
//   K_damped(s) = (1 + beta s) K(s_eff),   s_eff^2 = (s^2 + alpha s) / (1 + beta s),
// since each depends on s only through s^2 rho / modulus. Undamped members keep
// ElemStiffDyn as it is.
#include <vector>

#include "analysis/element.h"
#include "model/model.h"

namespace fem {

// s_eff of a damping at s, the root with Re >= 0 (the blocks are even in s_eff).
[[nodiscard]] numeric::Complex EffectiveLaplaceVariable(numeric::Complex s,
                                                        const RayleighCoefficients& damping);

// The element's dynamic stiffness at s with the damping, in global components into K12;
// ElemStiffDyn itself when damping.None().
void DampedStiffDyn(numeric::Complex s, const ElementRecord& e, const RayleighCoefficients& damping,
                    ElementWork& work, numeric::ComplexMatrix& K12);

// The damping of every element of the model (Model::DampingOf), in element order; empty
// when no element is damped.
[[nodiscard]] std::vector<RayleighCoefficients> ElementDampings(const Model& model);

}  // namespace fem
