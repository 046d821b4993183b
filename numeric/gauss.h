#pragma once
// Gaussian elimination with column pivoting, the complex inverse and small
// matrix products. Failures raise numeric::ComputationFailure.
#include <vector>

#include "complex.h"
#include "matrix.h"

namespace numeric {

class YieldHook;

// Work arrays of the solvers; keep one alive across calls to avoid allocation.
struct SolverWork {
    std::vector<int> perm;
    std::vector<Complex> y;
    std::vector<double> yReal;
};

// Solves A x = b for order n; A and b are overwritten. Yields once per pivot row
// through hook (when given). Error 10 on an exactly zero pivot. Returns 0.
int GaussSolveComplex(int n, ComplexMatrix& A, std::vector<Complex>& b, std::vector<Complex>& x,
                      YieldHook* hook = nullptr, SolverWork* work = nullptr);

// The same for doubles; a zero pivot fails as a division by zero (error 11).
int GaussSolveReal(int n, RealMatrix& A, std::vector<double>& b, std::vector<double>& x,
                   SolverWork* work = nullptr);

// Replaces the n x n matrix A by its inverse.
void InvertComplex(int n, ComplexMatrix& A);

// C = P Q for n x n matrices; C must not be P or Q.
void MatMulComplex(int n, ComplexMatrix& C, const ComplexMatrix& P, const ComplexMatrix& Q);

// y = A x for order n; y must not be x.
void MatVecReal(int n, double* y, const RealMatrix& A, const double* x);
void MatVecComplex(int n, Complex* y, const ComplexMatrix& A, const Complex* x);

}  // namespace numeric
