// The Laplace-domain dynamic solution: every transform point is solved by one of a pool
// of worker threads, each with its own matrix, sparse factorisation and work arrays.
#include <Eigen/SparseLU>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/engine.h"
#include "analysis/engine_internal.h"
#include "analysis/global_matrix.h"
#include "numeric/failure.h"

namespace fem {

using numeric::Complex;
using numeric::ComputationFailure;

namespace {

using Cd = std::complex<double>;
using ComplexSparse = Eigen::SparseMatrix<Cd, Eigen::ColMajor, int>;

// The fill-reducing ordering of the symmetric pattern. Eigen's AMDOrdering lists the
// old index of every new position (as SimplicialLDLT reads it), while SparseLU reads
// the permutation the other way round (as COLAMDOrdering gives it): handed to SparseLU
// unchanged it would order the matrix by the inverse of the AMD ordering, with about
// twice the fill and time.
struct SymmetricAmdOrdering {
    using PermutationType = Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>;
    template <class MatrixType>
    void operator()(const MatrixType& matrix, PermutationType& perm) {
        PermutationType amd;
        Eigen::AMDOrdering<int>()(matrix, amd);
        perm = amd.inverse();
    }
};

// Eigen's SparseLU on the complex symmetric (not Hermitian) matrices: the ordering
// above, symmetric mode (the etree of the symmetric pattern) and a diagonal pivot kept
// unless an entry below is ten times larger, so that the factors keep the symmetric
// fill. Its first allocation is sized from the symbolic estimate of the run instead of
// twenty times the matrix.
class ComplexLU : public Eigen::SparseLU<ComplexSparse, SymmetricAmdOrdering> {
  public:
    void SetFillFactor(int f) { this->m_perfv.fillfactor = f; }
};
constexpr double kDiagonalPivotThreshold = 0.1;
const char* const kSolverName =
    "Eigen SparseLU, AMD ordering of the symmetric pattern, diagonal pivoting (threshold "
    "0.1); static: Eigen SimplicialLDLT, AMD ordering";

ComplexSparse PatternMatrix(const GlobalPattern& p) {
    ComplexSparse m(p.Order(), p.Order());
    m.resizeNonZeros(p.NonZeros());
    std::copy(p.ColumnStarts().begin(), p.ColumnStarts().end(), m.outerIndexPtr());
    std::copy(p.RowIndices().begin(), p.RowIndices().end(), m.innerIndexPtr());
    std::fill(m.valuePtr(), m.valuePtr() + p.NonZeros(), Cd{});
    return m;
}

enum PointState : signed char { kOpen = 0, kSolved = 1, kFailed = 2 };

// What the workers of one solution share. Each worker writes only the columns of the
// points it took; the coordinator reads them after their state says solved. Point i is
// point i of the first line below linePoints, point i - linePoints of the second above.
struct Run {
    Run(Model& m, const AnalysisState& state, const GlobalPattern& p, int perLine, int lines)
        : model(m),
          a(state),
          pattern(p),
          linePoints(perLine),
          points(perLine * lines),
          states(new std::atomic<signed char>[points]) {
        for (int k = 0; k < points; ++k) states[k].store(kOpen);
    }
    Model& model;
    const AnalysisState& a;
    const GlobalPattern& pattern;
    const int linePoints;
    const int points;
    double te = 0.0, tau = 0.0;
    std::vector<std::pair<int, double>> loads;  // equation and size of every "pf" load
    int fillFactor = 20;

    std::atomic<int> next{0};
    std::atomic<bool> halt{false};
    std::unique_ptr<std::atomic<signed char>[]> states;
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
};

// The solution at point i into column k of every node's spectrum of its line.
struct Worker {
    explicit Worker(Run& r) : run(r), A(PatternMatrix(r.pattern)), ke(12, 12) {
        lu.SetFillFactor(r.fillFactor);
        lu.isSymmetric(true);
        lu.setPivotThreshold(kDiagonalPivotThreshold);
        lu.analyzePattern(A);
        b.resize(r.pattern.Order());
    }

    void Solve(int i) {
        const int line = i < run.linePoints ? 0 : 1;
        const int k = i - line * run.linePoints;
        const Complex s = detail::TransformPoint(run.a, k, line);
        AssembleDynamic(run.pattern, run.model, s, ke, A.valuePtr());
        const Complex F = StepLoadTransform(s, run.te, run.tau);
        b.setZero();
        for (const auto& [equation, size] : run.loads) {
            const Complex load = numeric::CScale(size, F);
            b[equation] = Cd(load.re, load.im);
        }
        lu.factorize(A);
        if (lu.info() != Eigen::Success)
            throw ComputationFailure(numeric::kZeroPivot, "zero pivot in the dynamic solution");
        x = lu.solve(b);
        // One step of refinement: without it the small components of a solution (a
        // transverse motion 1e-4 of the largest) lose digits against the dense elimination.
        residual = b;
        residual.noalias() -= A * x;
        x += lu.solve(residual);
        for (int r = 0; r < x.size(); ++r)
            if (!std::isfinite(x[r].real()) || !std::isfinite(x[r].imag())) {
                numeric::CheckFinite(x[r].real(), "dynamic solution");
                numeric::CheckFinite(x[r].imag(), "dynamic solution");
            }
        for (int r = 0; r < x.size(); ++r) {
            const auto [n, j] = run.a.DofOwner[r];
            detail::LineSpectrum(run.model.Nodes[n], line)(j, k) =
                Complex{x[r].real(), x[r].imag()};
        }
    }

