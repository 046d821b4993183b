#include "model/load_history.h"

#include <cmath>

#include "numeric/constants.h"

namespace fem {

namespace {

constexpr const char* kNames[] = {"step", "rectangle", "half-sine", "triangle", "table"};

bool Finite(double x) {
    return std::isfinite(x);
}

}  // namespace

std::array<double, 3> GroundUnitDirection(const GroundMotion& ground) {
    const std::array<double, 3>& d = ground.Direction;
    const double length = std::hypot(std::hypot(d[0], d[1]), d[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return d;
    return {d[0] / length, d[1] / length, d[2] / length};
}

const char* HistoryKindName(HistoryKind kind) {
    return kNames[static_cast<int>(kind)];
}

bool HistoryKindFromName(const std::string& name, HistoryKind& kind) {
    for (int k = 0; k < 5; ++k)
        if (name == kNames[k]) {
            kind = static_cast<HistoryKind>(k);
            return true;
        }
    return false;
}

std::string HistoryProblem(const LoadHistory& h) {
    switch (h.Kind) {
        case HistoryKind::Step:
            if (!Finite(h.Rise) || h.Rise < 0.0) return "the rise must be a time of 0 s or more";
            return "";
        case HistoryKind::Rectangle:
        case HistoryKind::HalfSine:
        case HistoryKind::Triangle:
            if (!Finite(h.Duration) || h.Duration <= 0.0)
                return "the duration must be a time above 0 s";
            return "";
        case HistoryKind::Table:
            if (h.Points.empty()) return "the table needs at least one point";
            for (std::size_t i = 0; i < h.Points.size(); ++i) {
                const auto& p = h.Points[i];
                const std::string which = "point " + std::to_string(i + 1);
                if (!Finite(p[0]) || !Finite(p[1])) return which + " is not a pair of numbers";
                if (p[0] < 0.0) return which + ": the time must be 0 s or more";
                if (i > 0 && p[0] <= h.Points[i - 1][0]) return which + ": the times must ascend";
            }
            return "";
    }
    return "unknown kind of history";
}

double HistoryValue(const LoadHistory& h, double t) {
    if (!(t > 0.0) && !(h.Kind == HistoryKind::Table && t >= 0.0)) return 0.0;
    switch (h.Kind) {
        case HistoryKind::Step:
            return h.Rise > 0.0 ? -std::expm1(-t / h.Rise) : 1.0;
        case HistoryKind::Rectangle:
            return t < h.Duration ? 1.0 : 0.0;
        case HistoryKind::HalfSine:
            return t < h.Duration ? std::sin(numeric::Pi * t / h.Duration) : 0.0;
        case HistoryKind::Triangle: {
            if (t >= h.Duration) return 0.0;
            const double half = 0.5 * h.Duration;
            return t <= half ? t / half : (h.Duration - t) / half;
        }
        case HistoryKind::Table: {
            const auto& p = h.Points;
            if (p.empty() || t < p.front()[0]) return 0.0;
            for (std::size_t i = 1; i < p.size(); ++i)
                if (t < p[i][0]) {
                    const double w = (t - p[i - 1][0]) / (p[i][0] - p[i - 1][0]);
                    return p[i - 1][1] + w * (p[i][1] - p[i - 1][1]);
                }
            return p.back()[1];
        }
    }
    return 0.0;
}

}  // namespace fem
