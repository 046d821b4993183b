#pragma once
// What drives the impact analysis at a transform point: the "pf" loads, each its size
// times the exact transform of its history (the step with the run's rise time where it
// names none), the strike of a dropped weight (its impulse, and its weight as a step),
// and the motion of the ground, which moves every fixed translational dof as a
// prescribed displacement and the far ends of the springs to the ground. Every history
// starts at Te/10. No Qt.
#include <array>
#include <complex>
#include <utility>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/node_terms.h"
#include "analysis/settings.h"
#include "model/model.h"

namespace fem {

// The transform of the ground's displacement along its direction at s: the history's
// transform (started at Te/10) for a displacement, divided by s^2 for an acceleration;
// 0 without ground motion. Raises numeric::ComputationFailure where the transform cannot
// be formed (s = 0 for a history that does not end).
[[nodiscard]] numeric::Complex GroundDisplacement(const Model& model, double Te,
                                                  numeric::Complex s);

// The loading of one model, resolved once for a run and read by any number of threads.
class DynamicLoading {
  public:
    // Raises numeric::ComputationFailure for a node or the ground naming a history the
    // model does not have.
    DynamicLoading(const Model& model, const DofNumbering& numbering,
                   const AnalysisSettings& settings);

    // The right side of the free dofs at s into b (FreeDofCount entries): the loads times
    // the transforms of their histories and the dropped weight's strike, less
    // K_fu(s) u_g(s) of the fixed dofs the ground moves, plus k (1 + beta s) u_g(s) of the
    // springs on free translations. damping as for AssembleDynamic; work and ke are the caller's
    // scratch.
    void RightSide(numeric::Complex s, const std::vector<RayleighCoefficients>& damping,
                   ElementWork& work, numeric::ComplexMatrix& ke, std::complex<double>* b) const;

    // Whether the ground moves, and the fixed dofs it moves: (node, dof) with the
    // direction's component along dof.
    [[nodiscard]] bool HasGround() const { return !moved_.empty(); }
    struct MovedDof {
        int Node = 0;
        int Dof = 0;
        double Component = 0.0;
    };
    [[nodiscard]] const std::vector<MovedDof>& Moved() const { return moved_; }
    // u_g(s) along the direction (GroundDisplacement).
    [[nodiscard]] numeric::Complex Ground(numeric::Complex s) const;

  private:
    struct Load {
        int Equation = 0;
        double Size = 0.0;
        int History = -1;  // index into histories_, -1: the run's step
    };
    const Model& model_;
    const DofNumbering& numbering_;
    double te_ = 0.0;
    double tau_ = 0.0;
    std::vector<Load> loads_;
    std::vector<const LoadHistory*> histories_;
    std::vector<MovedDof> moved_;
    std::array<double, 3> direction_{};  // of the ground motion, length 1
    std::vector<int> movedElements_;     // elements with an end the ground moves
    std::vector<StrikeLoad> strikes_;
    struct GroundSpring {
        int Equation = 0;
        double Stiffness = 0.0;  // times the direction's component
    };
    std::vector<GroundSpring> groundSprings_;  // springs on free translations
    double springBeta_ = 0.0;
};

}  // namespace fem
