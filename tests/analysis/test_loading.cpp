// Load histories, damping, ground motion, the response quantities, the reactions and the
// frequency response on the fixed-free rod of sample 1, against its closed-form wave
// solution: u(x, s) from u'' = k^2 u with k^2 = rho (s^2 + alpha s) / (E (1 + beta s)).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "analysis/frequency_response.h"
#include "analysis/histories.h"
#include "analysis/statics.h"
#include "model/samples.h"
#include "numeric/constants.h"
#include "support.h"

namespace {

using testsupport::Analyse;
using testsupport::At;
using testsupport::cd;
using testsupport::Close;
using testsupport::Point;

constexpr int kNw = 512;
constexpr double kGammaTe = 5.0;
constexpr double kLength = 200.0;  // the rod of sample 1: nodes at x = 0, 100, 200

// The time history of the transfer function H by the Hann-weighted Fourier series the
// analysis inverts with, summed directly here.
std::vector<double> HannInversion(const fem::ImpactSolution& sol, const std::function<cd(cd)>& H) {
    const double Te = sol.Settings().Te;
    std::vector<cd> term(kNw / 2);
    for (int k = 0; k < kNw / 2; ++k) {
        const double weight = (std::cos(numeric::TwoPi * k / kNw) + 1.0) * 0.5 * (k ? 2 : 1);
        term[k] = weight * H(Point(sol, k));
    }
    std::vector<double> f(kNw);
    for (int j = 0; j < kNw; ++j) {
        double sum = 0.0;
        for (int k = 0; k < kNw / 2; ++k)
            sum += (term[k] * std::polar(1.0, numeric::TwoPi * ((k * j) % kNw) / kNw)).real();
        f[j] = std::exp(kGammaTe * j / kNw) / Te * sum;
    }
    return f;
}

// max |row of history - expected| over max |expected|, and that peak.
double WorstRelative(const numeric::RealMatrix& history, int row,
                     const std::vector<double>& expected) {
    double worst = 0.0, peak = 0.0;
    for (int j = 0; j < kNw; ++j) {
        worst = std::max(worst, std::fabs(history(row, j) - expected[j]));
        peak = std::max(peak, std::fabs(expected[j]));
    }
    EXPECT_GT(peak, 0.0);
    return worst / peak;
}

// The rod of sample 1 (its elements' values) and its wave number with damping.
struct Rod {
    explicit Rod(const fem::ElementRecord& e, fem::RayleighCoefficients d = {})
        : EA(e.EA), E(e.Young), rho(e.Density / fem::kGravity), damping(d) {}
    cd Modulus(cd s) const { return 1.0 + damping.Beta * s; }  // E(s) / E
    cd K(cd s) const { return std::sqrt(rho * (s * s + damping.Alpha * s) / (E * Modulus(s))); }
    // Displacement at x of the rod under a unit force at its free end.
    cd TipForce(cd s, double x) const {
        const cd k = K(s);
        return std::sinh(k * x) / (EA * Modulus(s) * k * std::cosh(k * kLength));
    }
    double EA, E, rho;
    fem::RayleighCoefficients damping;
};

cd Delay(cd s, double Te) {
    return std::exp(-s * Te / 10.0);
}

fem::LoadHistory Pulse(fem::HistoryKind kind, double duration) {
    fem::LoadHistory h;
    h.Kind = kind;
    h.Duration = duration;
    return h;
}

// Tip displacement of the undamped fixed-free rod under a unit step end force at t0: the
// sawtooth between 0 and 2 L / EA, rising for 2 L / c.
double StepSawtooth(double t, double t0, double EA, double c) {
    const double tt = t - t0;
    if (tt <= 0) return 0.0;
    const double T = 2 * kLength / c;
    const double phase = std::fmod(tt, 2 * T);
    return c / EA * (phase <= T ? phase : 2 * T - phase);
}

TEST(LoadHistories, RectanglePulseIsTheDifferenceOfTwoShiftedSawtooths) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const double duration = 1.3e-4, Te = st.Te;
    m.PutHistory("pulse", Pulse(fem::HistoryKind::Rectangle, duration));
    fem::NodeRecord tip = m.GetNode(2);
    tip.History[0] = "pulse";
    m.PutNode(2, tip);
    const auto sol = Analyse(m, kNw, kGammaTe, Te).Impact;
    ASSERT_TRUE(sol->Complete());
    const numeric::RealMatrix u = fem::NodeDisplacementHistory(*sol, 2).Best();
    const fem::ElementRecord& e = m.Elements[0];
    const double P = m.Nodes[2].LoadValue[0], c = e.WaveAxial, t0 = Te / 10, dt = Te / kNw;

