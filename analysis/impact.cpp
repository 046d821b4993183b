// The impact solution: every transform point is solved by one of a pool of worker
// threads, each with its own matrix, sparse factorisation and work arrays.
#include "analysis/impact.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "analysis/damped_element.h"
#include "analysis/dynamic_loading.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/node_terms.h"
#include "analysis/sparse_solver.h"
#include "numeric/failure.h"

namespace fem {

using numeric::Complex;
using numeric::ComputationFailure;

namespace {

using Cd = std::complex<double>;

// The static system is solved by Eigen's SimplicialLDLT (statics.cpp); the dynamic one by
// the solver the pattern's fill chooses (sparse_solver.h).
std::string SolverName(SparseMethod method) {
    return SolverDescription(method) + "; static: Eigen SimplicialLDLT, AMD ordering";
}

// What became of a transform point.
enum PointState : signed char { kOpen, kSolved, kSingular, kNotFinite, kNoMemory, kFailed };

PointState StateOf(const ComputationFailure& f) {
    return f.Number() == numeric::kZeroPivot || f.Number() == numeric::kDivisionByZero ? kSingular
                                                                                       : kNotFinite;
}

// What the workers of one solution share. Each worker writes only the columns of the
// points it took; the coordinator reads them after their state says solved. Point i is
// point i of the first line below linePoints, point i - linePoints of the second above.
// The workers take the run's points in turn: every point of the settings, or the ones
// listed in part.
struct Run {
    Run(const Model& m, const AnalysisSettings& s, const DofNumbering& d, const GlobalPattern& p,
        numeric::ComplexMatrix* out, const RunControl* c, const std::vector<int>* list)
        : model(m),
          settings(s),
          numbering(d),
          pattern(p),
          spectra(out),
          control(c),
          part(list),
          linePoints(s.PointsPerLine()),
          points(list ? static_cast<int>(list->size()) : s.Points()),
          states(new std::atomic<signed char>[points]),
          singularEquation(s.Points(), -1) {
        for (int k = 0; k < points; ++k) states[k].store(kOpen);
    }
    // The point of the settings that is the run's turn-th.
    [[nodiscard]] int PointAt(int turn) const { return part ? (*part)[turn] : turn; }
    const Model& model;
    const AnalysisSettings& settings;
    const DofNumbering& numbering;
    const GlobalPattern& pattern;
    numeric::ComplexMatrix* spectra;  // one per line
    const RunControl* control;
    const std::vector<int>* part;  // null: every point
    const int linePoints;
    const int points;  // turns of the run
    const DynamicLoading* loading = nullptr;
    std::vector<RayleighCoefficients> damping;  // of every element; empty: none damped
    SparseMethod method = SparseMethod::kAutomatic;

    std::atomic<int> next{0};
    std::atomic<bool> halt{false};
    std::unique_ptr<std::atomic<signed char>[]> states;
    // Of a singular point, the equation of a free dof held by nothing (-1: none found);
    // written by the worker of the point before its state, read after it.
    std::vector<int> singularEquation;
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
};

// The solution at point i into column k of every node's spectrum of its line.
struct Worker {
    explicit Worker(Run& r)
        : run(r),
          solver(SymmetricPattern{r.pattern.Order(), r.pattern.ColumnStarts().data(),
                                  r.pattern.RowIndices().data()},
                 r.method),
          values(static_cast<std::size_t>(r.pattern.NonZeros())),
          b(static_cast<std::size_t>(r.pattern.Order())),
          x(b.size()),
          ke(12, 12) {}

