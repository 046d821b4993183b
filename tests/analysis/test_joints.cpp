// Released member ends, springs to the ground, lumped masses and a dropped weight against
// the closed forms of Euler-Bernoulli beams: static deflections and forces, frequency
// equations solved here by bisection, and the modal series of a struck beam.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "analysis/histories.h"
#include "analysis/modes.h"
#include "analysis/statics.h"
#include "numeric/constants.h"
#include "support.h"

namespace {

using testsupport::Bar;
using testsupport::cd;
using testsupport::Close;
using testsupport::MassPerLength;
using testsupport::Node;

constexpr double kLength = 1000.0;

// E I and mass per length of the default 10 mm steel bar.
double BendingStiffness() {
    const fem::ElementRecord e = Bar(0, 1);
    fem::Model m;
    m.AddNode(Node(0, 0, 0));
    m.AddNode(Node(kLength, 0, 0));
    m.AddElement(e);
    return m.Elements[0].EIz;
}
double MassPerLengthOfBar() {
    fem::Model m;
    m.AddNode(Node(0, 0, 0));
    m.AddNode(Node(kLength, 0, 0));
    m.AddElement(Bar(0, 1));
    return MassPerLength(m.Elements[0]);
}

// Every root of f in (from, to), found by a scan of step and bisection to the last bit.
std::vector<double> Roots(const std::function<double(double)>& f, double from, double to,
                          double step) {
    std::vector<double> roots;
    double a = from, fa = f(a);
    for (double b = from + step; b <= to; b += step) {
        const double fb = f(b);
        if ((fa < 0.0) != (fb < 0.0)) {
            double lo = a, hi = b, flo = fa;
            for (int i = 0; i < 200 && hi - lo > 0.0; ++i) {
                const double mid = 0.5 * (lo + hi);
                if (mid == lo || mid == hi) break;
                const double fm = f(mid);
                if ((fm < 0.0) == (flo < 0.0)) {
                    lo = mid;
                    flo = fm;
                } else {
                    hi = mid;
                }
            }
            roots.push_back(0.5 * (lo + hi));
        }
        a = b;
        fa = fb;
    }
    return roots;
}

// The natural frequencies (Hz) of a bending mode beta (1/mm): omega = beta^2 sqrt(EI/m).
double HzOfBeta(double beta) {
    return beta * beta * std::sqrt(BendingStiffness() / MassPerLengthOfBar()) / numeric::TwoPi;
}

// Each expected frequency `times` times (both bending planes, or two spans alike).
std::vector<double> Repeated(const std::vector<double>& hz, int times) {
    std::vector<double> out;
    for (const double f : hz)
        for (int i = 0; i < times; ++i) out.push_back(f);
    return out;
}

void ExpectFrequencies(const std::vector<double>& found, const std::vector<double>& expected,
                       double rel) {
    ASSERT_EQ(found.size(), expected.size());
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_TRUE(Close(found[i], expected[i], rel)) << "frequency " << i;
}

// A beam along x of two bars, clamped at x = 0 and at x = L; the second bar releases
// My and Mz at its end: a propped cantilever, with P down at mid-span.
fem::Model ProppedCantilever(double load) {
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    fem::NodeRecord middle = Node(kLength / 2, 0, 0);
    middle.LoadValue[1] = -load;
    m.AddNode(middle);
    m.AddNode(Node(kLength, 0, 0, "uuuuuu"));
    m.AddElement(Bar(0, 1));
    fem::ElementRecord second = Bar(1, 2);
    second.Released[6 + 4] = second.Released[6 + 5] = true;
    m.AddElement(second);
    return m;
}

TEST(EndReleases, ProppedCantileverStaticsAndFrequencies) {
    const double P = 10.0, L = kLength, EI = BendingStiffness();
    const fem::Model m = ProppedCantilever(P);
    const auto solved = fem::SolveStatic(m);
    ASSERT_TRUE(solved->Complete()) << fem::EnglishText(solved->Result);
    // Deflection under the load 7 P L^3 / 768 EI, the prop's reaction 5 P / 16, the
    // clamped end's moment 3 P L / 16, the member's own turn at the pin P L^2 / 32 EI.
    EXPECT_TRUE(Close(solved->NodeDisp[1][1], -7.0 * P * L * L * L / (768.0 * EI), 1e-12));
    const fem::StaticElementResult& first = solved->Elements[0];
    const fem::StaticElementResult& second = solved->Elements[1];
    EXPECT_TRUE(Close(std::fabs(first.EndForceLocal[5]), 3.0 * P * L / 16.0, 1e-12));
    EXPECT_TRUE(Close(std::fabs(second.EndForceLocal[6 + 1]), 5.0 * P / 16.0, 1e-12));
    EXPECT_NEAR(second.EndForceLocal[6 + 5], 0.0, 1e-9 * P * L);
    EXPECT_TRUE(Close(std::fabs(second.EndDispLocal[6 + 5]), P * L * L / (32.0 * EI), 1e-12));
    EXPECT_EQ(second.EndDispLocal[6 + 4], 0.0);  // no load out of the plane

    // Clamped-pinned: tan(beta L) = tanh(beta L), in both planes.
    const std::vector<double> betaL =
        Roots([](double x) { return std::sin(x) * std::cosh(x) - std::cos(x) * std::sinh(x); }, 1.0,
              11.0, 0.01);
    std::vector<double> hz;
    for (const double x : betaL) hz.push_back(HzOfBeta(x / L));
    ASSERT_EQ(hz.size(), 3u);
    ExpectFrequencies(testsupport::NaturalFrequencies(m, 250.0), Repeated(hz, 2), 1e-10);
}

TEST(EndReleases, HingeInTwoSpanBeamStaticsAndFrequencies) {
    const double EI = BendingStiffness(), P = 4.0;
    // A cantilever of L1 with a hinge at its tip carrying a span of L2 on a pin: the load
    // at mid-span goes half to the cantilever's tip.
    const double L1 = 600.0, L2 = 800.0;
    fem::Model gerber;
    gerber.AddNode(Node(0, 0, 0, "uuuuuu"));
    gerber.AddNode(Node(L1, 0, 0));
    fem::NodeRecord middle = Node(L1 + L2 / 2, 0, 0);
    middle.LoadValue[1] = -P;
    gerber.AddNode(middle);
    gerber.AddNode(Node(L1 + L2, 0, 0, "uuuppp"));
    gerber.AddElement(Bar(0, 1));
    fem::ElementRecord hinged = Bar(1, 2);
    hinged.Released[4] = hinged.Released[5] = true;
    gerber.AddElement(hinged);
    gerber.AddElement(Bar(2, 3));
    const auto solved = fem::SolveStatic(gerber);
    ASSERT_TRUE(solved->Complete()) << fem::EnglishText(solved->Result);
    const double tip = P / 2 * L1 * L1 * L1 / (3 * EI);
    EXPECT_TRUE(Close(solved->NodeDisp[1][1], -tip, 1e-12));
    EXPECT_TRUE(Close(solved->NodeDisp[2][1], -(P * L2 * L2 * L2 / (48 * EI) + tip / 2), 1e-12));
    EXPECT_TRUE(Close(std::fabs(solved->Elements[0].EndForceLocal[5]), P / 2 * L1, 1e-12));

    // Two equal spans on pins, the first hinged to the middle support: two simply
    // supported spans, each frequency (n pi / L)^2 sqrt(EI / m) four times (two spans,
    // two planes).
    fem::Model spans;
    spans.AddNode(Node(0, 0, 0, "uuuupp"));
    spans.AddNode(Node(kLength, 0, 0, "uuuppp"));
    spans.AddNode(Node(2 * kLength, 0, 0, "uuuppp"));
    fem::ElementRecord first = Bar(0, 1);
    first.Released[6 + 4] = first.Released[6 + 5] = true;
    spans.AddElement(first);
    spans.AddElement(Bar(1, 2));
    std::vector<double> hz;
    for (int n = 1; n <= 3; ++n) hz.push_back(HzOfBeta(n * numeric::Pi / kLength));
    ExpectFrequencies(testsupport::NaturalFrequencies(spans, 250.0), Repeated(hz, 4), 1e-10);
}

TEST(EndReleases, JointEveryMemberReleasesIsReportedWithItsNodeAndDof) {
    // Two bars meet at node 1 and both release Mz there; node 1 turns about z freely.
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    fem::NodeRecord middle = Node(kLength, 0, 0, "pfpppp");
    middle.LoadValue[1] = -1.0;
    m.AddNode(middle);
    m.AddNode(Node(2 * kLength, 0, 0, "uuuuuu"));
    fem::ElementRecord a = Bar(0, 1), b = Bar(1, 2);
    a.Released[6 + 5] = true;
    b.Released[5] = true;
    m.AddElement(a);
    m.AddElement(b);
    const auto solved = fem::SolveStatic(m);
    EXPECT_EQ(solved->Result.Kind, fem::OutcomeKind::SingularMatrix);
    EXPECT_EQ(solved->Result.Node, 1);
    EXPECT_EQ(solved->Result.Dof, 5);
    const fem::AnalysisResult run = testsupport::Analyse(m, 64, 5.0, 0.1);
    EXPECT_EQ(run.Impact->Result().Kind, fem::OutcomeKind::SingularMatrix);
    EXPECT_EQ(run.Impact->Result().Node, 1);
    EXPECT_EQ(run.Impact->Result().Dof, 5);
    fem::ModeRequest r;
    r.Count = 3;
    const fem::ModeResult modes = fem::SolveModes(m, r);
    EXPECT_EQ(modes.Result.Kind, fem::OutcomeKind::SingularMatrix);
    EXPECT_EQ(modes.Result.Node, 1);
    EXPECT_EQ(modes.Result.Dof, 5);

    // A rotational spring at the joint holds it.
    m.Nodes[1].Springs[5] = 1e3;
    m.Touch();
    EXPECT_TRUE(fem::SolveStatic(m)->Complete());
}

TEST(NodeMassesAndSprings, CantileverWithTipMassAndRotaryInertia) {
    const double L = kLength, m = MassPerLengthOfBar();
    const double tipMass = 0.5 * m * L, radius = 200.0;
    const double J = tipMass * radius * radius;
    fem::Model model;
    model.AddNode(Node(0, 0, 0, "uuuuuu"));
    fem::NodeRecord tip = Node(L, 0, 0);
    tip.MassWeight = tipMass * fem::kGravity;
    tip.RotaryInertia = {0.0, J * fem::kGravity, J * fem::kGravity};
    model.AddNode(tip);
    model.AddElement(Bar(0, 1));

    // w = A (cos - cosh) + B (sin - sinh) of beta x; at the tip EI w'' = J w^2 w' and
    // EI w''' = -M w^2 w, with w^2 = beta^4 EI / m. Each condition over EI and a power of
    // beta, and all over cosh(beta L); its determinant in (A, B) vanishes.
    const auto condition = [&](double x) {  // x = beta L
        const double b = x / L, ch = std::cosh(x);
        const double c = std::cos(x) / ch, s = std::sin(x) / ch, C = 1.0, S = std::tanh(x);
        const double inertia = J / m * b * b * b, mass = tipMass / m * b;
        const double momentA = (-c - C) - inertia * (-s - S);
        const double momentB = (-s - S) - inertia * (c - C);
        const double shearA = (s - S) + mass * (c - C);
        const double shearB = (-c - C) + mass * (s - S);
        return momentA * shearB - momentB * shearA;
    };
    std::vector<double> hz;
    for (const double x : Roots(condition, 0.5, 9.5, 0.002)) hz.push_back(HzOfBeta(x / L));
    ASSERT_GE(hz.size(), 3u);
    ExpectFrequencies(testsupport::NaturalFrequencies(model, HzOfBeta(9.5 / L)), Repeated(hz, 2),
                      1e-10);
}

// The determinant of a 4 x 4 matrix by elimination with partial pivoting.
double Determinant(std::array<std::array<double, 4>, 4> a) {
    double det = 1.0;
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        if (a[p][c] == 0.0) return 0.0;
        if (p != c) {
            std::swap(a[p], a[c]);
            det = -det;
        }
        det *= a[c][c];
        for (int r = c + 1; r < 4; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int k = c; k < 4; ++k) a[r][k] -= f * a[c][k];
        }
    }
    return det;
}

