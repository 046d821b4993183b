#pragma once
// The impact (Laplace-domain) solution: the response of the structure to its "pf" step
// loads, solved exactly at every transform point of the settings (analysis/settings.h).
// "p" dofs are unloaded and "u" dofs held at zero. No Qt.
//
// The complex symmetric global matrices are sparse (only the 6 x 6 blocks of connected
// nodes) and factorised by Eigen; the transform points are solved by a pool of worker
// threads, each with its own matrix, factorisation and work arrays. Every point is
// solved the same way whichever worker takes it, so the spectra are the same to the bit
// for any number of threads.
//
// A solution is an immutable value: it keeps a copy of the structure it was computed for
// (shared, not copied again), the numbering, the settings and the spectra, so that any
// number of threads may compute histories from it at once (analysis/histories.h) while
// the program's own structure changes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/outcome.h"
#include "analysis/run_control.h"
#include "analysis/settings.h"
#include "model/model.h"
#include "numeric/matrix.h"

namespace fem {

// How a solution was run, for reports.
struct SolverReport {
    std::string Solver;         // the sparse solvers, e.g. "UMFPACK multifrontal LU (...)"
    int Threads = 0;            // worker threads used
    double EstimatedBytes = 0;  // memory the run was estimated to need
    double AvailableBytes = 0;  // memory the machine had available at its start
};

class ImpactSolution {
  public:
    [[nodiscard]] const Outcome& Result() const { return outcome_; }
    [[nodiscard]] bool Complete() const { return outcome_.Complete(); }
    [[nodiscard]] const AnalysisSettings& Settings() const { return settings_; }
    [[nodiscard]] const SolverReport& Report() const { return report_; }
    // The structure solved, and its revision when it was solved.
    [[nodiscard]] const Model& Structure() const { return *model_; }
    [[nodiscard]] std::uint64_t ModelRevision() const { return revision_; }
    // Whether the solution is complete and was computed for the present revision of model.
    [[nodiscard]] bool BelongsTo(const Model& model) const {
        return Complete() && model.Revision() == revision_;
    }
    [[nodiscard]] const DofNumbering& Numbering() const { return numbering_; }

    // Lines of transform points solved: 1, or 2 with the aliasing correction.
    [[nodiscard]] int Lines() const { return settings_.Lines(); }
    [[nodiscard]] int PointsPerLine() const { return settings_.PointsPerLine(); }
    // Whether the solution was asked for every transform point of its settings, or only
    // for some of them (SolveImpactPoints), which are then listed by Part().
    [[nodiscard]] bool AllPoints() const { return !isPart_; }
    [[nodiscard]] const std::vector<int>& Part() const { return part_; }
    // Whether the solution holds the spectra of node: every node, except in a solution
    // made of gathered spectra (SolutionFromSpectra).
    [[nodiscard]] bool HoldsNode(int node) const {
        return node >= 0 && node < static_cast<int>(nodeRow_.size()) && nodeRow_[node] >= 0;
    }
    // The displacement dof (0 .. 5) of node at the points 0 .. PointsPerLine() - 1 of line.
    // Points not solved (after a stop or a failure, or outside Part()) are 0. Only for a
    // node the solution holds.
    [[nodiscard]] const numeric::Complex* Spectrum(int line, int node, int dof) const {
        return spectra_[line].Row(nodeRow_[node] + dof);
    }

  private:
    friend class ImpactSolver;
    ImpactSolution() = default;

    Outcome outcome_;
    AnalysisSettings settings_;
    SolverReport report_;
    std::shared_ptr<const Model> model_;
    std::uint64_t revision_ = 0;
    DofNumbering numbering_;
    bool isPart_ = false;
    std::vector<int> part_;              // the points asked for when isPart_
    std::vector<int> nodeRow_;           // first row of every node's spectra, -1 when not held
    numeric::ComplexMatrix spectra_[2];  // row nodeRow_[node] + dof, column k
};

// Solves the impact problem of model with settings. Never throws for a failure of the
// solution: the outcome says what happened (a run that would not fit in the memory
// available is refused before anything large is allocated, with the estimate). After a
// stop or a failure the points from the lowest one not completed (first line, then
// second) on are 0.
[[nodiscard]] std::shared_ptr<const ImpactSolution> SolveImpact(
    std::shared_ptr<const Model> model, const AnalysisSettings& settings,
    AnalysisCallbacks* callbacks = nullptr);
// The same on a copy of model.
[[nodiscard]] std::shared_ptr<const ImpactSolution> SolveImpact(
    const Model& model, const AnalysisSettings& settings, AnalysisCallbacks* callbacks = nullptr);

// An analysis shared among several processes: each solves some of the transform points,
// and one puts the spectra it needs together.
//
// Solves only the transform points listed in points (counted over both lines, 0 ..
// settings.Points() - 1, each at most once, in any order), solved as SolveImpact solves
// them. Progress(k) counts the listed points in their order, and a stop or failure keeps
// the listed points before the first one not completed; the outcome's Point is a point
// of the settings. The spectra of the points not listed are 0, and histories refuse the
// solution (AllPoints() is false).
[[nodiscard]] std::shared_ptr<const ImpactSolution> SolveImpactPoints(
    std::shared_ptr<const Model> model, const AnalysisSettings& settings, std::vector<int> points,
    AnalysisCallbacks* callbacks = nullptr);

// A complete solution of every transform point made of spectra solved elsewhere: the
// spectra of nodes[i] are the rows 6 i + dof of spectra[line] (PointsPerLine() columns),
// one matrix per line of settings. The solution holds only these nodes: histories can be
// computed for them and for the elements between two of them. report says how the
// points were solved. Raises numeric::ComputationFailure (kOutOfRange) when a node does
// not exist or the matrices do not fit the settings.
[[nodiscard]] std::shared_ptr<const ImpactSolution> SolutionFromSpectra(
    std::shared_ptr<const Model> model, const AnalysisSettings& settings,
    const std::vector<int>& nodes, std::vector<numeric::ComplexMatrix> spectra,
    SolverReport report);

}  // namespace fem
