// Natural frequencies and mode shapes against closed forms of single bars (roots of the
// frequency equations found here by bisection in long double), against a finite-element
// model of an L-frame built here (consistent mass, 64 and 32 elements per bar, dense
// generalised eigenproblem), and the shapes against the null space of K(omega).
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "analysis/element.h"
#include "analysis/modes.h"
#include "analysis/statics.h"
#include "model/samples.h"
#include "support.h"

namespace {

using testsupport::Bar;
using testsupport::Close;
using testsupport::Node;

using testsupport::kPiLong;
// The default bar: E 21000, G 8000, w 7.86E-06, d 10: wave speeds and EI / (mass per
// length) = c^2 r^2 / 4.
const double E = 21000, G = 8000, W = 7.86E-06, D = 10;
const long double cAxial = std::sqrt(E * 9800.0L / W), cTorsion = std::sqrt(G * 9800.0L / W);
const long double sqrtBeta = cAxial * (D / 4.0L);

// Root n (from 1) of cos(l) cosh(l) = sign (-1: cantilever, +1: clamped or free ends),
// the one in [(n - 1) pi, n pi] or [n pi, (n + 1) pi], by bisection.
long double BeamRoot(int n, int sign) {
    auto g = [sign](long double l) { return std::cos(l) - sign / std::cosh(l); };
    long double a = (sign < 0 ? n - 1 : n) * kPiLong, b = a + kPiLong;
    const bool rising = g(a) < 0;
    for (int i = 0; i < 200; ++i) {
        const long double m = 0.5L * (a + b);
        ((g(m) < 0) == rising ? a : b) = m;
    }
    return 0.5L * (a + b);
}

// Closed-form frequencies (Hz) of a bar of length L below fMax: bending from roots of
// cos cosh = sign (sign 0: pinned ends, (n pi)^2) in two planes, and waves c k / L Hz
// for k = step n + offset.
struct Families {
    int bendingSign;
    double axialStep, axialOffset, torsionStep, torsionOffset;
    int zeros;
};

std::vector<double> ClosedForm(const Families& f, double L, double fMax) {
    std::vector<double> hz(f.zeros, 0.0);
    for (int n = 1;; ++n) {
        const long double l = f.bendingSign == 0 ? n * kPiLong : BeamRoot(n, f.bendingSign);
        const double v = static_cast<double>(l * l * sqrtBeta / (L * L) / (2 * kPiLong));
        if (v >= fMax) break;
        hz.insert(hz.end(), {v, v});
    }
    for (int n = 1;; ++n) {
        const double v = static_cast<double>((f.axialStep * n + f.axialOffset) * cAxial / L);
        if (v >= fMax) break;
        hz.push_back(v);
    }
    for (int n = 1;; ++n) {
        const double v = static_cast<double>((f.torsionStep * n + f.torsionOffset) * cTorsion / L);
        if (v >= fMax) break;
        hz.push_back(v);
    }
    std::sort(hz.begin(), hz.end());
    return hz;
}

fem::ModeResult Solve(const fem::Model& m, int count, double belowHz, int threads = 0) {
    fem::ModeRequest r;
    r.Count = count;
    r.BelowHz = belowHz;
    r.Threads = threads;
    fem::ModeResult result = fem::SolveModes(m, r);
    EXPECT_TRUE(result.Result.Complete()) << result.Result.Detail;
    return result;
}

void ExpectFrequencies(const fem::ModeResult& r, const std::vector<double>& hz, double rel,
                       const char* what) {
    ASSERT_EQ(r.Modes.size(), hz.size()) << what;
    for (size_t k = 0; k < hz.size(); ++k) {
        if (hz[k] == 0.0) {
            EXPECT_EQ(r.Modes[k].FrequencyHz, 0.0) << what << " mode " << k + 1;
        } else {
            EXPECT_TRUE(Close(r.Modes[k].FrequencyHz, hz[k], rel)) << what << " mode " << k + 1;
        }
    }
}

// Straight bars along x, every frequency to 1E-12, those at a bar's own clamped frequency
// (the free-free modes of a bar, the cantilever's modes above the fifth) included.
TEST(Modes, SingleBarsAgreeWithClosedForms) {
    const double L = 1000, fMax = 3300;
    auto cantilever = [](double length) {
        fem::Model m;
        m.AddNode(Node(0, 0, 0, "uuuuuu"));
        m.AddNode(Node(length, 0, 0));
        m.AddElement(Bar(0, 1));
        return m;
    };
    // The first five bending frequencies of each plane; then a short cantilever with its
    // first torsion and axial frequencies, (2n - 1) c / 4L, among the bending ones.
    std::vector<double> hz = ClosedForm({-1, 0.5, -0.25, 0.5, -0.25, 0}, L, 500);
    ExpectFrequencies(Solve(cantilever(L), 10, 0.0), hz, 1e-12, "cantilever");
    ExpectFrequencies(Solve(cantilever(100), 0, 20000),
                      ClosedForm({-1, 0.5, -0.25, 0.5, -0.25, 0}, 100, 20000), 1e-12,
                      "short cantilever");

    // Clamped at both ends, one free node in the middle: the even axial and torsion
    // modes of the whole bar leave that node at rest (both halves vibrate clamped).
    fem::Model clamped;
    clamped.AddNode(Node(0, 0, 0, "uuuuuu"));
    clamped.AddNode(Node(L / 2, 0, 0));
    clamped.AddNode(Node(L, 0, 0, "uuuuuu"));
    clamped.AddElement(Bar(0, 1));
    clamped.AddElement(Bar(1, 2));
    const fem::ModeResult c = Solve(clamped, 0, fMax);
    ExpectFrequencies(c, ClosedForm({1, 0.5, 0, 0.5, 0, 0}, L, fMax), 1e-12, "clamped");
    const double twist2 = static_cast<double>(cTorsion / L);  // 2 c / 2L
    const auto atRest =
        std::find_if(c.Modes.begin(), c.Modes.end(),
                     [&](const fem::NaturalMode& m) { return !m.InsideBars.empty(); });
    ASSERT_NE(atRest, c.Modes.end());
    EXPECT_TRUE(Close(atRest->FrequencyHz, twist2, 1e-12));
    ASSERT_EQ(atRest->InsideBars.size(), 2u);  // both halves, opposite twists
    EXPECT_EQ(atRest->InsideBars[0].Action, 1);
    EXPECT_EQ(atRest->InsideBars[0].Amplitude, -atRest->InsideBars[1].Amplitude);

    // Pinned: translations held, rotations free but the twist held at one end. The
    // axial modes (both ends held) involve no node; torsion is fixed-free.
    fem::Model pinned;
    pinned.AddNode(Node(0, 0, 0, "uuuupp"));
    pinned.AddNode(Node(L, 0, 0, "uuuppp"));
    pinned.AddElement(Bar(0, 1));
    ExpectFrequencies(Solve(pinned, 0, fMax), ClosedForm({0, 0.5, 0, 0.5, -0.25, 0}, L, fMax),
                      1e-12, "pinned");

    // Free in space: six rigid motions at 0, then the free-free modes (at the clamped
    // bar's frequencies), each of them twice; asked by count this time.
    fem::Model free;
    free.AddNode(Node(0, 0, 0));
    free.AddNode(Node(L, 0, 0));
    free.AddElement(Bar(0, 1));
    hz = ClosedForm({1, 0.5, 0, 0.5, 0, 6}, L, fMax);
    hz.resize(16);
    const fem::ModeResult f = Solve(free, 16, 0.0, 1);
    ExpectFrequencies(f, hz, 1e-12, "free");
    // The same bar made of two equal halves: its symmetric modes keep the middle node's
    // rotations and its antisymmetric ones its translation at rest, which a count that
    // eliminates the middle node last must not lose digits on.
    fem::Model halves;
    halves.AddNode(Node(0, 0, 0));
    halves.AddNode(Node(L / 2, 0, 0));
    halves.AddNode(Node(L, 0, 0));
    halves.AddElement(Bar(0, 1));
    halves.AddElement(Bar(1, 2));
    ExpectFrequencies(Solve(halves, 16, 0.0, 1), hz, 1e-12, "free, two halves");
    // The first free-free mode along the bar: cosh + cos - s (sinh + sin) with
    // s = (cosh l - cos l) / (sinh l - sin l), scaled to the end deflection; its clamped
    // part comes from a nearly singular solution, to about 1E-7.
    const long double l = BeamRoot(1, 1);
    const long double s = (std::cosh(l) - std::cos(l)) / (std::sinh(l) - std::sin(l));
    auto phi = [&](long double xi) {
        return std::cosh(l * xi) + std::cos(l * xi) - s * (std::sinh(l * xi) + std::sin(l * xi));
    };
    const auto along = fem::ModeShapeAlongBar(free, f.Modes[6], 0, 11, false);
    for (int i = 0; i < 11; ++i)
        for (int j : {1, 2})
            EXPECT_NEAR(along[i][j],
                        f.Modes[6].NodeDisp[0][j] * static_cast<double>(phi(i / 10.0L) / phi(0)),
                        1e-6)
                << i;
    // Every zero mode is a rigid motion: equal rotations, translations differing by
    // rotation x (L, 0, 0).
    for (int k = 0; k < 6; ++k) {
        const auto& a = f.Modes[k].NodeDisp[0];
        const auto& b = f.Modes[k].NodeDisp[1];
        for (int j = 3; j < 6; ++j) EXPECT_NEAR(a[j], b[j], 1e-7 / L) << k;
        EXPECT_NEAR(b[0] - a[0], 0.0, 1e-7) << k;
        EXPECT_NEAR(b[1] - a[1], a[5] * L, 1e-7) << k;
        EXPECT_NEAR(b[2] - a[2], -a[4] * L, 1e-7) << k;
    }
}

// A structure whose nodes are all held: the frequencies are the bars' own clamped ones,
// and the shapes lie inside the bars.
TEST(Modes, BarsBetweenHeldNodes) {
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    m.AddNode(Node(300, 0, 0, "uuuuuu"));
    m.AddNode(Node(300, 500, 0, "uuuuuu"));
    m.AddElement(Bar(0, 1));
    m.AddElement(Bar(1, 2));
    const double fMax = 1600;
    std::vector<double> hz = ClosedForm({1, 0.5, 0, 0.5, 0, 0}, 300, fMax);
    const std::vector<double> longer = ClosedForm({1, 0.5, 0, 0.5, 0, 0}, 500, fMax);
    hz.insert(hz.end(), longer.begin(), longer.end());
    std::sort(hz.begin(), hz.end());
    const fem::ModeResult r = Solve(m, 0, fMax);
    ExpectFrequencies(r, hz, 1e-12, "held nodes");
    EXPECT_EQ(r.FreeDofs, 0);

    // The lowest: the 500 mm bar bends in one of its planes, its clamped mode scaled to 1.
    const fem::NaturalMode& mode = r.Modes[0];
    ASSERT_EQ(mode.InsideBars.size(), 1u);
    EXPECT_EQ(mode.InsideBars[0].Element, 1);
    EXPECT_EQ(mode.InsideBars[0].Amplitude, 1.0);
    const int action = mode.InsideBars[0].Action;
    ASSERT_TRUE(action == 2 || action == 3);
    const std::vector<std::array<double, 6>> along = fem::ModeShapeAlongBar(m, mode, 1, 9, false);
    const long double l = BeamRoot(1, 1);
    const long double sigma = (std::cosh(l) - std::cos(l)) / (std::sinh(l) - std::sin(l));
    auto phi = [&](long double xi) {
        return std::cosh(l * xi) - std::cos(l * xi) -
               sigma * (std::sinh(l * xi) - std::sin(l * xi));
    };
    for (int i = 0; i < 9; ++i) {
        const double expected = static_cast<double>(phi(i / 8.0L) / phi(0.5L));
        EXPECT_NEAR(along[i][action == 2 ? 1 : 2], expected, 1e-9) << i;
        EXPECT_EQ(along[i][0], 0.0);
    }
}

// Four equal bars from a free centre to clamped ends along +-x and +-y: in either plane
// of bending a combination of the four bars' first clamped modes cancels the end forces
// at the centre, which stays at rest. That frequency, l1^2 sqrt(beta) / L^2 with l1 the
// first root of cos cosh = 1, is a pole of every bar and a double root of the frame.
// A free node that no element touches holds nothing: the search refuses it as the static
// and impact solutions do, naming the node, instead of counting frequencies without it.
TEST(Modes, AFreeNodeJoinedToNothingIsAMechanism) {
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    m.AddNode(Node(300, 0, 0));
    m.AddNode(Node(600, 0, 0, "uupuuu"));
    m.AddElement(Bar(0, 1));
    fem::ModeRequest r;
    r.Count = 3;
    const fem::ModeResult result = fem::SolveModes(m, r);
    EXPECT_EQ(fem::EnglishText(result.Result), "Gauss Error: mechanism at node 2, uz");
    EXPECT_TRUE(result.Modes.empty());
    EXPECT_EQ(fem::EnglishText(fem::SolveStatic(m)->Result),
              "Gauss Error: mechanism at node 2, uz");
}

TEST(Modes, SymmetricStarWithItsCentreAtRest) {
    const double L = 400;
    fem::Model m;
    m.AddNode(Node(0, 0, 0));
    for (const auto& [x, y] : {std::pair{L, 0.0}, {-L, 0.0}, {0.0, L}, {0.0, -L}}) {
        m.AddNode(Node(x, y, 0, "uuuuuu"));
        m.AddElement(Bar(0, m.NodeCount() - 1));
    }
    const long double l = BeamRoot(1, 1);
    const double hz = static_cast<double>(l * l * sqrtBeta / (L * L) / (2 * kPiLong));
    const fem::ModeResult r = Solve(m, 0, hz * 1.001);
    int atHz = 0;
    for (const fem::NaturalMode& mode : r.Modes) {
        if (!Close(mode.FrequencyHz, hz, 1e-9)) continue;
        ++atHz;
        EXPECT_TRUE(Close(mode.FrequencyHz, hz, 1e-12));
        EXPECT_GE(mode.InsideBars.size(), 4u);  // a plane or a mix of both
        for (double v : mode.NodeDisp[0]) EXPECT_EQ(v, 0.0);
    }
    EXPECT_EQ(atHz, 2);
}

// The L-frame: a clamped leg of 600 mm along x, then 400 mm along y, all dofs of the
// corner and the tip free. The finite elements (cubic bending, linear axial and torsion,
// consistent masses, no rotatory inertia) give upper bounds that converge to the exact
// frequencies; the error of 64 elements per bar is estimated from 32 to 64. K is the
// definite matrix of the pencil (M x = K x / omega^2): the lowest frequencies then round
// to about 2E-9 (instead of 1E-7), which exceeds the discretisation error of the lowest
// four at 64 elements.
struct FiniteElementFrame {
    using Matrix = Eigen::MatrixXd;
    using Matrix12 = Eigen::Matrix<double, 12, 12>;

