#pragma once
// The static solution: every free dof loaded with its LoadValue, every fixed dof held at
// its FixedDisp ("u" values), the static stiffness factorised by Eigen's SimplicialLDLT.
// An immutable value like the impact solution (analysis/impact.h). Units mm, kgf, s.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/outcome.h"
#include "model/model.h"

namespace fem {

// An element's static end forces and displacements (dofs 0 .. 11 as in the element
// matrices).
struct StaticElementResult {
    std::array<double, 12> EndForceGlobal{};  // K u in global components
    // Element components, the first node's six negated (internal forces).
    std::array<double, 12> EndForceLocal{};
    // End displacements in element components: the member's own at a released end (the
    // released components follow from the kept ones), else the node's.
    std::array<double, 12> EndDispLocal{};
};

struct StaticSolution {
    Outcome Result;
    std::uint64_t ModelRevision = 0;
    // Displacements (mm, rad) of every node; after a failure the fixed dofs' FixedDisp and
    // 0 elsewhere.
    std::vector<std::array<double, 6>> NodeDisp;
    std::vector<StaticElementResult> Elements;  // empty after a failure
    // The force in every spring to the ground, k u (kgf, kgf mm), per node and dof: the
    // reaction of a spring support is its negative. 0 where there is no spring, on fixed
    // dofs (the support holds them) and after a failure.
    std::vector<std::array<double, 6>> SpringForce;

    [[nodiscard]] bool Complete() const { return Result.Complete(); }
    [[nodiscard]] bool BelongsTo(const Model& model) const {
        return Complete() && model.Revision() == ModelRevision;
    }
};

// Never throws for a failure of the solution; the outcome says what happened.
[[nodiscard]] std::shared_ptr<const StaticSolution> SolveStatic(const Model& model);
// The same with the numbering of model already made (by NumberDofs).
[[nodiscard]] std::shared_ptr<const StaticSolution> SolveStatic(const Model& model,
                                                                const DofNumbering& numbering);

// The static reaction of fixed dof (node, dof): the sum of the global end forces of the
// elements at the node (0 for a node no element joins). Only for a complete solution.
[[nodiscard]] double StaticReaction(const Model& model, const StaticSolution& solution, int node,
                                    int dof);

// The static results of element e (0 .. ElementCount - 1) of model from the node
// displacements.
[[nodiscard]] StaticElementResult StaticElementResults(
    const Model& model, int e, const std::vector<std::array<double, 6>>& nodeDisp);

}  // namespace fem
