// The displacements inside a member: against the closed forms of the rod and the beam,
// against the member cut in two and condensed at every kind of s, and, through a whole
// analysis, against the same structure with its members divided into elements.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "analysis/element.h"
#include "analysis/impact.h"
#include "analysis/member_field.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::cd;
using testsupport::Node;

// A rectangular steel member 30 x 50 mm (two bending planes of their own) from a to b,
// turned 20 degrees about its axis.
fem::ElementRecord Member(int a, int b) {
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    e.CrossSection.Shape = fem::SectionShape::Rectangle;
    e.CrossSection.Width = 30.0;
    e.CrossSection.Height = 50.0;
    e.Roll = 20.0;
    return e;
}

std::array<numeric::Complex, 12> Ends(const std::array<cd, 12>& d) {
    std::array<numeric::Complex, 12> out{};
    for (int i = 0; i < 12; ++i) out[i] = {d[i].real(), d[i].imag()};
    return out;
}

// End displacements of no particular pattern: translations of about 1 mm, rotations of
// about 1E-3.
std::array<cd, 12> SomeEnds() {
    std::array<cd, 12> d{};
    for (int i = 0; i < 12; ++i) {
        const double scale = (i % 6) < 3 ? 1.0 : 1e-3;
        d[i] = scale * cd(std::sin(1.3 * i + 0.4), std::cos(0.7 * i - 0.2));
    }
    return d;
}

TEST(MemberField, RodAndBeamFollowTheirClosedForms) {
    // A member along x: its field in element components is the rod's and the beam's own.
    fem::Model m;
    m.AddNode(Node(0, 0, 0));
    m.AddNode(Node(800, 0, 0));
    fem::ElementRecord bar = Member(0, 1);
    bar.Roll = 0.0;
    m.AddElement(bar);
    const fem::ElementRecord& e = m.Elements[0];
    const double L = e.Length;
    const std::array<cd, 12> d = SomeEnds();
    const auto ends = Ends(d);
    // s from well inside the series to many wavelengths along the member.
    int comparedToTheClosedForm = 0;
    for (const cd s : {cd(3e2, 4e3), cd(2e4, 3e5), cd(5e4, 2.5e6)}) {
        const fem::MemberField field(e, {s.real(), s.imag()}, ends.data());
        const cd k = s / e.WaveAxial;
        // EI w'''' + m s^2 w = 0 in plane 0 by the general solution in cosh, sinh, cos, sin.
        const cd kappa = std::pow(-s * s / e.BendCoefZ, 0.25);
        auto basis = [&](double x, int derivative) {
            const cd a = kappa * x;
            const cd p = std::pow(kappa, derivative);
            const std::array<cd, 4> f = {std::cosh(a), std::sinh(a), std::cos(a), std::sin(a)};
            const std::array<cd, 4> df = {std::sinh(a), std::cosh(a), -std::sin(a), std::cos(a)};
            std::array<cd, 4> out{};
            for (int i = 0; i < 4; ++i) out[i] = p * (derivative == 0 ? f[i] : df[i]);
            return out;
        };
        Eigen::Matrix4cd a;
        for (int r = 0; r < 4; ++r) {
            const auto row = basis(r < 2 ? 0.0 : L, r % 2);
            for (int c = 0; c < 4; ++c) a(r, c) = row[c];
        }
        const Eigen::Vector4cd coef =
            a.fullPivLu().solve(Eigen::Vector4cd(d[1], d[5], d[7], d[11]));
        for (double x : {0.0, 0.1 * L, 0.37 * L, 0.5 * L, 0.9 * L, L}) {
            const auto u = field.At(x);
            const cd rod =
                (d[0] * std::sinh(k * (L - x)) + d[6] * std::sinh(k * x)) / std::sinh(k * L);
            EXPECT_TRUE(testsupport::Close(u[0], rod, 1e-11, 1e-13)) << "s " << s << " x " << x;
            // The general solution in cosh and sinh loses every digit once kappa L is
            // large (its matrix holds cosh(kappa L)): it is the reference only while
            // kappa L stays small; the member cut in two checks the rest.
            if (std::abs(kappa) * L < 10.0) {
                ++comparedToTheClosedForm;
                const auto w = basis(x, 0), slope = basis(x, 1);
                cd beam = 0.0, beamSlope = 0.0;
                for (int c = 0; c < 4; ++c) beam += coef[c] * w[c], beamSlope += coef[c] * slope[c];
                EXPECT_TRUE(testsupport::Close(u[1], beam, 1e-9, 1e-12)) << "s " << s << " x " << x;
                EXPECT_TRUE(testsupport::Close(u[5], beamSlope, 1e-9, 1e-15))
                    << "s " << s << " x " << x;
            }
        }
        // At the ends the field takes the end values, whatever s.
        const auto first = field.At(0.0), second = field.At(L);
        EXPECT_TRUE(testsupport::Close(first[1], d[1], 1e-11, 1e-13)) << "s " << s;
        EXPECT_TRUE(testsupport::Close(first[5], d[5], 1e-11, 1e-15)) << "s " << s;
        EXPECT_TRUE(testsupport::Close(second[1], d[7], 1e-11, 1e-13)) << "s " << s;
        EXPECT_TRUE(testsupport::Close(second[5], d[11], 1e-11, 1e-15)) << "s " << s;
    }
    EXPECT_GT(comparedToTheClosedForm, 0);
}

