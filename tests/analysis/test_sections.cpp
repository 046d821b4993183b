// Members of other sections than the round bar, turned about their axis: cantilevers
// against P L^3 / (3 E I) with the second moment of the plane they bend in, a twisted
// tube against T L / (G J), and the natural frequencies of a pinned I-beam against
// (n pi / L)^2 sqrt(E I / m) in both planes with its torsion modes among them. The
// section properties are hand values (tests/model/section_reference.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support.h"

namespace {

using testsupport::Close;
using testsupport::Node;

const double kPi = 3.14159265358979323846;
const double E = 21000, G = 8000, W = 7.86E-06;

fem::Section Rectangle(double b, double h) {
    fem::Section s;
    s.Shape = fem::SectionShape::Rectangle;
    s.Width = b;
    s.Height = h;
    return s;
}

fem::Section H200() {
    fem::Section s;
    s.Shape = fem::SectionShape::I;
    s.Height = 200;
    s.Width = 100;
    s.WebThickness = 5.5;
    s.FlangeThickness = 8;
    return s;
}
// Its properties by hand: A = 2 b tf + (h - 2 tf) tw, Iy = (b h^3 - (b - tw)(h - 2 tf)^3)/12,
// Iz = (2 tf b^3 + (h - 2 tf) tw^3)/12, J = (2 b tf^3 + (h - tf) tw^3)/3.
const double kH200Area = 2612, kH200Iy = 17609322.666666668, kH200Iz = 1335884.4166666667,
             kH200J = 44781.333333333336, kH200Polar = 18945207.083333332;

// A steel cantilever along global x from a clamped node 0 to node 1, with the section
// turned by roll and the load vector (forces and moments) at its tip.
fem::Model Cantilever(const fem::Section& section, double roll, double L,
                      const std::array<double, 6>& load) {
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    fem::NodeRecord tip = Node(L, 0, 0);
    for (int j = 0; j < 6; ++j) tip.LoadValue[j] = load[j];
    m.AddNode(tip);
    fem::ElementRecord e = fem::DefaultElement();
    e.CrossSection = section;
    e.Roll = roll;
    m.AddElement(e);
    return m;
}

TEST(Sections, CantileversBendWithTheSecondMomentOfTheirPlane) {
    const double L = 1000, P = 10;
    const struct {
        const char* name;
        fem::Section section;
        double Iy, Iz;  // local y: bending about it deflects along local z
    } sections[] = {{"flat 50 x 9", Rectangle(50, 9), 50.0 * 729 / 12, 9.0 * 125000 / 12},
                    {"H200", H200(), kH200Iy, kH200Iz}};
    for (const auto& s : sections) {
        for (double roll : {0.0, 90.0}) {
            // At roll 0 local y and z are global y and z; at roll 90 local y is global z
            // and local z is -global y.
            const double alongY = roll == 0.0 ? s.Iz : s.Iy;
            const double alongZ = roll == 0.0 ? s.Iy : s.Iz;
            fem::Model y = Cantilever(s.section, roll, L, {0, P, 0, 0, 0, 0});
            fem::Model z = Cantilever(s.section, roll, L, {0, 0, P, 0, 0, 0});
            const auto sy = testsupport::SolveStatically(y);
            const auto sz = testsupport::SolveStatically(z);
            EXPECT_TRUE(Close(sy.Displacements[1][1], P * L * L * L / (3 * E * alongY), 1e-11))
                << s.name << " at roll " << roll;
            EXPECT_TRUE(Close(sz.Displacements[1][2], P * L * L * L / (3 * E * alongZ), 1e-11))
                << s.name << " at roll " << roll;
            EXPECT_NEAR(sy.Displacements[1][2], 0.0, 1e-12 * sy.Displacements[1][1]);
            EXPECT_NEAR(sz.Displacements[1][1], 0.0, 1e-12 * sz.Displacements[1][2]);
            // The end forces follow the member's axes: the tip load along global y is a
            // shear along local y at roll 0 and along -local z at roll 90.
            const auto& f = sy.EndForcesLocal[0];
            EXPECT_TRUE(Close(f[7], roll == 0.0 ? P : 0.0, 1e-12, 1e-12 * P)) << s.name;
            EXPECT_TRUE(Close(f[8], roll == 0.0 ? 0.0 : -P, 1e-12, 1e-12 * P)) << s.name;
        }
    }
}

// A tube twists by T L / (G J) with J = pi (d^4 - di^4) / 32 (d 60.5, t 3.2: 474303.2552649888
// by mpmath), and a roll turns nothing of it.
TEST(Sections, TubeTwistsByTLOverGJWhateverItsRoll) {
    fem::Section tube;
    tube.Shape = fem::SectionShape::Tube;
    tube.Diameter = 60.5;
    tube.Thickness = 3.2;
    const double L = 2000, T = 1e5, J = 474303.2552649888;
    fem::Model plain = Cantilever(tube, 0.0, L, {0, 0, 0, T, 0, 0});
    fem::Model rolled = Cantilever(tube, 37.0, L, {0, 0, 0, T, 0, 0});
    const auto a = testsupport::SolveStatically(plain);
    const auto b = testsupport::SolveStatically(rolled);
    EXPECT_TRUE(Close(a.Displacements[1][3], T * L / (G * J), 1e-12));
    EXPECT_EQ(a.Displacements[1], b.Displacements[1]);
    EXPECT_EQ(plain.Elements[0].RotMatrix, rolled.Elements[0].RotMatrix);
}

// Pinned at both ends (translations held, the twist held at the first), the I-beam bends
// in each plane at (n pi / L)^2 sqrt(E I / m) / 2 pi with its own I, and twists as a
// fixed-free rod, (2n - 1) c / 4L with c = sqrt(G J / (rho (Iy + Iz))).
TEST(Sections, PinnedIBeamVibratesInBothPlanesAndTwistsWithItsPolarMoment) {
    const double L = 5000, fMax = 90;
    fem::Model m;
    m.AddNode(Node(0, 0, 0, "uuuupp"));
    m.AddNode(Node(L, 0, 0, "uuuppp"));
    fem::ElementRecord e = fem::DefaultElement();
    e.CrossSection = H200();
    m.AddElement(e);

    const double mass = W * kH200Area / 9800.0;  // per length
    std::vector<double> expected;
    for (double I : {kH200Iy, kH200Iz})
        for (int n = 1;; ++n) {
            const double f = (n * kPi / L) * (n * kPi / L) * std::sqrt(E * I / mass) / (2 * kPi);
            if (f >= fMax) break;
            expected.push_back(f);
        }
    const double twist = std::sqrt(G * kH200J * 9800.0 / (W * kH200Polar));
    for (int n = 1; (2 * n - 1) * twist / (4 * L) < fMax; ++n)
        expected.push_back((2 * n - 1) * twist / (4 * L));
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(expected.size(), 10u);  // 3 + 1 bending, 6 torsion; axial from 511 Hz

    const std::vector<double> found = testsupport::NaturalFrequencies(m, fMax);
    ASSERT_EQ(found.size(), expected.size());
    for (size_t k = 0; k < found.size(); ++k)
        EXPECT_TRUE(Close(found[k], expected[k], 1e-10)) << "frequency " << k;
}

}  // namespace
