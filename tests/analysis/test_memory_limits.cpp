// Runs under a memory limit, each in a child process with its own address-space limit:
// a run that cannot fit is refused before it starts, with the limit named; a run that
// fits completes; a sparse factorisation that runs out of memory reports it and never
// crashes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <Eigen/SparseCore>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "analysis/impact.h"
#include "analysis/run_analysis.h"
#include "analysis/sparse_solver.h"
#include "support.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

double AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0.0;
    statm >> pages;
    return pages * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Runs body in a child process limited to headroom bytes of address space beyond what
// it uses at the start; the child's exit code, or -signal when a signal ended it.
int InLimitedChild(double headroom, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        const auto bytes = static_cast<rlim_t>(AddressSpaceInUse() + headroom);
        const rlimit limit{bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

fem::Model Chain(int nodes) {
    fem::Model m;
    for (int i = 0; i < nodes; ++i)
        m.AddNode(testsupport::Node(100.0 * i, 0, 0,
                                    i == 0 ? "uuuuuu" : (i + 1 < nodes ? "pppppp" : "fppppp")));
    m.Nodes.back().LoadValue[0] = 1.0;
    for (int i = 1; i < nodes; ++i) m.AddElement(testsupport::Bar(i - 1, i));
    return m;
}

TEST(MemoryLimits, ARunBeyondTheAddressSpaceLimitIsRefusedAndOneWithinItCompletes) {
    if (kSanitized) GTEST_SKIP() << "address-space limits do not apply under the sanitizers";
    constexpr double kMB = 1024.0 * 1024.0;
    // 1,000 nodes at 8,193 points: the spectra alone take 6 x 1,000 x 8,193 x 16 B =
    // 786 MB, far beyond 300 MB.
    const int refused = InLimitedChild(300 * kMB, [] {
        const fem::AnalysisResult r =
            fem::RunAnalysis(Chain(1000), testsupport::Settings(16384, 5.0, 0.01), nullptr);
        const fem::Outcome& o = r.Impact->Result();
        if (o.Kind != fem::OutcomeKind::WouldNotFit) return 1;
        if (o.Limit != fem::MemoryLimit::AddressSpace) return 2;
        if (o.AvailableBytes > 300 * kMB || o.NeededBytes < 6.0 * 1000 * 8193 * 16) return 3;
        return fem::EnglishText(o).find("ulimit -v") == std::string::npos ? 4 : 0;
    });
    EXPECT_EQ(refused, 0);
    // Twenty nodes at 2 x 257 points on two threads fit in 400 MB with the threads'
    // stacks and arenas.
    const int completed = InLimitedChild(400 * kMB, [] {
        fem::AnalysisSettings s = testsupport::Settings(512, 5.0, 0.01);
        s.Threads = 2;
        const fem::AnalysisResult r = fem::RunAnalysis(Chain(20), s, nullptr);
        return r.Impact->Complete() && r.Static->Complete() ? 0 : 1;
    });
    EXPECT_EQ(completed, 0);
}

// A complex five-point operator on a square grid, shifted: its LU factors fill in far
// beyond the matrix.
using ComplexSparse = Eigen::SparseMatrix<std::complex<double>, Eigen::ColMajor, int>;
ComplexSparse GridOperator(int side) {
    std::vector<Eigen::Triplet<std::complex<double>>> entries;
    const auto at = [side](int i, int j) { return i * side + j; };
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            entries.emplace_back(at(i, j), at(i, j), std::complex<double>(4.5, 0.3));
            if (i > 0) entries.emplace_back(at(i, j), at(i - 1, j), -1.0);
            if (i + 1 < side) entries.emplace_back(at(i, j), at(i + 1, j), -1.0);
            if (j > 0) entries.emplace_back(at(i, j), at(i, j - 1), -1.0);
            if (j + 1 < side) entries.emplace_back(at(i, j), at(i, j + 1), -1.0);
        }
    ComplexSparse a(side * side, side * side);
    a.setFromTriplets(entries.begin(), entries.end());
    a.makeCompressed();
    return a;
}

TEST(MemoryLimits, AFactorisationThatRunsOutOfMemoryReportsItWithoutCrashing) {
    if (kSanitized) GTEST_SKIP() << "address-space limits do not apply under the sanitizers";
    const ComplexSparse a = GridOperator(120);
    // As the programs run, the BLAS in the calling thread (a forked child has none of the
    // parent's BLAS threads), and a small system first: UMFPACK and the BLAS are loaded
    // and the BLAS takes its buffer for this thread, which the children inherit (under a
    // limit that leaves no room for it OpenBLAS would wait for it).
    fem::ConfigureProcessForAnalysis();
    const ComplexSparse small = GridOperator(30);
    fem::ComplexSymmetricSolver warmUp(
        {static_cast<int>(small.rows()), small.outerIndexPtr(), small.innerIndexPtr()},
        fem::SparseMethod::kMultifrontal);
    warmUp.Factorize(small.valuePtr());
    for (fem::SparseMethod method :
         {fem::SparseMethod::kMultifrontal, fem::SparseMethod::kLeftLooking}) {
        // 0: solved (residual checked), 2: out of memory reported, 3: a wrong solution
        // or a failure reported as something else.
        const auto factorise = [&a, method] {
            // The test's own vectors first: only the solver may run out.
            const Eigen::VectorXcd b = Eigen::VectorXcd::Ones(a.rows());
            Eigen::VectorXcd x(a.rows()), residual(a.rows());
            try {
                fem::ComplexSymmetricSolver solver(
                    {static_cast<int>(a.rows()), a.outerIndexPtr(), a.innerIndexPtr()}, method);
                solver.Factorize(a.valuePtr());
                solver.Solve(b.data(), x.data());
                residual.noalias() = a * x;
                residual -= b;
                return residual.norm() < 1e-10 * b.norm() ? 0 : 3;
            } catch (const fem::SolverOutOfMemory&) {
                return 2;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return 3;
            }
        };
        bool ranOut = false, solved = false;
        for (double mb = 4; mb <= 64; mb += 4) {
            const int code = InLimitedChild(mb * 1024 * 1024, factorise);
            ASSERT_GE(code, 0) << "killed by signal " << -code << " under " << mb << " MB";
            ASSERT_NE(code, 3) << "under " << mb << " MB";
            ranOut |= code == 2;
            solved |= code == 0;
        }
        // Both outcomes were met: the limits reached into the factorisation.
        EXPECT_TRUE(ranOut) << static_cast<int>(method);
        EXPECT_TRUE(solved) << static_cast<int>(method);
    }
}

}  // namespace
