#pragma once
// Helpers of the analysis tests: small structures and tolerant comparisons.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "analysis/histories.h"
#include "analysis/modes.h"
#include "analysis/run_analysis.h"
#include "model/model.h"
#include "numeric/complex.h"

namespace testsupport {

using cd = std::complex<double>;

// pi to the precision of long double, for closed forms evaluated beyond double.
inline constexpr long double kPiLong = 3.141592653589793238462643383279502884L;

inline cd ToStd(const numeric::Complex& c) {
    return {c.re, c.im};
}

// The settings of an analysis.
inline fem::AnalysisSettings Settings(int nw, double gammaTe, double te, double tau = 0.0,
                                      bool correctAliasing = false) {
    fem::AnalysisSettings s;
    s.Nw = nw;
    s.GammaTe = gammaTe;
    s.Te = te;
    s.Tau = tau;
    s.CorrectAliasing = correctAliasing;
    return s;
}

// One whole analysis (impact, then statics) as the analysis command runs it.
inline fem::AnalysisResult Analyse(const fem::Model& m, int nw, double gammaTe, double te,
                                   double tau = 0.0, fem::AnalysisCallbacks* callbacks = nullptr) {
    return fem::RunAnalysis(m, Settings(nw, gammaTe, te, tau), callbacks);
}

// Transform point k of the solution's first line, and the spectrum of (node, dof) there.
inline cd Point(const fem::ImpactSolution& s, int k) {
    const numeric::Complex p = s.Settings().TransformPoint(k);
    return {p.re, p.im};
}
inline cd At(const fem::ImpactSolution& s, int node, int dof, int k, int line = 0) {
    const numeric::Complex v = s.Spectrum(line, node, dof)[k];
    return {v.re, v.im};
}

// |a - b| <= rel |b| + abs.
inline ::testing::AssertionResult Close(double a, double b, double rel, double abs = 0.0) {
    if (std::fabs(a - b) <= rel * std::fabs(b) + abs) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " differs from " << b << " by " << std::fabs(a - b)
                                         << " (rel " << rel << ", abs " << abs << ")";
}

inline ::testing::AssertionResult Close(cd a, cd b, double rel, double abs = 0.0) {
    if (std::abs(a - b) <= rel * std::abs(b) + abs) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << a << " differs from " << b << " by " << std::abs(a - b) << " (rel " << rel << ")";
}

// A node with the six codes given as characters: 'p' free, 'u' fixed, 'f' step-loaded "pf".
inline fem::NodeRecord Node(double x, double y, double z, const char* codes = "pppppp") {
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {x, y, z};
    for (int j = 0; j < 6; ++j)
        n.BcCode[j] = codes[j] == 'u' ? "u" : (codes[j] == 'f' ? "pf" : "p");
    return n;
}

// The default steel bar (E 21000, G 8000, w 7.86E-06) between nodes a and b.
inline fem::ElementRecord Bar(int a, int b, double diameter = 10.0) {
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    e.CrossSection.Diameter = diameter;
    return e;
}

// Mass per unit length of element e, kgf s^2 / mm^2.
inline double MassPerLength(const fem::ElementRecord& e) {
    return e.Density * e.Area / fem::kGravity;
}

// Classical dynamic stiffness of a clamped-clamped Euler-Bernoulli beam, dofs
// (w1, theta1, w2, theta2), forces and moments acting on the beam; kappa^4 = -s^2 m / EI.
inline void ClassicalBeam(cd s, double EI, double m, double L, cd K[4][4]) {
    const cd kappa = std::pow(-s * s * m / EI, 0.25);
    const cd x = kappa * L;
    const cd c = std::cos(x), ch = std::cosh(x), sn = std::sin(x), sh = std::sinh(x);
    const cd D = 1.0 - c * ch;
    const cd k1 = EI * kappa / D, k2 = EI * kappa * kappa / D, k3 = EI * kappa * kappa * kappa / D;
    K[0][0] = K[2][2] = k3 * (c * sh + sn * ch);
    K[0][1] = k2 * sn * sh;
    K[2][3] = -K[0][1];
    K[0][2] = -k3 * (sn + sh);
    K[0][3] = k2 * (ch - c);
    K[1][2] = -K[0][3];
    K[1][1] = K[3][3] = k1 * (ch * sn - sh * c);
    K[1][3] = k1 * (sh - sn);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j) K[i][j] = K[j][i];
}

// The engine's static solution of a model, as an analysis runs it: the displacements of
// every node and the end forces of every element in its local axes.
struct StaticSolution {
    std::vector<std::array<double, 6>> Displacements;
    std::vector<std::array<double, 12>> EndForcesLocal;
};
inline StaticSolution SolveStatically(const fem::Model& m) {
    const std::shared_ptr<const fem::StaticSolution> solved = fem::SolveStatic(m);
    EXPECT_TRUE(solved->Complete()) << fem::EnglishText(solved->Result);
    StaticSolution s;
    s.Displacements = solved->NodeDisp;
    for (const fem::StaticElementResult& r : solved->Elements)
        s.EndForcesLocal.push_back(r.EndForceLocal);
    return s;
}

// The natural frequencies of a model below belowHz, lowest first (Hz).
inline std::vector<double> NaturalFrequencies(const fem::Model& m, double belowHz) {
    fem::ModeRequest r;
    r.Count = 0;
    r.BelowHz = belowHz;
    r.Shapes = false;
    const fem::ModeResult result = fem::SolveModes(m, r);
    EXPECT_TRUE(result.Result.Complete()) << result.Result.Detail;
    std::vector<double> hz;
    for (const fem::NaturalMode& mode : result.Modes) hz.push_back(mode.FrequencyHz);
    return hz;
}

}  // namespace testsupport
