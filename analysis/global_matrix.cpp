#include "analysis/global_matrix.h"

#include <sys/resource.h>
#include <unistd.h>

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include "analysis/damped_element.h"
#include "analysis/element.h"
#include "analysis/node_terms.h"
#include "numeric/failure.h"

namespace fem {

using numeric::ComputationFailure;

namespace {

inline int EquationOf(const DofNumbering& a, const ElementRecord& e, int dof) {
    return a.DofMap[e.EndNode[dof < 6 ? 0 : 1]][dof % 6];
}

std::string Megabytes(double bytes) {
    return std::to_string(static_cast<long long>(std::ceil(bytes / (1024.0 * 1024.0)))) + " MB";
}

}  // namespace

GlobalPattern::GlobalPattern(const Model& model, const DofNumbering& a)
    : order_(a.FreeDofCount), elements_(model.ElementCount()), revision_(model.Revision()) {
    const int nodes = model.NodeCount();
    // Free equations are numbered in node-then-dof order, so the free dofs of a node are
    // consecutive and ascend with the node number.
    std::vector<int> firstFree(nodes, 0), freeCount(nodes, 0);
    for (int i = 0; i < nodes; ++i) {
        firstFree[i] = order_;
        for (int j = 0; j < 6; ++j) {
            const int eq = a.DofMap[i][j];
            if (eq >= order_) continue;
            firstFree[i] = std::min(firstFree[i], eq);
            ++freeCount[i];
        }
    }
    std::vector<std::vector<int>> joined(nodes);
    for (int i = 0; i < nodes; ++i) joined[i].push_back(i);
    for (const ElementRecord& e : model.Elements) {
        joined[e.EndNode[0]].push_back(e.EndNode[1]);
        joined[e.EndNode[1]].push_back(e.EndNode[0]);
    }
    std::int64_t entries = 0;
    for (int i = 0; i < nodes; ++i) {
        std::vector<int>& list = joined[i];
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        std::int64_t rows = 0;
        for (int j : list) rows += freeCount[j];
        entries += rows * freeCount[i];
    }
    if (entries > std::numeric_limits<int>::max())
        throw ComputationFailure(numeric::kOverflow,
                                 "the global matrix has " + std::to_string(entries) +
                                     " entries, more than the solver can number");
    starts_.assign(static_cast<std::size_t>(order_) + 1, 0);
    rows_.reserve(static_cast<std::size_t>(entries));
    for (int i = 0; i < nodes; ++i)
        for (int c = 0; c < freeCount[i]; ++c) {
            const int column = firstFree[i] + c;
            for (int j : joined[i])
                for (int r = 0; r < freeCount[j]; ++r) rows_.push_back(firstFree[j] + r);
            starts_[column + 1] = static_cast<int>(rows_.size());
        }

    slots_.assign(static_cast<std::size_t>(144) * elements_, -1);
    for (int e = 0; e < elements_; ++e) {
        const ElementRecord& el = model.Elements[e];
        int* slot = slots_.data() + static_cast<std::size_t>(144) * e;
        for (int q = 0; q < 12; ++q) {
            const int column = EquationOf(a, el, q);
            if (column >= order_) continue;
            const int* begin = rows_.data() + starts_[column];
            const int* end = rows_.data() + starts_[column + 1];
            for (int p = 0; p < 12; ++p) {
                const int row = EquationOf(a, el, p);
                if (row >= order_) continue;
                slot[p * 12 + q] =
                    static_cast<int>(std::lower_bound(begin, end, row) - rows_.data());
            }
        }
    }

    for (int i = 0; i < nodes; ++i) {
        const NodeRecord& n = model.Nodes[i];
        const std::array<double, 6> masses = NodeMasses(model, i);
        for (int j = 0; j < 6; ++j) {
            const int eq = a.DofMap[i][j];
            if (eq >= order_ || (n.Springs[j] == 0.0 && masses[j] == 0.0)) continue;
            const int* begin = rows_.data() + starts_[eq];
            const int* end = rows_.data() + starts_[eq + 1];
            const int at = static_cast<int>(std::lower_bound(begin, end, eq) - rows_.data());
            nodeTerms_.push_back(DiagonalTerm{at, n.Springs[j], masses[j]});
        }
    }
}

void AssembleDynamic(const GlobalPattern& pattern, const Model& model, numeric::Complex s,
                     ElementWork& work, numeric::ComplexMatrix& ke, std::complex<double>* values,
                     const std::vector<RayleighCoefficients>& damping) {
    std::fill(values, values + pattern.NonZeros(), std::complex<double>{});
    for (int e = 0; e < pattern.ElementCount(); ++e) {
        if (damping.empty())
            ElemStiffDyn(s, model.Elements[e], work, ke);
        else
            DampedStiffDyn(s, model.Elements[e], damping[e], work, ke);
        const int* slot = pattern.Slots(e);
        for (int p = 0; p < 12; ++p)
            for (int q = 0; q < 12; ++q) {
                const int at = slot[p * 12 + q];
                if (at < 0) continue;
                const numeric::Complex& v = p <= q ? ke(p, q) : ke(q, p);
                values[at] += std::complex<double>(v.re, v.im);
            }
    }
    const NodeDamping nodeDamping = NodeDampingOf(model);
    for (const GlobalPattern::DiagonalTerm& t : pattern.NodeTerms()) {
        const numeric::Complex v = NodeDynamicDiagonal(t.Stiffness, t.Mass, s, nodeDamping);
        values[t.Slot] += std::complex<double>(v.re, v.im);
    }
    for (int i = 0; i < pattern.NonZeros(); ++i)
        if (!std::isfinite(values[i].real()) || !std::isfinite(values[i].imag())) {
            numeric::CheckFinite(values[i].real(), "dynamic assembly");
            numeric::CheckFinite(values[i].imag(), "dynamic assembly");
        }
}

void AssembleStatic(const GlobalPattern& pattern, const Model& model, const DofNumbering& a,
                    ElementWork& work, numeric::RealMatrix& ke, double* values, double* rhs) {
    const int order = pattern.Order();
    std::fill(values, values + pattern.NonZeros(), 0.0);
    for (int r = 0; r < order; ++r) {
        const auto [n, j] = a.DofOwner[r];
        rhs[r] = model.Nodes[n].LoadValue[j];
    }
    for (int e = 0; e < pattern.ElementCount(); ++e) {
        const ElementRecord& el = model.Elements[e];
        ElemStiffStat(el, work, ke);
        const int* slot = pattern.Slots(e);
        for (int p = 0; p < 12; ++p) {
            const int row = EquationOf(a, el, p);
            for (int q = 0; q < 12; ++q) {
                const int at = slot[p * 12 + q];
                if (at >= 0) {
                    values[at] += ke(p, q);
                } else if (row < order) {
                    // Column of a fixed dof: its prescribed displacement moves the load.
                    const double u = model.Nodes[el.EndNode[q < 6 ? 0 : 1]].FixedDisp[q % 6];
                    if (u != 0.0) rhs[row] -= ke(p, q) * u;
                }
            }
        }
    }
    for (const GlobalPattern::DiagonalTerm& t : pattern.NodeTerms()) values[t.Slot] += t.Stiffness;
    for (int i = 0; i < pattern.NonZeros(); ++i)
        numeric::CheckFinite(values[i], "the static solution");
    for (int r = 0; r < order; ++r) numeric::CheckFinite(rhs[r], "the static solution");
}

std::int64_t SymmetricFactorNonZeros(const GlobalPattern& pattern) {
    const int n = pattern.Order();
    if (n == 0) return 0;
    const std::vector<int>& starts = pattern.ColumnStarts();
    const std::vector<int>& rows = pattern.RowIndices();
    // The ordering sees the pattern only; the values are placeholders.
    Eigen::SparseMatrix<double, Eigen::ColMajor, int> shape(n, n);
    shape.resizeNonZeros(pattern.NonZeros());
    std::copy(starts.begin(), starts.end(), shape.outerIndexPtr());
    std::copy(rows.begin(), rows.end(), shape.innerIndexPtr());
    std::fill(shape.valuePtr(), shape.valuePtr() + pattern.NonZeros(), 1.0);
    Eigen::AMDOrdering<int>::PermutationType perm;
    Eigen::AMDOrdering<int>()(shape, perm);
    shape = Eigen::SparseMatrix<double, Eigen::ColMajor, int>();
    // The ordering lists the old index of each new position.
    std::vector<int> newIndexOf(n);
    for (int k = 0; k < n; ++k) newIndexOf[perm.indices()[k]] = k;
    const int* newIndex = newIndexOf.data();

    // Upper part of the permuted pattern, by column: rows i < k of column k.
    std::vector<int> upperStarts(static_cast<std::size_t>(n) + 1, 0);
    for (int c = 0; c < n; ++c)
        for (int at = starts[c]; at < starts[c + 1]; ++at) {
            const int i = newIndex[rows[at]], k = newIndex[c];
            if (i < k) ++upperStarts[k + 1];
        }
    for (int k = 0; k < n; ++k) upperStarts[k + 1] += upperStarts[k];
    std::vector<int> upperRows(upperStarts[n]);
    std::vector<int> fill(upperStarts.begin(), upperStarts.end() - 1);
    for (int c = 0; c < n; ++c)
        for (int at = starts[c]; at < starts[c + 1]; ++at) {
            const int i = newIndex[rows[at]], k = newIndex[c];
            if (i < k) upperRows[fill[k]++] = i;
        }
    // Row counts of the factor by the elimination tree: row k of L holds every node
    // reached from the entries of column k by climbing the tree.
    std::vector<int> parent(n, -1), mark(n, -1);
    std::int64_t count = 0;
    for (int k = 0; k < n; ++k) {
        mark[k] = k;
        for (int at = upperStarts[k]; at < upperStarts[k + 1]; ++at)
            for (int i = upperRows[at]; mark[i] != k; i = parent[i]) {
                if (parent[i] == -1) parent[i] = k;
                ++count;
                mark[i] = k;
            }
    }
    return count;
}

MemoryPlan PlanMemory(const GlobalPattern& pattern, std::int64_t factorNonZeros, int nodes,
                      int points) {
    const double n = pattern.Order();
    const double nnz = pattern.NonZeros();
    constexpr double kComplex = 16.0, kIndex = 4.0;
    MemoryPlan plan;
    plan.SharedBytes = 6.0 * nodes * points * kComplex + (nnz + n) * kIndex +
                       144.0 * pattern.ElementCount() * kIndex;
    // An LU factorisation that keeps to the diagonal holds about twice the symmetric
    // factor plus the diagonal; supernodes store some zeros besides. The factorisation
    // allocates its values (L with the supernodes' diagonal blocks, and U) as
    // FillFactor x (entries of the matrix) each at the start.
    const double lu = 1.3 * (static_cast<double>(factorNonZeros) + n);
    plan.FillFactor = std::max(2, static_cast<int>(std::ceil(lu / std::max(1.0, nnz))) + 1);
    const double allocated = std::min(plan.FillFactor * (nnz + 1) / std::max(1.0, n), n) * n;
    const double factor = 2.0 * allocated * kComplex +
                          (allocated + std::max(4, plan.FillFactor) * (nnz + 1) / 4) * kIndex;
    // The matrix twice (the worker's and the solver's copy), the right side and the
    // solution, the solver's panel and supernode work arrays.
    const double matrix = 2.0 * (nnz * (kComplex + kIndex) + 2 * (n + 1) * kIndex);
    const double work = n * (17.0 * kComplex + 40.0 * kIndex) + (128.0 + n) * 16.0 * kComplex;
    // Measured on grid frames, a worker's peak is about 1.8 times these nominal sizes
    // (Eigen's temporaries of every factorisation and the allocator's arena per thread).
    plan.PerWorkerBytes = 2.0 * (factor + matrix + work);
    return plan;
}

MemoryPlan PlanSolverMemory(const GlobalPattern& pattern, double solverBytes, int nodes,
                            int points) {
    const double n = pattern.Order();
    const double nnz = pattern.NonZeros();
    constexpr double kComplex = 16.0, kIndex = 4.0;
    MemoryPlan plan;
    // The program itself (code, libraries, the BLAS's packing buffers: 10 MB measured for
    // impactframe-cli on a small frame) besides the spectra and the pattern.
    constexpr double kProgramBytes = 12.0 * 1024 * 1024;
    plan.SharedBytes = kProgramBytes + 6.0 * nodes * points * kComplex + (nnz + n) * kIndex +
                       144.0 * pattern.ElementCount() * kIndex;
    // Measured peaks of grid frames were up to twice the nominal sizes: UMFPACK grows its
    // frontal matrices beyond what its symbolic analysis plans, and the workers' freed
    // blocks, kept in one arena for the next point, do not always fit each other's.
    plan.PerWorkerBytes = 2.0 * (solverBytes + nnz * kComplex + 2.0 * n * kComplex);
    return plan;
}

int WorkersThatFit(const MemoryPlan& plan, int wanted, const MemoryRoom& room, const char* advice) {
    const double perWorker = plan.PerWorkerBytes + room.PerThreadBytes;
    const double left = room.Bytes - plan.SharedBytes;
    const double fit = left > 0 ? std::floor(left / perWorker) : 0.0;
    if (fit < 1.0) {
        std::string limit = "but only " + Megabytes(room.Bytes) + " are available";
        if (room.Limit == MemoryLimit::AddressSpace)
            limit = "but the address-space limit of the process (ulimit -v) leaves only " +
                    Megabytes(room.Bytes);
        else if (room.Limit == MemoryLimit::ControlGroup)
            limit =
                "but the memory limit of its control group leaves only " + Megabytes(room.Bytes);
        throw ComputationFailure(
            numeric::kOverflow,
            "the analysis needs about " + Megabytes(plan.SharedBytes + perWorker) + " of memory (" +
                Megabytes(perWorker) + " for the sparse factorisation), " + limit + ": " + advice);
    }
    return static_cast<int>(std::min<double>(wanted, fit));
}

namespace {

// The first number after key on a line of a /proc or /sys file, times scale; -1 when
// the file or the key is missing or the value is not a number ("max").
double NumberInFile(const std::string& path, const std::string& key, double scale) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::size_t at = key.size();
        while (at < line.size() && line[at] == ' ') ++at;
        long long value = 0;
        const auto [end, error] =
            std::from_chars(line.data() + at, line.data() + line.size(), value);
        if (error == std::errc() && end != line.data() + at && value >= 0)
            return static_cast<double>(value) * scale;
        return -1.0;
    }
    return -1.0;
}

