// The sparse factorisations of the analysis, on SuiteSparse's UMFPACK and KLU.
//
// Why these (measured per transform point on the engine's own matrices, README has the
// table): UMFPACK's multifrontal LU (symmetric strategy: AMD on the symmetric pattern,
// diagonal pivots preferred) runs the dense frontal matrices of three-dimensional frames
// at BLAS speed and is 1.5 to 2 times faster than Eigen's SparseLU there (7 x 7 x 7 and
// 10 x 10 x 10 grids), which the analysis used before. On very sparse factors (a long frame, a few
// dozen entries per column of L) the fronts are too small for BLAS; KLU's left-looking LU, which
// can reuse the pivot order of the previous point without searching or allocating anything, is the
// faster one. Both report a singular matrix and a failed allocation as status codes (Eigen 3.4's
// SparseLU frees a buffer twice when an allocation fails) and keep all their state in the objects
// they return, so one instance per thread is safe. MUMPS is not used: its sequential library may
// serve one instance per process only.
#include "analysis/sparse_solver.h"

#include <dlfcn.h>
#include <malloc.h>
#include <suitesparse/amd.h>
#include <suitesparse/klu.h>
#include <suitesparse/umfpack.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "numeric/failure.h"

namespace fem {

using numeric::ComputationFailure;

namespace {

using Cd = std::complex<double>;

// The multifrontal factorisation wins once the factor's columns are long enough for
// dense kernels: above this many flops of the LDL^T factorisation per entry of L (AMD's
// estimate; about the mean length of the columns eliminated). Long frames of one or two
// bays (1000 x 1 x 2, 20 x 2 x 2) have 15 to 18, where KLU was 3 to 5 times faster than
// UMFPACK; the 4 x 4 x 4 grid has 42 and larger grids more, where UMFPACK was faster.
constexpr double kMultifrontalFlopsPerEntry = 25.0;

// The pivot tolerances. A diagonal entry is taken as pivot unless it is smaller than
// kDiagonalPivotTolerance times the largest entry of its column; otherwise the largest
// entries within kPivotTolerance of the column's largest are candidates. Measured: with
// 0.001 (UMFPACK's and KLU's default) no pivot of the grids, the tower and the long
// frame left the diagonal at any of the points timed, so the factors keep the fill of
// the symbolic analysis (Eigen's SparseLU with 0.1 let them leave it, and its fill grew
// with the frequency).
constexpr double kDiagonalPivotTolerance = 0.001;
constexpr double kPivotTolerance = 0.1;

// Refinement steps of a solution against K: UMFPACK's at most (it stops once the
// backward error stops falling), KLU's always. A second KLU step left sample 4's
// histories as they were (the smallest, 1E-4 of its node's largest, differs from
// Eigen's solution by 5E-10 of its own peak either way: rounding of both).
constexpr int kUmfpackRefinementSteps = 2;
constexpr int kKluRefinementSteps = 1;

std::vector<int> Copy(const int* begin, std::size_t count) {
    return {begin, begin + count};
}

void CheckPattern(const SymmetricPattern& p) {
    if (p.order <= 0 || !p.columnStarts || !p.rowIndices)
        throw ComputationFailure(numeric::kOutOfRange, "empty sparse matrix");
}

// The copy of the pattern every solver keeps.
struct PatternCopy {
    explicit PatternCopy(const SymmetricPattern& p)
        : order(p.order),
          starts(Copy(p.columnStarts, static_cast<std::size_t>(p.order) + 1)),
          rows(Copy(p.rowIndices, static_cast<std::size_t>(p.columnStarts[p.order]))) {}
    int order;
    std::vector<int> starts;
    std::vector<int> rows;
    [[nodiscard]] double Bytes() const { return 4.0 * (starts.size() + rows.size()); }
};

// AMD on the symmetric pattern: the estimate that picks the method.
struct AmdEstimate {
    double lnz = 0.0;    // entries below the diagonal of L
    double flops = 0.0;  // of LDL^T: divisions and multiply-subtract pairs
};

AmdEstimate EstimateByAmd(const PatternCopy& p) {
    std::vector<int> permutation(p.order);
    double control[AMD_CONTROL], info[AMD_INFO];
    amd_defaults(control);
    const int status =
        amd_order(p.order, p.starts.data(), p.rows.data(), permutation.data(), control, info);
    if (status == AMD_OUT_OF_MEMORY)
        throw SolverOutOfMemory("out of memory in the ordering of the sparse matrix");
    if (status != AMD_OK && status != AMD_OK_BUT_JUMBLED)
        throw ComputationFailure(numeric::kOutOfRange, "invalid sparse matrix pattern");
    return {info[AMD_LNZ], info[AMD_NDIV] + info[AMD_NMULTSUBS_LDL]};
}

SparseMethod Choose(SparseMethod method, const PatternCopy& p) {
    if (method != SparseMethod::kAutomatic) return method;
    const AmdEstimate e = EstimateByAmd(p);
    return e.flops > kMultifrontalFlopsPerEntry * std::max(1.0, e.lnz) ? SparseMethod::kMultifrontal
                                                                       : SparseMethod::kLeftLooking;
}

// UMFPACK, loaded when a multifrontal solver is made. It brings the BLAS, LAPACK,
// CHOLMOD and METIS with it: loaded with the program they cost a small analysis (KLU's,
// sample 4 at Nw 8192) a tenth of its time, and OpenBLAS, loaded before main, would
// start its own threads before ConfigureProcessForAnalysis could say one. Each solver
// holds its own reference (the loader counts them); once loaded, the library stays for
// the life of the process (RTLD_NODELETE): the next analysis finds it ready, and the
// blocks OpenBLAS and its runtime allocate once at their start stay theirs instead of
// becoming leaks of an unloaded library.
class Umfpack {
  public:
    Umfpack() {
        handle_ = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle_) {
            const char* error = dlerror();
            const std::string why = error ? error : "";
            const std::string what = std::string("the sparse solver library ") + kLibrary +
                                     " could not be loaded" + (why.empty() ? "" : ": " + why);
            // Found but not mapped: the process is short of memory (or address space).
            if (why.find("map") != std::string::npos ||
                why.find("allocate memory") != std::string::npos)
                throw SolverOutOfMemory(what);
            throw ComputationFailure(numeric::kOutOfRange, what);
        }
        try {
            Load(zi_defaults, "umfpack_zi_defaults");
            Load(zi_symbolic, "umfpack_zi_symbolic");
            Load(zi_numeric, "umfpack_zi_numeric");
            Load(zi_wsolve, "umfpack_zi_wsolve");
            Load(zi_free_symbolic, "umfpack_zi_free_symbolic");
            Load(zi_free_numeric, "umfpack_zi_free_numeric");
            Load(di_symbolic, "umfpack_di_symbolic");
            Load(di_numeric, "umfpack_di_numeric");
            Load(di_wsolve, "umfpack_di_wsolve");
            Load(di_free_symbolic, "umfpack_di_free_symbolic");
            Load(di_free_numeric, "umfpack_di_free_numeric");
            Load(di_get_numeric, "umfpack_di_get_numeric");
            Load(di_get_determinant, "umfpack_di_get_determinant");
        } catch (...) {
            dlclose(handle_);
            throw;
        }
    }
    ~Umfpack() { dlclose(handle_); }
    Umfpack(const Umfpack&) = delete;
    Umfpack& operator=(const Umfpack&) = delete;

