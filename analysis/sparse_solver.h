#pragma once
// Sparse direct solution of the analysis' symmetric systems: the complex symmetric (not
// Hermitian) dynamic stiffness K(s) of every transform point and the real symmetric
// K(omega) of the natural-frequency search. The pattern is analysed once, then every
// matrix of that pattern is factorised and solved in turn.
//
// Matrices come as compressed columns holding both triangles, rows ascending in each
// column. An instance is used by one thread at a time; instances in different threads
// are independent (one per worker). The factorisations come from SuiteSparse: UMFPACK
// (multifrontal, dense kernels through BLAS) for matrices whose factors fill in, KLU
// (left-looking, no BLAS) for very sparse factors such as long thin frames.
#include <complex>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace fem {

// A factorisation that could not get its memory. Distinct from
// numeric::ComputationFailure: the matrix is fine, the machine is short.
class SolverOutOfMemory : public std::bad_alloc {
  public:
    explicit SolverOutOfMemory(std::string what) : what_(std::move(what)) {}
    [[nodiscard]] const char* what() const noexcept override { return what_.c_str(); }

  private:
    std::string what_;
};

// Which factorisation: chosen from the pattern (kAutomatic), or forced.
enum class SparseMethod { kAutomatic, kMultifrontal, kLeftLooking };

// A symmetric pattern: order n, n + 1 column starts, row indices (both triangles).
struct SymmetricPattern {
    int order = 0;
    const int* columnStarts = nullptr;
    const int* rowIndices = nullptr;
};

// What the symbolic analysis found.
struct SymbolicSummary {
    SparseMethod method = SparseMethod::kMultifrontal;
    double factorEntries = 0.0;  // entries of L and U, diagonals included
    double flops = 0.0;          // of one numeric factorisation
    double memoryBytes = 0.0;    // one instance's peak: factors, work arrays, pattern copy
};

// The symbolic analysis alone: what a solver of that pattern would use. Cheaper than a
// solver (no numeric work); for the memory plan of a run.
SymbolicSummary AnalyseSymmetricPattern(const SymmetricPattern& pattern,
                                        SparseMethod method = SparseMethod::kAutomatic);

// Address space the BLAS under the multifrontal factorisation (UMFPACK) reserves in every
// thread that calls it: OpenBLAS takes a buffer of 129 MB at a thread's first call and
// keeps it. Few of its pages are ever touched, but an address-space limit (ulimit -v)
// counts them all, and OpenBLAS waits for that buffer instead of failing when it cannot
// get it: a run must be refused before it starts instead.
constexpr double kBlasBufferBytes = 130.0 * 1024.0 * 1024.0;

// Flops of an LDL^T factorisation per entry of L under AMD's ordering of the pattern
// (about the mean length of the columns eliminated): what decides between a
// multifrontal factorisation (dense kernels, worth their overhead on long columns) and
// a simple one.
double FactorFlopsPerEntry(const SymmetricPattern& pattern);

// Solver of complex symmetric systems K x = b, LU with threshold partial pivoting that
// prefers the diagonal (so that the factors keep the fill of the symmetric ordering).
class ComplexSymmetricSolver {
  public:
    // Analyses the pattern (copied). Raises SolverOutOfMemory.
    explicit ComplexSymmetricSolver(const SymmetricPattern& pattern,
                                    SparseMethod method = SparseMethod::kAutomatic);
    ~ComplexSymmetricSolver();
    ComplexSymmetricSolver(const ComplexSymmetricSolver&) = delete;
    ComplexSymmetricSolver& operator=(const ComplexSymmetricSolver&) = delete;

    // Factorises the matrix with these values (one per pattern entry). The values are
    // read again by Solve's refinement: keep them unchanged until the last Solve. Raises
    // numeric::ComputationFailure (kZeroPivot) for a singular matrix, SolverOutOfMemory.
    void Factorize(const std::complex<double>* values);
    // x = K^-1 b with the last factorisation, refined against K; b and x have order
    // entries and may not overlap. Raises numeric::ComputationFailure when x is not finite.
    void Solve(const std::complex<double>* b, std::complex<double>* x);

    [[nodiscard]] const SymbolicSummary& Summary() const;
    // Of the last factorisation: pivots taken off the diagonal (each one adds fill beyond
    // the symbolic analysis) and the solver's peak memory, bytes.
    [[nodiscard]] int OffDiagonalPivots() const;
    [[nodiscard]] double PeakBytes() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Solver of real symmetric systems. kInertia factorises with diagonal pivots only, in
// the order of the symmetric analysis (an LDL^T factorisation: the count of negative
// pivots is the inertia of K); kStable pivots for stability (LU with partial pivoting:
// log |det K| and solutions stay accurate however nearly singular K is).
class RealSymmetricSolver {
  public:
    enum Pivoting { kInertia, kStable };
    RealSymmetricSolver(const SymmetricPattern& pattern, Pivoting pivoting);
    ~RealSymmetricSolver();
    RealSymmetricSolver(const RealSymmetricSolver&) = delete;
    RealSymmetricSolver& operator=(const RealSymmetricSolver&) = delete;

    // Factorises; false when the matrix is singular (kStable) or a diagonal pivot is
    // exactly zero (kInertia). Raises SolverOutOfMemory.
    bool Factorize(const double* values);
    // Of the last successful factorisation. kInertia: negative pivots and the largest
    // |pivot|; both: log |det K|.
    [[nodiscard]] int NegativePivots() const;
    [[nodiscard]] double LargestPivot() const;
    [[nodiscard]] double LogAbsDeterminant() const;
    // x = K^-1 b with the last factorisation (unrefined: inverse iteration needs no more).
    void Solve(const double* b, double* x);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Sets up the process for the sparse factorisations; a program calls it once at its
// start, before any thread (the engine itself never does, both settings are
// process-wide):
// - The BLAS computes in the calling thread only: the analysis runs one worker per core
//   already (OPENBLAS_NUM_THREADS=1 unless the environment says otherwise, read when
//   UMFPACK brings OpenBLAS in; an OpenBLAS loaded already is told to use one thread).
// - Freed factors stay with the process (glibc's allocator: large blocks from the heap
//   instead of mappings of their own, no trimming, one arena for all threads), so that
//   each transform point's factorisation reuses the pages of the one before instead of
//   faulting in fresh zeroed pages: without it a whole analysis of the 4 x 4 x 4 grid
//   took 2.5 times as long, of the 10 x 10 x 10 grid 3.2 times, a third or more of it
//   in the kernel.
void ConfigureProcessForAnalysis();

// What the method does, for reports: "UMFPACK multifrontal LU (...)". kAutomatic names
// the rule that chooses.
std::string SolverDescription(SparseMethod method);

}  // namespace fem