TEST(NodeMassesAndSprings, FreeBeamOnTwoSprings) {
    const double L = kLength, EI = BendingStiffness(), k = 0.2;
    fem::Model model;
    fem::NodeRecord left = Node(0, 0, 0, "uppupp"), right = Node(L, 0, 0);
    left.Springs = {0.0, k, k, 0.0, 0.0, 0.0};
    right.Springs = left.Springs;
    model.AddNode(left);
    model.AddNode(right);
    model.AddElement(Bar(0, 1));

    // w = A cos + B sin + C cosh + D sinh of beta x; w'' = 0 at both ends, EI w''' = -k w
    // at x = 0 and EI w''' = k w at x = L; the conditions over EI beta^3 with
    // kappa = k / (EI beta^3), columns C and D over cosh(beta L).
    const auto condition = [&](double x) {
        const double b = x / L, kappa = k / (EI * b * b * b), ch = std::cosh(x);
        const double c = std::cos(x), s = std::sin(x), C = 1.0, S = std::tanh(x);
        return Determinant({{{-1.0, 0.0, 1.0 / ch, 0.0},
                             {kappa, -1.0, kappa / ch, 1.0 / ch},
                             {-c, -s, C, S},
                             {s - kappa * c, -c - kappa * s, S - kappa * C, C - kappa * S}}});
    };
    const double below = 100.0;
    const double xMax =
        L * std::sqrt(numeric::TwoPi * below / std::sqrt(EI / MassPerLengthOfBar()));
    std::vector<double> hz;
    for (const double x : Roots(condition, 0.05, xMax, 0.001)) hz.push_back(HzOfBeta(x / L));
    ASSERT_GE(hz.size(), 3u);  // bounce, pitch and the first bending on the springs
    ExpectFrequencies(testsupport::NaturalFrequencies(model, below), Repeated(hz, 2), 1e-10);
}

