// Laplace-domain solution and time histories against exact wave solutions: the axial
// step response of a fixed-free bar, the transverse one of a cantilever, the load history
// seen at a loaded node; and the stop, failure and refusal paths.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::Analyse;
using testsupport::At;
using testsupport::Bar;
using testsupport::cd;
using testsupport::Close;
using testsupport::Node;
using testsupport::Point;
using testsupport::ToStd;

// Transform of the unit step delayed by Te/10 rising with time constant tau Te.
cd StepTransform(cd s, double Te, double tau) {
    return std::exp(-s * Te / 10.0) / (s * (1.0 + s * tau * Te));
}

// The Fourier-series inversion returns f(t) + e^(-gamma Te) f(t + Te) + ...; the
// expected history includes the first terms of that sum.
template <class F>
double WithWrapAround(F f, double t, double Te, double gammaTe) {
    double sum = 0.0;
    for (int n = 0; n < 6; ++n) sum += std::exp(-n * gammaTe) * f(t + n * Te);
    return sum;
}

// Free-end displacement of a fixed-free bar under a step P applied at t0: a triangle wave
// between 0 and 2 P L / EA rising for 2 L / c.
double Triangle(double t, double t0, double P, double L, double EA, double c) {
    const double tt = t - t0;
    if (tt <= 0) return 0.0;
    const double T = 2 * L / c;
    const double phase = std::fmod(tt, 2 * T);
    return P * c / EA * (phase <= T ? phase : 2 * T - phase);
}

// Distance in time from t to the nearest of the instants t0 + m T, m = 0, 1, ...
double DistanceToCorner(double t, double t0, double T) {
    if (t <= t0) return t0 - t;
    const double r = std::fmod(t - t0, T);
    return std::min(r, T - r);
}

class Recorder : public fem::AnalysisCallbacks {
  public:
    void Yield() override { ++yields; }
    void Progress(int k) override {
        progress.push_back(k);
        if (k == stopAt) RequestStop();
    }
    int yields = 0;
    int stopAt = -1;
    std::vector<int> progress;
};

TEST(Dynamic, AxialStepSpectrumOfAFixedFreeBarIsExact) {
    for (double tau : {0.0, 0.05}) {
        fem::Model m;
        const fem::SampleSettings st = fem::BuildSample(m, 1);  // two bars along x, 200 mm
        const fem::AnalysisResult r = Analyse(m, 512, 5, st.Te, tau);
        ASSERT_TRUE(r.Impact->Complete());
        ASSERT_TRUE(r.Static->Complete());
        const fem::ImpactSolution& sol = *r.Impact;
        const fem::ElementRecord& e = m.Elements[0];
        const double P = m.Nodes[2].LoadValue[0], L = 200.0, c = e.WaveAxial;
        for (int k = 0; k <= 256; ++k) {
            const cd s = Point(sol, k);
            const cd F = StepTransform(s, st.Te, tau);
            const cd tip = P * F * std::tanh(s * L / c) * c / (e.EA * s);
            const cd mid =
                P * F * c / (e.EA * s) * std::sinh(s * L / 2.0 / c) / std::cosh(s * L / c);
            EXPECT_TRUE(Close(At(sol, 2, 0, k), tip, 1e-10)) << "k " << k;
            EXPECT_TRUE(Close(At(sol, 1, 0, k), mid, 1e-10)) << "k " << k;
            EXPECT_EQ(At(sol, 0, 0, k).real(), 0.0);
        }
        // The engine leaves the model's loads as they are.
        EXPECT_EQ(m.Nodes[2].LoadC[0].re, 0.0);
    }
}

