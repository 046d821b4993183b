// Numerical inverse Laplace transform: the unit step 1/s against a direct evaluation of
// the Hann-weighted Fourier series, a zero spectrum, and when the tables are rebuilt.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "analysis/engine.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

using testsupport::cd;
using testsupport::Close;

const long double kPi = 3.14159265358979323846264338327950288L;

// Parameters as an analysis leaves them, without running one.
void SetParameters(int Nw, double Te, double gammaTe) {
    fem::AnalysisState& a = fem::Analysis();
    a.Nw = Nw;
    a.Te = Te;
    a.GammaTe = gammaTe;
    a.Gamma = gammaTe / Te;
    a.TablesReady = false;
    fem::BuildTables();
}

cd PointOf(int k) {
    const fem::AnalysisState& a = fem::Analysis();
    return {a.Gamma, 2.0 * static_cast<double>(kPi) * k / a.Te};
}

// (e^(gamma t_j) / Te) sum_{k=-N/2+1}^{N/2} W(|k|) F(s_k) e^(i 2 pi k j / N), F(s_-k) = conj
// F(s_k), summed term by term in long double.
double DirectSeries(int j, const std::complex<long double>* F, int N, double Te, double gammaTe) {
    long double sum = 0.0L;
    for (int k = 0; k <= N / 2; ++k) {
        const long double w = (std::cos(2.0L * kPi * k / N) + 1.0L) * 0.5L;
        const std::complex<long double> e = std::polar(1.0L, 2.0L * kPi * k * j / N);
        const long double term = w * std::real(F[k] * e);
        sum += (k == 0 || k == N / 2) ? term : 2.0L * term;
    }
    return static_cast<double>(std::exp(static_cast<long double>(gammaTe) * j / N) * sum / Te);
}

TEST(InverseTransform, UnitStepOneOverS) {
    const int N = 512;
    const double Te = 0.001, gammaTe = 5.0;
    SetParameters(N, Te, gammaTe);
    fem::AnalysisState& a = fem::Analysis();
    std::complex<long double> F[N / 2 + 1];
    for (int k = 0; k <= N / 2; ++k) {
        const cd v = 1.0 / PointOf(k);
        a.ForceSpectrum(3, k) = numeric::Complex{v.real(), v.imag()};
        F[k] = {v.real(), v.imag()};
    }
    numeric::RealMatrix out(12, N);
    fem::InvertSpectrum(3, out);
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
    SetParameters(1024, 0.005, 6.0);
    numeric::RealMatrix out(12, 1024);
    out.Fill(3.0);
    fem::InvertSpectrum(0, out);
    for (int j = 0; j < 1024; ++j) EXPECT_EQ(out(0, j), 0.0) << j;
    EXPECT_EQ(out(1, 0), 3.0);
}

TEST(InverseTransform, TablesFollowTheLastAnalysisOnly) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    fem::AnalysisState& a = fem::Analysis();
    ASSERT_EQ(fem::RunAnalysis(m, 256, 5, st.Te, 0).Dynamic, "");
    EXPECT_FALSE(a.TablesReady);
    numeric::RealMatrix first;
    fem::ElementForceHistory(m, 1, first, 1);
    ASSERT_TRUE(a.TablesReady);
    EXPECT_EQ(a.FftWork.size(), 256u);
    EXPECT_EQ(a.CosTable.size(), 65u);
    EXPECT_EQ(a.HannWeight.size(), 129u);
    EXPECT_EQ(a.ForceSpectrum.Cols(), 129);
    EXPECT_EQ(a.ExpGrowth[0], 1.0);
    EXPECT_TRUE(Close(a.ExpGrowth[255], std::exp(5.0 * 255 / 256), 1e-14));
    EXPECT_EQ(a.HannWeight[0], 1.0);
    EXPECT_NEAR(a.HannWeight[128], 0.0, 1e-16);

    // A second computation of the same analysis uses the tables as they are: a marked
    // growth factor at t_0 shows in the result.
    a.ExpGrowth[0] = 2.0;
    numeric::RealMatrix second;
    fem::ElementForceHistory(m, 1, second, 1);
    EXPECT_EQ(a.ExpGrowth[0], 2.0);
    EXPECT_DOUBLE_EQ(second(6, 0), 2.0 * first(6, 0));
    EXPECT_DOUBLE_EQ(second(6, 100), first(6, 100));

    // A new analysis with another Nw rebuilds them at the new size.
    ASSERT_EQ(fem::RunAnalysis(m, 512, 5, st.Te, 0).Dynamic, "");
    EXPECT_FALSE(a.TablesReady);
    numeric::RealMatrix third;
    fem::ElementForceHistory(m, 1, third, 1);
    EXPECT_EQ(a.FftWork.size(), 512u);
    EXPECT_EQ(a.ExpGrowth[0], 1.0);
    EXPECT_EQ(third.Cols(), 512);

    // Inverting without tables is refused.
    a.TablesReady = false;
    EXPECT_THROW(fem::InvertSpectrum(0, third), numeric::ComputationFailure);
}

}  // namespace