TEST(NodeMassesAndSprings, SpringReactionsCarryTheLoadOnceTheDampedResponseSettles) {
    // A beam on two springs under a step load at mid-span, damped (alpha on the masses,
    // beta on the springs and members): each spring ends up carrying half the load.
    const double L = kLength, k = 0.2, P = 1.0;
    fem::Model model;
    fem::NodeRecord left = Node(0, 0, 0, "uppupp"), middle = Node(L / 2, 0, 0, "pfpppp");
    left.Springs = {0.0, k, k, 0.0, 0.0, 0.0};
    fem::NodeRecord right = Node(L, 0, 0);
    right.Springs = left.Springs;
    middle.LoadValue[1] = -P;
    middle.MassWeight = 0.05;
    model.AddNode(left);
    model.AddNode(middle);
    model.AddNode(right);
    model.AddElement(Bar(0, 1));
    model.AddElement(Bar(1, 2));
    fem::Damping damping;
    damping.Given = fem::Damping::Form::Ratio;
    damping.Ratio = 0.05;
    damping.AtHz = {10.0, 50.0};
    model.SetModelDamping(damping);

    const auto statics = fem::SolveStatic(model);
    ASSERT_TRUE(statics->Complete()) << fem::EnglishText(statics->Result);
    EXPECT_TRUE(Close(statics->SpringForce[0][1], -P / 2, 1e-12));
    EXPECT_TRUE(Close(statics->SpringForce[2][1], -P / 2, 1e-12));

    const int nw = 1024;
    const fem::AnalysisResult run =
        fem::RunAnalysis(model, testsupport::Settings(nw, 5.0, 2.0, 0.0, true));
    ASSERT_TRUE(run.Impact->Complete()) << fem::EnglishText(run.Impact->Result());
    const std::vector<fem::SupportDof> dofs = fem::SupportDofs(model);
    ASSERT_EQ(dofs.size(), 6u);  // ux, uy, uz, rx of node 0; uy, uz of node 2
    const fem::HistoryResult reactions = fem::ReactionHistory(*run.Impact, dofs);
    for (size_t r = 0; r < dofs.size(); ++r) {
        if (dofs[r].Dof != 1) continue;
        for (int j = 3 * nw / 4; j < nw; j += 16)
            EXPECT_NEAR(reactions.Best()(static_cast<int>(r), j), P / 2, 0.01 * P)
                << "node " << dofs[r].Node << ", t = " << 2.0 * j / nw;
    }
}