// The impact response is the response to the "pf" step loads alone: a "p" load (as a
// data file gives it, with LoadC set) and a prescribed "u" displacement act on the
// static solution only, and a code edited from "pf" to "p" leaves no load behind.
TEST(Dynamic, PLoadsAndPrescribedDisplacementsAreStaticOnly) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    m.Nodes[2].BcCode[0] = "p";  // sample 1 with "p,1" instead of "pf,1"
    m.Nodes[2].LoadC[0] = numeric::Complex{1.0, 0.0};
    m.Nodes[0].FixedDisp[1] = 0.5;  // and a support moved by 0.5 mm along y
    m.Nodes[0].FixedDispC[1] = numeric::Complex{0.5, 0.0};
    m.Touch();
    const fem::AnalysisResult r = Analyse(m, 256, 5, st.Te, 0);
    ASSERT_TRUE(r.Impact->Complete());
    ASSERT_TRUE(r.Static->Complete());
    for (int n = 0; n < m.NodeCount(); ++n)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k <= 128; ++k) EXPECT_EQ(At(*r.Impact, n, j, k), cd(0.0, 0.0));
    const numeric::RealMatrix f =
        fem::ElementForceHistory(*r.Impact, 1, fem::ForceAxes::Global).Best();
    for (int c = 0; c < 12; ++c)
        for (int j = 0; j < 256; ++j) EXPECT_EQ(f(c, j), 0.0);
    // Statically the bar is pulled by 1 kgf (u = P L / EA) and moved rigidly along y.
    const fem::ElementRecord& e = m.Elements[0];
    EXPECT_TRUE(Close(r.Static->NodeDisp[2][0], 200.0 / e.EA, 1e-12));
    EXPECT_TRUE(Close(r.Static->NodeDisp[2][1], 0.5, 1e-12));

    // The sample analysed, its step load edited to "p" and analysed again: no response;
    // edited back to "pf": the same response as the sample itself.
    fem::Model sample;
    fem::BuildSample(sample, 1);
    const auto original = Analyse(sample, 256, 5, st.Te, 0).Impact;
    ASSERT_TRUE(original->Complete());
    fem::Model edited;
    fem::BuildSample(edited, 1);
    fem::NodeRecord n = edited.GetNode(2);
    n.BcCode[0] = "p";
    edited.PutNode(2, n);
    const auto unloaded = Analyse(edited, 256, 5, st.Te, 0).Impact;
    ASSERT_TRUE(unloaded->Complete());
    for (int k = 0; k <= 128; ++k) EXPECT_EQ(At(*unloaded, 2, 0, k).real(), 0.0);
    n.BcCode[0] = "pf";
    edited.PutNode(2, n);
    const auto reloaded = Analyse(edited, 256, 5, st.Te, 0).Impact;
    ASSERT_TRUE(reloaded->Complete());
    for (int k = 0; k <= 128; ++k)
        EXPECT_EQ(At(*reloaded, 2, 0, k).real(), At(*original, 2, 0, k).real());
}

// Sample 2: the tip of a 100 mm cantilever under a transverse step, against the classical
// clamped-free response obtained from the clamped-clamped dynamic stiffness.
TEST(Dynamic, TransverseStepSpectrumOfACantilever) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 2);
    const auto sol = Analyse(m, 256, 5, st.Te, 0).Impact;
    ASSERT_TRUE(sol->Complete());
    const fem::ElementRecord& e = m.Elements[0];
    const double P = m.Nodes[2].LoadValue[1];
    for (int k = 0; k <= 128; ++k) {
        const cd s = Point(*sol, k);
        cd K[4][4];
        testsupport::ClassicalBeam(s, e.EIz, testsupport::MassPerLength(e), 100.0, K);
        // End 2 free: [K22 K23; K32 K33] (w, theta) = (P F, 0).
        const cd load = P * StepTransform(s, st.Te, 0);
        const cd det = K[2][2] * K[3][3] - K[2][3] * K[3][2];
        const cd w = load * K[3][3] / det;
        const cd theta = -load * K[3][2] / det;
        EXPECT_TRUE(Close(At(*sol, 2, 1, k), w, 1e-8)) << "k " << k;
        EXPECT_TRUE(Close(At(*sol, 2, 5, k), theta, 1e-8)) << "k " << k;
    }
}

