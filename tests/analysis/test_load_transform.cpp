// Load histories and their transforms: the values of each kind by hand, the refusals, and
// the transforms against closed forms and against a table written as a sum of steps and
// ramps, evaluated here in long double.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "analysis/load_transform.h"
#include "numeric/failure.h"

namespace {

using fem::HistoryKind;
using fem::LoadHistory;
using ld = std::complex<long double>;

LoadHistory Make(HistoryKind kind, double value) {
    LoadHistory h;
    h.Kind = kind;
    if (kind == HistoryKind::Step)
        h.Rise = value;
    else
        h.Duration = value;
    return h;
}

std::complex<double> F(const LoadHistory& h, std::complex<double> s, double delay = 0.0) {
    const numeric::Complex v = fem::HistoryTransform(h, {s.real(), s.imag()}, delay);
    return {v.re, v.im};
}

bool Near(std::complex<double> a, ld b, double rel) {
    const long double scale = std::abs(b);
    return std::abs(ld(a.real(), a.imag()) - b) <= rel * scale;
}

TEST(LoadHistory, ValuesOfEachKind) {
    const LoadHistory rect = Make(HistoryKind::Rectangle, 0.002);
    EXPECT_EQ(fem::HistoryValue(rect, -1e-9), 0.0);
    EXPECT_EQ(fem::HistoryValue(rect, 0.001), 1.0);
    EXPECT_EQ(fem::HistoryValue(rect, 0.002), 0.0);
    EXPECT_NEAR(fem::HistoryValue(Make(HistoryKind::HalfSine, 0.004), 0.001), std::sqrt(0.5),
                1e-15);
    EXPECT_NEAR(fem::HistoryValue(Make(HistoryKind::Triangle, 0.004), 0.0005), 0.25, 1e-15);
    EXPECT_NEAR(fem::HistoryValue(Make(HistoryKind::Triangle, 0.004), 0.003), 0.5, 1e-15);
    EXPECT_NEAR(fem::HistoryValue(Make(HistoryKind::Step, 0.001), 0.001), 1 - std::exp(-1.0),
                1e-15);
    LoadHistory table;
    table.Kind = HistoryKind::Table;
    table.Points = {{0.001, 2.0}, {0.003, -2.0}, {0.004, 1.0}};
    EXPECT_EQ(fem::HistoryValue(table, 0.0005), 0.0);  // before the first point
    EXPECT_EQ(fem::HistoryValue(table, 0.001), 2.0);
    EXPECT_NEAR(fem::HistoryValue(table, 0.0025), -1.0, 1e-15);
    EXPECT_EQ(fem::HistoryValue(table, 1.0), 1.0);  // the last value held
}

TEST(LoadHistory, ProblemsNameTheValue) {
    EXPECT_EQ(fem::HistoryProblem(Make(HistoryKind::Rectangle, 0.0)),
              "the duration must be a time above 0 s");
    EXPECT_EQ(fem::HistoryProblem(Make(HistoryKind::Step, -1.0)),
              "the rise must be a time of 0 s or more");
    LoadHistory table;
    table.Kind = HistoryKind::Table;
    EXPECT_EQ(fem::HistoryProblem(table), "the table needs at least one point");
    table.Points = {{0.0, 1.0}, {0.002, 1.0}, {0.002, 0.0}};
    EXPECT_EQ(fem::HistoryProblem(table), "point 3: the times must ascend");
    table.Points = {{0.0, NAN}};
    EXPECT_EQ(fem::HistoryProblem(table), "point 1 is not a pair of numbers");
    EXPECT_THROW((void)F(table, {5000, 100}), numeric::ComputationFailure);
    HistoryKind kind;
    EXPECT_TRUE(fem::HistoryKindFromName("half-sine", kind));
    EXPECT_EQ(kind, HistoryKind::HalfSine);
    EXPECT_FALSE(fem::HistoryKindFromName("sine", kind));
}

// Closed forms at transform points of a run (Re s = gamma) and on the imaginary axis,
// over short and long durations: series and closed-form branches both.
TEST(LoadTransform, ClosedFormsOfThePulses) {
    for (const long double T : {1e-6L, 1e-4L, 0.002L, 0.05L})
        for (const ld s : {ld(5000, 0), ld(5000, 3e4), ld(0, 1e3), ld(2500, -7e5), ld(0, 2e6)}) {
            const ld e = std::exp(-s * T);
            const ld rect = (1.0L - e) / s;
            const ld half = std::exp(-s * T / 2.0L);
            const ld tri = 2.0L / T * (1.0L - half) * (1.0L - half) / (s * s);
            const long double w = 3.14159265358979323846264338327950288L / T;
            const ld sine = w * (1.0L + e) / (s * s + w * w);
            const std::complex<double> S(static_cast<double>(s.real()),
                                         static_cast<double>(s.imag()));
            const double t = static_cast<double>(T);
            EXPECT_TRUE(Near(F(Make(HistoryKind::Rectangle, t), S), rect, 1e-13)) << T << " " << s;
            EXPECT_TRUE(Near(F(Make(HistoryKind::Triangle, t), S), tri, 1e-12)) << T << " " << s;
            EXPECT_TRUE(Near(F(Make(HistoryKind::HalfSine, t), S), sine, 1e-12)) << T << " " << s;
        }
    // The step rising with time constant r, delayed by t0.
    const ld s(4000, 9e3);
    const long double r = 2e-4L, t0 = 1e-4L;
    EXPECT_TRUE(Near(F(Make(HistoryKind::Step, 2e-4), {4000, 9e3}, 1e-4),
                     std::exp(-s * t0) / (s * (1.0L + s * r)), 1e-14));
}

// At s = i pi / T the half-sine's closed form is 0 / 0; its value there is -i T / 2.
TEST(LoadTransform, HalfSineAtItsOwnFrequency) {
    const double T = 0.003, w = 3.141592653589793 / T;
    const std::complex<double> at = F(Make(HistoryKind::HalfSine, T), {0.0, w});
    EXPECT_NEAR(at.real(), 0.0, 1e-15 * T);
    EXPECT_NEAR(at.imag(), -T / 2, 1e-15 * T);
    const std::complex<double> near = F(Make(HistoryKind::HalfSine, T), {0.0, w * (1 + 1e-9)});
    EXPECT_NEAR(near.imag(), -T / 2, 1e-8 * T);
}

// A table written as a sum of steps and ramps: a jump J_i at t_i adds J_i e^(-s t_i) / s,
// a change of slope D_i adds D_i e^(-s t_i) / s^2; summed in long double at points where
// that sum does not cancel.
TEST(LoadTransform, TableIsItsSumOfStepsAndRamps) {
    LoadHistory table;
    table.Kind = HistoryKind::Table;
    table.Points = {{0.0005, 1.5}, {0.0015, -0.5}, {0.002, -0.5}, {0.0032, 2.0}, {0.004, 0.75}};
    for (const ld s : {ld(3000, 0), ld(3000, 2e4), ld(0, 5e3), ld(800, -4e4)}) {
        ld sum = 0;
        long double slopeBefore = 0;
        const auto& p = table.Points;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const long double t = p[i][0];
            const long double jump = i == 0 ? p[0][1] : 0.0L;
            const long double slopeAfter =
                i + 1 < p.size() ? (p[i + 1][1] - static_cast<long double>(p[i][1])) /
                                       (p[i + 1][0] - static_cast<long double>(p[i][0]))
                                 : 0.0L;
            sum += std::exp(-s * t) * (jump / s + (slopeAfter - slopeBefore) / (s * s));
            slopeBefore = slopeAfter;
        }
        const std::complex<double> S(static_cast<double>(s.real()), static_cast<double>(s.imag()));
        EXPECT_TRUE(Near(F(table, S, 0.0001), std::exp(-s * 0.0001L) * sum, 1e-12)) << s;
    }
    // Ending at 0 it has a transform at s = 0: its area.
    table.Points = {{0.0, 0.0}, {0.001, 2.0}, {0.003, 0.0}};
    EXPECT_NEAR(F(table, {0.0, 0.0}).real(), 0.003, 1e-18);
    EXPECT_THROW((void)F(Make(HistoryKind::Step, 0.0), {0.0, 0.0}), numeric::ComputationFailure);
}

}  // namespace
