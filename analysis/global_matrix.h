#pragma once
// The sparse global matrices of the analysis (internal to analysis/). The pattern of
// the free-dof block holds the 6 x 6 blocks of every pair of nodes joined by an element
// and of every node with itself; it is made once per numbering, together with the slot
// of every element matrix entry, so that the values of a transform point are filled in
// place. Both triangles are stored (compressed columns, rows ascending in each column).
#include <complex>
#include <cstdint>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/outcome.h"
#include "model/model.h"
#include "numeric/gauss.h"

namespace fem {

struct ElementWork;

class GlobalPattern {
  public:
    // The pattern of the free dofs of model under numbering. Raises
    // numeric::ComputationFailure (kOverflow) when it has more entries than an int counts.
    GlobalPattern(const Model& model, const DofNumbering& numbering);

    [[nodiscard]] int Order() const { return order_; }
    [[nodiscard]] int NonZeros() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] int ElementCount() const { return elements_; }
    [[nodiscard]] std::uint64_t Revision() const { return revision_; }              // of the model
    [[nodiscard]] const std::vector<int>& ColumnStarts() const { return starts_; }  // Order()+1
    [[nodiscard]] const std::vector<int>& RowIndices() const { return rows_; }
    // Value slot of entry (p, q) of element e's 12 x 12 matrix at p * 12 + q; -1 when the
    // row or the column belongs to a fixed dof.
    [[nodiscard]] const int* Slots(int e) const {
        return slots_.data() + static_cast<std::size_t>(144) * e;
    }
    // What the nodes add on the diagonal (analysis/node_terms.h): the value slot of a
    // free dof's diagonal entry with its spring stiffness and its mass, for every free
    // dof that has one of them, in the order of the equations.
    struct DiagonalTerm {
        int Slot = 0;
        double Stiffness = 0.0;
        double Mass = 0.0;
    };
    [[nodiscard]] const std::vector<DiagonalTerm>& NodeTerms() const { return nodeTerms_; }

  private:
    int order_ = 0;
    int elements_ = 0;
    std::uint64_t revision_ = 0;
    std::vector<int> starts_;
    std::vector<int> rows_;
    std::vector<int> slots_;
    std::vector<DiagonalTerm> nodeTerms_;
};

// The values of the dynamic matrix at s: the sum of the elements' dynamic stiffnesses,
// the entry (p, q) of an element taken from its upper triangle, so that the matrix is
// exactly symmetric, then the nodes' springs and masses (NodeDynamicDiagonal, damped by
// the model's damping: alpha on the masses, beta on the springs). work and ke are the
// caller's scratch. damping, when not empty, holds the damping of every element
// (ElementDampings). Raises numeric::ComputationFailure when a value is not finite.
void AssembleDynamic(const GlobalPattern& pattern, const Model& model, numeric::Complex s,
                     ElementWork& work, numeric::ComplexMatrix& ke, std::complex<double>* values,
                     const std::vector<RayleighCoefficients>& damping = {});

// The values of the static stiffness (every element entry added, then the nodes'
// springs) and the static right side: LoadValue of every free dof less K times the prescribed
// FixedDisp of the fixed dofs. rhs has Order() entries.
void AssembleStatic(const GlobalPattern& pattern, const Model& model, const DofNumbering& numbering,
                    ElementWork& work, numeric::RealMatrix& ke, double* values, double* rhs);

// The first equation whose row (and column) of the matrix holds only zeros, or -1: a free
// degree of freedom that nothing holds, where a singular matrix shows most plainly.
template <class T>
int ZeroRow(const GlobalPattern& pattern, const T* values) {
    const std::vector<int>& starts = pattern.ColumnStarts();
    for (int c = 0; c < pattern.Order(); ++c) {
        bool zero = true;
        for (int at = starts[c]; at < starts[c + 1] && zero; ++at) zero = values[at] == T{};
        if (zero) return c;
    }
    return -1;
}

// Entries below the diagonal of the Cholesky factor of the pattern under an AMD ordering,
// found without factorising: the size of a symmetric factorisation, and about half that
// of an LU factorisation that keeps to the diagonal.
std::int64_t SymmetricFactorNonZeros(const GlobalPattern& pattern);

// Memory of one dynamic solution, bytes: what all workers share (spectra, pattern) and
// what each worker holds (its matrix, factorisation and work arrays). points counts the
// spectrum columns of a node: the transform points of every line solved.
struct MemoryPlan {
    double SharedBytes = 0.0;
    double PerWorkerBytes = 0.0;
    int FillFactor = 0;  // the factorisation's first allocation, in entries of the matrix
};
MemoryPlan PlanMemory(const GlobalPattern& pattern, std::int64_t factorNonZeros, int nodes,
                      int points);
// The same for a worker whose sparse solver's symbolic analysis estimates its factors
// and work arrays at solverBytes (SymbolicSummary::memoryBytes): the worker holds them,
// its values of K, its right side and solution.
MemoryPlan PlanSolverMemory(const GlobalPattern& pattern, double solverBytes, int nodes,
                            int points);

// The memory a new computation may still use: the least of what the system has
// available (MemAvailable of /proc/meminfo), the room left under the address-space
// limit (RLIMIT_AS less the address space in use) and the room left under the control
// group's memory limit (memory.max less memory.current). Under an address-space limit
// every worker thread also reserves its stack and its allocator's arena.
struct MemoryRoom {
    double Bytes = 0.0;  // 0: unknown
    MemoryLimit Limit = MemoryLimit::Available;
    double PerThreadBytes = 0.0;
};
MemoryRoom AvailableMemory();

// The number of workers, at most wanted, whose memory fits in the room. Raises
// numeric::ComputationFailure (kOverflow) with a message giving both sizes and the
// limit when not even one fits, ending with the advice.
int WorkersThatFit(const MemoryPlan& plan, int wanted, const MemoryRoom& room,
                   const char* advice = "reduce the number of nodes or Nw");

}  // namespace fem
