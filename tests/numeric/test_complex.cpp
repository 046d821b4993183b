#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numeric/complex.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/gauss.h"

using namespace numeric;

namespace {

int FailureNumber(void (*f)()) {
    try {
        f();
    } catch (const ComputationFailure& e) {
        return e.Number();
    }
    return -1;
}

}  // namespace

TEST(Constants, TwoPiIsTwicePi) {
    EXPECT_EQ(TwoPi, 6.283185307179586);
    EXPECT_EQ(Pi, M_PI);
    EXPECT_STREQ(NL, "\r\n");
}

TEST(ComplexArithmetic, BasicOperationsMatchHandValues) {
    const Complex a{3.0, -2.0};
    const Complex b{-1.5, 4.0};
    Complex s = CAdd(a, b);
    EXPECT_EQ(s.re, 1.5);
    EXPECT_EQ(s.im, 2.0);
    Complex d = CSub(a, b);
    EXPECT_EQ(d.re, 4.5);
    EXPECT_EQ(d.im, -6.0);
    // (3 - 2i)(-1.5 + 4i) = -4.5 + 12i + 3i + 8 = 3.5 + 15i
    Complex p = CMul(a, b);
    EXPECT_EQ(p.re, 3.5);
    EXPECT_EQ(p.im, 15.0);
    // (3.5 + 15i) / (-1.5 + 4i) = a
    Complex q = CDiv(p, b);
    EXPECT_NEAR(q.re, 3.0, 1e-15);
    EXPECT_NEAR(q.im, -2.0, 1e-15);
    Complex t = a;
    CAddTo(t, b);
    EXPECT_EQ(t.re, 1.5);
    EXPECT_EQ(t.im, 2.0);
    EXPECT_EQ(CScale(2.0, a).im, -4.0);
    EXPECT_EQ(CNeg(a).re, -3.0);
    EXPECT_EQ(CConj(a).im, 2.0);
    EXPECT_EQ(CAbs(Complex{3.0, 4.0}), 5.0);
    // Division by i: 1 / i = -i.
    Complex r = CDiv(Complex{1, 0}, Complex{0, 1});
    EXPECT_EQ(r.re, 0.0);
    EXPECT_EQ(r.im, -1.0);
}

TEST(ComplexArithmetic, MultiplicationMayOverwriteItsOperand) {
    Complex a{1.0, 2.0};
    a = CMul(a, a);  // (1 + 2i)^2 = -3 + 4i
    EXPECT_EQ(a.re, -3.0);
    EXPECT_EQ(a.im, 4.0);
    Complex b{0.5, -1.0};
    Complex c{2.0, 3.0};
    c = CMul(b, c);  // (0.5 - i)(2 + 3i) = 1 + 1.5i - 2i + 3 = 4 - 0.5i
    EXPECT_EQ(c.re, 4.0);
    EXPECT_EQ(c.im, -0.5);
}

TEST(ComplexArithmetic, PolarArgumentInEveryQuadrantAndOnTheAxes) {
    struct Case {
        double re, im, modulus, angle;
    } cases[] = {
        {1, 0, 1, 0},
        {-1, 0, 1, M_PI},
        {0, 2, 2, M_PI / 2},
        {0, -2, 2, 3 * M_PI / 2},
        {0, 0, 0, 0},
        {1, 1, std::sqrt(2.0), M_PI / 4},
        {-1, 1, std::sqrt(2.0), 3 * M_PI / 4},
        {-1, -1, std::sqrt(2.0), 5 * M_PI / 4},
        {1, -1, std::sqrt(2.0), 7 * M_PI / 4},
        {-std::sqrt(3.0), 1, 2, 5 * M_PI / 6},
        {0.5, -std::sqrt(3.0) / 2, 1, 5 * M_PI / 3},
    };
    for (const Case& c : cases) {
        double angle = -99;
        const double r = CPolar(Complex{c.re, c.im}, angle);
        EXPECT_NEAR(r, c.modulus, 1e-15) << c.re << "," << c.im;
        EXPECT_NEAR(angle, c.angle, 1e-14) << c.re << "," << c.im;
        EXPECT_GE(angle, 0.0);
        EXPECT_LT(angle, 2 * M_PI);
    }
}

TEST(ComplexArithmetic, ExponentialAndHyperbolicFunctions) {
    // e^(1 + i pi/3) = e (1/2 + i sqrt(3)/2)
    Complex e = CExp(Complex{1.0, M_PI / 3});
    EXPECT_NEAR(e.re, std::exp(1.0) * 0.5, 1e-15);
    EXPECT_NEAR(e.im, std::exp(1.0) * std::sqrt(3.0) / 2, 1e-15);
    // sinh(x + iy) = sinh x cos y + i cosh x sin y, cosh(x + iy) = cosh x cos y + i sinh x sin y
    const double x = 0.7;
    const double y = -2.3;
    Complex s = CSinh(Complex{x, y});
    Complex c = CCosh(Complex{x, y});
    EXPECT_NEAR(s.re, std::sinh(x) * std::cos(y), 1e-15);
    EXPECT_NEAR(s.im, std::cosh(x) * std::sin(y), 1e-15);
    EXPECT_NEAR(c.re, std::cosh(x) * std::cos(y), 1e-15);
    EXPECT_NEAR(c.im, std::sinh(x) * std::sin(y), 1e-15);
    // Real arguments give exactly real results.
    Complex sr = CSinh(Complex{1.25, 0.0});
    EXPECT_EQ(sr.im, 0.0);
    EXPECT_NEAR(sr.re, std::sinh(1.25), 1e-15);
    Complex c0 = CCosh(Complex{0.0, 0.0});
    EXPECT_EQ(c0.re, 1.0);
    EXPECT_EQ(c0.im, 0.0);
}

