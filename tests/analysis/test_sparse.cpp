// The sparse, multithreaded solutions against the dense column-pivoting Gauss solution
// of the same equations; results whatever the number of threads; stop and failure on
// several threads; a model beyond 32767 dofs; the memory plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/dof_numbering.h"
#include "analysis/element.h"
#include "analysis/global_matrix.h"
#include "analysis/run_analysis.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::At;
using testsupport::Bar;
using testsupport::cd;
using testsupport::Close;
using testsupport::Node;
using Solution = std::shared_ptr<const fem::ImpactSolution>;

fem::AnalysisSettings Threads(fem::AnalysisSettings s, int threads) {
    s.Threads = threads;
    return s;
}

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

// Equation of element dof p under numbering a.
int EquationOf(const fem::DofNumbering& a, const fem::ElementRecord& e, int p) {
    return a.DofMap[e.EndNode[p / 6]][p % 6];
}

// The dynamic solution at point k by the dense Gauss routine: the global matrix of the
// free dofs summed from the element matrices, loaded by the "pf" steps only.
std::vector<cd> DenseDynamic(const fem::Model& m, const fem::AnalysisSettings& settings, int k) {
    const fem::DofNumbering a = fem::NumberDofs(m);
    const int n = a.FreeDofCount;
    const double Te = settings.Te;
    const numeric::Complex s = numeric::CMake(settings.GammaTe / Te, k * numeric::TwoPi / Te);
    numeric::ComplexMatrix A(n, n), ke(12, 12);
    fem::ElementWork work;
    auto Equation = [&](const fem::ElementRecord& e, int p) { return EquationOf(a, e, p); };
    for (const fem::ElementRecord& e : m.Elements) {
        fem::ElemStiffDyn(s, e, work, ke);
        for (int p = 0; p < 12; ++p)
            for (int q = 0; q < 12; ++q) {
                const int r = Equation(e, p), c = Equation(e, q);
                if (r < n && c < n) A(r, c) = numeric::CAdd(A(r, c), ke(p, q));
            }
    }
    const cd S(s.re, s.im);
    const cd F = std::exp(-S * Te / 10.0) / (S * (1.0 + S * settings.Tau * Te));
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
    const fem::AnalysisSettings settings = testsupport::Settings(64, 5, 0.005, 0.02);
    const fem::AnalysisResult result = fem::RunAnalysis(m, settings);
    ASSERT_TRUE(result.Impact->Complete());
    const fem::DofNumbering& a = result.Impact->Numbering();
    auto Equation = [&](const fem::ElementRecord& e, int p) { return EquationOf(a, e, p); };
    ASSERT_EQ(a.FreeDofCount, 36);
    for (int k : {0, 1, 13, 32}) {
        const std::vector<cd> dense = DenseDynamic(m, settings, k);
        double largest = 0.0;
        for (const cd& v : dense) largest = std::max(largest, std::abs(v));
        ASSERT_GT(largest, 0.0);
        for (int r = 0; r < a.FreeDofCount; ++r) {
            const auto [node, j] = a.DofOwner[r];
            EXPECT_LE(std::abs(At(*result.Impact, node, j, k) - dense[r]), 1e-10 * largest)
                << "k " << k;
        }
    }

    // Static: K u = LoadValue - K_fixed FixedDisp, dense.
    const int n = a.FreeDofCount;
    numeric::RealMatrix K(n, n), ke(12, 12);
    fem::ElementWork work;
    std::vector<double> b(n), x(n);
    for (int r = 0; r < n; ++r) b[r] = m.Nodes[a.DofOwner[r].first].LoadValue[a.DofOwner[r].second];
    for (const fem::ElementRecord& e : m.Elements) {
        fem::ElemStiffStat(e, work, ke);
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
        EXPECT_NEAR(result.Static->NodeDisp[a.DofOwner[r].first][a.DofOwner[r].second], x[r],
                    1e-12 * largest);
    EXPECT_TRUE(result.Static->BelongsTo(m));
    EXPECT_TRUE(result.Impact->BelongsTo(m));
    m.Touch();
    EXPECT_FALSE(result.Static->BelongsTo(m));
    EXPECT_FALSE(result.Impact->BelongsTo(m));
}

bool SameSpectra(const fem::ImpactSolution& a, const fem::ImpactSolution& b) {
    if (a.Structure().NodeCount() != b.Structure().NodeCount() || a.Lines() != b.Lines() ||
        a.PointsPerLine() != b.PointsPerLine())
        return false;
    for (int line = 0; line < a.Lines(); ++line)
        for (int i = 0; i < a.Structure().NodeCount(); ++i)
            for (int j = 0; j < 6; ++j)
                for (int k = 0; k < a.PointsPerLine(); ++k)
                    if (At(a, i, j, k, line) != At(b, i, j, k, line)) return false;
    return true;
}

TEST(Sparse, ResultsDoNotDependOnTheNumberOfThreads) {
    const fem::Model m = Frame();
    const fem::AnalysisSettings settings = testsupport::Settings(256, 5, 0.005);
    const Solution one = fem::SolveImpact(m, Threads(settings, 1));
    const Solution three = fem::SolveImpact(m, Threads(settings, 3));
    ASSERT_TRUE(one->Complete());
    ASSERT_TRUE(three->Complete());
    EXPECT_EQ(one->Report().Threads, 1);
    EXPECT_EQ(three->Report().Threads, 3);
    EXPECT_TRUE(SameSpectra(*one, *three));
}

// Two different analyses on two threads at the same time give, bit for bit, what each
// gives alone: nothing of one run is shared with the other.
TEST(Sparse, TwoAnalysesAtOnceGiveWhatEachGivesAlone) {
    fem::Model frame = Frame(), sample;
    fem::BuildSample(sample, 4);
    const fem::AnalysisSettings first = testsupport::Settings(256, 5, 0.005, 0.02, true);
    const fem::AnalysisSettings second = testsupport::Settings(512, 6, 0.001);
    const fem::AnalysisResult aloneFirst = fem::RunAnalysis(frame, Threads(first, 1));
    const fem::AnalysisResult aloneSecond = fem::RunAnalysis(sample, Threads(second, 1));
    fem::AnalysisResult togetherFirst, togetherSecond;
    std::thread a([&] { togetherFirst = fem::RunAnalysis(frame, Threads(first, 2)); });
    std::thread b([&] { togetherSecond = fem::RunAnalysis(sample, Threads(second, 2)); });
    a.join();
    b.join();
    EXPECT_TRUE(SameSpectra(*aloneFirst.Impact, *togetherFirst.Impact));
    EXPECT_TRUE(SameSpectra(*aloneSecond.Impact, *togetherSecond.Impact));
    EXPECT_EQ(aloneFirst.Static->NodeDisp, togetherFirst.Static->NodeDisp);
    EXPECT_EQ(aloneSecond.Static->NodeDisp, togetherSecond.Static->NodeDisp);
    // Histories of both solutions inverted at once on two threads.
    fem::HistoryResult h1, h2;
    std::thread c(
        [&] { h1 = fem::ElementForceHistory(*togetherFirst.Impact, 3, fem::ForceAxes::Global); });
    std::thread d([&] { h2 = fem::NodeDisplacementHistory(*togetherSecond.Impact, 3); });
    c.join();
    d.join();
    const fem::HistoryResult e1 =
        fem::ElementForceHistory(*aloneFirst.Impact, 3, fem::ForceAxes::Global);
    const fem::HistoryResult e2 = fem::NodeDisplacementHistory(*aloneSecond.Impact, 3);
    for (int c2 = 0; c2 < 12; ++c2)
        for (int j = 0; j < 256; ++j) {
            ASSERT_EQ(h1.Corrected(c2, j), e1.Corrected(c2, j));
            ASSERT_EQ(h1.EstimatedError(c2, j), e1.EstimatedError(c2, j));
        }
    for (int c2 = 0; c2 < 6; ++c2)
        for (int j = 0; j < 512; ++j) ASSERT_EQ(h2.Uncorrected(c2, j), e2.Uncorrected(c2, j));
}

class StopAt : public fem::AnalysisCallbacks {
  public:
    explicit StopAt(int k) : stopAt_(k) {}
    void Progress(int k) override {
        progress.push_back(k);
        if (k == stopAt_) RequestStop();
    }
    std::vector<int> progress;

  private:
    int stopAt_;
};

// Whatever the workers had solved beyond it, a stop seen after point 5 keeps points
// 0 .. 5; every later point holds the initial fill.
TEST(Sparse, StopOnSeveralThreadsKeepsThePointsReported) {
    const fem::Model m = Frame();
    StopAt stop(5);
    const Solution s = fem::SolveImpact(m, Threads(testsupport::Settings(256, 5, 0.005), 3), &stop);
    EXPECT_EQ(fem::EnglishText(s->Result()), fem::kUserStop);
    EXPECT_EQ(stop.progress, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(s->Complete());
    for (int k = 0; k <= 128; ++k) {
        const cd v = At(*s, 11, 0, k);  // the loaded corner
        if (k <= 5)
            EXPECT_NE(v.real(), 0.0) << "k " << k;
        else
            for (int n = 0; n < m.NodeCount(); ++n)
                for (int j = 0; j < 6; ++j) EXPECT_EQ(At(*s, n, j, k), cd(0.0, 0.0)) << "k " << k;
    }
}

// With gamma Te = 0 the first transform point is s = 0, where the step load has no
// transform: that point fails while the later ones could be solved. The lowest failing
// point decides, whatever the threads, and no point keeps a solution.
TEST(Sparse, TheFirstFailingPointDecides) {
    for (int threads : {1, 3}) {
        fem::Model m;
        m.AddNode(Node(0, 0, 0, "uuuuuu"));
        fem::NodeRecord tip = Node(3000, 0, 0, "pfpppp");
        tip.LoadValue[1] = 1.0;
        m.AddNode(tip);
        m.AddElement(Bar(0, 1));
        const Solution s =
            fem::SolveImpact(m, Threads(testsupport::Settings(512, 0, 0.001), threads));
        EXPECT_EQ(s->Result().Kind, fem::OutcomeKind::SingularMatrix) << threads;
        EXPECT_EQ(s->Result().Point, 0) << threads;
        for (int k = 0; k <= 256; ++k)
            for (int j = 0; j < 6; ++j)
                EXPECT_EQ(At(*s, 1, j, k), cd(0.0, 0.0)) << "k " << k << ", threads " << threads;
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
    const fem::AnalysisResult r = testsupport::Analyse(m, 4, 5, Te, 0);
    ASSERT_TRUE(r.Impact->Complete());
    ASSERT_TRUE(r.Static->Complete());
    EXPECT_EQ(r.Impact->Numbering().FreeDofCount, 35994);
    const fem::ElementRecord& e = m.Elements[0];
    const double L = 100.0 * (nodes - 1), c = e.WaveAxial;
    EXPECT_TRUE(Close(r.Static->NodeDisp.back()[0], L / e.EA, 1e-9));
    for (int k = 0; k <= 2; ++k) {
        const cd s = testsupport::Point(*r.Impact, k);
        const cd tip = std::exp(-s * Te / 10.0) / s * std::tanh(s * L / c) * c / (e.EA * s);
        EXPECT_TRUE(Close(At(*r.Impact, nodes - 1, 0, k), tip, 1e-9));
    }
    // A chain orders without fill: the factor holds the pattern's lower triangle.
    const fem::GlobalPattern p(m, r.Impact->Numbering());
    EXPECT_EQ(fem::SymmetricFactorNonZeros(p), (p.NonZeros() - p.Order()) / 2);
}

TEST(Sparse, MemoryDecidesTheWorkersOrRefusesTheRun) {
    fem::MemoryPlan plan;
    plan.SharedBytes = 100e6;
    plan.PerWorkerBytes = 1e9;
    EXPECT_EQ(fem::WorkersThatFit(plan, 4, {10e9}), 4);
    EXPECT_EQ(fem::WorkersThatFit(plan, 4, {2.5e9}), 2);
    try {
        (void)fem::WorkersThatFit(plan, 4, {0.9e9});
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
    const fem::GlobalPattern p(m, fem::NumberDofs(m));
    const fem::MemoryPlan real = fem::PlanMemory(p, fem::SymmetricFactorNonZeros(p), 12, 4097);
    EXPECT_GE(real.SharedBytes, 6.0 * 12 * 4097 * 16);
    EXPECT_GT(real.PerWorkerBytes, 16.0 * p.NonZeros());
}

}  // namespace