    // Lowest frequencies (Hz) with n elements per bar: in-plane (ux, uy, rz) and
    // out-of-plane (uz, rx, ry) motions apart, as they do not couple.
    static std::vector<double> Frequencies(int n, int count) {
        std::vector<double> hz;
        for (const std::array<int, 3> dofs : {std::array<int, 3>{0, 1, 5}, {2, 3, 4}}) {
            const int size = 3 * 2 * n;  // node 0 clamped
            Matrix K = Matrix::Zero(size, size), M = K;
            for (int e = 0; e < 2 * n; ++e) {
                Matrix12 k, m;
                Element(e < n, (e < n ? 600.0 : 400.0) / n, k, m);
                for (int p = 0; p < 12; ++p)
                    for (int q = 0; q < 12; ++q) {
                        const int rp = Row(e, p, dofs), rq = Row(e, q, dofs);
                        if (rp < 0 || rq < 0) continue;
                        K(rp, rq) += k(p, q);
                        M(rp, rq) += m(p, q);
                    }
            }
            const Eigen::GeneralizedSelfAdjointEigenSolver<Matrix> eig(M, K,
                                                                       Eigen::EigenvaluesOnly);
            for (int i = 0; i < count; ++i)
                hz.push_back(1 / std::sqrt(eig.eigenvalues()[size - 1 - i]) /
                             (2 * static_cast<double>(kPiLong)));
        }
        std::sort(hz.begin(), hz.end());
        hz.resize(count);
        return hz;
    }