// A member cut at x into two elements and condensed at the cut: the cut moves as the
// field of the whole member says, in every component, whatever s.
TEST(MemberField, IsTheMemberCutInTwoAndCondensed) {
    const fem::Vec3 a{100, -50, 30}, b{700, 350, -220};
    const double fraction[] = {0.03, 0.25, 0.5, 0.81};
    // s: static, short against its waves (series), near the series limit, a few waves,
    // very many waves, and close to the imaginary axis.
    const cd points[] = {cd(0, 0),     cd(50, 300),  cd(1e4, 8e3), cd(3e3, 6e4),
                         cd(2e4, 4e5), cd(1e6, 3e7), cd(20, 2.2e5)};
    for (double f : fraction) {
        fem::Model m;
        m.AddNode(Node(a[0], a[1], a[2]));
        m.AddNode(Node(b[0], b[1], b[2]));
        m.AddNode(
            Node(a[0] + f * (b[0] - a[0]), a[1] + f * (b[1] - a[1]), a[2] + f * (b[2] - a[2])));
        m.AddElement(Member(0, 1));
        m.AddElement(Member(0, 2));
        m.AddElement(Member(2, 1));
        const fem::ElementRecord& whole = m.Elements[0];
        const std::array<cd, 12> dg = SomeEnds();  // global components
        std::array<numeric::Complex, 12> global = Ends(dg), local{};
        fem::RotateVector12(whole.RotMatrix, global.data(), local.data());
        for (const cd s : points) {
            fem::ElementWork work;
            numeric::ComplexMatrix k1(12, 12), k2(12, 12);
            fem::ElemStiffDyn({s.real(), s.imag()}, m.Elements[1], work, k1);
            fem::ElemStiffDyn({s.real(), s.imag()}, m.Elements[2], work, k2);
            // Rows of the cut: its own block u_c and the ends' couplings.
            Eigen::Matrix<cd, 6, 6> kcc;
            Eigen::Matrix<cd, 6, 1> rhs = Eigen::Matrix<cd, 6, 1>::Zero();
            for (int i = 0; i < 6; ++i) {
                for (int j = 0; j < 6; ++j) {
                    kcc(i, j) = testsupport::ToStd(k1(6 + i, 6 + j)) + testsupport::ToStd(k2(i, j));
                    rhs(i) -= testsupport::ToStd(k1(6 + i, j)) * dg[j] +
                              testsupport::ToStd(k2(i, 6 + j)) * dg[6 + j];
                }
            }
            const Eigen::Matrix<cd, 6, 1> cut = kcc.fullPivLu().solve(rhs);
            const fem::MemberField field(whole, {s.real(), s.imag()}, local.data());
            const auto u = field.At(f * whole.Length);
            for (int c = 0; c < 6; ++c) {
                // Back to global components.
                const int o = c < 3 ? 0 : 3;
                const int r = c - o;
                const cd g = whole.RotMatrixT[r][0] * u[o] + whole.RotMatrixT[r][1] * u[o + 1] +
                             whole.RotMatrixT[r][2] * u[o + 2];
                const double size = c < 3 ? 1.0 : 1e-3;
                EXPECT_TRUE(testsupport::Close(g, cut(c), 0.0, 1e-10 * size))
                    << "x/L " << f << " s " << s << " component " << c;
            }
        }
    }
}

