// The sparse, multithreaded solutions against the dense column-pivoting Gauss solution
// of the same equations; results whatever the number of threads; stop and failure on
// several threads; a model beyond 32767 dofs; the memory plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "analysis/element.h"
#include "analysis/engine.h"
#include "analysis/global_matrix.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::Bar;
using testsupport::cd;
using testsupport::Close;
using testsupport::Node;

// Restores one worker per core after a test that sets the thread count.
struct ThreadCount {
    explicit ThreadCount(int n) { fem::Analysis().Threads = n; }
    ~ThreadCount() { fem::Analysis().Threads = 0; }
};

// A small three-dimensional frame: two bays of 500 mm by one of 400 mm, one storey of
// 300 mm with a brace, clamped at the ground; step loads along x and z at two top
// nodes, a "p" load and a prescribed support displacement for the static solution.
fem::Model Frame() {
    fem::Model m;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i)
                m.AddNode(Node(500.0 * i, 400.0 * j, 300.0 * k, k == 0 ? "uuuuuu" : "pppppp"));
    auto at = [](int i, int j, int k) { return (k * 2 + j) * 3 + i; };
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) m.AddElement(Bar(at(i, j, 0), at(i, j, 1)));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) m.AddElement(Bar(at(i, j, 1), at(i + 1, j, 1), 12.0));
    for (int i = 0; i < 3; ++i) m.AddElement(Bar(at(i, 0, 1), at(i, 1, 1)));
    m.AddElement(Bar(at(0, 0, 0), at(1, 1, 1), 8.0));
    fem::NodeRecord n = m.GetNode(at(2, 1, 1));
    n.BcCode[0] = "pf";
    n.LoadValue[0] = 2.0;
    m.PutNode(at(2, 1, 1), n);
    n = m.GetNode(at(1, 0, 1));
    n.BcCode[2] = "pf";
    n.LoadValue[2] = -1.0;
    n.LoadValue[4] = 30.0;  // a static moment on a "p" dof
    m.PutNode(at(1, 0, 1), n);
    n = m.GetNode(at(0, 1, 0));
    n.FixedDisp[1] = 0.01;
    m.PutNode(at(0, 1, 0), n);
    return m;
}

// Equation of element dof p under the numbering of the last analysis.
int Equation(const fem::ElementRecord& e, int p) {
    return fem::Analysis().DofMap[e.EndNode[p / 6]][p % 6];
}

// The dynamic solution at point k by the dense Gauss routine: the global matrix of the
// free dofs summed from the element matrices, loaded by the "pf" steps only.
std::vector<cd> DenseDynamic(const fem::Model& m, int k) {
    const fem::AnalysisState& a = fem::Analysis();
    const int n = a.FreeDofCount;
    const numeric::Complex s = numeric::CMake(a.Gamma, k * numeric::TwoPi / a.Te);
    numeric::ComplexMatrix A(n, n), ke(12, 12);
    for (const fem::ElementRecord& e : m.Elements) {
        fem::ElemStiffDyn(s, e, ke);
        for (int p = 0; p < 12; ++p)
            for (int q = 0; q < 12; ++q) {
                const int r = Equation(e, p), c = Equation(e, q);
                if (r < n && c < n) A(r, c) = numeric::CAdd(A(r, c), ke(p, q));
            }
    }
    const cd S(s.re, s.im);
    const cd F = std::exp(-S * a.Te / 10.0) / (S * (1.0 + S * a.Tau * a.Te));
    std::vector<numeric::Complex> b(n), x(n);
    for (int r = 0; r < n; ++r) {
        const auto [node, j] = a.DofOwner[r];
        if (m.Nodes[node].BcCode[j] != "pf") continue;
        const cd load = m.Nodes[node].LoadValue[j] * F;
        b[r] = numeric::CMake(load.real(), load.imag());
    }
    numeric::GaussSolveComplex(n, A, b, x);
    std::vector<cd> out;
    for (const numeric::Complex& v : x) out.emplace_back(v.re, v.im);
    return out;
}