    // Row of element e's dof p among the dofs kept, or -1.
    static int Row(int e, int p, const std::array<int, 3>& dofs) {
        const int node = e + p / 6;
        const auto at = std::find(dofs.begin(), dofs.end(), p % 6);
        if (node == 0 || at == dofs.end()) return -1;
        return 3 * (node - 1) + static_cast<int>(at - dofs.begin());
    }

    // Stiffness and mass of one element of length h in global components.
    static void Element(bool alongX, double h, Matrix12& K, Matrix12& M) {
        const double pi = static_cast<double>(kPiLong);
        const double A = pi * D * D / 4, I = pi * D * D * D * D / 64, J = 2 * I;
        const double rho = W / 9800.0;
        Matrix12 k = Matrix12::Zero(), m = Matrix12::Zero();
        auto rod = [&](int i, int j, double stiff, double mass) {
            k(i, i) = k(j, j) = stiff / h, k(i, j) = k(j, i) = -stiff / h;
            m(i, i) = m(j, j) = mass * h / 3, m(i, j) = m(j, i) = mass * h / 6;
        };
        rod(0, 6, E * A, rho * A);
        rod(3, 9, G * J, rho * J);
        const double kb[4][4] = {{12, 6 * h, -12, 6 * h},
                                 {6 * h, 4 * h * h, -6 * h, 2 * h * h},
                                 {-12, -6 * h, 12, -6 * h},
                                 {6 * h, 2 * h * h, -6 * h, 4 * h * h}};
        const double mb[4][4] = {{156, 22 * h, 54, -13 * h},
                                 {22 * h, 4 * h * h, 13 * h, -3 * h * h},
                                 {54, 13 * h, 156, -22 * h},
                                 {-13 * h, -3 * h * h, -22 * h, 4 * h * h}};
        const int plane0[4] = {1, 5, 7, 11}, plane1[4] = {2, 4, 8, 10};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const int sign = (i + j) % 2 == 0 ? 1 : -1;
                k(plane0[i], plane0[j]) = E * I / (h * h * h) * kb[i][j];
                m(plane0[i], plane0[j]) = rho * A * h / 420 * mb[i][j];
                k(plane1[i], plane1[j]) = sign * k(plane0[i], plane0[j]);
                m(plane1[i], plane1[j]) = sign * m(plane0[i], plane0[j]);
            }
        // Local axes: along x the global ones; along y, local x = y, local y = -x.
        Eigen::Matrix3d R = Eigen::Matrix3d::Identity();
        if (!alongX) R << 0, 1, 0, -1, 0, 0, 0, 0, 1;
        Matrix12 T = Matrix12::Zero();
        for (int q = 0; q < 4; ++q) T.block<3, 3>(3 * q, 3 * q) = R;
        K = T.transpose() * k * T;
        M = T.transpose() * m * T;
    }
};

