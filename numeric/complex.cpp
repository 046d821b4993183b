#include "complex.h"

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

}  // namespace

Complex CMake(double x, double y) {
    return Checked(x, y, "CMake");
}

Complex CAdd(const Complex& a, const Complex& b) {
    return Checked(a.re + b.re, a.im + b.im, "CAdd");
}

void CAddTo(Complex& a, const Complex& b) {
    a.re += b.re;
    CheckFinite(a.re, "CAddTo");
    a.im += b.im;
    CheckFinite(a.im, "CAddTo");
}

Complex CSub(const Complex& a, const Complex& b) {
    return Checked(a.re - b.re, a.im - b.im, "CSub");
}

Complex CMul(const Complex& a, const Complex& b) {
    const Complex t = a;  // the result may be stored over either operand
    return Checked(b.re * t.re - b.im * t.im, b.im * t.re + t.im * b.re, "CMul");
}

Complex CDiv(const Complex& a, const Complex& b) {
    const double d = b.re * b.re + b.im * b.im;
    CheckFinite(d, "CDiv");
    if (d == 0.0) throw ComputationFailure(kZeroPivot, "complex division by zero");
    return Checked((a.im * b.im + a.re * b.re) / d, (a.im * b.re - a.re * b.im) / d, "CDiv");
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
    const double r = std::sqrt(a.re * a.re + a.im * a.im);
    CheckFinite(r, "CAbs");
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
    CheckFinite(e, "CExp");
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
    CheckFinite(ep, "CSinh");
    CheckFinite(em, "CSinh");
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
    CheckFinite(ep, "CCosh");
    CheckFinite(em, "CCosh");
    return Checked((ep + em) * 0.5, 0.0, "CCosh");
}

}  // namespace numeric
