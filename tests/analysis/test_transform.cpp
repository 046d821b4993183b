// Numerical inverse Laplace transform: the unit step 1/s against a direct evaluation of
// the Hann-weighted Fourier series, a zero spectrum, and the settings it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "analysis/histories.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::cd;
using testsupport::Close;

using testsupport::kPiLong;

cd PointOf(int k, double Te, double gammaTe) {
    return {gammaTe / Te, 2.0 * static_cast<double>(kPiLong) * k / Te};
}

// (e^(gamma t_j) / Te) sum_{k=-N/2+1}^{N/2} W(|k|) F(s_k) e^(i 2 pi k j / N), F(s_-k) = conj
// F(s_k), summed term by term in long double.
double DirectSeries(int j, const std::complex<long double>* F, int N, double Te, double gammaTe) {
    long double sum = 0.0L;
    for (int k = 0; k <= N / 2; ++k) {
        const long double w = (std::cos(2.0L * kPiLong * k / N) + 1.0L) * 0.5L;
        const std::complex<long double> e = std::polar(1.0L, 2.0L * kPiLong * k * j / N);
        const long double term = w * std::real(F[k] * e);
        sum += (k == 0 || k == N / 2) ? term : 2.0L * term;
    }
    return static_cast<double>(std::exp(static_cast<long double>(gammaTe) * j / N) * sum / Te);
}

TEST(InverseTransform, UnitStepOneOverS) {
    const int N = 512;
    const double Te = 0.001, gammaTe = 5.0;
    const fem::InverseTransform inverse(testsupport::Settings(N, gammaTe, Te));
    std::complex<long double> F[N / 2 + 1];
    numeric::Complex spectrum[N / 2 + 1];
    for (int k = 0; k <= N / 2; ++k) {
        const cd v = 1.0 / PointOf(k, Te, gammaTe);
        spectrum[k] = numeric::Complex{v.real(), v.imag()};
        F[k] = {v.real(), v.imag()};
    }
    numeric::RealMatrix out(12, N);
    std::vector<numeric::Complex> work(N);
    inverse.Invert(spectrum, 0, work.data(), out.Row(3));
    // The mean across the jump of the periodic continuation at t_0, then 1 + e^-5 (the
    // wrap-around of the next span), and far above 1 just before the jump back.
    EXPECT_NEAR(out(3, 0), 0.5 * (1 + std::exp(-gammaTe)), 2e-3);
    for (int j = 5; j <= 450; ++j) EXPECT_NEAR(out(3, j), 1 + std::exp(-gammaTe), 1e-3) << j;
    EXPECT_GT(out(3, N - 1), 10.0);
    for (int j = 0; j < N; ++j)
        EXPECT_TRUE(Close(out(3, j), DirectSeries(j, F, N, Te, gammaTe), 1e-11, 1e-12)) << j;
    // Other rows are left alone.
    EXPECT_EQ(out(2, 7), 0.0);
    EXPECT_EQ(out(4, 7), 0.0);
}

TEST(InverseTransform, ZeroSpectrumGivesExactZeros) {
    const fem::InverseTransform inverse(testsupport::Settings(1024, 6.0, 0.005));
    numeric::RealMatrix out(12, 1024);
    out.Fill(3.0);
    std::vector<numeric::Complex> zero(513), work(1024);
    inverse.Invert(zero.data(), 0, work.data(), out.Row(0));
    for (int j = 0; j < 1024; ++j) EXPECT_EQ(out(0, j), 0.0) << j;
    EXPECT_EQ(out(1, 0), 3.0);
}

TEST(InverseTransform, RefusesSettingsAndTablesThatDoNotFit) {
    EXPECT_THROW(fem::InverseTransform(testsupport::Settings(300, 5, 0.001)),
                 numeric::ComputationFailure);
    EXPECT_THROW(fem::InverseTransform(testsupport::Settings(256, 5, 0.0)),
                 numeric::ComputationFailure);
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const auto sol = testsupport::Analyse(m, 256, 5, st.Te).Impact;
    ASSERT_TRUE(sol->Complete());
    const fem::InverseTransform other(testsupport::Settings(512, 5, st.Te));
    EXPECT_THROW((void)fem::NodeDisplacementHistory(*sol, 2, other), numeric::ComputationFailure);
}

}  // namespace