    Run& run;
    ComplexSparse A;
    ComplexLU lu;
    Eigen::VectorXcd b, x, residual;
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
        if (k < run.points) run.states[k].store(kFailed);
        run.halt = true;
    }
    while (worker && !run.halt && !run.a.StopRequested) {
        const int k = run.next.fetch_add(1);
        if (k >= run.points) break;
        try {
            worker->Solve(k);
            run.states[k].store(kSolved, std::memory_order_release);
        } catch (...) {
            run.states[k].store(kFailed, std::memory_order_release);
            run.halt = true;
        }
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

int DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace

Complex StepLoadTransform(Complex s, double Te, double Tau) {
    const Complex q = numeric::CAdd(Complex{1.0, 0.0}, numeric::CScale(Te * Tau, s));
    const Complex d = numeric::CExp(numeric::CScale(-0.1 * Te, s));
    return numeric::CDiv(d, numeric::CMul(s, q));
}

std::string SolveLaplace(Model& model, AnalysisCallbacks* callbacks) {
    AnalysisState& a = Analysis();
    a.DynamicComplete = false;
    a.TablesReady = false;
    a.StopRequested = false;
    a.AliasingCorrected = a.CorrectAliasing;
    const int linePoints = a.Nw / 2 + 1;
    const int lines = a.AliasingCorrected ? 2 : 1;
    const int points = DynamicPointCount(a.Nw, a.AliasingCorrected);
    std::shared_ptr<const GlobalPattern> pattern;
    try {
        detail::CheckNumbering(model);
        pattern = detail::PatternFor(model);
    } catch (...) {
        return kGaussError;
    }

    // Memory first: a run that would not fit is refused before anything is allocated. The
    // spectra of both lines count.
    const MemoryPlan plan =
        PlanMemory(*pattern, SymmetricFactorNonZeros(*pattern), model.NodeCount(), points);
    const int wanted = a.Threads > 0 ? a.Threads : DefaultThreads();
    a.LastRun.AvailableBytes = AvailableMemoryBytes();
    const double available = a.LastRun.AvailableBytes > 0
                                 ? a.LastRun.AvailableBytes
                                 : plan.SharedBytes + wanted * plan.PerWorkerBytes;
    const int workers = std::min(WorkersThatFit(plan, wanted, available), points);
    a.LastRun.Solver = kSolverName;
    a.LastRun.Threads = workers;
    a.LastRun.EstimatedBytes = plan.SharedBytes + workers * plan.PerWorkerBytes;

    try {
        for (NodeRecord& n : model.Nodes) {
            n.DispSpectrum.Resize(6, linePoints);
            if (lines == 2)
                n.DispSpectrum2.Resize(6, linePoints);
            else
                n.DispSpectrum2 = numeric::ComplexMatrix();
        }
        if (pattern->Order() == 0)
            throw ComputationFailure(numeric::kOutOfRange, "no free degree of freedom");

        Run run(model, a, *pattern, linePoints, lines);
        run.te = a.Te;
        run.tau = a.Tau;
        run.fillFactor = plan.FillFactor;
        for (int r = 0; r < pattern->Order(); ++r) {
            const auto [n, j] = a.DofOwner[r];
            if (model.Nodes[n].BcCode[j] == "pf")
                run.loads.emplace_back(r, model.Nodes[n].LoadValue[j]);
        }

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
                    stopSeen = a.StopRequested;
                }
                if (callbacks && !stopSeen) {
                    callbacks->Yield();
                    stopSeen = a.StopRequested;
                }
            }
        }

        // Points after the kept ones hold the initial fill, as if never solved.
        for (int i = kept; i < points; ++i) {
            if (run.states[i].load() != kSolved) continue;
            const int line = i < linePoints ? 0 : 1;
            for (NodeRecord& n : model.Nodes)
                for (int j = 0; j < 6; ++j)
                    detail::LineSpectrum(n, line)(j, i - line * linePoints) = Complex{};
        }
        if (kept == points) {
            a.DynamicComplete = true;
            a.DynamicRevision = model.Revision();
            return "";
        }
        // The lowest point that did not complete decides.
        if (stopSeen) return kUserStop;
        if (run.states[kept].load() == kFailed) return kGaussError;
        return a.StopRequested ? kUserStop : kGaussError;
    } catch (...) {
        return kGaussError;
    }
}

}  // namespace fem