// A simply supported beam of span L with a mass M at mid-span: its symmetric modes.
// On the half 0 <= x <= a = L/2, phi = sin(beta x) - cos(beta a) / cosh(beta a) sinh(beta x)
// (phi = phi'' = 0 at the pin, phi' = 0 at mid-span), and 2 EI phi'''(a) = -M w^2 phi(a):
// 4 cos(beta a) + (M beta / m)(cos(beta a) tanh(beta a) - sin(beta a)) = 0.
struct SymmetricMode {
    double Omega = 0.0;
    double AtMiddle = 0.0;  // phi(a)
    double Mass = 0.0;      // modal mass: m times the integral of phi^2, plus M phi(a)^2
};
std::vector<SymmetricMode> MidMassModes(double L, double m, double EI, double M, int count) {
    const double a = L / 2;
    const auto condition = [&](double x) {  // x = beta a
        return 4.0 * std::cos(x) + M * (x / a) / m * (std::cos(x) * std::tanh(x) - std::sin(x));
    };
    std::vector<SymmetricMode> modes;
    for (const double x : Roots(condition, 1e-3, (count + 1) * numeric::Pi, 1e-3)) {
        const double b = x / a, t = std::tanh(x), c = std::cos(x), s = std::sin(x);
        SymmetricMode mode;
        mode.Omega = b * b * std::sqrt(EI / m);
        mode.AtMiddle = s - c * t;
        // Integrals over the half of sin^2, of c/cosh sin sinh twice, of (c/cosh sinh)^2.
        const double sinSquared = a / 2 - std::sin(2 * x) / (4 * b);
        const double cross = c * (s - c * t) / (2 * b);
        const double sinhSquared = c * c * (t / (2 * b) - a / (2 * std::cosh(x) * std::cosh(x)));
        mode.Mass =
            2 * m * (sinSquared - 2 * cross + sinhSquared) + M * mode.AtMiddle * mode.AtMiddle;
        modes.push_back(mode);
        if (static_cast<int>(modes.size()) == count) break;
    }
    return modes;
}