    // Against the wave solution in time, away from the corners the window rounds; the
    // series adds e^(-gamma Te) of the response one period later.
    const double span = 2 * kLength / c;
    auto nearCorner = [&](double t) {
        for (const double start : {t0, t0 + duration})
            for (int m2 = 0; start + m2 * span <= Te; ++m2)
                if (std::fabs(t - start - m2 * span) < 6 * dt) return true;
        return false;
    };
    int checked = 0;
    for (int j = 0; j < kNw * 97 / 100; ++j) {
        const double t = j * dt;
        if (nearCorner(t)) continue;
        double expected = 0.0;
        for (int n = 0; n < 6; ++n)
            expected += std::exp(-n * kGammaTe) * P *
                        (StepSawtooth(t + n * Te, t0, e.EA, c) -
                         StepSawtooth(t + n * Te, t0 + duration, e.EA, c));
        EXPECT_NEAR(u(0, j), expected, 1e-3 * P * kLength / e.EA) << "t_" << j;
        ++checked;
    }
    EXPECT_GT(checked, 300);

    // Against the closed-form transfer function inverted alike, to rounding.
    const Rod rod(e);
    const auto expected = HannInversion(*sol, [&](cd s) {
        return P * Delay(s, Te) * (1.0 - std::exp(-s * duration)) / s * rod.TipForce(s, kLength);
    });
    EXPECT_LE(WorstRelative(u, 0, expected), 1e-10);
}

// A half-sine at the middle node, a table (ramp, then held) at the tip, and the tip's
// velocity and acceleration, all against the closed forms.
TEST(LoadHistories, SeveralHistoriesActTogetherWithTheirOwnTransforms) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const double Te = st.Te, T = 6e-5, ramp = 4e-5;
    m.PutHistory("knock", Pulse(fem::HistoryKind::HalfSine, T));
    fem::LoadHistory table;
    table.Kind = fem::HistoryKind::Table;
    table.Points = {{0, 0}, {ramp, 1}, {2 * ramp, 1}};
    m.PutHistory("ramp", table);
    fem::NodeRecord mid = m.GetNode(1), tip = m.GetNode(2);
    mid.BcCode[0] = "pf";
    mid.LoadValue[0] = -0.5;
    mid.History[0] = "knock";
    tip.History[0] = "ramp";
    m.PutNode(1, mid);
    m.PutNode(2, tip);
    const auto sol = Analyse(m, kNw, kGammaTe, Te).Impact;
    ASSERT_TRUE(sol->Complete());

    const Rod rod(m.Elements[0]);
    const double P = tip.LoadValue[0], Q = mid.LoadValue[0], w = numeric::Pi / T;
    auto tipResponse = [&](cd s) {
        const cd ramped = (1.0 - std::exp(-s * ramp)) / (ramp * s * s);
        const cd knock = w * (1.0 + std::exp(-s * T)) / (s * s + w * w);
        // By reciprocity the tip moves under a force at x as x moves under a tip force.
        return Delay(s, Te) *
               (P * ramped * rod.TipForce(s, kLength) + Q * knock * rod.TipForce(s, 100.0));
    };
    for (int k = 0; k <= kNw / 2; ++k)
        EXPECT_TRUE(Close(At(*sol, 2, 0, k), tipResponse(Point(*sol, k)), 1e-10)) << "k " << k;

    const fem::ResponseQuantity quantities[] = {fem::ResponseQuantity::Displacement,
                                                fem::ResponseQuantity::Velocity,
                                                fem::ResponseQuantity::Acceleration};
    for (int power = 0; power < 3; ++power) {
        const numeric::RealMatrix h =
            fem::NodeResponseHistory(*sol, 2, quantities[power], fem::GroundFrame::Absolute).Best();
        const auto expected =
            HannInversion(*sol, [&](cd s) { return std::pow(s, power) * tipResponse(s); });
        EXPECT_LE(WorstRelative(h, 0, expected), 1e-10) << "power " << power;
    }
}