    decltype(&umfpack_zi_defaults) zi_defaults = nullptr;
    decltype(&umfpack_zi_symbolic) zi_symbolic = nullptr;
    decltype(&umfpack_zi_numeric) zi_numeric = nullptr;
    decltype(&umfpack_zi_wsolve) zi_wsolve = nullptr;
    decltype(&umfpack_zi_free_symbolic) zi_free_symbolic = nullptr;
    decltype(&umfpack_zi_free_numeric) zi_free_numeric = nullptr;
    decltype(&umfpack_di_symbolic) di_symbolic = nullptr;
    decltype(&umfpack_di_numeric) di_numeric = nullptr;
    decltype(&umfpack_di_wsolve) di_wsolve = nullptr;
    decltype(&umfpack_di_free_symbolic) di_free_symbolic = nullptr;
    decltype(&umfpack_di_free_numeric) di_free_numeric = nullptr;
    decltype(&umfpack_di_get_numeric) di_get_numeric = nullptr;
    decltype(&umfpack_di_get_determinant) di_get_determinant = nullptr;

  private:
    // SuiteSparse 5's UMFPACK (Debian 12: libumfpack5).
    static constexpr const char* kLibrary = "libumfpack.so.5";
    template <class Function>
    void Load(Function& f, const char* name) {
        f = reinterpret_cast<Function>(dlsym(handle_, name));
        if (!f)
            throw ComputationFailure(
                numeric::kOutOfRange,
                std::string("the sparse solver library ") + kLibrary + " has no " + name);
    }
    void* handle_ = nullptr;
};

// UMFPACK's settings: symmetric strategy (AMD on A + A^T, the column order fixed, the
// diagonal preferred), the pivot tolerances above, at most two refinement steps in
// each solve. rowScaling off for a factorisation whose pivots must be K's own.
void UmfpackControl(const Umfpack& umf, double* control, bool rowScaling, bool diagonalOnly) {
    umf.zi_defaults(control);
    control[UMFPACK_STRATEGY] = UMFPACK_STRATEGY_SYMMETRIC;
    control[UMFPACK_ORDERING] = UMFPACK_ORDERING_AMD;
    control[UMFPACK_PIVOT_TOLERANCE] = kPivotTolerance;
    control[UMFPACK_SYM_PIVOT_TOLERANCE] = diagonalOnly ? 0.0 : kDiagonalPivotTolerance;
    control[UMFPACK_SCALE] = rowScaling ? UMFPACK_SCALE_SUM : UMFPACK_SCALE_NONE;
    control[UMFPACK_IRSTEP] = kUmfpackRefinementSteps;
}

void ThrowUmfpack(int status, const char* step) {
    if (status == UMFPACK_ERROR_out_of_memory)
        throw SolverOutOfMemory(std::string("out of memory in the ") + step);
    if (status == UMFPACK_WARNING_singular_matrix)
        throw ComputationFailure(numeric::kZeroPivot,
                                 std::string("singular matrix in the ") + step);
    throw ComputationFailure(numeric::kOutOfRange, std::string("the ") + step + " failed (" +
                                                       std::to_string(status) + ")");
}

// One symbolic analysis by UMFPACK; the caller frees it.
void* UmfpackSymbolic(const Umfpack& umf, const PatternCopy& p, bool complex, const double* control,
                      double* info) {
    void* symbolic = nullptr;
    const int status = complex ? umf.zi_symbolic(p.order, p.order, p.starts.data(), p.rows.data(),
                                                 nullptr, nullptr, &symbolic, control, info)
                               : umf.di_symbolic(p.order, p.order, p.starts.data(), p.rows.data(),
                                                 nullptr, &symbolic, control, info);
    if (status != UMFPACK_OK) ThrowUmfpack(status, "analysis of the sparse matrix");
    return symbolic;
}

// UMFPACK's own peak estimate holds every front as large as pivoting could make it, 4
// to 10 times the peak measured on the grids. The peak of a factorisation whose pivots
// stay on the diagonal (as measured on every model) is the factors without pivoting
// (LUNZ complex entries) and the largest front (DMAX^2), with a fifth more for the
// index patterns and the contribution blocks: within 10 % of the peaks measured on the
// 4 x 4 x 4 and 7 x 7 x 7 grids.
double UmfpackPeakBytes(const double* info, int order) {
    const double dmax = info[UMFPACK_SYMMETRIC_DMAX];
    return 1.2 * 16.0 * (info[UMFPACK_SYMMETRIC_LUNZ] + dmax * dmax) + 100.0 * order;
}

// KLU's settings: AMD on the symmetric pattern, no block triangular form (the frames'
// matrices are irreducible), rows scaled by their largest entry, the diagonal preferred
// unless below 0.001 of its column (KLU's default).
void KluSettings(klu_common& common) {
    klu_defaults(&common);
    common.btf = 0;
    common.ordering = 0;
    common.tol = kDiagonalPivotTolerance;
    common.halt_if_singular = 1;
}

// KLU's factors: the estimated entries of L and U (values and row indices) with the
// first allocation's margin, its work arrays and the matrix' own scale factors, and the
// copy of L that checks a refactorisation.
double KluBytes(const klu_symbolic& s, double scalarBytes, int order) {
    const double entries = s.lnz + s.unz;
    return 1.2 * entries * (scalarBytes + 4.0) + s.lnz * (scalarBytes + 4.0) +
           order * (6.0 * scalarBytes + 40.0);
}

// y = K x for the pattern and values given.
template <class Scalar>
void Multiply(const PatternCopy& p, const Scalar* values, const Scalar* x, Scalar* y) {
    std::fill(y, y + p.order, Scalar{});
    for (int c = 0; c < p.order; ++c) {
        const Scalar xc = x[c];
        for (int at = p.starts[c]; at < p.starts[c + 1]; ++at) y[p.rows[at]] += values[at] * xc;
    }
}

// A solver's state, any failed allocation reported as the solver's lack of memory.
template <class Impl, class... Arguments>
std::unique_ptr<Impl> NewSolver(const Arguments&... arguments) {
    try {
        return std::make_unique<Impl>(arguments...);
    } catch (const SolverOutOfMemory&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw SolverOutOfMemory("out of memory for the sparse solver");
    }
}

template <class Scalar>
void CheckFiniteSolution(const Scalar* x, int n) {
    for (int i = 0; i < n; ++i) {
        const double a = std::abs(x[i]);
        if (!std::isfinite(a)) {
            numeric::CheckFinite(std::real(x[i]), "sparse solution");
            numeric::CheckFinite(std::imag(x[i]), "sparse solution");
            numeric::CheckFinite(a, "sparse solution");
        }
    }
}

}  // namespace