TEST(Sparse, DynamicAndStaticSolutionsEqualTheDenseGaussSolution) {
    fem::Model m = Frame();
    ASSERT_EQ(fem::RunAnalysis(m, 64, 5, 0.005, 0.02).Dynamic, "");
    const fem::AnalysisState& a = fem::Analysis();
    ASSERT_EQ(a.FreeDofCount, 36);
    for (int k : {0, 1, 13, 32}) {
        const std::vector<cd> dense = DenseDynamic(m, k);
        double largest = 0.0;
        for (const cd& v : dense) largest = std::max(largest, std::abs(v));
        ASSERT_GT(largest, 0.0);
        for (int r = 0; r < a.FreeDofCount; ++r) {
            const auto [node, j] = a.DofOwner[r];
            const numeric::Complex v = m.Nodes[node].DispSpectrum(j, k);
            EXPECT_LE(std::abs(cd(v.re, v.im) - dense[r]), 1e-10 * largest) << "k " << k;
        }
    }

    // Static: K u = LoadValue - K_fixed FixedDisp, dense.
    const int n = a.FreeDofCount;
    numeric::RealMatrix K(n, n), ke(12, 12);
    std::vector<double> b(n), x(n);
    for (int r = 0; r < n; ++r) b[r] = m.Nodes[a.DofOwner[r].first].LoadValue[a.DofOwner[r].second];
    for (const fem::ElementRecord& e : m.Elements) {
        fem::ElemStiffStat(e, ke);
        for (int p = 0; p < 12; ++p)
            for (int q = 0; q < 12; ++q) {
                const int r = Equation(e, p), c = Equation(e, q);
                if (r >= n) continue;
                if (c < n)
                    K(r, c) += ke(p, q);
                else
                    b[r] -= ke(p, q) * m.Nodes[e.EndNode[q / 6]].FixedDisp[q % 6];
            }
    }
    numeric::GaussSolveReal(n, K, b, x);
    const double largest = std::fabs(*std::max_element(
        x.begin(), x.end(), [](double p, double q) { return std::fabs(p) < std::fabs(q); }));
    for (int r = 0; r < n; ++r)
        EXPECT_NEAR(m.Nodes[a.DofOwner[r].first].StaticDisp[a.DofOwner[r].second], x[r],
                    1e-12 * largest);
    EXPECT_TRUE(fem::StaticResultsBelongTo(m));
    EXPECT_TRUE(fem::DynamicResultsBelongTo(m));
    m.Touch();
    EXPECT_FALSE(fem::StaticResultsBelongTo(m));
    EXPECT_FALSE(fem::DynamicResultsBelongTo(m));
}

TEST(Sparse, ResultsDoNotDependOnTheNumberOfThreads) {
    fem::Model one = Frame(), three = Frame();
    {
        ThreadCount threads(1);
        ASSERT_EQ(fem::RunDynamic(one, 256, 5, 0.005), "");
        EXPECT_EQ(fem::Analysis().LastRun.Threads, 1);
    }
    {
        ThreadCount threads(3);
        ASSERT_EQ(fem::RunDynamic(three, 256, 5, 0.005), "");
        EXPECT_EQ(fem::Analysis().LastRun.Threads, 3);
    }
    for (int i = 0; i < one.NodeCount(); ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k <= 128; ++k) {
                EXPECT_EQ(one.Nodes[i].DispSpectrum(j, k).re, three.Nodes[i].DispSpectrum(j, k).re);
                EXPECT_EQ(one.Nodes[i].DispSpectrum(j, k).im, three.Nodes[i].DispSpectrum(j, k).im);
            }
}

class StopAt : public fem::AnalysisCallbacks {
  public:
    explicit StopAt(int k) : stopAt_(k) {}
    void Progress(int k) override {
        progress.push_back(k);
        if (k == stopAt_) fem::Analysis().StopRequested = true;
    }
    std::vector<int> progress;

  private:
    int stopAt_;
};