// Squaring 1E200 or 1E-200 overflows or underflows; the modulus and the quotient must not.
TEST(ComplexArithmetic, ModulusAndDivisionOfHugeAndTinyOperands) {
    EXPECT_DOUBLE_EQ(CAbs(Complex{3e200, -4e200}), 5e200);
    EXPECT_DOUBLE_EQ(CAbs(Complex{-3e-200, 4e-200}), 5e-200);
    double angle = 0.0;
    EXPECT_DOUBLE_EQ(CPolar(Complex{0.0, -2e300}, angle), 2e300);
    const struct {
        Complex a, b, quotient;
    } cases[] = {
        {{1e300, 1e300}, {1e300, -1e300}, {0.0, 1.0}},  // (1 + i) / (1 - i) = i
        {{1.0, 0.0}, {1e-200, 1e-200}, {5e199, -5e199}},
        {{3e-300, 4e-300}, {0.0, 1e-10}, {4e-290, -3e-290}},
        {{1e300, 1e300}, {0.0, 1e10}, {1e290, -1e290}},  // the products a b* overflow
    };
    for (const auto& c : cases) {
        const Complex q = CDiv(c.a, c.b);
        EXPECT_NEAR(q.re, c.quotient.re, 1e-15 * CAbs(c.quotient)) << c.a.re << " / " << c.b.re;
        EXPECT_NEAR(q.im, c.quotient.im, 1e-15 * CAbs(c.quotient)) << c.a.re << " / " << c.b.re;
    }
    // The complex solver pivots on such moduli: [[1, 2], [3, 4i]] 1E200 x = (1, 1) 1E200.
    ComplexMatrix A(2, 2);
    A(0, 0) = {1e200, 0};
    A(0, 1) = {2e200, 0};
    A(1, 0) = {3e200, 0};
    A(1, 1) = {0, 4e200};
    std::vector<Complex> b = {{1e200, 0}, {1e200, 0}}, x(2);
    GaussSolveComplex(2, A, b, x);
    // By hand: det = 4i - 6, x0 = (4i - 2) / det = (7 - 4i) / 13, x1 = -2 / det = (3 + 2i) / 13.
    EXPECT_NEAR(x[0].re, 7.0 / 13, 1e-15);
    EXPECT_NEAR(x[0].im, -4.0 / 13, 1e-15);
    EXPECT_NEAR(x[1].re, 3.0 / 13, 1e-15);
    EXPECT_NEAR(x[1].im, 2.0 / 13, 1e-15);
}

TEST(ComplexArithmetic, FailuresRaiseInsteadOfReturningInfinityOrNaN) {
    EXPECT_EQ(FailureNumber([] { (void)CDiv(Complex{1, 0}, Complex{0, 0}); }), kZeroPivot);
    EXPECT_EQ(FailureNumber([] { (void)CExp(Complex{710.0, 0.5}); }), kOverflow);
    EXPECT_EQ(FailureNumber([] { (void)CSinh(Complex{800.0, 0.0}); }), kOverflow);
    EXPECT_EQ(FailureNumber([] { (void)CCosh(Complex{-800.0, 1.0}); }), kOverflow);
    EXPECT_EQ(FailureNumber([] { (void)CMul(Complex{1e200, 0}, Complex{1e200, 0}); }), kOverflow);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(FailureNumber([] {
                  (void)CAdd(Complex{std::numeric_limits<double>::quiet_NaN(), 0}, Complex{});
              }),
              kInvalidArgument);
    (void)nan;
    // Just below the overflow threshold still works.
    EXPECT_NO_THROW((void)CExp(Complex{709.0, 0.0}));
    // A quotient beyond the range of doubles, and a tiny but nonzero divisor that is fine.
    EXPECT_EQ(FailureNumber([] { (void)CDiv(Complex{1e300, 0}, Complex{1e-300, 0}); }), kOverflow);
    EXPECT_EQ(FailureNumber([] { (void)CDiv(Complex{1, 0}, Complex{0, -0.0}); }), kZeroPivot);
    EXPECT_EQ(FailureNumber([] {
                  (void)CDiv(Complex{1, 0}, Complex{std::numeric_limits<double>::quiet_NaN(), 1});
              }),
              kInvalidArgument);
    EXPECT_EQ(FailureNumber([] {
                  (void)CAbs(Complex{std::numeric_limits<double>::infinity(), 1});
              }),
              kOverflow);
}