double FactorFlopsPerEntry(const SymmetricPattern& pattern) {
    CheckPattern(pattern);
    const AmdEstimate e = EstimateByAmd(PatternCopy(pattern));
    return e.flops / std::max(1.0, e.lnz);
}

SymbolicSummary AnalyseSymmetricPattern(const SymmetricPattern& pattern, SparseMethod method) {
    CheckPattern(pattern);
    const PatternCopy p(pattern);
    SymbolicSummary summary;
    summary.method = Choose(method, p);
    const double pattern_bytes = p.Bytes() + 16.0 * p.starts.back();
    if (summary.method == SparseMethod::kMultifrontal) {
        const Umfpack umf;
        double control[UMFPACK_CONTROL], info[UMFPACK_INFO];
        UmfpackControl(umf, control, true, false);
        void* umfSymbolic = UmfpackSymbolic(umf, p, true, control, info);
        umf.zi_free_symbolic(&umfSymbolic);
        summary.factorEntries = info[UMFPACK_LNZ_ESTIMATE] + info[UMFPACK_UNZ_ESTIMATE];
        summary.flops = info[UMFPACK_FLOPS_ESTIMATE];
        summary.memoryBytes =
            UmfpackPeakBytes(info, p.order) + pattern_bytes + p.order * 14.0 * 8.0;
    } else {
        klu_common common;
        KluSettings(common);
        klu_symbolic* symbolic = klu_analyze(p.order, const_cast<int*>(p.starts.data()),
                                             const_cast<int*>(p.rows.data()), &common);
        if (!symbolic)
            throw SolverOutOfMemory("out of memory in the analysis of the sparse matrix");
        summary.factorEntries = symbolic->lnz + symbolic->unz;
        summary.flops = symbolic->est_flops;
        summary.memoryBytes = KluBytes(*symbolic, 16.0, p.order) + pattern_bytes + p.order * 32.0;
        klu_free_symbolic(&symbolic, &common);
    }
    return summary;
}

