// Elements with Timoshenko on, through the whole solutions: a cantilever's static tip
// deflection in both planes, pinned-pinned frequencies of both spectra from the closed
// frequency equation, the slender limit against Euler-Bernoulli, and frames whose members
// are divided in two against the undivided ones (frequencies, shapes, histories).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/histories.h"
#include "analysis/modes.h"
#include "analysis/run_analysis.h"
#include "numeric/constants.h"
#include "support.h"

namespace {

using testsupport::Close;
using testsupport::Node;

// The default material: E 21000, G 8000, w 7.86E-06.
const double E = 21000, G = 8000, W = 7.86E-06, g = 9800;

fem::Section General(double A, double Iy, double Iz, double J, double Ay, double Az) {
    fem::Section s;
    s.Shape = fem::SectionShape::General;
    s.Area = A, s.Iy = Iy, s.Iz = Iz, s.J = J, s.ShearAreaY = Ay, s.ShearAreaZ = Az;
    return s;
}

fem::Section ISection(double h, double b, double tw, double tf) {
    fem::Section s;
    s.Shape = fem::SectionShape::I;
    s.Height = h, s.Width = b, s.WebThickness = tw, s.FlangeThickness = tf;
    return s;
}

fem::Section Rectangle(double b, double h) {
    fem::Section s;
    s.Shape = fem::SectionShape::Rectangle;
    s.Width = b, s.Height = h;
    return s;
}

fem::ElementRecord Member(int a, int b, const fem::Section& s, bool timoshenko, double roll = 0) {
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    e.CrossSection = s;
    e.Roll = roll;
    e.Timoshenko = timoshenko;
    return e;
}

// Each element of m divided at its middle by a new free node.
fem::Model Halved(const fem::Model& m) {
    fem::Model out;
    for (const fem::NodeRecord& n : m.Nodes) out.AddNode(n);
    for (const fem::ElementRecord& e : m.Elements) {
        fem::NodeRecord middle = fem::DefaultNode();
        for (int j = 0; j < 3; ++j)
            middle.Coord[j] =
                0.5 * (m.Nodes[e.EndNode[0]].Coord[j] + m.Nodes[e.EndNode[1]].Coord[j]);
        out.AddNode(middle);
        const int inner = out.NodeCount() - 1;
        fem::ElementRecord first = e, second = e;
        first.EndNode[1] = inner;
        second.EndNode[0] = inner;
        out.AddElement(first);
        out.AddElement(second);
    }
    return out;
}

std::vector<double> Frequencies(const fem::ModeResult& r) {
    EXPECT_TRUE(r.Result.Complete()) << r.Result.Detail;
    std::vector<double> hz;
    for (const fem::NaturalMode& m : r.Modes) hz.push_back(m.FrequencyHz);
    return hz;
}

fem::ModeResult Modes(const fem::Model& m, int count, double belowHz = 0.0, bool shapes = false) {
    fem::ModeRequest r;
    r.Count = count;
    r.BelowHz = belowHz;
    r.Shapes = shapes;
    return fem::SolveModes(m, r);
}

// A cantilever along x under tip loads Py and Pz: in its local axes each plane deflects by
// P L^3 / (3 E I) + P L / (G A_s), deflection along local y with Iz and Ay, along local z
// with Iy and Az (no shear term where the shear area is 0). Roll 90 turns local y to
// global z and local z to -global y.
TEST(TimoshenkoStatics, CantileverTipDeflectsByBendingAndShearInBothPlanes) {
    const double L = 400, Py = 1000, Pz = 700;
    const fem::Section sections[] = {ISection(200, 100, 6, 9),
                                     General(2000, 4e6, 1e6, 5e4, 600, 1100),
                                     General(2000, 4e6, 1e6, 5e4, 600, 0)};
    for (const fem::Section& section : sections)
        for (const double roll : {0.0, 90.0}) {
            fem::Model m;
            m.AddNode(Node(0, 0, 0, "uuuuuu"));
            fem::NodeRecord tip = Node(L, 0, 0);
            tip.LoadValue[1] = Py;
            tip.LoadValue[2] = Pz;
            m.AddNode(tip);
            m.AddElement(Member(0, 1, section, true, roll));
            const fem::ElementRecord& e = m.Elements[0];
            auto flexibility = [&](double I, double As) {
                return L * L * L / (3 * E * I) + (As > 0 ? L / (G * As) : 0.0);
            };
            const double alongY = flexibility(e.Iz, e.ShearAreaY);
            const double alongZ = flexibility(e.Iy, e.ShearAreaZ);
            // The shear term must matter for the test to tell the planes apart.
            if (e.ShearAreaZ > 0) {
                EXPECT_GT(L / (G * e.ShearAreaZ), 0.05 * alongZ);
            }
            const auto u = testsupport::SolveStatically(m).Displacements[1];
            const double uy = roll == 0 ? Py * alongY : Py * alongZ;
            const double uz = roll == 0 ? Pz * alongZ : Pz * alongY;
            EXPECT_TRUE(Close(u[1], uy, 1e-12)) << "roll " << roll << " A " << e.Area;
            EXPECT_TRUE(Close(u[2], uz, 1e-12)) << "roll " << roll << " A " << e.Area;
            // The end rotation is the bending one alone: P L^2 / (2 E I).
            const double rz = roll == 0 ? Py * L * L / (2 * E * e.Iz) : Py * L * L / (2 * E * e.Iy);
            EXPECT_TRUE(Close(u[5], rz, 1e-12)) << "roll " << roll;
        }
}

// Pinned-pinned member (translations and twist held, both bending rotations free), with
// distinct I and shear areas in the two planes: for each k = n pi / L both roots of
// rhoA rhoI w^4 - (rhoA (EI k^2 + kGA) + rhoI kGA k^2) w^2 + EI kGA k^4 = 0, and w = 0,
// psi constant at omega_c = sqrt(kGA / rhoI); the rods' n pi c / L besides.
TEST(TimoshenkoModes, PinnedPinnedFrequenciesOfBothSpectraThroughTheSearch) {
    const double L = 400, A = 800, Iy = 106666.66666666667, Iz = 26666.666666666668, J = 75000;
    const double Ay = 600, Az = 700;
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuupp"));
    m.AddNode(Node(L, 0, 0, "uuuupp"));
    m.AddElement(Member(0, 1, General(A, Iy, Iz, J, Ay, Az), true));

    std::vector<double> omega;  // below 1.2 times the larger omega_c
    const double rhoA = W * A / g;
    const double planes[2][2] = {{Iz, Ay}, {Iy, Az}};
    double top = 0;
    for (const auto& p : planes) top = std::max(top, 1.2 * std::sqrt(G * p[1] / (W * p[0] / g)));
    for (const auto& p : planes) {
        const double EI = E * p[0], kGA = G * p[1], rhoI = W * p[0] / g;
        omega.push_back(std::sqrt(kGA / rhoI));
        for (int n = 1;; ++n) {
            const double k = n * numeric::Pi / L, k2 = k * k;
            const double a = rhoA * rhoI, b = rhoA * (EI * k2 + kGA) + rhoI * kGA * k2;
            const double c = EI * kGA * k2 * k2;
            const double root = std::sqrt(b * b - 4 * a * c);
            const double first = std::sqrt(2 * c / (b + root)),
                         second = std::sqrt((b + root) / (2 * a));
            if (first > top && second > top) break;
            omega.insert(omega.end(), {first, second});
        }
    }
    const double cAxial = std::sqrt(E * g / W), cTorsion = std::sqrt(G * J * g / (W * (Iy + Iz)));
    for (const double c : {cAxial, cTorsion})
        for (int n = 1; n * numeric::Pi * c / L < top; ++n)
            omega.push_back(n * numeric::Pi * c / L);
    std::sort(omega.begin(), omega.end());
    // The limit halfway between two frequencies.
    const auto above = std::upper_bound(omega.begin(), omega.end(), top / 1.2);
    ASSERT_NE(above, omega.end());
    const double limitHz = 0.5 * (*above + *(above - 1)) / numeric::TwoPi;
    omega.erase(above, omega.end());
    ASSERT_GT(omega.size(), 30u);

    const std::vector<double> hz = Frequencies(Modes(m, 0, limitHz));
    ASSERT_EQ(hz.size(), omega.size());
    for (size_t k = 0; k < hz.size(); ++k)
        EXPECT_TRUE(Close(hz[k], omega[k] / numeric::TwoPi, 1e-10)) << "mode " << k + 1;
}

// A slender round cantilever: Timoshenko's frequencies lie below Euler-Bernoulli's by a
// share proportional to (d / L)^2.
TEST(TimoshenkoModes, SlenderMembersTendToEulerBernoulliAsDepthOverLengthSquared) {
    std::vector<double> scaled[2];  // relative difference times (L / d)^2, modes 1 and 3
    for (const double slenderness : {30.0, 300.0, 3000.0}) {
        std::vector<double> hz[2];
        for (const bool timoshenko : {false, true}) {
            fem::Model m;
            m.AddNode(Node(0, 0, 0, "uuuuuu"));
            m.AddNode(Node(10 * slenderness, 0, 0));
            fem::ElementRecord e = fem::DefaultElement();
            e.EndNode = {0, 1};
            e.Timoshenko = timoshenko;
            m.AddElement(e);
            hz[timoshenko] = Frequencies(Modes(m, 4));
        }
        ASSERT_EQ(hz[0].size(), 4u);
        ASSERT_EQ(hz[1].size(), 4u);
        for (int k : {0, 2}) {
            const double share = (hz[0][k] - hz[1][k]) / hz[0][k];
            EXPECT_GT(share, 0.0);
            scaled[k / 2].push_back(share * slenderness * slenderness);
        }
    }
    for (const auto& s : scaled) {
        EXPECT_TRUE(Close(s[1], s[0], 0.05)) << s[0] << " " << s[1];
        EXPECT_TRUE(Close(s[2], s[1], 0.002)) << s[1] << " " << s[2];
    }
}

// A portal of deep members (I columns turned differently, a rectangular beam) and a
// cantilever arm with its far end free: divided in two at every middle it is the same
// structure, so frequencies agree to 1E-10 and the step response histories to 1E-10 of
// their peaks. The undivided members pass their own clamped frequencies in the search.
TEST(TimoshenkoModes, FrameDividedInTwoGivesTheSameFrequenciesAndHistories) {
    fem::Model frame;
    frame.AddNode(Node(0, 0, 0, "uuuuuu"));
    frame.AddNode(Node(0, 0, 600));
    frame.AddNode(Node(500, 0, 600, "ffpppp"));
    frame.AddNode(Node(500, 0, 0, "uuuuuu"));
    frame.AddNode(Node(500, 300, 600));
    frame.AddElement(Member(0, 1, ISection(150, 100, 6, 9), true));
    frame.AddElement(Member(1, 2, Rectangle(40, 120), true));
    frame.AddElement(Member(3, 2, ISection(150, 100, 6, 9), true, 90));
    frame.AddElement(Member(2, 4, Rectangle(30, 80), true, 30));
    frame.Nodes[2].LoadValue[0] = 500;
    frame.Nodes[2].LoadValue[1] = 200;
    const fem::Model halved = Halved(frame);

    const std::vector<double> whole = Frequencies(Modes(frame, 16));
    const std::vector<double> parts = Frequencies(Modes(halved, 16));
    ASSERT_EQ(whole.size(), 16u);
    ASSERT_EQ(parts.size(), 16u);
    for (size_t k = 0; k < whole.size(); ++k)
        EXPECT_TRUE(Close(parts[k], whole[k], 1e-10)) << "mode " << k + 1;

    const double te = 0.01;
    const fem::AnalysisResult a = testsupport::Analyse(frame, 512, 5.0, te);
    const fem::AnalysisResult b = testsupport::Analyse(halved, 512, 5.0, te);
    ASSERT_TRUE(a.Impact->Result().Complete());
    ASSERT_TRUE(b.Impact->Result().Complete());
    for (const int node : {1, 2, 4}) {
        const numeric::RealMatrix u = fem::NodeDisplacementHistory(*a.Impact, node).Best();
        const numeric::RealMatrix v = fem::NodeDisplacementHistory(*b.Impact, node).Best();
        for (int c = 0; c < 6; ++c) {
            double peak = 0, difference = 0;
            for (int j = 0; j < u.Cols(); ++j) {
                peak = std::max(peak, std::fabs(u(c, j)));
                difference = std::max(difference, std::fabs(u(c, j) - v(c, j)));
            }
            EXPECT_GT(peak, 0.0);
            EXPECT_LE(difference, 1e-10 * peak) << "node " << node << " component " << c;
        }
    }
}

// Held nodes: the frequencies are the member's own clamped ones and the shapes lie inside
// it (built from the member divided at an inner node). The same member halved by a free
// node has the same frequencies and, through its node's motion and the exact field of the
// halves, the same shapes along it.
TEST(TimoshenkoModes, MemberBetweenHeldNodesAgreesWithItsHalves) {
    const double L = 500;
    fem::Model held;
    held.AddNode(Node(0, 0, 0, "uuuuuu"));
    held.AddNode(Node(L, 0, 0, "uuuuuu"));
    held.AddElement(Member(0, 1, General(1200, 9e5, 2.5e5, 4e5, 700, 500), true));
    const fem::Model halved = Halved(held);
    const fem::ModeResult whole = Modes(held, 10, 0.0, true);
    const fem::ModeResult parts = Modes(halved, 10, 0.0, true);
    const std::vector<double> a = Frequencies(whole), b = Frequencies(parts);
    ASSERT_EQ(a.size(), 10u);
    ASSERT_EQ(b.size(), 10u);
    int bending = 0;
    for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(Close(b[k], a[k], 1e-10)) << "mode " << k + 1;
        const fem::NaturalMode& mode = whole.Modes[k];
        ASSERT_EQ(mode.InsideBars.size(), 1u) << "mode " << k + 1;
        const int action = mode.InsideBars[0].Action;
        if (action < 2) continue;
        ++bending;
        // Deflection and rotation along the member: the halves' shape scaled onto the whole
        // member's by least squares over the deflections (sign included: an antisymmetric
        // mode has two stations of equal largest deflection), both divided by the largest.
        const int dof = action == 2 ? 1 : 2, rotation = action == 2 ? 5 : 4;
        const auto inside = fem::ModeShapeAlongBar(held, mode, 0, 9, false);
        std::vector<std::array<double, 6>> through =
            fem::ModeShapeAlongBar(halved, parts.Modes[k], 0, 5, false);
        const auto second = fem::ModeShapeAlongBar(halved, parts.Modes[k], 1, 5, false);
        through.insert(through.end(), second.begin() + 1, second.end());
        ASSERT_EQ(through.size(), inside.size());
        double cross = 0, square = 0, peak = 0;
        for (size_t i = 0; i < inside.size(); ++i) {
            cross += inside[i][dof] * through[i][dof];
            square += through[i][dof] * through[i][dof];
            peak = std::max(peak, std::fabs(inside[i][dof]));
        }
        ASSERT_GT(square, 0.0);
        const double factor = cross / square;
        for (size_t i = 0; i < inside.size(); ++i) {
            EXPECT_NEAR(inside[i][dof] / peak, factor * through[i][dof] / peak, 1e-7)
                << "mode " << k + 1 << " at " << i;
            EXPECT_NEAR(inside[i][rotation] / peak * L, factor * through[i][rotation] / peak * L,
                        1e-6)
                << "mode " << k + 1 << " at " << i;
        }
    }
    EXPECT_GE(bending, 4);
}

}  // namespace
