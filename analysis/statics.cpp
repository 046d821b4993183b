#include "analysis/statics.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <cmath>
#include <new>
#include <string>
#include <tuple>

#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/node_terms.h"
#include "numeric/failure.h"

namespace fem {

using numeric::CheckFinite;
using numeric::ComputationFailure;

namespace {

// A pivot of the static stiffness at most this fraction of the diagonal entry it began as
// is taken as zero: what is left of a rigid motion after rounding (about 1E-16 of the
// entries times the condition of the elimination), far below the smallest pivot of a
// structure that holds (a 10 mm bar 10 m long bends with 1E-6 of its axial stiffness).
constexpr double kMechanismPivot = 1e-12;

Outcome Failure(OutcomeKind kind, std::string detail) {
    Outcome o;
    o.Kind = kind;
    o.Detail = std::move(detail);
    return o;
}

// Solves into out.NodeDisp (which holds the prescribed displacements on entry).
Outcome Solve(const Model& model, const DofNumbering* given, StaticSolution& out) {
    DofNumbering made;
    std::unique_ptr<GlobalPattern> pattern;
    try {
        if (!given) made = NumberDofs(model);
        const DofNumbering& numbering = given ? *given : made;
        pattern = std::make_unique<GlobalPattern>(model, numbering);
    } catch (const ComputationFailure& f) {
        return Failure(
            f.Number() == numeric::kOverflow ? OutcomeKind::WouldNotFit : OutcomeKind::BadNumbering,
            f.what());
    }
    const int free = pattern->Order();
    if (free == 0) return Failure(OutcomeKind::NoFreeDof, "no free degree of freedom");
    // The static stiffness is real, symmetric and positive (semi-)definite: LDL^T
    // without pivoting; an exactly zero pivot is a mechanism.
    Eigen::SparseMatrix<double, Eigen::ColMajor, int> K(free, free);
    K.resizeNonZeros(pattern->NonZeros());
    std::copy(pattern->ColumnStarts().begin(), pattern->ColumnStarts().end(), K.outerIndexPtr());
    std::copy(pattern->RowIndices().begin(), pattern->RowIndices().end(), K.innerIndexPtr());
    Eigen::VectorXd b(free);
    ElementWork work;
    numeric::RealMatrix ke(12, 12);
    const DofNumbering& numbering = given ? *given : made;
    try {
        AssembleStatic(*pattern, model, numbering, work, ke, K.valuePtr(), b.data());
    } catch (const ComputationFailure& f) {
        return Failure(OutcomeKind::NotFinite, f.what());
    }
    auto mechanism = [&](int equation) {
        Outcome o = Failure(OutcomeKind::SingularMatrix, "a mechanism in the static solution");
        if (equation >= 0) std::tie(o.Node, o.Dof) = numbering.DofOwner[equation];
        return o;
    };
    if (const int row = ZeroRow(*pattern, K.valuePtr()); row >= 0) return mechanism(row);
    try {
        if (const auto [node, dof] = FindLooseJoint(model, numbering, false); node >= 0) {
            Outcome o = mechanism(-1);
            o.Node = node;
            o.Dof = dof;
            return o;
        }
    } catch (const ComputationFailure& f) {
        return Failure(OutcomeKind::NotFinite, f.what());
    }
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double, Eigen::ColMajor, int>, Eigen::Lower,
                          Eigen::AMDOrdering<int>>
        ldlt(K);
    const Eigen::VectorXd& D = ldlt.vectorD();
    const auto& order = ldlt.permutationP().indices();  // new position of each equation
    if (ldlt.info() != Eigen::Success) {
        // The elimination stopped at its first exactly zero pivot.
        for (int k = 0; k < D.size(); ++k)
            if (D[k] == 0.0)
                for (int r = 0; r < free; ++r)
                    if (order[r] == k) return mechanism(r);
        return mechanism(-1);
    }
    // A mechanism held by nothing but rounding: a pivot at the rounding of its own row.
    for (int r = 0; r < free; ++r) {
        const int k = order[r];
        if (std::fabs(D[k]) <= kMechanismPivot * std::fabs(K.coeff(r, r))) return mechanism(r);
    }
    const Eigen::VectorXd x = ldlt.solve(b);
    for (int r = 0; r < free; ++r)
        if (!std::isfinite(x[r])) return Failure(OutcomeKind::NotFinite, "the static solution");
    for (int r = 0; r < free; ++r) {
        const auto [n, j] = numbering.DofOwner[r];
        out.NodeDisp[n][j] = x[r];
    }
    return Outcome{};
}

StaticElementResult ElementResults(const ElementRecord& el,
                                   const std::vector<std::array<double, 6>>& nodeDisp,
                                   ElementWork& work, numeric::RealMatrix& K) {
    ElemStiffStat(el, work, K);
    double u[12];
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < 6; ++j) u[6 * side + j] = nodeDisp[el.EndNode[side]][j];
    double f[12];
    numeric::MatVecReal(12, f, K, u);
    StaticElementResult r;
    for (int c = 0; c < 12; ++c) r.EndForceGlobal[c] = f[c];
    RotateVector12(el.RotMatrix, f, r.EndForceLocal.data());
    RotateVector12(el.RotMatrix, u, r.EndDispLocal.data());
    if (HasReleases(el)) {
        // The member's own end displacements where it is released.
        std::array<double, 12> own = r.EndDispLocal;
        for (int c = 0; c < 12; ++c) {
            if (!el.Released[c]) continue;
            double sum = 0.0;
            for (int j = 0; j < 12; ++j) sum += work.realRecovery(c, j) * r.EndDispLocal[j];
            own[c] = sum;
        }
        r.EndDispLocal = own;
    }
    for (int c = 0; c < 6; ++c) r.EndForceLocal[c] = -r.EndForceLocal[c];
    return r;
}

std::shared_ptr<const StaticSolution> Solution(const Model& model, const DofNumbering* numbering) {
    auto solution = std::make_shared<StaticSolution>();
    StaticSolution& out = *solution;
    out.ModelRevision = model.Revision();
    try {
        out.NodeDisp.resize(model.Nodes.size());
        out.SpringForce.assign(model.Nodes.size(), std::array<double, 6>{});
        for (int i = 0; i < model.NodeCount(); ++i) out.NodeDisp[i] = model.Nodes[i].FixedDisp;
        out.Result = Solve(model, numbering, out);
        if (out.Result.Complete()) {
            for (int i = 0; i < model.NodeCount(); ++i)
                for (int j = 0; j < 6; ++j) {
                    const NodeRecord& n = model.Nodes[i];
                    if (n.Springs[j] != 0.0 && !n.BcCode[j].empty() && n.BcCode[j][0] == 'p')
                        out.SpringForce[i][j] = n.Springs[j] * out.NodeDisp[i][j];
                }
            ElementWork work;
            numeric::RealMatrix K(12, 12);
            out.Elements.reserve(model.Elements.size());
            for (const ElementRecord& el : model.Elements)
                out.Elements.push_back(ElementResults(el, out.NodeDisp, work, K));
        }
    } catch (const ComputationFailure& f) {
        out.Result = Failure(OutcomeKind::NotFinite, f.what());
    } catch (const std::bad_alloc&) {
        out.Result = Failure(OutcomeKind::OutOfMemory, "the static solution");
    }
    if (!out.Result.Complete()) {
        out.Elements.clear();
        out.SpringForce.assign(model.Nodes.size(), std::array<double, 6>{});
        for (int i = 0; i < model.NodeCount(); ++i) out.NodeDisp[i] = model.Nodes[i].FixedDisp;
    }
    return solution;
}

}  // namespace

