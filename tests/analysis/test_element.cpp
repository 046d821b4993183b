// Element matrices against closed forms: rigid-body motions of the static matrix, the
// exact rod and clamped-clamped beam dynamic stiffness at complex s, and the low-frequency
// limit K(s) = K + s^2 M with the consistent mass matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "analysis/element.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::RealMatrix;
using testsupport::cd;
using testsupport::ClassicalBeam;
using testsupport::Close;
using testsupport::ToStd;

// An element between a and b, derived quantities filled by the model.
fem::ElementRecord ElementBetween(const fem::Vec3& a, const fem::Vec3& b, double d = 10.0) {
    fem::ElementRecord e = testsupport::Bar(0, 1, d);
    fem::UpdateElement(e, a, b);
    return e;
}

double MaxAbs(const ComplexMatrix& K) {
    double m = 0.0;
    for (int i = 0; i < K.Rows(); ++i)
        for (int j = 0; j < K.Cols(); ++j) m = std::max(m, std::abs(ToStd(K(i, j))));
    return m;
}

TEST(ElementStatic, SymmetricAndFreeOfRigidBodyForces) {
    // A general direction exercises the last branch of the local axes.
    const fem::Vec3 a{10, -20, 5}, b{70, 40, 95};
    const fem::ElementRecord e = ElementBetween(a, b, 12.0);
    RealMatrix K;
    fem::ElemStiffStat(e, K);
    double scale = 0.0;
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) {
            EXPECT_TRUE(Close(K(i, j), K(j, i), 1e-13, 1e-13 * std::fabs(K(0, 0))));
            scale = std::max(scale, std::fabs(K(i, j)));
        }
    // Three rigid translations and three rigid rotations about the origin.
    for (int mode = 0; mode < 6; ++mode) {
        double u[12] = {};
        if (mode < 3) {
            u[mode] = u[6 + mode] = 1.0;
        } else {
            double w[3] = {0, 0, 0};
            w[mode - 3] = 1e-3;
            const fem::Vec3* p[2] = {&a, &b};
            for (int n = 0; n < 2; ++n) {
                const fem::Vec3& r = *p[n];
                u[6 * n + 0] = w[1] * r[2] - w[2] * r[1];
                u[6 * n + 1] = w[2] * r[0] - w[0] * r[2];
                u[6 * n + 2] = w[0] * r[1] - w[1] * r[0];
                for (int j = 0; j < 3; ++j) u[6 * n + 3 + j] = w[j];
            }
        }
        double unorm = 0.0;
        for (double v : u) unorm = std::max(unorm, std::fabs(v));
        for (int i = 0; i < 12; ++i) {
            double f = 0.0;
            for (int j = 0; j < 12; ++j) f += K(i, j) * u[j];
            EXPECT_LE(std::fabs(f), 1e-11 * scale * unorm * 200) << "mode " << mode << " row " << i;
        }
    }
}

TEST(ElementDynamic, RodMatchesHyperbolicClosedForm) {
    const double c = 5.117e6, Y = 1.649e6, L = 137.0;
    ComplexMatrix k;
    for (cd s : {cd(5000, 0), cd(5000, numeric::TwoPi * 1000 * 37), cd(200, -3e5)}) {
        fem::RodStiffDyn(c, Y, Complex{s.real(), s.imag()}, L, k);
        const cd lam = s * L / c;
        const cd diag = Y * s / c / std::tanh(lam);
        const cd off = -Y * s / c / std::sinh(lam);
        EXPECT_TRUE(Close(ToStd(k(0, 0)), diag, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(1, 1)), diag, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(0, 1)), off, 1e-12));
        EXPECT_TRUE(Close(ToStd(k(1, 0)), off, 1e-12));
        if (s.imag() == 0.0) {
            EXPECT_EQ(k(0, 1).im, 0.0);
        }
    }
}