// ---------------------------------------------------------------------------------------
// Complex symmetric systems.

struct ComplexSymmetricSolver::Impl {
    explicit Impl(const SymmetricPattern& pattern, SparseMethod method) : p(pattern) {
        summary.method = Choose(method, p);
        const double pattern_bytes = p.Bytes() + 16.0 * p.starts.back();
        if (summary.method == SparseMethod::kMultifrontal) {
            umf = std::make_unique<Umfpack>();
            UmfpackControl(*umf, control, true, false);
            umfSymbolic = UmfpackSymbolic(*umf, p, true, control, info);
            summary.factorEntries = info[UMFPACK_LNZ_ESTIMATE] + info[UMFPACK_UNZ_ESTIMATE];
            summary.flops = info[UMFPACK_FLOPS_ESTIMATE];
            summary.memoryBytes =
                UmfpackPeakBytes(info, p.order) + pattern_bytes + p.order * 14.0 * 8.0;
            intWork.resize(p.order);
            work.resize(static_cast<std::size_t>(10) * p.order);
        } else {
            KluSettings(common);
            kluSymbolic = klu_analyze(p.order, p.starts.data(), p.rows.data(), &common);
            if (!kluSymbolic)
                throw SolverOutOfMemory("out of memory in the analysis of the sparse matrix");
            summary.factorEntries = kluSymbolic->lnz + kluSymbolic->unz;
            summary.flops = kluSymbolic->est_flops;
            summary.memoryBytes = KluBytes(*kluSymbolic, 16.0, p.order) + pattern_bytes;
            residual.resize(p.order);
        }
    }
    ~Impl() {
        if (umfNumeric) umf->zi_free_numeric(&umfNumeric);
        if (umfSymbolic) umf->zi_free_symbolic(&umfSymbolic);
        if (kluNumeric) klu_z_free_numeric(&kluNumeric, &common);
        if (kluSymbolic) klu_free_symbolic(&kluSymbolic, &common);
    }

