#pragma once
// Radix-2 fast Fourier transform driven by a quarter-period cosine table.
#include <vector>

#include "complex.h"

namespace numeric {

// Fills C(0 .. n/4) with cos(2*pi*i/n).
void BuildCosTable(int n, std::vector<double>& C);

// x(j) <- sum_k x(k) exp(-2*pi*i*j*k/n), in place; n a power of two >= 4.
void FftForward(int n, Complex* x, const std::vector<double>& C);

// x(j) <- (1/n) sum_k x(k) exp(+2*pi*i*j*k/n), in place.
void InverseDft(int n, Complex* x, const std::vector<double>& C);

}  // namespace numeric