TEST(Damping, DampedRodFollowsItsClosedFormAndSettlesOnTheStaticValue) {
    fem::Model m;
    const fem::SampleSettings st = fem::BuildSample(m, 1);
    const double Te = st.Te;
    // Kelvin-Voigt (beta) alone, then with mass-proportional damping strong enough for the
    // rod to come to rest within Te.
    for (const fem::RayleighCoefficients d :
         {fem::RayleighCoefficients{0.0, 4e-6}, fem::RayleighCoefficients{8e4, 2e-6}}) {
        fem::Damping damping;
        damping.Alpha = d.Alpha;
        damping.Beta = d.Beta;
        m.SetModelDamping(damping);
        const fem::AnalysisResult r = Analyse(m, kNw, kGammaTe, Te);
        ASSERT_TRUE(r.Impact->Complete());
        ASSERT_TRUE(r.Static->Complete());
        const Rod rod(m.Elements[0], d);
        const double P = m.Nodes[2].LoadValue[0];
        auto tip = [&](cd s) { return P * Delay(s, Te) / s * rod.TipForce(s, kLength); };
        for (int k = 0; k <= kNw / 2; ++k) {
            const cd s = Point(*r.Impact, k);
            EXPECT_TRUE(Close(At(*r.Impact, 2, 0, k), tip(s), 1e-10)) << "k " << k;
            EXPECT_TRUE(
                Close(At(*r.Impact, 1, 0, k), P * Delay(s, Te) / s * rod.TipForce(s, 100.0), 1e-10))
                << "k " << k;
        }
        const numeric::RealMatrix u = fem::NodeDisplacementHistory(*r.Impact, 2).Best();
        EXPECT_LE(WorstRelative(u, 0, HannInversion(*r.Impact, tip)), 1e-10);

        // The support holds the load: statically -P; in time the support's force on the rod
        // is -EA(s) u'(0) = -P / cosh(kL) per load transform, settling on -P once at rest.
        EXPECT_TRUE(Close(fem::StaticReaction(m, *r.Static, 0, 0), -P, 1e-12));
        const numeric::RealMatrix reaction =
            fem::ReactionHistory(*r.Impact, {fem::SupportDof{0, 0}}).Best();
        const auto expected = HannInversion(
            *r.Impact, [&](cd s) { return -P * Delay(s, Te) / s / std::cosh(rod.K(s) * kLength); });
        EXPECT_LE(WorstRelative(reaction, 0, expected), 1e-10);
        if (d.Alpha > 0) {
            // Late in Te the series adds the images of the settled value, e^(-n gamma Te).
            const double images = 1.0 / (1.0 - std::exp(-kGammaTe));
            const int late = kNw * 9 / 10;
            EXPECT_TRUE(Close(reaction(0, late), -P * images, 1e-3));
            EXPECT_TRUE(Close(u(0, late), r.Static->NodeDisp[2][0] * images, 1e-3));
        }
    }
}

// A cantilever (sample 2) damped by the ratio zeta at its first natural frequency, knocked
// at the tip by a half-sine of half its period, then vibrating freely: the peaks of the
// tip deflection decay by the logarithmic decrement 2 pi zeta / sqrt(1 - zeta^2) per period
// (the higher modes, damped more by the beta part, die out within the first periods).
TEST(Damping, CantileverFreeVibrationDecaysAtTheGivenRatio) {
    fem::Model m;
    fem::BuildSample(m, 2);
    const double first = testsupport::NaturalFrequencies(m, 2000.0).at(0), zeta = 0.02;
    const double Te = 0.02;  // about 11 periods
    fem::Damping damping;
    damping.Given = fem::Damping::Form::Ratio;
    damping.Ratio = zeta;
    damping.AtHz = {first, first};
    m.SetModelDamping(damping);
    m.PutHistory("knock", Pulse(fem::HistoryKind::HalfSine, 0.5 / first));
    fem::NodeRecord tip = m.GetNode(2);
    tip.History[1] = "knock";
    m.PutNode(2, tip);
    const int nw = 4096;
    const fem::AnalysisResult r =
        fem::RunAnalysis(m, testsupport::Settings(nw, kGammaTe, Te, 0.0, true));
    ASSERT_TRUE(r.Impact->Complete());
    const numeric::RealMatrix u = fem::NodeDisplacementHistory(*r.Impact, 2).Best();
    // The largest deflection of each period, from the end of the second period after the
    // knock to the last whole period before 0.9 Te.
    const double period = 1.0 / first, dt = Te / nw, start = Te / 10 + 2.5 * period;
    std::vector<double> peaks;
    for (double from = start; from + period < 0.9 * Te; from += period) {
        double peak = 0.0;
        for (int j = static_cast<int>(from / dt); j < static_cast<int>((from + period) / dt); ++j)
            peak = std::max(peak, std::fabs(u(1, j)));
        peaks.push_back(peak);
    }
    ASSERT_GE(peaks.size(), 4u);
    const double delta = std::log(peaks.front() / peaks.back()) / (peaks.size() - 1);
    EXPECT_TRUE(Close(delta / std::sqrt(4 * numeric::Pi * numeric::Pi + delta * delta), zeta, 0.02))
        << peaks.size() << " periods";
}