    void Factorize(const Cd* v) {
        values = nullptr;
        if (summary.method == SparseMethod::kMultifrontal) {
            if (umfNumeric) umf->zi_free_numeric(&umfNumeric);
            const int status =
                umf->zi_numeric(p.starts.data(), p.rows.data(), reinterpret_cast<const double*>(v),
                                nullptr, umfSymbolic, &umfNumeric, control, info);
            if (status != UMFPACK_OK) {
                if (umfNumeric) umf->zi_free_numeric(&umfNumeric);
                ThrowUmfpack(status, "sparse factorisation");
            }
        } else {
            KluFactorize(const_cast<double*>(reinterpret_cast<const double*>(v)));
        }
        values = v;
    }

    void Solve(const Cd* b, Cd* x) {
        if (!values)
            throw ComputationFailure(numeric::kOutOfRange, "no factorisation to solve with");
        if (summary.method == SparseMethod::kMultifrontal) {
            const int status = umf->zi_wsolve(
                UMFPACK_A, p.starts.data(), p.rows.data(), reinterpret_cast<const double*>(values),
                nullptr, reinterpret_cast<double*>(x), nullptr, reinterpret_cast<const double*>(b),
                nullptr, umfNumeric, control, info, intWork.data(), work.data());
            if (status != UMFPACK_OK) ThrowUmfpack(status, "sparse solution");
        } else {
            // KLU solves in place; a step of refinement against K brings the small
            // components of a solution to the accuracy of the dense elimination.
            std::copy(b, b + p.order, x);
            KluSolve(x);
            for (int step = 0; step < kKluRefinementSteps; ++step) {
                Multiply(p, values, x, residual.data());
                for (int i = 0; i < p.order; ++i) residual[i] = b[i] - residual[i];
                KluSolve(residual.data());
                for (int i = 0; i < p.order; ++i) x[i] += residual[i];
            }
        }
        CheckFiniteSolution(x, p.order);
    }