// A 3 m steel cantilever of 10 mm diameter under a 1 kgf step at its tip, at Te 0.05 and
// Nw 8192: the transform points reach |kappa L| of about 600. The tip history against
// the exact transfer function inverted by the same Hann-weighted series, summed directly.
TEST(Dynamic, LongCantileverTipHistoryMatchesTheExactTransferFunction) {
    const double L = 3000.0, Te = 0.05, gammaTe = 5.0;
    const int Nw = 8192;
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    fem::NodeRecord tip = Node(L, 0, 0, "pfpppp");
    tip.LoadValue[1] = 1.0;
    m.AddNode(tip);
    m.AddElement(Bar(0, 1));
    const auto sol = Analyse(m, Nw, gammaTe, Te, 0).Impact;
    ASSERT_TRUE(sol->Complete());
    const numeric::RealMatrix u = fem::NodeDisplacementHistory(*sol, 1).Best();

    // Tip deflection per tip force of a cantilever, kappa^4 = -s^2 / beta, x = kappa L:
    // (sin x cosh x - cos x sinh x) / (EI kappa^3 (1 + cos x cosh x)), divided through by
    // cos x cosh x; sech x from e^-x (Re x >= 0 for the principal root), so nothing overflows.
    const fem::ElementRecord& e = m.Elements[0];
    auto compliance = [&](cd s) {
        const cd kappa = std::pow(-s * s / e.BendCoefZ, 0.25);
        const cd x = kappa * L, em = std::exp(-x);
        const cd sech = 2.0 * em / (1.0 + em * em);
        return (std::tan(x) - std::tanh(x)) /
               (e.EIz * kappa * kappa * kappa * (1.0 + sech / std::cos(x)));
    };
    std::vector<cd> term(Nw / 2);  // Hann weight x (1 or 2) x spectrum, k = 0 .. Nw/2 - 1
    for (int k = 0; k < Nw / 2; ++k) {
        const cd s = Point(*sol, k);
        const double weight = (std::cos(numeric::TwoPi * k / Nw) + 1.0) * 0.5 * (k == 0 ? 1 : 2);
        term[k] = weight * StepTransform(s, Te, 0) * compliance(s);
    }
    std::vector<cd> root(Nw);  // e^(i 2 pi m / Nw)
    for (int n = 0; n < Nw; ++n) root[n] = std::polar(1.0, numeric::TwoPi * n / Nw);
    std::vector<double> expected(Nw);
    double peak = 0.0;
    for (int j = 0; j < Nw; ++j) {
        double sum = 0.0;
        for (int k = 0; k < Nw / 2; ++k)
            sum += (term[k] * root[(static_cast<long>(k) * j) % Nw]).real();
        expected[j] = std::exp(gammaTe * j / Nw) / Te * sum;
        peak = std::max(peak, std::fabs(expected[j]));
    }
    double worst = 0.0;
    for (int j = 0; j < Nw; ++j) worst = std::max(worst, std::fabs(u(1, j) - expected[j]));
    EXPECT_LE(worst, 1e-12 * peak) << "peak " << peak;
    EXPECT_GT(peak, 0.0);
}

TEST(Dynamic, FreeEndDisplacementIsATriangleWavePeakingAtTwiceTheStaticValue) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const double gammaTe = 5.0;
    const fem::AnalysisResult r = Analyse(m, 512, gammaTe, st.Te, 0);
    ASSERT_TRUE(r.Impact->Complete());
    const numeric::RealMatrix u = fem::NodeDisplacementHistory(*r.Impact, 2).Best();
    ASSERT_EQ(u.Rows(), 6);
    ASSERT_EQ(u.Cols(), 512);
    const fem::ElementRecord& e = m.Elements[0];
    const double P = 1.0, L = 200.0, c = e.WaveAxial, Te = st.Te, dt = Te / 512;
    const double t0 = Te / 10, staticValue = r.Static->NodeDisp[2][0];
    EXPECT_TRUE(Close(staticValue, P * L / e.EA, 1e-12));
    double peak = 0.0;
    int checked = 0;
    for (int j = 0; j < 512; ++j) {
        const double t = j * dt;
        peak = std::max(peak, u(0, j));
        if (DistanceToCorner(t, t0, 2 * L / c) < 5 * dt || t > 0.97 * Te) continue;
        const double expected = WithWrapAround(
            [&](double x) { return Triangle(x, t0, P, L, e.EA, c); }, t, Te, gammaTe);
        EXPECT_NEAR(u(0, j), expected, 1e-3 * staticValue) << "t_" << j;
        ++checked;
    }
    EXPECT_GT(checked, 400);
    // The Hann window rounds the corner of the peak a little; the wrap-around adds e^-5 of
    // the value one span later.
    EXPECT_GT(peak / staticValue, 1.96);
    EXPECT_LT(peak / staticValue, 2.0 * (1 + std::exp(-gammaTe)) + 0.01);
}

// Node 2 of sample 1 carries only element 1 and the step load, so the global end force
// of element 1 there is the load itself at every transform point and in time.
TEST(Dynamic, ForceAtTheLoadedNodeFollowsTheLoadHistory) {
    for (double tau : {0.0, 0.08}) {
        fem::Model m;
        const fem::SampleSettings st = fem::BuildSample(m, 1);
        const double gammaTe = 5.0, Te = st.Te;
        const auto sol = Analyse(m, 512, gammaTe, Te, tau).Impact;
        ASSERT_TRUE(sol->Complete());
        const numeric::RealMatrix f =
            fem::ElementForceHistory(*sol, 1, fem::ForceAxes::Global).Best();
        ASSERT_EQ(f.Rows(), 12);
        ASSERT_EQ(f.Cols(), 512);
        const numeric::ComplexMatrix F =
            fem::ElementForceSpectrum(*sol, 1, fem::ForceAxes::Global, 0);
        for (int k = 0; k <= 256; ++k)
            EXPECT_TRUE(Close(ToStd(F(6, k)), StepTransform(Point(*sol, k), Te, tau), 1e-9))
                << "k " << k;
        auto load = [&](double t) {
            if (t <= Te / 10) return 0.0;
            return tau == 0.0 ? 1.0 : 1.0 - std::exp(-(t - Te / 10) / (tau * Te));
        };
        const double dt = Te / 512;
        for (int j = 0; j < 500; ++j) {
            const double t = j * dt;
            if (std::fabs(t - Te / 10) < 8 * dt) continue;
            EXPECT_NEAR(f(6, j), WithWrapAround(load, t, Te, gammaTe), 1e-3) << "t_" << j;
        }
    }
}

