#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "numeric/failure.h"
#include "numeric/fft.h"

using namespace numeric;

namespace {

// Direct transform at index j with the standard library's complex type.
std::complex<double> DirectDft(const std::vector<Complex>& x, int j, int sign) {
    const int n = static_cast<int>(x.size());
    std::complex<double> s = 0;
    for (int k = 0; k < n; ++k) {
        const double a =
            sign * 2.0 * M_PI * static_cast<double>((static_cast<long long>(j) * k) % n) / n;
        s +=
            std::complex<double>(x[k].re, x[k].im) * std::complex<double>(std::cos(a), std::sin(a));
    }
    return s;
}

// Every index for short transforms; for long ones the first, last and a spread of others.
std::vector<int> IndicesToCheck(int n) {
    std::vector<int> idx;
    if (n <= 512) {
        for (int j = 0; j < n; ++j) idx.push_back(j);
    } else {
        for (int j = 0; j < 8; ++j) idx.push_back(j);
        for (int j = 8; j < n; j += n / 32 + 7) idx.push_back(j);
        idx.push_back(n / 2);
        idx.push_back(n - 1);
    }
    return idx;
}

}  // namespace

TEST(Fft, UnitImpulseAndSingleFrequency) {
    const int n = 8;
    std::vector<double> C;
    BuildCosTable(n, C);
    std::vector<Complex> x(n);
    x[0] = {1, 0};
    FftForward(n, x.data(), C);
    for (const Complex& v : x) {
        EXPECT_NEAR(v.re, 1.0, 1e-15);
        EXPECT_NEAR(v.im, 0.0, 1e-15);
    }
    InverseDft(n, x.data(), C);
    EXPECT_NEAR(x[0].re, 1.0, 1e-15);
    for (int j = 1; j < n; ++j)
        EXPECT_NEAR(std::abs(std::complex<double>(x[j].re, x[j].im)), 0.0, 1e-15);

    // x(k) = e^(2 pi i k / 8) has all its energy at index 1.
    for (int k = 0; k < n; ++k) x[k] = {std::cos(2 * M_PI * k / n), std::sin(2 * M_PI * k / n)};
    FftForward(n, x.data(), C);
    for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(x[j].re, j == 1 ? 8.0 : 0.0, 1e-13);
        EXPECT_NEAR(x[j].im, 0.0, 1e-13);
    }
    std::vector<Complex> y(n);
    y[1] = {1, 0};
    InverseDft(n, y.data(), C);
    for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(y[j].re, std::cos(2 * M_PI * j / n) / 8, 1e-15);
        EXPECT_NEAR(y[j].im, std::sin(2 * M_PI * j / n) / 8, 1e-15);
    }
}

TEST(Fft, MatchesDirectTransformForEveryLength) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 4; n <= 8192; n *= 2) {
        std::vector<Complex> x(n);
        for (auto& v : x) v = {u(rng), u(rng)};
        std::vector<double> C;
        BuildCosTable(n, C);
        std::vector<Complex> f = x;
        FftForward(n, f.data(), C);
        std::vector<Complex> g = x;
        InverseDft(n, g.data(), C);
        double worstF = 0;
        double worstI = 0;
        for (int j : IndicesToCheck(n)) {
            worstF = std::max(
                worstF, std::abs(DirectDft(x, j, -1) - std::complex<double>(f[j].re, f[j].im)));
            worstI = std::max(worstI, std::abs(DirectDft(x, j, +1) / double(n) -
                                               std::complex<double>(g[j].re, g[j].im)));
        }
        EXPECT_LT(worstF, 1e-12 * n) << "n = " << n;
        EXPECT_LT(worstI, 1e-14 * n) << "n = " << n;

        double worst = 0;
        InverseDft(n, f.data(), C);  // round trip
        for (int j = 0; j < n; ++j)
            worst = std::max(worst, std::hypot(f[j].re - x[j].re, f[j].im - x[j].im));
        EXPECT_LT(worst, 1e-13) << "n = " << n;
    }
}

TEST(Fft, RejectsLengthsItCannotTransform) {
    std::vector<double> C(4, 1.0);
    std::vector<Complex> x(12);
    EXPECT_THROW(FftForward(12, x.data(), C), ComputationFailure);
    EXPECT_THROW(FftForward(2, x.data(), C), ComputationFailure);
    std::vector<double> shortTable(2, 1.0);
    EXPECT_THROW(FftForward(16, x.data(), shortTable), ComputationFailure);
}