    // Later points reuse the pivots of the last full factorisation: no search of the
    // reach, no allocation, a third of the time on a long frame. The result is kept
    // where it is one that KLU's own pivoting accepts: every multiplier at most
    // 1 / kDiagonalPivotTolerance. Otherwise, and for a zero pivot, a full factorisation.
    void KluFactorize(double* v) {
        int* starts = p.starts.data();
        int* rows = p.rows.data();
        if (kluNumeric && klu_z_refactor(starts, rows, v, kluSymbolic, kluNumeric, &common) &&
            MultipliersBounded())
            return;
        if (kluNumeric) klu_z_free_numeric(&kluNumeric, &common);
        kluNumeric = klu_z_factor(starts, rows, v, kluSymbolic, &common);
        if (!kluNumeric) {
            if (common.status == KLU_OUT_OF_MEMORY)
                throw SolverOutOfMemory("out of memory in the sparse factorisation");
            if (common.status == KLU_SINGULAR)
                throw ComputationFailure(numeric::kZeroPivot,
                                         "singular matrix in the sparse factorisation");
            throw ComputationFailure(numeric::kOutOfRange, "the sparse factorisation failed");
        }
        const std::size_t lnz = static_cast<std::size_t>(kluNumeric->lnz);
        try {
            lowerStarts.resize(static_cast<std::size_t>(p.order) + 1);
            lowerRows.resize(lnz);
            lowerReal.resize(lnz);
            lowerImag.resize(lnz);
        } catch (const std::bad_alloc&) {
            klu_z_free_numeric(&kluNumeric, &common);
            throw SolverOutOfMemory("out of memory in the sparse factorisation");
        }
    }

    bool MultipliersBounded() {
        if (!klu_z_extract(kluNumeric, kluSymbolic, lowerStarts.data(), lowerRows.data(),
                           lowerReal.data(), lowerImag.data(), nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &common))
            return false;
        const double limit = 1.0 / (kDiagonalPivotTolerance * kDiagonalPivotTolerance);
        for (std::size_t i = 0; i < lowerReal.size(); ++i)
            if (!(lowerReal[i] * lowerReal[i] + lowerImag[i] * lowerImag[i] <= limit)) return false;
        return true;
    }

    void KluSolve(Cd* x) {
        if (!klu_z_solve(kluSymbolic, kluNumeric, p.order, 1, reinterpret_cast<double*>(x),
                         &common))
            throw ComputationFailure(numeric::kOutOfRange, "the sparse solution failed");
    }

    PatternCopy p;
    SymbolicSummary summary;
    const Cd* values = nullptr;  // of the last factorisation
    // UMFPACK
    std::unique_ptr<Umfpack> umf;
    double control[UMFPACK_CONTROL] = {};
    double info[UMFPACK_INFO] = {};
    void* umfSymbolic = nullptr;
    void* umfNumeric = nullptr;
    std::vector<int> intWork;
    std::vector<double> work;
    // KLU
    klu_common common{};
    klu_symbolic* kluSymbolic = nullptr;
    klu_numeric* kluNumeric = nullptr;
    std::vector<Cd> residual;
    // L of the last factorisation, for the check of a refactorisation.
    std::vector<int> lowerStarts, lowerRows;
    std::vector<double> lowerReal, lowerImag;
};

