// The frequency response: one sparse factorisation per frequency, on the calling thread.
#include "analysis/frequency_response.h"

#include <Eigen/SparseCore>
#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "analysis/damped_element.h"
#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/sparse_solver.h"
#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

using numeric::ComputationFailure;

std::vector<double> LinearFrequencies(double fromHz, double toHz, int count) {
    if (count < 1)
        throw ComputationFailure(numeric::kInvalidArgument, "the count must be 1 or more");
    if (!std::isfinite(fromHz) || !std::isfinite(toHz) || fromHz < 0.0)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "the frequencies must be finite numbers of 0 Hz or more");
    if (toHz < fromHz)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "the last frequency must not lie below the first");
    std::vector<double> hz(count);
    for (int i = 0; i < count; ++i)
        hz[i] = count == 1 ? fromHz : fromHz + (toHz - fromHz) * i / (count - 1);
    if (count > 1) hz.back() = toHz;
    return hz;
}

namespace {

using Cd = std::complex<double>;
using ComplexSparse = Eigen::SparseMatrix<Cd, Eigen::ColMajor, int>;

Outcome Failure(OutcomeKind kind, std::string detail, int point = -1) {
    Outcome o;
    o.Kind = kind;
    o.Detail = std::move(detail);
    o.Point = point;
    return o;
}

// Whether K(i omega) is singular to working precision: ||A||_1 ||x||_1 / ||b||_1 bounds
// its condition number from below, and beyond 1E-2 / epsilon the response is made of
// rounding errors (an undamped resonance hit as closely as double precision can: the
// factorisation does not break down there, it returns a huge number).
bool SingularToWorkingPrecision(const ComplexSparse& A, const Eigen::VectorXcd& b,
                                const Eigen::VectorXcd& x) {
    const double loads = b.lpNorm<1>();
    if (loads == 0.0) return false;
    double norm = 0.0;
    for (int c = 0; c < A.outerSize(); ++c) {
        double column = 0.0;
        for (ComplexSparse::InnerIterator it(A, c); it; ++it) column += std::abs(it.value());
        norm = std::max(norm, column);
    }
    return norm * x.lpNorm<1>() / loads > 1e-2 / std::numeric_limits<double>::epsilon();
}

}  // namespace

FrequencyResponse SolveFrequencyResponse(const Model& model, int node,
                                         const std::vector<double>& hz,
                                         AnalysisCallbacks* callbacks) {
    FrequencyResponse out;
    if (node < 0 || node >= model.NodeCount()) {
        out.Result =
            Failure(OutcomeKind::BadSettings, "node " + std::to_string(node) + " does not exist");
        return out;
    }
    try {
        const DofNumbering numbering = NumberDofs(model);
        const GlobalPattern pattern(model, numbering);
        const int order = pattern.Order();
        if (order == 0) {
            out.Result = Failure(OutcomeKind::NoFreeDof, "no free degree of freedom");
            return out;
        }
        ComplexSparse A(order, order);
        A.resizeNonZeros(pattern.NonZeros());
        std::copy(pattern.ColumnStarts().begin(), pattern.ColumnStarts().end(), A.outerIndexPtr());
        std::copy(pattern.RowIndices().begin(), pattern.RowIndices().end(), A.innerIndexPtr());
        Eigen::VectorXcd b = Eigen::VectorXcd::Zero(order);
        for (int r = 0; r < order; ++r) {
            const auto [n, j] = numbering.DofOwner[r];
            if (model.Nodes[n].BcCode[j] == "pf") b[r] = model.Nodes[n].LoadValue[j];
        }
        const std::vector<RayleighCoefficients> damping = ElementDampings(model);
        ElementWork work;
        numeric::ComplexMatrix ke(12, 12);
        ComplexSymmetricSolver solver(
            SymmetricPattern{order, A.outerIndexPtr(), A.innerIndexPtr()});
        Eigen::VectorXcd x(order);
        for (size_t i = 0; i < hz.size(); ++i) {
            if (StopRequested(callbacks)) {
                out.Result = Failure(OutcomeKind::Stopped, "", static_cast<int>(i));
                return out;
            }
            FrequencyPoint point;
            point.Hz = hz[i];
            const numeric::Complex s{0.0, numeric::TwoPi * hz[i]};
            try {
                AssembleDynamic(pattern, model, s, work, ke, A.valuePtr(), damping);
                // Refined against K inside Solve.
                solver.Factorize(A.valuePtr());
                solver.Solve(b.data(), x.data());
                if (SingularToWorkingPrecision(A, b, x))
                    throw ComputationFailure(numeric::kZeroPivot, "singular");
                for (int j = 0; j < 6; ++j) {
                    if (!numbering.IsFree(node, j)) continue;
                    const Cd v = x[numbering.DofMap[node][j]];
                    if (!std::isfinite(v.real()) || !std::isfinite(v.imag()))
                        throw ComputationFailure(numeric::kZeroPivot, "singular");
                    point.Response[j] = numeric::Complex{v.real(), v.imag()};
                }
            } catch (const ComputationFailure&) {
                // A singular K(i omega), or a member matrix with a pole right there.
                point.Resonance = true;
                point.Response = {};
            }
            out.Points.push_back(point);
            if (callbacks) {
                callbacks->Progress(static_cast<int>(i));
                callbacks->Yield();
            }
        }
    } catch (const ComputationFailure& f) {
        out.Result = Failure(OutcomeKind::BadNumbering, f.what());
    } catch (const std::bad_alloc&) {
        out.Result = Failure(OutcomeKind::OutOfMemory, "the frequency response");
    }
    return out;
}

}  // namespace fem