    void Solve(int i) {
        const int line = i < run.linePoints ? 0 : 1;
        const int k = i - line * run.linePoints;
        const Complex s = run.settings.TransformPoint(k, line);
        AssembleDynamic(run.pattern, run.model, s, work, ke, values.data(), run.damping);
        run.loading->RightSide(s, run.damping, work, ke, b.data());
        try {
            solver.Factorize(values.data());
        } catch (const ComputationFailure& f) {
            // A free dof held by nothing (no element, no mass) names the mechanism.
            if (f.Number() == numeric::kZeroPivot)
                run.singularEquation[i] = ZeroRow(run.pattern, values.data());
            throw;
        }
        // Refined against K inside: without it the small components of a solution (a
        // transverse motion 1e-4 of the largest) lose digits against dense elimination.
        solver.Solve(b.data(), x.data());
        numeric::ComplexMatrix& spectrum = run.spectra[line];
        for (std::size_t r = 0; r < x.size(); ++r) {
            const auto [n, j] = run.numbering.DofOwner[r];
            spectrum(6 * n + j, k) = Complex{x[r].real(), x[r].imag()};
        }
        // The supports the ground moves: their displacements are the ground's.
        if (run.loading->HasGround()) {
            const Complex ug = run.loading->Ground(s);
            for (const DynamicLoading::MovedDof& m : run.loading->Moved())
                spectrum(6 * m.Node + m.Dof, k) = numeric::CScale(m.Component, ug);
        }
    }

    Run& run;
    ComplexSymmetricSolver solver;
    std::vector<Cd> values, b, x;
    ElementWork work;
    numeric::ComplexMatrix ke;
};

// Takes points until none is left, the run halts or a stop is requested. A point once
// taken is always finished, so the solved points below the first open one have no gaps.
void WorkOn(Run& run) {
    std::unique_ptr<Worker> worker;
    try {
        worker = std::make_unique<Worker>(run);
    } catch (...) {
        // A worker that cannot start fails the next point, like a failure inside it.
        const int k = run.next.fetch_add(1);
        if (k < run.points) run.states[k].store(kNoMemory);
        run.halt = true;
    }
    while (worker && !run.halt && !StopRequested(run.control)) {
        const int k = run.next.fetch_add(1);
        if (k >= run.points) break;
        PointState state = kSolved;
        try {
            worker->Solve(run.PointAt(k));
        } catch (const ComputationFailure& f) {
            state = StateOf(f);
        } catch (const std::bad_alloc&) {
            state = kNoMemory;
        } catch (...) {
            state = kFailed;
        }
        run.states[k].store(state, std::memory_order_release);
        if (state != kSolved) run.halt = true;
    }
    std::lock_guard<std::mutex> lock(run.mutex);
    if (--run.running == 0) run.finished.notify_all();
}

// Ends the workers however the coordinator leaves.
class Pool {
  public:
    explicit Pool(Run& run) : run_(run) {}
    ~Pool() {
        run_.halt = true;
        for (std::thread& t : threads_) t.join();
    }
    void Start(int count) {
        for (int i = 0; i < count; ++i) {
            {
                std::lock_guard<std::mutex> lock(run_.mutex);
                ++run_.running;
            }
            try {
                threads_.emplace_back(WorkOn, std::ref(run_));
            } catch (...) {
                std::lock_guard<std::mutex> lock(run_.mutex);
                --run_.running;
                if (threads_.empty()) throw;
                return;  // fewer workers than asked for
            }
        }
    }
    // Waits until every worker has ended or the time has passed; true when all ended.
    bool Wait(std::chrono::milliseconds time) {
        std::unique_lock<std::mutex> lock(run_.mutex);
        return run_.finished.wait_for(lock, time, [this] { return run_.running == 0; });
    }