// A long bar clamped at its second node, its first node sliding along y (rotation held)
// under a transverse step: the reaction at the clamp is K20 / K00 times the load spectrum,
// with K the classical clamped-clamped dynamic stiffness. At the low transform points the
// bar is many decay lengths long (e^(L Re lambda) ~ 1e10), where the reaction is tiny.
TEST(Dynamic, ReactionAtTheFarEndOfALongBeam) {
    const double L = 1000.0, Te = 0.0006, gammaTe = 8.0, P = 1.0;
    fem::Model m;
    fem::NodeRecord n0 = Node(0, 0, 0, "ufuuuu");
    n0.LoadValue[1] = P;
    m.AddNode(n0);
    m.AddNode(Node(L, 0, 0, "uuuuuu"));
    m.AddElement(Bar(0, 1));
    const auto sol = Analyse(m, 256, gammaTe, Te, 0).Impact;
    ASSERT_TRUE(sol->Complete());
    const numeric::ComplexMatrix F = fem::ElementForceSpectrum(*sol, 0, fem::ForceAxes::Global, 0);
    const fem::ElementRecord& e = m.Elements[0];
    const double mass = testsupport::MassPerLength(e);
    for (int k = 0; k <= 128; ++k) {
        const cd s = Point(*sol, k);
        cd K[4][4];
        testsupport::ClassicalBeam(s, e.EIz, mass, L, K);
        const cd u = P * StepTransform(s, Te, 0) / K[0][0];
        EXPECT_TRUE(Close(At(*sol, 0, 1, k), u, 1e-9)) << "k " << k;
        EXPECT_TRUE(Close(ToStd(F(7, k)), K[2][0] * u, 1e-8)) << "k " << k;
    }
}

// A bar pulled slowly (rise time long against the wave period) is in tension at both
// ends in element components.
TEST(Dynamic, ElementComponentsShowTensionPositiveAtBothEnds) {
    fem::Model m;
    fem::BuildSample(m, 1);
    const double Te = 0.004;
    const fem::AnalysisResult r = Analyse(m, 512, 5, Te, 0.1);
    ASSERT_TRUE(r.Impact->Complete());
    const numeric::RealMatrix f =
        fem::ElementForceHistory(*r.Impact, 0, fem::ForceAxes::Element).Best();
    for (int j = 256; j < 490; ++j) {
        const double t = j * Te / 512;
        const double load = 1.0 - std::exp(-(t - Te / 10) / (0.1 * Te));
        EXPECT_NEAR(f(0, j), load, 0.15) << "t_" << j;
        EXPECT_NEAR(f(6, j), load, 0.15) << "t_" << j;
    }
    EXPECT_NEAR(r.Static->Elements[0].EndForceLocal[0], 1.0, 1e-12);
}

TEST(Dynamic, ProgressAndYieldReachTheCallbacks) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    Recorder r;
    ASSERT_TRUE(Analyse(m, 256, 5, st.Te, 0, &r).Impact->Complete());
    ASSERT_EQ(r.progress.size(), 129u);
    for (int k = 0; k <= 128; ++k) EXPECT_EQ(r.progress[k], k);
    // The elimination no longer yields; the waiting calling thread does.
    EXPECT_GE(r.yields, 1);
}