TEST(ElementDynamic, BeamMatchesClassicalClampedClampedStiffness) {
    const fem::ElementRecord e = ElementBetween({0, 0, 0}, {100, 0, 0});
    const double m = testsupport::MassPerLength(e);
    ComplexMatrix k;
    // From low to high frequency; at the last point |kappa L| is about 35.
    for (cd s :
         {cd(5000, 0), cd(5000, numeric::TwoPi * 1000 * 3), cd(5000, numeric::TwoPi * 1000 * 37),
          cd(5000, numeric::TwoPi * 1000 * 256), cd(-300, 2e4)}) {
        cd expected[4][4];
        ClassicalBeam(s, e.EIz, m, e.Length, expected);
        for (int plane = 0; plane < 2; ++plane) {
            fem::BeamStiffDyn(e.BendCoefZ, e.EIz, Complex{s.real(), s.imag()}, e.Length, plane, k);
            const double scale = MaxAbs(k);
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    // Plane 1 bends in local x-z, where a positive rotation about y turns a
                    // positive deflection into a negative slope.
                    const cd want =
                        (plane == 1 && (i + j) % 2 == 1) ? -expected[i][j] : expected[i][j];
                    EXPECT_TRUE(Close(ToStd(k(i, j)), want, 1e-9, 1e-10 * scale))
                        << "s " << s << " plane " << plane << " (" << i << "," << j << ")";
                }
        }
    }
}

TEST(ElementDynamic, SymmetricEverywhereAndRealAtRealS) {
    const fem::ElementRecord e = ElementBetween({10, -20, 5}, {70, 40, 95});
    ComplexMatrix K;
    for (cd s : {cd(5000, 0), cd(12.5, 0), cd(5000, 2.3e5), cd(800, -7e3)}) {
        fem::ElemStiffDyn(Complex{s.real(), s.imag()}, e, K);
        const double scale = MaxAbs(K);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j) {
                EXPECT_TRUE(Close(ToStd(K(i, j)), ToStd(K(j, i)), 1e-9, 1e-11 * scale));
                if (s.imag() == 0.0) {
                    EXPECT_LE(std::fabs(K(i, j).im), 1e-10 * scale);
                }
            }
    }
}

// K(s) = K + s^2 M + O(s^4): the consistent mass matrices of rod, torsion and cubic beam.
TEST(ElementDynamic, TendsToStaticPlusConsistentMassAsSGoesToZero) {
    const fem::ElementRecord e = ElementBetween({0, 0, 0}, {100, 0, 0});  // local = global axes
    const double L = e.Length, m = testsupport::MassPerLength(e);
    const double mJ = e.Density * e.PolarJ / fem::kGravity;  // polar mass moment per length
    double M[12][12] = {};
    auto rod = [&](int a, int b, double mass) {
        M[a][a] = M[b][b] = mass * L / 3.0;
        M[a][b] = M[b][a] = mass * L / 6.0;
    };
    rod(0, 6, m);
    rod(3, 9, mJ);
    const double beam[4][4] = {{156, 22 * L, 54, -13 * L},
                               {22 * L, 4 * L * L, 13 * L, -3 * L * L},
                               {54, 13 * L, 156, -22 * L},
                               {-13 * L, -3 * L * L, -22 * L, 4 * L * L}};
    const int plane0[4] = {1, 5, 7, 11}, plane1[4] = {2, 4, 8, 10};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            M[plane0[i]][plane0[j]] = m * L / 420.0 * beam[i][j];
            M[plane1[i]][plane1[j]] = m * L / 420.0 * beam[i][j] * ((i + j) % 2 ? -1 : 1);
        }
    RealMatrix Ks;
    fem::ElemStiffStat(e, Ks);
    ComplexMatrix Kd;
    for (cd s : {cd(200, 0), cd(120, 160)}) {
        fem::ElemStiffDyn(Complex{s.real(), s.imag()}, e, Kd);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j) {
                const cd mass = s * s * M[i][j];
                const cd diff = testsupport::ToStd(Kd(i, j)) - Ks(i, j);
                EXPECT_TRUE(Close(diff, mass, 2e-3, 1e-9 * std::fabs(Ks(i, j))))
                    << "s " << s << " (" << i << "," << j << ")";
            }
    }
}

TEST(ElementDynamic, OverflowOfALongSlenderElementRaisesAFailure) {
    const fem::ElementRecord e = ElementBetween({0, 0, 0}, {5000, 0, 0}, 5.0);
    ComplexMatrix K;
    EXPECT_THROW(fem::ElemStiffDyn(Complex{5000, numeric::TwoPi * 1000 * 256}, e, K),
                 numeric::ComputationFailure);
}

}  // namespace