// The box frame of sample 4 (three clamped nodes): the support reactions balance the load
// in force and moment about the origin, statically and, once damping has brought the frame
// to rest (no inertia left), in the impact response.
TEST(Reactions, BalanceTheLoadStaticallyAndLateInTheDampedResponse) {
    fem::Model m;
    fem::BuildSample(m, 4);
    const double Te = 0.02;  // 15 periods of the lowest mode, 790 Hz
    const std::vector<double> hz = testsupport::NaturalFrequencies(m, 1e5);
    ASSERT_GE(hz.size(), 2u);
    fem::Damping damping;
    damping.Given = fem::Damping::Form::Ratio;
    damping.Ratio = 0.3;
    damping.AtHz = {hz[0], hz[1]};
    m.SetModelDamping(damping);
    const fem::AnalysisResult r =
        fem::RunAnalysis(m, testsupport::Settings(kNw, kGammaTe, Te, 0.0, true));
    ASSERT_TRUE(r.Impact->Complete());
    ASSERT_TRUE(r.Static->Complete());
    const std::vector<fem::SupportDof> dofs = fem::SupportDofs(m);
    const numeric::RealMatrix late = fem::ReactionHistory(*r.Impact, dofs).Best();
    // Force and moment about the origin of the loads, then of the reactions.
    auto balance = [&](const std::function<double(int, int)>& reaction) {
        std::array<double, 6> sum{};
        auto add = [&](const std::array<double, 3>& at, const double* f) {
            for (int c = 0; c < 3; ++c) sum[c] += f[c];
            sum[3] += f[3] + at[1] * f[2] - at[2] * f[1];
            sum[4] += f[4] + at[2] * f[0] - at[0] * f[2];
            sum[5] += f[5] + at[0] * f[1] - at[1] * f[0];
        };
        for (const fem::NodeRecord& n : m.Nodes) {
            double load[6] = {};
            for (int j = 0; j < 6; ++j)
                if (n.BcCode[j] == "pf") load[j] = n.LoadValue[j];
            add(n.Coord, load);
        }
        for (size_t i = 0; i < dofs.size(); ++i) {
            double f[6] = {};
            f[dofs[i].Dof] = reaction(static_cast<int>(i), dofs[i].Node);
            add(m.Nodes[dofs[i].Node].Coord, f);
        }
        return sum;
    };
    const auto statics = balance(
        [&](int i, int node) { return fem::StaticReaction(m, *r.Static, node, dofs[i].Dof); });
    const auto dynamics = balance([&](int i, int) { return late(i, kNw * 9 / 10); });
    for (int c = 0; c < 6; ++c) {
        EXPECT_NEAR(statics[c], 0.0, 1e-9 * (c < 3 ? 1.0 : 100.0)) << c;
        // The loads total 2 kgf and 200 kgf mm; late in Te the inverted displacements too
        // stand 6E-5 above the static ones here.
        EXPECT_NEAR(dynamics[c], 0.0, 1e-3 * (c < 3 ? 1.0 : 100.0)) << c;
    }
}

