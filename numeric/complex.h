#pragma once
// Complex arithmetic of the Laplace-domain analysis. Every operation returns a new
// value (except CAddTo) and raises numeric::ComputationFailure instead of producing
// an infinity or a NaN.

namespace numeric {

struct Complex {
    double re = 0.0;
    double im = 0.0;
};

Complex CMake(double x, double y);
Complex CAdd(const Complex& a, const Complex& b);
void CAddTo(Complex& a, const Complex& b);  // a <- a + b
Complex CSub(const Complex& a, const Complex& b);
Complex CMul(const Complex& a, const Complex& b);
// a / b for operands of any magnitude (no intermediate square overflows); error 10 when
// b = (0, 0), a failure when the quotient itself overflows.
Complex CDiv(const Complex& a, const Complex& b);
Complex CScale(double x, const Complex& a);
Complex CNeg(const Complex& a);
Complex CConj(const Complex& a);
double CAbs(const Complex& a);  // the modulus, without overflow of the squares
// Returns the modulus and writes the argument, in [0, 2*pi), to angle.
double CPolar(const Complex& a, double& angle);
Complex CExp(const Complex& a);
Complex CSinh(const Complex& a);
Complex CCosh(const Complex& a);

}  // namespace numeric