// The directory of the process's control group (version 2 hierarchy), or "".
std::string ControlGroupDirectory() {
    std::ifstream file("/proc/self/cgroup");
    std::string line;
    while (std::getline(file, line))
        if (line.compare(0, 3, "0::") == 0) return "/sys/fs/cgroup" + line.substr(3);
    return "";
}

}  // namespace

MemoryRoom AvailableMemory() {
    MemoryRoom room;
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    room.Bytes = NumberInFile("/proc/meminfo", "MemAvailable:", 1024.0);
    if (room.Bytes < 0.0) {
        const long pages = sysconf(_SC_AVPHYS_PAGES);
        room.Bytes = pages > 0 ? static_cast<double>(pages) * page : 0.0;
    }
    const auto tighter = [&room](double bytes, MemoryLimit limit) {
        if (bytes < 0.0) return;
        if (room.Bytes <= 0.0 || bytes < room.Bytes) {
            room.Bytes = bytes;
            room.Limit = limit;
        }
    };
    rlimit addressSpace{};
    if (getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY) {
        // The address space in use: the first number of /proc/self/statm, in pages.
        std::ifstream statm("/proc/self/statm");
        double pagesInUse = 0.0;
        statm >> pagesInUse;
        tighter(std::max(0.0, static_cast<double>(addressSpace.rlim_cur) - pagesInUse * page),
                MemoryLimit::AddressSpace);
    }
    // Walk up the control groups: a limit may be set on any of them.
    for (std::string group = ControlGroupDirectory();
         group.size() > std::string("/sys/fs/cgroup").size();
         group = group.substr(0, group.find_last_of('/'))) {
        const double limit = NumberInFile(group + "/memory.max", "", 1.0);
        const double used = NumberInFile(group + "/memory.current", "", 1.0);
        if (limit >= 0.0 && used >= 0.0)
            tighter(std::max(0.0, limit - used), MemoryLimit::ControlGroup);
    }
    if (room.Limit == MemoryLimit::AddressSpace) {
        // A thread reserves its stack and, once it allocates, an arena of the allocator
        // of up to 64 MB of address space.
        rlimit stack{};
        const double stackBytes =
            getrlimit(RLIMIT_STACK, &stack) == 0 && stack.rlim_cur != RLIM_INFINITY
                ? static_cast<double>(stack.rlim_cur)
                : 8.0 * 1024 * 1024;
        room.PerThreadBytes = stackBytes + 64.0 * 1024 * 1024;
    }
    return room;
}

}  // namespace fem