// The ground moves the fixed end: u(x) = u_g cosh(k (L - x)) / cosh(k L), as a displacement
// history or as an acceleration record (u_g = A / s^2); the direction is scaled to length 1.
TEST(GroundMotion, RodFollowsTheMovedSupportAsTheWaveSolutionSays) {
    for (const auto quantity :
         {fem::GroundQuantity::Displacement, fem::GroundQuantity::Acceleration}) {
        fem::Model m;
        const fem::SampleSettings st = fem::BuildSample(m, 1);
        const double Te = st.Te, T = 8e-5, size = 0.25;
        fem::LoadHistory shake;
        shake.Kind = fem::HistoryKind::Table;
        shake.Points = {{0, 0}, {T, size}, {2 * T, -size}, {3 * T, 0}};
        m.PutHistory("shake", shake);
        fem::NodeRecord tip = m.GetNode(2);
        tip.BcCode[0] = "p";  // the ground alone drives the rod
        tip.LoadValue[0] = 0.0;
        m.PutNode(2, tip);
        fem::GroundMotion g;
        g.Direction = {2.0, 0.0, 0.0};
        g.History = "shake";
        g.Quantity = quantity;
        m.SetGround(g);
        const fem::AnalysisResult r = Analyse(m, kNw, kGammaTe, Te);
        ASSERT_TRUE(r.Impact->Complete());
        // Statics knows nothing of the ground.
        EXPECT_EQ(r.Static->NodeDisp[2][0], 0.0);

        const Rod rod(m.Elements[0]);
        // The table is size/T [t - 3 (t - T)+ + 3 (t - 2T)+ - (t - 3T)+], a sum of ramps.
        auto ground = [&](cd s) {
            const cd moved =
                Delay(s, Te) * size / T * std::pow(1.0 - std::exp(-s * T), 3) / (s * s);
            return quantity == fem::GroundQuantity::Displacement ? moved : moved / (s * s);
        };
        auto at = [&](cd s, double x) {
            const cd k = rod.K(s);
            return ground(s) * std::cosh(k * (kLength - x)) / std::cosh(k * kLength);
        };
        for (int k = 0; k <= kNw / 2; ++k) {
            const cd s = Point(*r.Impact, k);
            EXPECT_TRUE(Close(At(*r.Impact, 0, 0, k), ground(s), 1e-12)) << "k " << k;
            EXPECT_TRUE(Close(At(*r.Impact, 1, 0, k), at(s, 100.0), 1e-10)) << "k " << k;
            EXPECT_TRUE(Close(At(*r.Impact, 2, 0, k), at(s, kLength), 1e-10)) << "k " << k;
            EXPECT_EQ(At(*r.Impact, 0, 1, k), cd(0.0, 0.0)) << "k " << k;
        }
        // Relative to the ground, and the support's force: EA u'(0) taken on the rod.
        const numeric::RealMatrix relative =
            fem::NodeResponseHistory(*r.Impact, 2, fem::ResponseQuantity::Displacement,
                                     fem::GroundFrame::RelativeToGround)
                .Best();
        EXPECT_LE(WorstRelative(
                      relative, 0,
                      HannInversion(*r.Impact, [&](cd s) { return at(s, kLength) - ground(s); })),
                  1e-10);
        const numeric::RealMatrix reaction =
            fem::ReactionHistory(*r.Impact, fem::SupportDofs(m)).Best();
        ASSERT_EQ(fem::SupportDofs(m).size(), 6u);  // node 0's six
        EXPECT_LE(WorstRelative(reaction, 0,
                                HannInversion(*r.Impact,
                                              [&](cd s) {
                                                  const cd k = rod.K(s);
                                                  return rod.EA * k * std::tanh(k * kLength) *
                                                         ground(s);
                                              })),
                  1e-10);
    }
}

TEST(FrequencyResponse, RodTipAgainstTheClosedFormWithAndWithoutDamping) {
    fem::Model m;
    fem::BuildSample(m, 1);
    const double c = m.Elements[0].WaveAxial, first = c / (4 * kLength);  // first resonance
    const std::vector<double> hz = fem::LinearFrequencies(0.0, 3.3 * first, 34);
    ASSERT_EQ(hz.size(), 34u);
    EXPECT_EQ(hz.back(), 3.3 * first);
    for (const double beta : {0.0, 1e-6}) {
        fem::Damping damping;
        damping.Beta = beta;
        m.SetModelDamping(damping);
        const Rod rod(m.Elements[0], {0.0, beta});
        const double P = m.Nodes[2].LoadValue[0];
        const fem::FrequencyResponse r = fem::SolveFrequencyResponse(m, 2, hz);
        ASSERT_TRUE(r.Result.Complete()) << fem::EnglishText(r.Result);
        ASSERT_EQ(r.Points.size(), hz.size());
        // 0 Hz: the static P L / EA.
        EXPECT_TRUE(
            Close(testsupport::ToStd(r.Points[0].Response[0]), P * kLength / rod.EA, 1e-12));
        // The grid hits the resonances c/4L and 3c/4L (points 10 and 30) as closely as
        // double precision can, and the antiresonance c/2L (the tip at rest) at point 20.
        for (size_t i = 1; i < hz.size(); ++i) {
            EXPECT_EQ(r.Points[i].Resonance, beta == 0.0 && i % 20 == 10) << hz[i] << " Hz";
            if (r.Points[i].Resonance) continue;
            const cd s(0.0, numeric::TwoPi * hz[i]);
            EXPECT_TRUE(Close(testsupport::ToStd(r.Points[i].Response[0]),
                              P * rod.TipForce(s, kLength), 1e-9, 1e-12 * P * kLength / rod.EA))
                << hz[i] << " Hz";
            EXPECT_EQ(testsupport::ToStd(r.Points[i].Response[1]), cd(0.0, 0.0));
        }
    }
    EXPECT_EQ(fem::SolveFrequencyResponse(m, 7, hz).Result.Kind, fem::OutcomeKind::BadSettings);
}

}  // namespace