TEST(Dynamic, StopRequestEndsTheSolutionAfterThePointInProgress) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    Recorder r;
    r.stopAt = 3;
    const fem::AnalysisResult result = Analyse(m, 256, 5, st.Te, 0, &r);
    const fem::ImpactSolution& sol = *result.Impact;
    EXPECT_EQ(sol.Result().Kind, fem::OutcomeKind::Stopped);
    EXPECT_EQ(sol.Result().Point, 4);
    EXPECT_EQ(fem::EnglishText(sol.Result()), fem::kUserStop);
    EXPECT_FALSE(result.Static);  // a stop ends the whole run
    EXPECT_FALSE(sol.BelongsTo(m));
    EXPECT_EQ(r.progress.size(), 4u);
    for (int k = 0; k <= 128; ++k) {
        EXPECT_EQ(At(sol, 0, 0, k).real(), 0.0);
        const cd v = At(sol, 1, 0, k);
        if (k <= 3) {
            EXPECT_NE(v.real(), 0.0);
        } else {
            EXPECT_EQ(v, cd(0.0, 0.0)) << "k " << k;
            EXPECT_EQ(At(sol, 2, 0, k).real(), 0.0);
        }
    }
    try {
        (void)fem::ElementForceHistory(sol, 0, fem::ForceAxes::Global);
        ADD_FAILURE() << "a stopped result was inverted";
    } catch (const numeric::ComputationFailure& e) {
        EXPECT_STREQ(e.what(), "no complete dynamic result: run the analysis again");
    }
    EXPECT_THROW((void)fem::NodeDisplacementHistory(sol, 2), numeric::ComputationFailure);
}

TEST(Dynamic, FailuresGiveGaussError) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    // gamma Te = 0: the load transform divides by s = 0 at the first point.
    const auto zero = Analyse(m, 256, 0.0, st.Te, 0).Impact;
    EXPECT_EQ(zero->Result().Kind, fem::OutcomeKind::SingularMatrix);
    EXPECT_EQ(zero->Result().Point, 0);
    EXPECT_EQ(fem::EnglishText(zero->Result()), fem::kGaussError);
    EXPECT_THROW((void)fem::ElementForceHistory(*zero, 1, fem::ForceAxes::Global),
                 numeric::ComputationFailure);

    // Every dof fixed: no system to solve, dynamic and static; nothing is allocated.
    fem::Model fixed;
    fixed.AddNode(Node(0, 0, 0, "uuuuuu"));
    fixed.AddNode(Node(100, 0, 0, "uuuuuu"));
    fixed.AddElement(Bar(0, 1));
    const fem::AnalysisResult both = Analyse(fixed, 256, 5, 0.001, 0);
    EXPECT_EQ(both.Impact->Result().Kind, fem::OutcomeKind::NoFreeDof);
    EXPECT_EQ(fem::EnglishText(both.Impact->Result()), fem::kGaussError);
    EXPECT_EQ(fem::EnglishText(both.Static->Result), fem::kGaussError);

    // Settings that cannot be used are refused by name.
    fem::AnalysisSettings odd = testsupport::Settings(300, 5, st.Te);
    EXPECT_EQ(fem::SolveImpact(m, odd)->Result().Kind, fem::OutcomeKind::BadSettings);
}

// A solution keeps the structure it solved: it belongs to that revision only, and its
// histories do not change when the program's model does.
TEST(Dynamic, SolutionsBelongToTheRevisionTheySolved) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const auto sol = Analyse(m, 256, 5, st.Te, 0).Impact;
    ASSERT_TRUE(sol->BelongsTo(m));
    const numeric::RealMatrix before =
        fem::ElementForceHistory(*sol, 0, fem::ForceAxes::Element).Best();
    EXPECT_THROW((void)fem::ElementForceHistory(*sol, 2, fem::ForceAxes::Element),
                 numeric::ComputationFailure);
    m.PutNode(1, Node(100, 0, 0));
    EXPECT_FALSE(sol->BelongsTo(m));
    const numeric::RealMatrix after =
        fem::ElementForceHistory(*sol, 0, fem::ForceAxes::Element).Best();
    for (int c = 0; c < 12; ++c)
        for (int j = 0; j < 256; ++j) EXPECT_EQ(after(c, j), before(c, j));
    fem::Model copy = m;
    EXPECT_EQ(copy.Revision(), m.Revision());
}

}  // namespace

namespace {

TEST(AnalysisParameters, RiseTimeFollowsTheFormRule) {
    EXPECT_EQ(fem::TauFromText("abc"), 0.0);
    EXPECT_EQ(fem::TauFromText(""), 0.0);
    EXPECT_EQ(fem::TauFromText("0.05x"), 0.0);
    EXPECT_EQ(fem::TauFromText("-0.5"), 0.1);  // negative becomes 0.1, not 0
    EXPECT_EQ(fem::TauFromText("0.2"), 0.1);
    EXPECT_EQ(fem::TauFromText(" 0.05 "), 0.05);
    EXPECT_EQ(fem::TauFromText("0.1"), 0.1);
    EXPECT_EQ(fem::TauFromText("0"), 0.0);
    EXPECT_EQ(fem::ClampTau(0.1000001), 0.1);
}

}  // namespace