  private:
    Run& run_;
    std::vector<std::thread> threads_;
};

Outcome Failure(OutcomeKind kind, std::string detail = "") {
    Outcome o;
    o.Kind = kind;
    o.Detail = std::move(detail);
    return o;
}

// The outcome of the point solved at the given turn.
Outcome PointOutcome(PointState state, int turn, const Run& run) {
    Outcome o;
    const int point = run.PointAt(turn);
    if (state == kSingular && run.singularEquation[point] >= 0)
        std::tie(o.Node, o.Dof) = run.numbering.DofOwner[run.singularEquation[point]];
    switch (state) {
        case kSingular:
            o.Kind = OutcomeKind::SingularMatrix;
            break;
        case kNoMemory:
            o.Kind = OutcomeKind::OutOfMemory;
            break;
        default:
            o.Kind = OutcomeKind::NotFinite;
            break;
    }
    o.Point = point;
    return o;
}

}  // namespace

class ImpactSolver {
  public:
    static std::shared_ptr<const ImpactSolution> Solve(std::shared_ptr<const Model> model,
                                                       const AnalysisSettings& settings,
                                                       AnalysisCallbacks* callbacks,
                                                       std::optional<std::vector<int>> part) {
        auto solution = Empty(std::move(model), settings);
        ImpactSolution& out = *solution;
        for (int n = 0; n < out.model_->NodeCount(); ++n) out.nodeRow_.push_back(6 * n);
        if (part) {
            out.isPart_ = true;
            out.part_ = std::move(*part);
            const std::string why =
                SettingsProblem(settings).empty() ? PartProblem(out.part_, settings.Points()) : "";
            if (!why.empty()) {
                out.outcome_ = Failure(OutcomeKind::BadSettings, why);
                return solution;
            }
        }
        out.outcome_ = Compute(out, callbacks);
        return solution;
    }

