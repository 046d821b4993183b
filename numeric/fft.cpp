#include "fft.h"

#include <cmath>
#include <utility>

#include "constants.h"
#include "failure.h"

namespace numeric {
namespace {

void CheckOrder(int n, const std::vector<double>& C) {
    if (n < 4 || (n & (n - 1)) != 0)
        throw ComputationFailure(kOutOfRange, "FFT length must be a power of two of at least 4");
    if (C.size() < static_cast<size_t>(n / 4 + 1))
        throw ComputationFailure(kOutOfRange, "FFT cosine table too short");
}

}  // namespace

void BuildCosTable(int n, std::vector<double>& C) {
    C.resize(n / 4 + 1);
    for (int i = 0; i <= n / 4; ++i) C[i] = std::cos(TwoPi * i / n);
}

void FftForward(int n, Complex* x, const std::vector<double>& C) {
    CheckOrder(n, C);
    const int q1 = n / 4;
    const int q2 = 2 * q1;
    const int q3 = 3 * q1;
    int half = n;
    int groups = 1;
    while (half > 1) {
        half /= 2;
        int offset = 0;
        for (int g = 0; g < groups; ++g) {
            int u = 0;
            for (int l = 0; l < half; ++l) {
                const int i1 = offset + l;
                const int i2 = i1 + half;
                // Twiddle factor exp(-2*pi*i*u/n) from the table, by quadrant.
                double wr;
                double wi;
                if (u < q1) {
                    wr = C[u];
                    wi = -C[q1 - u];
                } else if (u < q2) {
                    const int d = u - q1;
                    wr = -C[q1 - d];
                    wi = -C[d];
                } else if (u < q3) {
                    const int d = u - q2;
                    wr = -C[d];
                    wi = C[q1 - d];
                } else {
                    const int d = u - q3;
                    wr = C[q1 - d];
                    wi = C[d];
                }
                const double tr = x[i1].re - x[i2].re;
                const double ti = x[i1].im - x[i2].im;
                x[i1].re += x[i2].re;
                x[i1].im += x[i2].im;
                x[i2].re = tr * wr - ti * wi;
                x[i2].im = tr * wi + ti * wr;
                u += groups;
            }
            offset += 2 * half;
        }
        groups *= 2;
    }
    // Bit reversal.
    for (int g = 1, j = 0; g < n; ++g) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (g < j) std::swap(x[g], x[j]);
    }
    for (int i = 0; i < n; ++i) {
        CheckFinite(x[i].re, "the Fourier transform");
        CheckFinite(x[i].im, "the Fourier transform");
    }
}

void InverseDft(int n, Complex* x, const std::vector<double>& C) {
    FftForward(n, x, C);
    const double s = 1.0 / n;
    for (int i = 0; i < n; ++i) {
        x[i].re *= s;
        x[i].im *= s;
    }
    for (int j = 1; j < n / 2; ++j) std::swap(x[j], x[n - j]);
}

}  // namespace numeric
