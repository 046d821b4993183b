#include "analysis/engine.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "analysis/element.h"
#include "analysis/engine_internal.h"
#include "analysis/global_matrix.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace fem {

using numeric::CheckFinite;
using numeric::Complex;
using numeric::ComputationFailure;

AnalysisState& Analysis() {
    static AnalysisState state;
    return state;
}

namespace detail {

Complex TransformPoint(const AnalysisState& a, int k) {
    return numeric::CMake(a.Gamma, k * numeric::TwoPi / a.Te);
}

Complex TransformPoint(const AnalysisState& a, int k, int line) {
    if (line == 0) return TransformPoint(a, k);
    return numeric::CMake((a.GammaTe + kAliasingShift) / a.Te, k * numeric::TwoPi / a.Te);
}

void CheckNumbering(const Model& model) {
    const AnalysisState& a = Analysis();
    if (static_cast<int>(a.DofMap.size()) != model.NodeCount() ||
        a.DofCount != 6 * model.NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the degree-of-freedom numbering does not match the structure");
    for (const ElementRecord& e : model.Elements) CheckEndNodes(model, e);
}

void CheckEndNodes(const Model& model, const ElementRecord& e) {
    for (int n : e.EndNode)
        if (n < 0 || n >= model.NodeCount())
            throw ComputationFailure(
                numeric::kOutOfRange,
                "an element refers to node " + std::to_string(n) + ", which does not exist");
}

std::shared_ptr<const GlobalPattern> PatternFor(const Model& model) {
    AnalysisState& a = Analysis();
    if (!a.Pattern || a.Pattern->Revision() != model.Revision() ||
        a.Pattern->Order() != a.FreeDofCount || a.Pattern->ElementCount() != model.ElementCount())
        a.Pattern = std::make_shared<const GlobalPattern>(model, a);
    return a.Pattern;
}

}  // namespace detail

namespace {

bool IsFree(const std::string& code) {
    return !code.empty() && code[0] == 'p';
}

}  // namespace

void NumberDofs(Model& model) {
    AnalysisState& a = Analysis();
    const int nodes = model.NodeCount();
    a.DofCount = 0;
    a.FreeDofCount = 0;
    a.DofMap.clear();
    a.DofOwner.clear();
    a.Pattern.reset();
    for (const ElementRecord& e : model.Elements) detail::CheckEndNodes(model, e);
    try {
        const int dofs = 6 * nodes;  // the model keeps NodeCount below INT_MAX / 6
        a.DofMap.assign(nodes, std::array<int, 6>{});
        a.DofOwner.assign(dofs, std::pair<int, int>{0, 0});
        a.DofCount = dofs;
        int top = a.DofCount - 1;
        for (int i = 0; i < nodes; ++i)
            for (int j = 0; j < 6; ++j) {
                if (IsFree(model.Nodes[i].BcCode[j])) {
                    a.DofMap[i][j] = a.FreeDofCount;
                    a.DofOwner[a.FreeDofCount] = {i, j};
                    ++a.FreeDofCount;
                } else {
                    a.DofMap[i][j] = top;
                    a.DofOwner[top] = {i, j};
                    --top;
                }
            }
        a.Pattern = std::make_shared<const GlobalPattern>(model, a);
    } catch (const std::bad_alloc&) {
        a.DofCount = 0;
        a.FreeDofCount = 0;
        a.DofMap.clear();
        a.DofOwner.clear();
        a.Pattern.reset();
        throw ComputationFailure(numeric::kOverflow,
                                 "not enough memory to number the " + std::to_string(6L * nodes) +
                                     " degrees of freedom and the pattern of the global matrix");
    }
}

std::string RunDynamic(Model& model, int Nw, double GammaTe, double Te,
                       AnalysisCallbacks* callbacks) {
    AnalysisState& a = Analysis();
    a.DynamicComplete = false;
    a.TablesReady = false;
    if (Nw < 4 || Nw > 16384 || (Nw & (Nw - 1)) != 0)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the number of time points must be a power of two from 4 to "
                                 "16384, not " +
                                     std::to_string(Nw));
    a.Nw = Nw;
    a.GammaTe = GammaTe;
    a.Te = Te;
    a.Gamma = GammaTe / Te;
    for (ElementRecord& e : model.Elements) BuildElementAxes(e);
    NumberDofs(model);
    return SolveLaplace(model, callbacks);
}