fem::Model LFrame() {
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    m.AddNode(Node(600, 0, 0));
    m.AddNode(Node(600, 400, 0));
    m.AddElement(Bar(0, 1));
    m.AddElement(Bar(1, 2));
    return m;
}

TEST(Modes, LFrameAgreesWithFiniteElementsAndShapesAreNullVectors) {
    const int count = 10;
    const fem::Model frame = LFrame();
    const fem::ModeResult r = Solve(frame, count, 0.0);
    ASSERT_EQ(r.Modes.size(), static_cast<size_t>(count));
    const std::vector<double> fine = FiniteElementFrame::Frequencies(64, count);
    const std::vector<double> coarse = FiniteElementFrame::Frequencies(32, count);
    for (int k = 0; k < count; ++k) {
        const double exact = r.Modes[k].FrequencyHz, change = coarse[k] - fine[k];
        const double rounding = 5e-9 * exact;
        SCOPED_TRACE(k + 1);
        // Upper bounds, converging with an order between h^2 (rods) and h^4 (bending):
        // the error left at 64 elements is between change / 15 and change / 3.
        EXPECT_GE(fine[k] - exact, 0.5 * change / 15 - rounding);
        EXPECT_LE(fine[k] - exact, 1.5 * change / 3 + rounding);
    }

    // K(omega) x = 0 for every shape, K assembled here from the element matrices: the
    // residual relative to |K| |x|, and the largest component +1.
    for (int k = 0; k < count; ++k) {
        const fem::NaturalMode& mode = r.Modes[k];
        Eigen::Matrix<double, 12, 12> K = Eigen::Matrix<double, 12, 12>::Zero();
        numeric::ComplexMatrix ke(12, 12);
        fem::ElementWork work;
        for (int e = 0; e < 2; ++e) {
            fem::ElemStiffDyn(numeric::Complex{0.0, mode.Omega}, frame.Elements[e], work, ke);
            for (int p = 0; p < 12; ++p)
                for (int q = 0; q < 12; ++q) {
                    const int rp = 6 * (e + p / 6) + p % 6 - 6, rq = 6 * (e + q / 6) + q % 6 - 6;
                    if (rp >= 0 && rq >= 0) K(rp, rq) += ke(p, q).re;
                }
        }
        Eigen::Matrix<double, 12, 1> x;
        double largest = 0;
        for (int i = 0; i < 12; ++i) {
            x[i] = mode.NodeDisp[1 + i / 6][i % 6];
            if (std::fabs(x[i]) > std::fabs(largest)) largest = x[i];
        }
        EXPECT_EQ(largest, 1.0) << k + 1;
        EXPECT_EQ(mode.NodeDisp[0], (std::array<double, 6>{}));
        EXPECT_LT((K * x).norm(), 1e-14 * K.norm() * x.norm()) << k + 1;
    }
}