ComplexSymmetricSolver::ComplexSymmetricSolver(const SymmetricPattern& pattern,
                                               SparseMethod method) {
    CheckPattern(pattern);
    impl_ = NewSolver<Impl>(pattern, method);
}

ComplexSymmetricSolver::~ComplexSymmetricSolver() = default;

void ComplexSymmetricSolver::Factorize(const std::complex<double>* values) {
    impl_->Factorize(values);
}

void ComplexSymmetricSolver::Solve(const std::complex<double>* b, std::complex<double>* x) {
    impl_->Solve(b, x);
}

const SymbolicSummary& ComplexSymmetricSolver::Summary() const {
    return impl_->summary;
}

int ComplexSymmetricSolver::OffDiagonalPivots() const {
    const Impl& s = *impl_;
    if (s.summary.method == SparseMethod::kMultifrontal)
        return static_cast<int>(s.info[UMFPACK_NOFF_DIAG]);
    int off = 0;
    if (s.kluNumeric)
        for (int k = 0; k < s.p.order; ++k) off += s.kluNumeric->Pnum[k] != s.kluSymbolic->Q[k];
    return off;
}

double ComplexSymmetricSolver::PeakBytes() const {
    const Impl& s = *impl_;
    if (s.summary.method == SparseMethod::kMultifrontal)
        return s.info[UMFPACK_PEAK_MEMORY] * s.info[UMFPACK_SIZE_OF_UNIT];
    return static_cast<double>(s.common.mempeak);
}

