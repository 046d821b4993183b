// The aliasing correction against exact time-domain solutions: the d'Alembert wave
// solution of the fixed-free bar of sample 1 under a step, and a slowly rising load, whose
// images are the risen (static) load; then the second line's spectra, progress, stop and
// memory estimate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "support.h"

namespace {

// Sample 1: a bar of 200 mm (E 21000, weight density 7.86E-06, diameter 10) fixed at x = 0
// and pulled along x by a step of 1 kgf at its free end from t0 = Te / 10.
const double Te = 0.0004, kBarLength = 200.0, t0 = Te / 10;
const double EA = 21000 * numeric::Pi * 100 / 4;
const double kWaveSpeed = std::sqrt(21000 * 9800 / 7.86E-06);
const double kTravelTime = kBarLength / kWaveSpeed;  // travel time of a wave along the bar

// d'Alembert: the free end moves at c / EA per kgf for 2 T, back for 2 T (a triangle wave
// up to 2 L / EA), and the force at the fixed end is 2 kgf from T to 3 T of every 4 T.
double Tip(double t) {
    if (t <= t0) return 0.0;
    const double r = std::fmod(t - t0, 4 * kTravelTime);
    return kWaveSpeed / EA * (r <= 2 * kTravelTime ? r : 4 * kTravelTime - r);
}
double Support(double t) {
    if (t <= t0) return 0.0;
    const double r = std::fmod(t - t0, 4 * kTravelTime);
    return r > kTravelTime && r < 3 * kTravelTime ? 2.0 : 0.0;
}

// Whether t_j lies more than `margin` instants from every corner of f(t), f(t + Te) and
// f(t + 2 Te) (t0 + m T) and from both ends of the span.
bool AwayFromJumps(int j, int Nw, int margin) {
    const double dt = Te / Nw, t = j * dt;
    if (j < margin || j >= Nw - margin) return false;
    for (int n = 0; n <= 2; ++n) {
        const double r =
            std::fmod(t + n * Te - t0 + 8 * kTravelTime, kTravelTime);  // t0 is within 8 T
        if (std::min(r, kTravelTime - r) <= margin * dt) return false;
    }
    return true;
}

// The aliasing error of the single-line inversion at gamma: sum over n >= 1 of
// e^(-n gamma Te) f(t + n Te).
double Aliasing(const std::function<double(double)>& f, double t, double gammaTe) {
    double sum = 0.0;
    for (int n = 1; n < 10; ++n) sum += std::exp(-n * gammaTe) * f(t + n * Te);
    return sum;
}

class AliasingCorrection : public ::testing::Test {
  protected:
    // Sample 1 analysed with the correction; the tip (node 2, ux) and support force
    // (element 0, internal axial force at the fixed end) histories.
    void Analyse(int Nw, double gammaTe, double tau = 0.0) {
        fem::BuildSample(model, 1);
        solution = fem::SolveImpact(model, testsupport::Settings(Nw, gammaTe, Te, tau, true));
        ASSERT_TRUE(solution->Complete());
        tip = fem::NodeDisplacementHistory(*solution, 2);
        support = fem::ElementForceHistory(*solution, 0, fem::ForceAxes::Element);
    }