// The first cantilever mode, a pair (both planes alike): the tip rotation over the tip
// deflection and the deflection along the bar, phi = cosh - cos - s (sinh - sin), with
// s = (cosh l + cos l) / (sinh l + sin l); the pair's two shapes are orthogonal.
TEST(Modes, CantileverShape) {
    const double L = 1000;
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    m.AddNode(Node(L, 0, 0));
    m.AddElement(Bar(0, 1));
    const fem::ModeResult r = Solve(m, 2, 0.0);
    ASSERT_EQ(r.Modes.size(), 2u);
    const long double l = BeamRoot(1, -1);
    const long double s = (std::cosh(l) + std::cos(l)) / (std::sinh(l) + std::sin(l));
    auto phi = [&](long double xi) {
        return std::cosh(l * xi) - std::cos(l * xi) - s * (std::sinh(l * xi) - std::sin(l * xi));
    };
    auto slope = [&](long double xi) {
        return l *
               (std::sinh(l * xi) + std::sin(l * xi) - s * (std::cosh(l * xi) - std::cos(l * xi)));
    };
    const double ratio = static_cast<double>(slope(1) / phi(1) / L);
    for (const fem::NaturalMode& mode : r.Modes) {
        const auto& tip = mode.NodeDisp[1];
        EXPECT_NEAR(tip[5], ratio * tip[1], 1e-10 * ratio);   // rz = v'
        EXPECT_NEAR(-tip[4], ratio * tip[2], 1e-10 * ratio);  // ry = -w'
        const auto along = fem::ModeShapeAlongBar(m, mode, 0, 11, true);
        for (int i = 0; i < 11; ++i) {
            const double shape = static_cast<double>(phi(i / 10.0L) / phi(1));
            EXPECT_NEAR(along[i][1], tip[1] * shape, 1e-10) << i;
            EXPECT_NEAR(along[i][2], tip[2] * shape, 1e-10) << i;
        }
    }
    const auto& a = r.Modes[0].NodeDisp[1];
    const auto& b = r.Modes[1].NodeDisp[1];
    double ab = 0, aa = 0, bb = 0;
    for (int j = 0; j < 6; ++j) ab += a[j] * b[j], aa += a[j] * a[j], bb += b[j] * b[j];
    EXPECT_LT(std::fabs(ab), 1e-10 * std::sqrt(aa * bb));
}