// Whatever the workers had solved beyond it, a stop seen after point 5 keeps points
// 0 .. 5; every later point holds the initial fill.
TEST(Sparse, StopOnSeveralThreadsKeepsThePointsReported) {
    ThreadCount threads(3);
    fem::Model m = Frame();
    StopAt stop(5);
    EXPECT_EQ(fem::RunDynamic(m, 256, 5, 0.005, &stop), fem::kUserStop);
    EXPECT_EQ(stop.progress, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(fem::Analysis().DynamicComplete);
    for (int k = 0; k <= 128; ++k) {
        const numeric::Complex v = m.Nodes[11].DispSpectrum(0, k);  // the loaded corner
        if (k <= 5)
            EXPECT_NE(v.re, 0.0) << "k " << k;
        else
            for (const fem::NodeRecord& n : m.Nodes)
                for (int j = 0; j < 6; ++j) {
                    EXPECT_EQ(n.DispSpectrum(j, k).re, 0.0) << "k " << k;
                    EXPECT_EQ(n.DispSpectrum(j, k).im, 0.0) << "k " << k;
                }
    }
}

// With gamma Te = 0 the first transform point is s = 0, where the step load has no
// transform: that point fails while the later ones could be solved. The lowest failing
// point decides, whatever the threads, and no point keeps a solution.
TEST(Sparse, TheFirstFailingPointDecides) {
    for (int threads : {1, 3}) {
        ThreadCount count(threads);
        fem::Model m;
        m.AddNode(Node(0, 0, 0, "uuuuuu"));
        fem::NodeRecord tip = Node(3000, 0, 0, "pfpppp");
        tip.LoadValue[1] = 1.0;
        m.AddNode(tip);
        m.AddElement(Bar(0, 1));
        EXPECT_EQ(fem::RunDynamic(m, 512, 0, 0.001), fem::kGaussError) << threads;
        const numeric::ComplexMatrix& u = m.Nodes[1].DispSpectrum;
        for (int k = 0; k <= 256; ++k)
            for (int j = 0; j < 6; ++j) {
                EXPECT_EQ(u(j, k).re, 0.0) << "k " << k << ", threads " << threads;
                EXPECT_EQ(u(j, k).im, 0.0) << "k " << k << ", threads " << threads;
            }
    }
}

// 6,000 nodes in a straight line along x, 100 mm apart, clamped at node 0 and pulled by a
// step at the far end: 35,994 free dofs. The axial response is the rod's own.
TEST(Sparse, AModelBeyond32767DofsIsSolved) {
    fem::Model m;
    const int nodes = 6000;
    m.Nodes.reserve(nodes);
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    for (int i = 1; i < nodes; ++i)
        m.AddNode(Node(100.0 * i, 0, 0, i + 1 == nodes ? "fppppp" : "pppppp"));
    m.Nodes.back().LoadValue[0] = 1.0;
    for (int i = 1; i < nodes; ++i) m.AddElement(Bar(i - 1, i));
    const double Te = 0.02;
    const fem::AnalysisMessages msg = fem::RunAnalysis(m, 4, 5, Te, 0);
    ASSERT_EQ(msg.Dynamic, "");
    ASSERT_EQ(msg.Static, "");
    EXPECT_EQ(fem::Analysis().FreeDofCount, 35994);
    const fem::ElementRecord& e = m.Elements[0];
    const double L = 100.0 * (nodes - 1), c = e.WaveAxial;
    EXPECT_TRUE(Close(m.Nodes.back().StaticDisp[0], L / e.EA, 1e-9));
    for (int k = 0; k <= 2; ++k) {
        const cd s(fem::Analysis().Gamma, k * numeric::TwoPi / Te);
        const cd tip = std::exp(-s * Te / 10.0) / s * std::tanh(s * L / c) * c / (e.EA * s);
        EXPECT_TRUE(Close(testsupport::ToStd(m.Nodes.back().DispSpectrum(0, k)), tip, 1e-9));
    }
    // A chain orders without fill: the factor holds the pattern's lower triangle.
    const fem::GlobalPattern& p = *fem::Analysis().Pattern;
    EXPECT_EQ(fem::SymmetricFactorNonZeros(p), (p.NonZeros() - p.Order()) / 2);
}

TEST(Sparse, MemoryDecidesTheWorkersOrRefusesTheRun) {
    fem::MemoryPlan plan;
    plan.SharedBytes = 100e6;
    plan.PerWorkerBytes = 1e9;
    EXPECT_EQ(fem::WorkersThatFit(plan, 4, 10e9), 4);
    EXPECT_EQ(fem::WorkersThatFit(plan, 4, 2.5e9), 2);
    try {
        (void)fem::WorkersThatFit(plan, 4, 0.9e9);
        ADD_FAILURE() << "a run larger than the memory was accepted";
    } catch (const numeric::ComputationFailure& f) {
        EXPECT_EQ(f.Number(), numeric::kOverflow);
        EXPECT_STREQ(f.what(),
                     "the analysis needs about 1050 MB of memory (954 MB for the sparse "
                     "factorisation), but only 859 MB are available: reduce the number of "
                     "nodes or Nw");
    }
    // The plan of a real run counts the spectra of every node at every point.
    fem::Model m = Frame();
    fem::NumberDofs(m);
    const fem::GlobalPattern& p = *fem::Analysis().Pattern;
    const fem::MemoryPlan real = fem::PlanMemory(p, fem::SymmetricFactorNonZeros(p), 12, 4097);
    EXPECT_GE(real.SharedBytes, 6.0 * 12 * 4097 * 16);
    EXPECT_GT(real.PerWorkerBytes, 16.0 * p.NonZeros());
}

}  // namespace