// A bent frame in space, a column and a beam, each member divided into `pieces` elements.
// Free: the beam's tip loaded. Hinged: the beam pinned to the corner in both bending
// planes (on its first element), its tip clamped and the corner loaded.
fem::Model BentFrame(int pieces, bool hinged) {
    fem::Model m;
    const fem::Vec3 corners[3] = {{0, 0, 0}, {0, 0, 1000}, {700, 400, 1000}};
    m.AddNode(Node(0, 0, 0, "uuuuuu"));
    for (int member = 0; member < 2; ++member)
        for (int i = 1; i <= pieces; ++i) {
            const double t = static_cast<double>(i) / pieces;
            const fem::Vec3& p = corners[member];
            const fem::Vec3& q = corners[member + 1];
            const bool corner = member == 0 && i == pieces;
            const bool tip = member == 1 && i == pieces;
            const char* codes = "pppppp";
            if (hinged && tip) codes = "uuuuuu";
            if (hinged && corner) codes = "ffpppp";
            if (!hinged && tip) codes = "ffpfpp";
            fem::NodeRecord n = Node(p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]),
                                     p[2] + t * (q[2] - p[2]), codes);
            if (hinged && corner) n.LoadValue = {100.0, -60.0, 0.0, 0.0, 0.0, 0.0};
            if (!hinged && tip) n.LoadValue = {100.0, -60.0, 0.0, 2000.0, 0.0, 0.0};
            m.AddNode(n);
            fem::ElementRecord e = Member(m.NodeCount() - 2, m.NodeCount() - 1);
            if (hinged && member == 1 && i == 1) e.Released[4] = e.Released[5] = true;
            m.AddElement(e);
        }
    return m;
}

