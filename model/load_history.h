#pragma once
// Load histories: how the size of a dynamic load varies with time, as a multiple of its
// "pf" value. Every history starts at the load's start (the analysis puts it at Te/10);
// t below is the time since that start, s.
//   step       1, rising as 1 - e^(-t / rise) (rise 0: at once)
//   rectangle  1 for 0 < t < duration, then 0
//   half-sine  sin(pi t / duration) for 0 < t < duration, then 0
//   triangle   rising linearly to 1 at duration / 2, back to 0 at duration
//   table      0 before the first point, then linear between the points (t, f) and the
//              last value held
#include <array>
#include <string>
#include <vector>

namespace fem {

enum class HistoryKind { Step, Rectangle, HalfSine, Triangle, Table };

struct LoadHistory {
    HistoryKind Kind = HistoryKind::Step;
    double Rise = 0.0;                          // Step: time constant of the rise, s
    double Duration = 0.0;                      // Rectangle, HalfSine, Triangle: s
    std::vector<std::array<double, 2>> Points;  // Table: (t, f), t from 0 and ascending

    bool operator==(const LoadHistory& o) const {
        return Kind == o.Kind && Rise == o.Rise && Duration == o.Duration && Points == o.Points;
    }
};

// The names of the kinds in data files: "step", "rectangle", "half-sine", "triangle",
// "table"; false for a name that is none of them.
const char* HistoryKindName(HistoryKind kind);
bool HistoryKindFromName(const std::string& name, HistoryKind& kind);

// Motion of the ground: every fixed ("u") translational dof moves along Direction (kept
// as given; GroundUnitDirection scales it to length 1) by the history, taken as the ground's
// acceleration (mm/s^2) or its displacement (mm), in the impact analysis only.
enum class GroundQuantity { Acceleration, Displacement };
struct GroundMotion {
    std::array<double, 3> Direction{};
    std::string History;  // the name of one of the model's histories
    GroundQuantity Quantity = GroundQuantity::Acceleration;

    bool operator==(const GroundMotion& o) const {
        return Direction == o.Direction && History == o.History && Quantity == o.Quantity;
    }
};

// The ground motion's direction scaled to length 1 (a direction of no length or not
// finite stays as it is; the model refuses such a direction).
std::array<double, 3> GroundUnitDirection(const GroundMotion& ground);

// Why the history cannot be used ("" when it can), naming the value: a rise below 0, a
// duration not above 0, a table without points, with times below 0 or not ascending,
// any value that is not a finite number.
std::string HistoryProblem(const LoadHistory& history);

// f(t), t in s since the history's start (0 before it).
double HistoryValue(const LoadHistory& history, double t);

}  // namespace fem