// The same frequencies and shapes, to the bit, on one and on three workers; a stop asked
// for in Progress ends the search with the modes found so far, lowest first; Progress
// runs on the caller.
class StopAfter : public fem::ModeCallbacks {
  public:
    void Progress(const fem::ModeProgress& p) override {
        onCaller = onCaller && std::this_thread::get_id() == caller_;
        ++calls;
        if (p.Found >= 1) RequestStop();
    }
    bool onCaller = true;
    int calls = 0;

  private:
    std::thread::id caller_ = std::this_thread::get_id();
};

TEST(Modes, ThreadsAndStop) {
    fem::Model m;
    fem::BuildSample(m, 4);
    const int count = 30;
    const fem::ModeResult one = Solve(m, count, 0.0, 1);
    const fem::ModeResult three = Solve(m, count, 0.0, 3);
    ASSERT_EQ(one.Modes.size(), static_cast<size_t>(count));
    ASSERT_EQ(three.Modes.size(), static_cast<size_t>(count));
    EXPECT_EQ(three.Threads, 3);
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(three.Modes[k].FrequencyHz, one.Modes[k].FrequencyHz) << k;
        EXPECT_EQ(three.Modes[k].NodeDisp, one.Modes[k].NodeDisp) << k;
    }

    StopAfter callbacks;
    fem::ModeRequest request;
    request.Count = count;
    request.Threads = 2;
    const fem::ModeResult stopped = fem::SolveModes(m, request, &callbacks);
    EXPECT_EQ(stopped.Result.Kind, fem::OutcomeKind::Stopped);
    for (size_t k = 0; k < stopped.Modes.size(); ++k)
        EXPECT_TRUE(Close(stopped.Modes[k].FrequencyHz, one.Modes[k].FrequencyHz, 1e-11));
    EXPECT_TRUE(callbacks.onCaller);
    EXPECT_GT(callbacks.calls, 0);
    // A stop already asked for: nothing is found.
    const fem::ModeResult none = fem::SolveModes(m, request, &callbacks);
    EXPECT_EQ(fem::EnglishText(none.Result), fem::kUserStop);
    EXPECT_TRUE(none.Modes.empty());
}

}  // namespace