// A bent frame in space whose members are undivided, and the same frame with each member
// divided into four elements: the stations of the undivided members move as the inner
// nodes of the divided ones, line by line and after the inversion and its correction.
TEST(MemberField, UndividedMembersMoveAsDividedOnes) {
    const fem::Model whole = BentFrame(1, false), divided = BentFrame(4, false);
    const fem::AnalysisSettings settings = testsupport::Settings(256, 5.0, 0.002, 0.0, true);
    const auto wholeSolution = fem::SolveImpact(whole, settings);
    const auto dividedSolution = fem::SolveImpact(divided, settings);
    ASSERT_TRUE(wholeSolution->Complete());
    ASSERT_TRUE(dividedSolution->Complete());
    const fem::InverseTransform inverse(settings);
    for (int member = 0; member < 2; ++member) {
        const std::vector<double> stations = fem::InnerStations(whole.Elements[member].Length, 3);
        for (int line = 0; line < 2; ++line) {
            const numeric::ComplexMatrix spectra = fem::StationSpectra(
                *wholeSolution, member, stations, fem::StationValues::All, line);
            double largest = 0.0;
            for (int k = 0; k < settings.PointsPerLine(); ++k)
                largest = std::max(largest, std::abs(testsupport::ToStd(spectra(0, k))) +
                                                std::abs(testsupport::ToStd(spectra(1, k))));
            for (int i = 0; i < 3; ++i) {
                const int node = 4 * member + i + 1;
                for (int k = 0; k < settings.PointsPerLine(); ++k)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_TRUE(
                            testsupport::Close(testsupport::ToStd(spectra(6 * i + c, k)),
                                               testsupport::At(*dividedSolution, node, c, k, line),
                                               0.0, 1e-10 * largest))
                            << "member " << member << " station " << i << " line " << line << " k "
                            << k << " c " << c;
            }
        }
        const fem::HistoryResult stationHistories = fem::StationHistories(
            *wholeSolution, member, stations, fem::StationValues::Translations, inverse);
        ASSERT_EQ(stationHistories.Corrected.Rows(), 9);
        for (int i = 0; i < 3; ++i) {
            const fem::HistoryResult node =
                fem::NodeDisplacementHistory(*dividedSolution, 4 * member + i + 1, inverse);
            double peak = 0.0;
            for (int c = 0; c < 3; ++c)
                for (int j = 0; j < settings.Nw; ++j)
                    peak = std::max(peak, std::fabs(node.Corrected(c, j)));
            ASSERT_GT(peak, 0.0);
            for (int c = 0; c < 3; ++c)
                for (int j = 0; j < settings.Nw; ++j) {
                    EXPECT_NEAR(stationHistories.Corrected(3 * i + c, j), node.Corrected(c, j),
                                1e-10 * peak);
                    EXPECT_NEAR(stationHistories.EstimatedError(3 * i + c, j),
                                node.EstimatedError(c, j), 1e-10 * peak);
                }
        }
    }
    EXPECT_THROW((void)fem::StationSpectra(*wholeSolution, 2, {1.0}, fem::StationValues::All, 0),
                 numeric::ComputationFailure);
    EXPECT_THROW((void)fem::StationSpectra(*wholeSolution, 0, {1.0}, fem::StationValues::All, 2),
                 numeric::ComputationFailure);
}

// The same with a hinge: the second member is pinned to the corner in both bending planes
// (its far end clamped, the corner loaded). Its stations turn with the member's own end
// rotation at the hinge, not with the corner's: as the inner nodes of the member divided
// into four elements, the first of them carrying the hinge.
TEST(MemberField, ReleasedMembersMoveAsDividedOnes) {
    const fem::Model whole = BentFrame(1, true), divided = BentFrame(4, true);
    const fem::AnalysisSettings settings = testsupport::Settings(256, 5.0, 0.002, 0.0, true);
    const auto wholeSolution = fem::SolveImpact(whole, settings);
    const auto dividedSolution = fem::SolveImpact(divided, settings);
    ASSERT_TRUE(wholeSolution->Complete());
    ASSERT_TRUE(dividedSolution->Complete());
    const std::vector<double> stations = fem::InnerStations(whole.Elements[1].Length, 3);
    for (int line = 0; line < 2; ++line) {
        const numeric::ComplexMatrix spectra =
            fem::StationSpectra(*wholeSolution, 1, stations, fem::StationValues::All, line);
        for (int c0 = 0; c0 < 6; c0 += 3) {  // translations, then rotations
            double largest = 0.0;
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < settings.PointsPerLine(); ++k)
                    for (int c = c0; c < c0 + 3; ++c)
                        largest = std::max(largest, std::abs(testsupport::At(*dividedSolution,
                                                                             5 + i, c, k, line)));
            ASSERT_GT(largest, 0.0);
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < settings.PointsPerLine(); ++k)
                    for (int c = c0; c < c0 + 3; ++c)
                        ASSERT_TRUE(
                            testsupport::Close(testsupport::ToStd(spectra(6 * i + c, k)),
                                               testsupport::At(*dividedSolution, 5 + i, c, k, line),
                                               0.0, 1e-10 * largest))
                            << "station " << i << " line " << line << " k " << k << " c " << c;
        }
    }
}

}  // namespace
