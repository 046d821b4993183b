#pragma once
// What the nodes add to the structure besides its members (internal to analysis/):
// springs to the ground and lumped masses on the diagonal of the global matrices, the
// dropped weight's mass and its loads, and the check that every joint of released
// members is held. Units mm, kgf, s.
#include <array>
#include <utility>
#include <vector>

#include "analysis/dof_numbering.h"
#include "model/model.h"
#include "numeric/complex.h"

namespace fem {

// Rayleigh damping of the node terms: masses m (s^2 + Alpha s), springs k (1 + Beta s).
struct NodeDamping {
    double Alpha = 0.0;
    double Beta = 0.0;
};
// The model-wide damping's alpha and beta (Model::ModelDamping), or none.
NodeDamping NodeDampingOf(const Model& model);

// The entry a node's dof adds to the diagonal of the dynamic matrix at s: its spring
// stiffness k and mass m as k (1 + Beta s) + m (s^2 + Alpha s).
numeric::Complex NodeDynamicDiagonal(double stiffness, double mass, numeric::Complex s,
                                     const NodeDamping& damping = {});

// The masses of node's six dofs (kgf s^2 / mm on the translations, kgf s^2 mm on the
// rotations): its weight and rotary inertias divided by g, and the dropped weight's
// mass on the translations of the node it strikes.
std::array<double, 6> NodeMasses(const Model& model, int node);

// The loads of the dropped weight on the free dofs it strikes: per equation the impulse
// (W / g) v_j, whose transform is that times StrikeTransform, and with Gravity the size of
// the step load W v_j / |v| from the strike on, times StrikeTransform / s.
struct StrikeLoad {
    int Equation = 0;
    double Impulse = 0.0;  // kgf s
    double Step = 0.0;     // kgf
};
std::vector<StrikeLoad> StrikeLoads(const Model& model, const DofNumbering& numbering);
// e^(-s Te/10): the transform of a unit impulse at the strike, t = Te/10.
numeric::Complex StrikeTransform(numeric::Complex s, double te);

// A joint held by nothing in some direction: every member at the node releases it, and
// neither a support, a spring nor (withMasses) a mass holds it there. The translations
// and the rotations of a node are checked apart (a member's released directions are
// translations or rotations, so what moves a node alone at no cost is one or the
// other), by the static stiffness of its members with their releases condensed out and
// its springs, on its free dofs. Only nodes where a member releases something are
// checked: elsewhere a dof held by nothing is a row of zeros of the global matrix.
// Returns the node and the dof (0 .. 5) of that direction's largest component, or
// (-1, -1) when every joint is held.
std::pair<int, int> FindLooseJoint(const Model& model, const DofNumbering& numbering,
                                   bool withMasses);

}  // namespace fem