    fem::Model model;
    std::shared_ptr<const fem::ImpactSolution> solution;
    fem::HistoryResult tip, support;
};

struct Errors {
    double uncorrected = 0, corrected = 0;  // largest, relative to the peak
    double lowRatio = 1e9, highRatio = 0;   // estimate / true aliasing error
};

Errors Measure(const fem::HistoryResult& h, int row, const std::function<double(double)>& exact,
               int Nw, double gammaTe, double peak) {
    Errors e;
    for (int j = 0; j < Nw; ++j) {
        if (!AwayFromJumps(j, Nw, 6)) continue;
        const double t = j * Te / Nw, f = exact(t);
        e.uncorrected = std::max(e.uncorrected, std::fabs(h.Uncorrected(row, j) - f) / peak);
        e.corrected = std::max(e.corrected, std::fabs(h.Corrected(row, j) - f) / peak);
        // Where the aliasing error stands ten times above the window's floor (1E-4).
        const double alias = Aliasing(exact, t, gammaTe);
        if (std::fabs(alias) < 1e-3 * peak) continue;
        const double ratio = h.EstimatedError(row, j) / alias;
        e.lowRatio = std::min(e.lowRatio, ratio);
        e.highRatio = std::max(e.highRatio, ratio);
    }
    return e;
}

TEST_F(AliasingCorrection, StepOnAFixedFreeBar) {
    const int Nw = 512;
    Analyse(Nw, 5.0);
    const Errors u = Measure(tip, 0, Tip, Nw, 5.0, 2 * kBarLength / EA);
    const Errors f = Measure(support, 0, Support, Nw, 5.0, 2.0);
    for (const Errors& e : {u, f}) {
        EXPECT_GT(e.uncorrected, 4e-3);  // e^-5 of the next span, less its zeros
        EXPECT_LT(e.corrected, e.uncorrected / 10);
        EXPECT_GT(e.lowRatio, 0.5);
        EXPECT_LT(e.highRatio, 2.0);
    }
    EXPECT_LT(u.highRatio, 1e9);  // the comparison took place

    // The uncorrected histories are those of an analysis without the correction, bit for
    // bit, and Best() shows the corrected ones.
    EXPECT_EQ(&tip.Best(), &tip.Corrected);
    const auto single = fem::SolveImpact(model, testsupport::Settings(Nw, 5.0, Te));
    ASSERT_TRUE(single->Complete());
    const fem::HistoryResult plain = fem::ElementForceHistory(*single, 0, fem::ForceAxes::Element);
    EXPECT_TRUE(plain.Corrected.Empty());
    EXPECT_TRUE(plain.EstimatedError.Empty());
    for (int c2 = 0; c2 < 12; ++c2)
        for (int j = 0; j < Nw; ++j)
            ASSERT_EQ(plain.Uncorrected(c2, j), support.Uncorrected(c2, j)) << c2 << " " << j;
}

// At gamma Te 2 the second image, -e^(-(2 gamma Te + Delta)) f(t + 2 Te) and its
// successors, stands far above the window's floor: the corrected history minus the exact
// one is that remainder.
TEST_F(AliasingCorrection, WhatRemainsIsTheSecondImage) {
    const int Nw = 2048;
    const double gammaTe = 2.0;
    Analyse(Nw, gammaTe);
    const double a = std::exp(-gammaTe), b = a * std::exp(-fem::kAliasingShift);
    const double peak = 2 * kBarLength / EA;
    double largest = 0.0, mismatch = 0.0;
    for (int j = 0; j < Nw; ++j) {
        if (!AwayFromJumps(j, Nw, 10)) continue;
        const double t = j * Te / Nw;
        double remainder = 0.0;
        for (int n = 2; n < 10; ++n)
            remainder -=
                a * b * (std::pow(a, n - 1) - std::pow(b, n - 1)) / (a - b) * Tip(t + n * Te);
        largest = std::max(largest, std::fabs(remainder));
        mismatch = std::max(mismatch, std::fabs(tip.Corrected(0, j) - Tip(t) - remainder));
    }
    EXPECT_GT(largest, 5e-4 * peak);
    EXPECT_LT(mismatch, 0.02 * largest);
}

// A load rising with time constant 0.1 Te: the end force of element 1 at the loaded node
// is the load itself, P(t) = 1 - e^(-(t - t0) / (0.1 Te)), and its images see it risen.
TEST_F(AliasingCorrection, SlowlyRisingLoad) {
    const int Nw = 512;
    Analyse(Nw, 5.0, 0.1);
    const fem::HistoryResult h = fem::ElementForceHistory(*solution, 1, fem::ForceAxes::Global);
    auto load = [](double t) { return t <= t0 ? 0.0 : 1.0 - std::exp(-(t - t0) / (0.1 * Te)); };
    double uncorrected = 0.0, corrected = 0.0;
    for (int j = 0; j < Nw; ++j) {
        const double t = j * Te / Nw;
        if (std::fabs(t - t0) < 6 * Te / Nw) continue;
        uncorrected = std::max(uncorrected, std::fabs(h.Uncorrected(6, j) - load(t)));
        corrected = std::max(corrected, std::fabs(h.Corrected(6, j) - load(t)));
        const double ratio = h.EstimatedError(6, j) / Aliasing(load, t, 5.0);
        EXPECT_GT(ratio, 0.5) << j;
        EXPECT_LT(ratio, 2.0) << j;
    }
    EXPECT_GT(uncorrected, 6e-3);
    EXPECT_LT(corrected, uncorrected / 10);
}

class StopAtPoint : public fem::AnalysisCallbacks {
  public:
    explicit StopAtPoint(int k) : stopAt_(k) {}
    void Progress(int k) override {
        ordered = ordered && k == last + 1;
        last = k;
        if (k == stopAt_) RequestStop();
    }
    int last = -1;
    bool ordered = true;

  private:
    int stopAt_;
};

// The second line's spectra follow the first's rules: counted after them by the progress,
// cut by a stop, emptied by an analysis without the correction, held in the memory
// estimate.
TEST_F(AliasingCorrection, SecondLineSpectraProgressStopAndMemory) {
    const int Nw = 256, points = Nw / 2 + 1;
    fem::Model m;
    fem::BuildSample(m, 4);
    fem::AnalysisSettings settings = testsupport::Settings(Nw, 5, 0.001);
    settings.Threads = 2;
    const auto first = fem::SolveImpact(m, settings);
    ASSERT_TRUE(first->Complete());
    const double single = first->Report().EstimatedBytes;

    settings.CorrectAliasing = true;
    StopAtPoint all(-1);
    const auto both = fem::SolveImpact(m, settings, &all);
    ASSERT_TRUE(both->Complete());
    EXPECT_TRUE(all.ordered);
    EXPECT_EQ(all.last, 2 * points - 1);
    EXPECT_EQ(fem::DynamicPointCount(Nw, true), 2 * points);
    EXPECT_EQ(both->Report().EstimatedBytes - single, 6.0 * m.NodeCount() * points * 16);
    // A loaded corner on the second line is the first line's at Re s larger by 3 / Te:
    // a different, smaller response at every point.
    ASSERT_EQ(both->Lines(), 2);
    EXPECT_LT(std::abs(testsupport::At(*both, 6, 1, 0, 1)),
              std::abs(testsupport::At(*both, 6, 1, 0, 0)));

    StopAtPoint stop(points + 9);
    const auto stopped = fem::SolveImpact(m, settings, &stop);
    EXPECT_EQ(stopped->Result().Kind, fem::OutcomeKind::Stopped);
    EXPECT_EQ(stopped->Result().Point, points + 10);
    for (int k = 0; k < points; ++k)
        EXPECT_NE(testsupport::At(*stopped, 6, 1, k, 0).real(), 0.0) << k;
    for (int k = 0; k < points; ++k)
        EXPECT_EQ(testsupport::At(*stopped, 6, 1, k, 1).real() == 0.0, k > 9) << k;
    EXPECT_THROW((void)fem::NodeDisplacementHistory(*stopped, 7), numeric::ComputationFailure);
}

}  // namespace