TEST(DroppedWeight, StruckBeamFollowsTheModalSeriesAndKeepsTheMomentum) {
    const double L = kLength, m = MassPerLengthOfBar(), EI = BendingStiffness();
    const double M = 0.3 * m * L, W = M * fem::kGravity, v0 = 1000.0;
    fem::Model model;
    model.AddNode(Node(0, 0, 0, "uuuupp"));
    model.AddNode(Node(L / 2, 0, 0));
    model.AddNode(Node(L, 0, 0, "uuuppp"));
    model.AddElement(Bar(0, 1));
    model.AddElement(Bar(1, 2));
    model.SetImpact(fem::DroppedWeight{1, W, {0.0, -v0, 0.0}, true});

    const int nw = 4096;
    const double te = 0.2, t0 = te / 10;
    fem::AnalysisSettings settings = testsupport::Settings(nw, 5.0, te);
    settings.CorrectAliasing = true;
    const fem::AnalysisResult run = fem::RunAnalysis(model, settings);
    ASSERT_TRUE(run.Impact->Complete()) << fem::EnglishText(run.Impact->Result());
    const fem::ImpactSolution& sol = *run.Impact;

    // U(s) = -(M v0 + W / s) e^(-s t0) sum phi(a)^2 / (M_n (s^2 + w_n^2)): the weight's
    // momentum as an impulse and its weight as a step, both at the strike.
    const std::vector<SymmetricMode> modes = MidMassModes(L, m, EI, M, 400);
    ASSERT_EQ(modes.size(), 400u);
    const auto series = [&](cd s) {
        cd sum = 0.0;
        for (const SymmetricMode& n : modes)
            sum += n.AtMiddle * n.AtMiddle / (n.Mass * (s * s + n.Omega * n.Omega));
        return -(M * v0 + W / s) * std::exp(-s * t0) * sum;
    };
    double peak = 0.0, worst = 0.0, forcePeak = 0.0, forceWorst = 0.0;
    const numeric::ComplexMatrix force = fem::ImpactForceSpectrum(sol, 0);
    for (int k = 0; k <= nw / 2; ++k) {
        const cd s = testsupport::Point(sol, k), u = series(s);
        peak = std::max(peak, std::abs(u));
        worst = std::max(worst, std::abs(testsupport::At(sol, 1, 1, k) - u));
        // The force on the node: -M s^2 U with the impulse taken out, and the weight.
        const cd f = -M * v0 * std::exp(-s * t0) - M * s * s * u - W * std::exp(-s * t0) / s;
        forcePeak = std::max(forcePeak, std::abs(f));
        forceWorst = std::max(forceWorst, std::abs(testsupport::ToStd(force(1, k)) - f));
    }
    EXPECT_LT(worst, 1e-7 * peak);
    EXPECT_LT(forceWorst, 1e-7 * forcePeak);

    // In time: the mid-span deflection u(tau) = -sum phi(a)^2 / M_n (M v0 sin(w_n tau) / w_n
    // + W (1 - cos(w_n tau)) / w_n^2) after the strike, at rest before it; its slope at
    // the strike is -v0 (the weight keeps its momentum: the beam has no mass at a point).
    const fem::HistoryResult deflection = fem::NodeDisplacementHistory(sol, 1);
    double largest = 0.0;
    std::vector<double> expected(nw, 0.0);
    for (int j = 0; j < nw; ++j) {
        const double tau = te * j / nw - t0;
        if (tau <= 0.0) continue;
        for (const SymmetricMode& n : modes)
            expected[j] -= n.AtMiddle * n.AtMiddle / n.Mass *
                           (M * v0 * std::sin(n.Omega * tau) / n.Omega +
                            W * (1.0 - std::cos(n.Omega * tau)) / (n.Omega * n.Omega));
        largest = std::max(largest, std::fabs(expected[j]));
    }
    // Away from the strike, where the inversion's window smooths the kink.
    const int settled = static_cast<int>(std::lround(t0 / te * nw)) + 8;
    for (int j = settled; j < nw; ++j)
        EXPECT_NEAR(deflection.Best()(1, j), expected[j], 2e-3 * largest) << "t = " << te * j / nw;
    // The series keeps the weight's momentum at the strike: its velocity there,
    // -M v0 sum phi(a)^2 / M_n, is -v0 (a beam has no mass at a point), so the engine's
    // response that follows it does too.
    double strikeVelocity = 0.0;
    for (const SymmetricMode& n : modes)
        strikeVelocity -= n.AtMiddle * n.AtMiddle / n.Mass * M * v0;
    EXPECT_NEAR(strikeVelocity, -v0, 0.02 * v0);
}

}  // namespace