void ConfigureProcessForAnalysis() {
    // OpenBLAS reads this when it is loaded (with UMFPACK, later); where it is loaded
    // already (numpy's, in Python), it is told below.
    setenv("OPENBLAS_NUM_THREADS", "1", 0);
    // Looked up rather than linked: UMFPACK reaches the BLAS through libblas.so.3, whichever
    // implementation the system selects for it.
    using SetThreads = void (*)(int);
    if (void* set = dlsym(RTLD_DEFAULT, "openblas_set_num_threads"))
        reinterpret_cast<SetThreads>(set)(1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    // One arena for every thread: a worker's arena of its own is made of heaps of at most
    // 64 MB, and a larger front (UMFPACK's on the 10 x 10 x 10 grid) was mapped afresh at
    // every point whatever the settings above (the whole analysis on two threads: 50 s,
    // 27 s of it in the kernel; with one arena 15.6 s, under 1 s in the kernel). The
    // workers allocate a few large blocks per point, so they hardly meet at its lock.
    mallopt(M_ARENA_MAX, 1);
}

std::string SolverDescription(SparseMethod method) {
    switch (method) {
        case SparseMethod::kMultifrontal:
            return "UMFPACK multifrontal LU (AMD on the symmetric pattern, diagonal pivots "
                   "unless below 0.001 of the column, refined)";
        case SparseMethod::kLeftLooking:
            return "KLU left-looking LU (AMD on the symmetric pattern, diagonal pivots unless "
                   "below 0.001 of the column, one refinement step)";
        case SparseMethod::kAutomatic:
            break;
    }
    return "UMFPACK or KLU by the fill of the factors";
}

// ---------------------------------------------------------------------------------------
// Real symmetric systems, by UMFPACK.

struct RealSymmetricSolver::Impl {
    Impl(const SymmetricPattern& pattern, Pivoting piv)
        : umf(std::make_unique<Umfpack>()), p(pattern), pivoting(piv) {
        // The inertia needs K's own pivots, in the symmetric order: no row scaling and
        // any nonzero diagonal entry taken.
        UmfpackControl(*umf, control, pivoting == kStable, pivoting == kInertia);
        // The shapes' inverse iteration wants the direction of K^-1 b only.
        control[UMFPACK_IRSTEP] = 0;
        umfSymbolic = UmfpackSymbolic(*umf, p, false, control, info);
        intWork.resize(p.order);
        work.resize(p.order);
        if (pivoting == kInertia) diagonal.resize(p.order);
    }
    ~Impl() {
        if (umfNumeric) umf->di_free_numeric(&umfNumeric);
        if (umfSymbolic) umf->di_free_symbolic(&umfSymbolic);
    }

    bool Factorize(const double* v) {
        values = nullptr;
        if (umfNumeric) umf->di_free_numeric(&umfNumeric);
        const int status = umf->di_numeric(p.starts.data(), p.rows.data(), v, umfSymbolic,
                                           &umfNumeric, control, info);
        if (status == UMFPACK_WARNING_singular_matrix) return false;
        if (status != UMFPACK_OK) {
            if (umfNumeric) umf->di_free_numeric(&umfNumeric);
            ThrowUmfpack(status, "sparse factorisation");
        }
        if (pivoting == kInertia) {
            // Every pivot on the diagonal in the symmetric order makes PKP^T = L D L^T
            // with D the diagonal of U; an off-diagonal pivot (a zero on the diagonal)
            // breaks that, as a zero pivot of an LDL^T factorisation would.
            if (info[UMFPACK_NOFF_DIAG] > 0) return false;
            int recip = 0;
            const int got =
                umf->di_get_numeric(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, diagonal.data(), &recip, nullptr, umfNumeric);
            if (got != UMFPACK_OK) ThrowUmfpack(got, "sparse factorisation");
            negatives = 0;
            largest = 0.0;
            for (double d : diagonal) {
                numeric::CheckFinite(d, "sparse factorisation");
                if (d < 0.0) ++negatives;
                largest = std::max(largest, std::fabs(d));
            }
        }
        double mantissa = 0.0, exponent = 0.0;
        const int got = umf->di_get_determinant(&mantissa, &exponent, umfNumeric, nullptr);
        if (got != UMFPACK_OK) ThrowUmfpack(got, "determinant");
        logDet = std::log(std::fabs(mantissa)) + exponent * std::log(10.0);
        values = v;
        return true;
    }

    void Solve(const double* b, double* x) {
        if (!values)
            throw ComputationFailure(numeric::kOutOfRange, "no factorisation to solve with");
        const int status = umf->di_wsolve(UMFPACK_A, p.starts.data(), p.rows.data(), values, x, b,
                                          umfNumeric, control, info, intWork.data(), work.data());
        if (status != UMFPACK_OK) ThrowUmfpack(status, "sparse solution");
        CheckFiniteSolution(x, p.order);
    }

    std::unique_ptr<Umfpack> umf;
    PatternCopy p;
    Pivoting pivoting;
    double control[UMFPACK_CONTROL] = {};
    double info[UMFPACK_INFO] = {};
    void* umfSymbolic = nullptr;
    void* umfNumeric = nullptr;
    std::vector<int> intWork;
    std::vector<double> work, diagonal;
    const double* values = nullptr;
    int negatives = 0;
    double largest = 0.0, logDet = 0.0;
};

RealSymmetricSolver::RealSymmetricSolver(const SymmetricPattern& pattern, Pivoting pivoting) {
    CheckPattern(pattern);
    impl_ = NewSolver<Impl>(pattern, pivoting);
}

RealSymmetricSolver::~RealSymmetricSolver() = default;

bool RealSymmetricSolver::Factorize(const double* values) {
    return impl_->Factorize(values);
}
int RealSymmetricSolver::NegativePivots() const {
    return impl_->negatives;
}
double RealSymmetricSolver::LargestPivot() const {
    return impl_->largest;
}
double RealSymmetricSolver::LogAbsDeterminant() const {
    return impl_->logDet;
}
void RealSymmetricSolver::Solve(const double* b, double* x) {
    impl_->Solve(b, x);
}

}  // namespace fem