std::string SolveStatic(Model& model) {
    AnalysisState& a = Analysis();
    a.StaticRevision = 0;
    for (NodeRecord& n : model.Nodes) {
        n.StaticDisp = n.FixedDisp;
        n.StaticForce = n.LoadValue;
    }
    a.StopRequested = false;
    try {
        detail::CheckNumbering(model);
        const std::shared_ptr<const GlobalPattern> pattern = detail::PatternFor(model);
        const int free = pattern->Order();
        if (free == 0) throw ComputationFailure(numeric::kOutOfRange, "no free degree of freedom");
        // The static stiffness is real, symmetric and positive (semi-)definite: LDL^T
        // without pivoting; an exactly zero pivot is a mechanism.
        Eigen::SparseMatrix<double, Eigen::ColMajor, int> K(free, free);
        K.resizeNonZeros(pattern->NonZeros());
        std::copy(pattern->ColumnStarts().begin(), pattern->ColumnStarts().end(),
                  K.outerIndexPtr());
        std::copy(pattern->RowIndices().begin(), pattern->RowIndices().end(), K.innerIndexPtr());
        Eigen::VectorXd b(free);
        AssembleStatic(*pattern, model, a, a.ElemKStat, K.valuePtr(), b.data());
        Eigen::SimplicialLDLT<Eigen::SparseMatrix<double, Eigen::ColMajor, int>, Eigen::Lower,
                              Eigen::AMDOrdering<int>>
            ldlt(K);
        if (ldlt.info() != Eigen::Success)
            throw ComputationFailure(numeric::kDivisionByZero, "zero pivot in the static solution");
        const Eigen::VectorXd x = ldlt.solve(b);
        for (int r = 0; r < free; ++r) CheckFinite(x[r], "SolveStatic");
        for (int r = 0; r < free; ++r) {
            const auto [n, j] = a.DofOwner[r];
            model.Nodes[n].StaticDisp[j] = x[r];
        }
    } catch (...) {
        return kGaussError;
    }
    a.StaticRevision = model.Revision();
    return "";
}

bool DynamicResultsBelongTo(const Model& model) {
    const AnalysisState& a = Analysis();
    if (!a.DynamicComplete || a.DynamicRevision != model.Revision()) return false;
    for (const NodeRecord& n : model.Nodes)
        for (int line = 0; line < (a.AliasingCorrected ? 2 : 1); ++line) {
            const numeric::ComplexMatrix& spectrum = detail::LineSpectrum(n, line);
            if (spectrum.Rows() != 6 || spectrum.Cols() != a.Nw / 2 + 1) return false;
        }
    return true;
}

bool StaticResultsBelongTo(const Model& model) {
    return Analysis().StaticRevision != 0 && Analysis().StaticRevision == model.Revision();
}

void StaticElementResults(Model& model, int e) {
    if (e < 0 || e >= model.ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(e) + " does not exist");
    ElementRecord& el = model.Elements[e];
    detail::CheckEndNodes(model, el);
    AnalysisState& a = Analysis();
    ElemStiffStat(el, a.ElemKStat);
    double u[12];
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < 6; ++j) u[6 * side + j] = model.Nodes[el.EndNode[side]].StaticDisp[j];
    double f[12];
    numeric::MatVecReal(12, f, a.ElemKStat, u);
    for (int c = 0; c < 12; ++c) el.StaticEndForceGlobal[c] = f[c];
    RotateVector12(el.RotMatrix, f, el.StaticEndForceLocal.data());
    RotateVector12(el.RotMatrix, u, el.StaticEndDispLocal.data());
    for (int c = 0; c < 6; ++c) el.StaticEndForceLocal[c] = -el.StaticEndForceLocal[c];
}

AnalysisMessages RunAnalysis(Model& model, int Nw, double GammaTe, double Te, double Tau,
                             AnalysisCallbacks* callbacks) {
    Analysis().Tau = Tau;
    AnalysisMessages m;
    m.Dynamic = RunDynamic(model, Nw, GammaTe, Te, callbacks);
    m.Static = SolveStatic(model);
    for (int e = 0; e < model.ElementCount(); ++e) StaticElementResults(model, e);
    return m;
}

double ClampTau(double tau) {
    if (tau < 0.0 || tau > 0.1) return 0.1;
    return tau;
}

double TauFromText(const std::string& text) {
    double v = 0.0;
    if (!numeric::ParseNumber(text, v)) v = 0.0;  // not a number
    return ClampTau(v);
}

}  // namespace fem