    static std::shared_ptr<const ImpactSolution> FromSpectra(
        std::shared_ptr<const Model> model, const AnalysisSettings& settings,
        const std::vector<int>& nodes, std::vector<numeric::ComplexMatrix> spectra,
        SolverReport report) {
        auto solution = Empty(std::move(model), settings);
        ImpactSolution& out = *solution;
        const int nodeCount = out.model_->NodeCount();
        if (static_cast<int>(spectra.size()) != settings.Lines())
            throw ComputationFailure(numeric::kOutOfRange, "one matrix of spectra per line");
        for (const numeric::ComplexMatrix& m : spectra)
            if (m.Rows() != 6 * static_cast<int>(nodes.size()) ||
                m.Cols() != settings.PointsPerLine())
                throw ComputationFailure(numeric::kOutOfRange,
                                         "the spectra do not fit the nodes and the settings");
        out.nodeRow_.assign(nodeCount, -1);
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i] < 0 || nodes[i] >= nodeCount)
                throw ComputationFailure(numeric::kOutOfRange,
                                         "node " + std::to_string(nodes[i]) + " does not exist");
            out.nodeRow_[nodes[i]] = 6 * static_cast<int>(i);
        }
        out.numbering_ = NumberDofs(*out.model_);
        out.report_ = std::move(report);
        for (size_t line = 0; line < spectra.size(); ++line)
            out.spectra_[line] = std::move(spectra[line]);
        return solution;
    }

  private:
    static std::shared_ptr<ImpactSolution> Empty(std::shared_ptr<const Model> model,
                                                 const AnalysisSettings& settings) {
        auto solution = std::shared_ptr<ImpactSolution>(new ImpactSolution());
        solution->settings_ = settings;
        solution->revision_ = model->Revision();
        solution->model_ = std::move(model);
        return solution;
    }

    // Why a list of points cannot be solved ("" when it can).
    static std::string PartProblem(const std::vector<int>& part, int points) {
        std::vector<bool> listed(points, false);
        for (const int i : part) {
            if (i < 0 || i >= points)
                return "transform point " + std::to_string(i) + " is not one of the " +
                       std::to_string(points) + " points of the analysis";
            if (listed[i]) return "transform point " + std::to_string(i) + " is listed twice";
            listed[i] = true;
        }
        return "";
    }

    static Outcome Compute(ImpactSolution& out, AnalysisCallbacks* callbacks) {
        const Model& model = *out.model_;
        const AnalysisSettings& settings = out.settings_;
        if (const std::string why = SettingsProblem(settings); !why.empty())
            return Failure(OutcomeKind::BadSettings, why);
        std::unique_ptr<GlobalPattern> pattern;
        try {
            out.numbering_ = NumberDofs(model);
            pattern = std::make_unique<GlobalPattern>(model, out.numbering_);
        } catch (const ComputationFailure& f) {
            return Failure(f.Number() == numeric::kOverflow ? OutcomeKind::WouldNotFit
                                                            : OutcomeKind::BadNumbering,
                           f.what());
        } catch (const std::bad_alloc&) {
            return Failure(OutcomeKind::OutOfMemory, "numbering the degrees of freedom");
        }
        if (pattern->Order() == 0)
            return Failure(OutcomeKind::NoFreeDof, "no free degree of freedom");
        // A joint of released members held by nothing makes every point singular; named
        // here, since its matrix need not have a row of zeros.
        try {
            const auto [node, dof] = FindLooseJoint(model, out.numbering_, true);
            if (node >= 0) {
                Outcome o = Failure(OutcomeKind::SingularMatrix, "a joint held by nothing");
                o.Node = node;
                o.Dof = dof;
                return o;
            }
        } catch (const ComputationFailure& f) {
            return Failure(OutcomeKind::NotFinite, f.what());
        }

        // Memory first: a run that would not fit is refused before anything is allocated. The
        // spectra of both lines count, whole even when only some points are solved.
        const int points = out.isPart_ ? static_cast<int>(out.part_.size()) : settings.Points();
        SymbolicSummary symbolic;
        try {
            symbolic = AnalyseSymmetricPattern(SymmetricPattern{
                pattern->Order(), pattern->ColumnStarts().data(), pattern->RowIndices().data()});
        } catch (const std::bad_alloc&) {
            return Failure(OutcomeKind::OutOfMemory, "the analysis of the sparse matrix");
        } catch (const ComputationFailure& f) {
            return Failure(OutcomeKind::BadNumbering, f.what());
        }
        const MemoryPlan plan =
            PlanSolverMemory(*pattern, symbolic.memoryBytes, model.NodeCount(), settings.Points());
        const int wanted = ThreadsFor(settings.Threads);
        SolverReport& report = out.report_;
        MemoryRoom room = AvailableMemory();
        if (room.Limit == MemoryLimit::AddressSpace &&
            symbolic.method == SparseMethod::kMultifrontal)
            room.PerThreadBytes += kBlasBufferBytes;
        report.AvailableBytes = room.Bytes;
        if (room.Bytes <= 0.0)
            room.Bytes = plan.SharedBytes + wanted * (plan.PerWorkerBytes + room.PerThreadBytes);
        int workers = 0;
        try {
            workers = std::min(WorkersThatFit(plan, wanted, room), points);
        } catch (const ComputationFailure& f) {
            Outcome o = Failure(OutcomeKind::WouldNotFit, f.what());
            o.NeededBytes = plan.SharedBytes + plan.PerWorkerBytes + room.PerThreadBytes;
            o.AvailableBytes = room.Bytes;
            o.Limit = room.Limit;
            return o;
        }
        report.Solver = SolverName(symbolic.method);
        report.Threads = workers;
        report.EstimatedBytes =
            plan.SharedBytes + workers * (plan.PerWorkerBytes + room.PerThreadBytes);

        try {
            for (int line = 0; line < settings.Lines(); ++line)
                out.spectra_[line].Resize(6 * model.NodeCount(), settings.PointsPerLine());
        } catch (const std::bad_alloc&) {
            Outcome o = Failure(OutcomeKind::OutOfMemory, "the spectra of the nodes");
            o.NeededBytes = report.EstimatedBytes;
            return o;
        }
        return SolvePoints(out, *pattern, symbolic.method, workers, callbacks);
    }

    static Outcome SolvePoints(ImpactSolution& out, const GlobalPattern& pattern,
                               SparseMethod method, int workers, AnalysisCallbacks* callbacks) {
        const Model& model = *out.model_;
        const AnalysisSettings& settings = out.settings_;
        const int linePoints = settings.PointsPerLine();
        try {
            Run run(model, settings, out.numbering_, pattern, out.spectra_, callbacks,
                    out.isPart_ ? &out.part_ : nullptr);
            const int points = run.points;
            run.method = method;
            std::unique_ptr<DynamicLoading> loading;
            try {
                loading = std::make_unique<DynamicLoading>(model, out.numbering_, settings);
            } catch (const ComputationFailure& f) {
                return Failure(OutcomeKind::BadSettings, f.what());
            }
            run.loading = loading.get();
            run.damping = ElementDampings(model);

            // The calling thread reports the solved points in order and keeps its caller's
            // event loop alive; the points reported when it sees a stop are the ones kept.
            int kept = 0;
            bool stopSeen = false;
            {
                Pool pool(run);
                pool.Start(workers);
                for (bool ended = false; !ended && !stopSeen;) {
                    ended = pool.Wait(std::chrono::milliseconds(5));
                    while (!stopSeen && kept < points &&
                           run.states[kept].load(std::memory_order_acquire) == kSolved) {
                        if (callbacks) callbacks->Progress(kept);
                        ++kept;
                        stopSeen = StopRequested(callbacks);
                    }
                    if (callbacks && !stopSeen) {
                        callbacks->Yield();
                        stopSeen = StopRequested(callbacks);
                    }
                }
            }

            // Points after the kept ones hold the initial fill, as if never solved.
            for (int turn = kept; turn < points; ++turn) {
                if (run.states[turn].load() != kSolved) continue;
                const int i = run.PointAt(turn);
                const int line = i < linePoints ? 0 : 1;
                numeric::ComplexMatrix& spectrum = out.spectra_[line];
                for (int r = 0; r < spectrum.Rows(); ++r)
                    spectrum(r, i - line * linePoints) = Complex{};
            }
            if (kept == points) return Outcome{};
            // The lowest point that did not complete decides.
            const auto state = static_cast<PointState>(run.states[kept].load());
            if (state != kOpen && state != kSolved && !stopSeen)
                return PointOutcome(state, kept, run);
            if (stopSeen || StopRequested(callbacks)) {
                Outcome o;
                o.Kind = OutcomeKind::Stopped;
                o.Point = run.PointAt(kept);
                return o;
            }
            // Halted by a failure at a later point than the lowest one left open.
            for (int turn = kept; turn < points; ++turn) {
                const auto later = static_cast<PointState>(run.states[turn].load());
                if (later != kOpen && later != kSolved) return PointOutcome(later, turn, run);
            }
            return PointOutcome(kFailed, kept, run);
        } catch (const std::bad_alloc&) {
            return Failure(OutcomeKind::OutOfMemory, "starting the workers");
        } catch (const std::system_error& e) {
            return Failure(OutcomeKind::OutOfMemory, e.what());
        }
    }
};