std::shared_ptr<const StaticSolution> SolveStatic(const Model& model) {
    return Solution(model, nullptr);
}

std::shared_ptr<const StaticSolution> SolveStatic(const Model& model,
                                                  const DofNumbering& numbering) {
    if (numbering.DofCount != 6 * model.NodeCount() ||
        static_cast<int>(numbering.DofMap.size()) != model.NodeCount())
        return Solution(model, nullptr);
    return Solution(model, &numbering);
}

StaticElementResult StaticElementResults(const Model& model, int e,
                                         const std::vector<std::array<double, 6>>& nodeDisp) {
    if (e < 0 || e >= model.ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(e) + " does not exist");
    const ElementRecord& el = model.Elements[e];
    for (int n : el.EndNode)
        if (n < 0 || n >= static_cast<int>(nodeDisp.size()))
            throw ComputationFailure(
                numeric::kOutOfRange,
                "an element refers to node " + std::to_string(n) + ", which does not exist");
    ElementWork work;
    numeric::RealMatrix K(12, 12);
    return ElementResults(el, nodeDisp, work, K);
}

double StaticReaction(const Model& model, const StaticSolution& solution, int node, int dof) {
    double sum = 0.0;
    for (int k = 0; k < model.ElementCount() && k < static_cast<int>(solution.Elements.size()); ++k)
        for (int side = 0; side < 2; ++side)
            if (model.Elements[k].EndNode[side] == node)
                sum += solution.Elements[k].EndForceGlobal[6 * side + dof];
    return sum;
}

}  // namespace fem
