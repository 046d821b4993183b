#include "complex.h"

#include <algorithm>
#include <cmath>

#include "constants.h"
#include "failure.h"

namespace numeric {
namespace {

inline Complex Checked(double re, double im, const char* where) {
    CheckFinite(re, where);
    CheckFinite(im, where);
    return Complex{re, im};
}

// Squared moduli inside [kSquareLow, kSquareHigh] neither overflowed nor lost digits to
// underflow, so the square root of the sum of squares is the modulus to rounding.
constexpr double kSquareLow = 0x1p-900;
constexpr double kSquareHigh = 0x1p+1000;
constexpr double kModulusLow = 0x1p-450;  // its square is kSquareLow

// a / b for operands of any size: both are brought to moduli near 1 by powers of two
// (exact), divided, and the result scaled back by the difference of the exponents.
Complex ScaledDiv(const Complex& a, const Complex& b) {
    CheckFinite(b.re, "a complex division");
    CheckFinite(b.im, "a complex division");
    CheckFinite(a.re, "a complex division");
    CheckFinite(a.im, "a complex division");
    const double mb = std::max(std::fabs(b.re), std::fabs(b.im));
    if (mb == 0.0) throw ComputationFailure(kZeroPivot, "complex division by zero");
    const double ma = std::max(std::fabs(a.re), std::fabs(a.im));
    if (ma == 0.0) return Complex{};
    const int eb = std::ilogb(mb);
    const int ea = std::ilogb(ma);
    const double br = std::scalbn(b.re, -eb), bi = std::scalbn(b.im, -eb);
    const double ar = std::scalbn(a.re, -ea), ai = std::scalbn(a.im, -ea);
    const double d = br * br + bi * bi;  // in [1, 8)
    const double re = (ai * bi + ar * br) / d;
    const double im = (ai * br - ar * bi) / d;
    return Checked(std::scalbn(re, ea - eb), std::scalbn(im, ea - eb), "CDiv");
}

}  // namespace

Complex CMake(double x, double y) {
    return Checked(x, y, "CMake");
}

Complex CAdd(const Complex& a, const Complex& b) {
    return Checked(a.re + b.re, a.im + b.im, "CAdd");
}

void CAddTo(Complex& a, const Complex& b) {
    a.re += b.re;
    CheckFinite(a.re, "a complex sum");
    a.im += b.im;
    CheckFinite(a.im, "a complex sum");
}

Complex CSub(const Complex& a, const Complex& b) {
    return Checked(a.re - b.re, a.im - b.im, "CSub");
}

Complex CMul(const Complex& a, const Complex& b) {
    const Complex t = a;  // the result may be stored over either operand
    return Checked(b.re * t.re - b.im * t.im, b.im * t.re + t.im * b.re, "CMul");
}

Complex CDiv(const Complex& a, const Complex& b) {
    // The textbook formula whenever |b|^2 lies well inside the range of doubles, a is not
    // so small that the products a b* lose digits to underflow, and the numerators stay
    // finite: the common case, and the same digits as ever.
    const double d = b.re * b.re + b.im * b.im;
    const double na = std::fabs(a.re) + std::fabs(a.im);
    if (d >= kSquareLow && d <= kSquareHigh && na >= kModulusLow) {
        const double re = (a.im * b.im + a.re * b.re) / d;
        const double im = (a.im * b.re - a.re * b.im) / d;
        if (std::isfinite(re) && std::isfinite(im)) return Complex{re, im};
    }
    return ScaledDiv(a, b);
}

Complex CScale(double x, const Complex& a) {
    return Checked(x * a.re, a.im * x, "CScale");
}

Complex CNeg(const Complex& a) {
    return Complex{-a.re, -a.im};
}

Complex CConj(const Complex& a) {
    return Complex{a.re, -a.im};
}

double CAbs(const Complex& a) {
    const double r2 = a.re * a.re + a.im * a.im;
    if (r2 >= kSquareLow && r2 <= kSquareHigh) return std::sqrt(r2);
    // |a|^2 overflowed or underflowed although |a| may not: without squaring.
    const double r = std::hypot(a.re, a.im);
    CheckFinite(r, "a complex magnitude");
    return r;
}

double CPolar(const Complex& a, double& angle) {
    const double r = CAbs(a);
    const double re = a.re;
    const double im = a.im;
    if (re == 0.0) {
        angle = im > 0.0 ? Pi / 2.0 : (im < 0.0 ? 3.0 * Pi / 2.0 : 0.0);
    } else if (im == 0.0) {
        angle = re > 0.0 ? 0.0 : Pi;
    } else if (re > 0.0 && im > 0.0) {
        angle = std::atan(im / re);
    } else if (re < 0.0 && im > 0.0) {
        angle = Pi - std::atan(std::fabs(im / re));
    } else if (re < 0.0 && im < 0.0) {
        angle = Pi + std::atan(im / re);
    } else {
        angle = 2.0 * Pi - std::atan(std::fabs(im / re));
    }
    return r;
}

Complex CExp(const Complex& a) {
    const double e = std::exp(a.re);
    CheckFinite(e, "a complex exponential");
    return Checked(e * std::cos(a.im), e * std::sin(a.im), "CExp");
}

Complex CSinh(const Complex& a) {
    if (a.im != 0.0) {
        const Complex ep = CExp(a);
        const Complex em = CExp(Complex{-a.re, -a.im});
        return Checked((ep.re - em.re) * 0.5, (ep.im - em.im) * 0.5, "CSinh");
    }
    const double ep = std::exp(a.re);
    const double em = std::exp(-a.re);
    CheckFinite(ep, "a hyperbolic sine");
    CheckFinite(em, "a hyperbolic sine");
    return Checked((ep - em) / 2.0, 0.0, "CSinh");
}

Complex CCosh(const Complex& a) {
    if (a.im != 0.0) {
        const Complex ep = CExp(a);
        const Complex em = CExp(Complex{-a.re, -a.im});
        return Checked((em.re + ep.re) * 0.5, (em.im + ep.im) * 0.5, "CCosh");
    }
    const double ep = std::exp(a.re);
    const double em = std::exp(-a.re);
    CheckFinite(ep, "a hyperbolic cosine");
    CheckFinite(em, "a hyperbolic cosine");
    return Checked((ep + em) * 0.5, 0.0, "CCosh");
}

}  // namespace numeric