std::shared_ptr<const ImpactSolution> SolveImpact(std::shared_ptr<const Model> model,
                                                  const AnalysisSettings& settings,
                                                  AnalysisCallbacks* callbacks) {
    return ImpactSolver::Solve(std::move(model), settings, callbacks, std::nullopt);
}

std::shared_ptr<const ImpactSolution> SolveImpact(const Model& model,
                                                  const AnalysisSettings& settings,
                                                  AnalysisCallbacks* callbacks) {
    return SolveImpact(std::make_shared<const Model>(model), settings, callbacks);
}

std::shared_ptr<const ImpactSolution> SolveImpactPoints(std::shared_ptr<const Model> model,
                                                        const AnalysisSettings& settings,
                                                        std::vector<int> points,
                                                        AnalysisCallbacks* callbacks) {
    return ImpactSolver::Solve(std::move(model), settings, callbacks, std::move(points));
}

std::shared_ptr<const ImpactSolution> SolutionFromSpectra(
    std::shared_ptr<const Model> model, const AnalysisSettings& settings,
    const std::vector<int>& nodes, std::vector<numeric::ComplexMatrix> spectra,
    SolverReport report) {
    return ImpactSolver::FromSpectra(std::move(model), settings, nodes, std::move(spectra),
                                     std::move(report));
}

}  // namespace fem
