#pragma once
// The steady-state response to harmonic loads: every "pf" dof loaded by its value times
// e^(i omega t), the response of node N's six dofs evaluated exactly at s = i omega (the
// damped model: complex; undamped: real up to rounding). The ground motion and the load
// histories play no part. At 0 Hz this is the static response to the "pf" values. No Qt.
#include <array>
#include <vector>

#include "analysis/outcome.h"
#include "analysis/run_control.h"
#include "model/model.h"
#include "numeric/complex.h"

namespace fem {

// Count frequencies from fromHz to toHz, evenly spaced and both ends included (one
// frequency: fromHz). Raises numeric::ComputationFailure for a count below 1, frequencies
// below 0 or not finite, or toHz below fromHz.
[[nodiscard]] std::vector<double> LinearFrequencies(double fromHz, double toHz, int count);

struct FrequencyPoint {
    double Hz = 0.0;
    // An undamped resonance hit exactly: K(i omega) singular or singular to working
    // precision, or a member's own matrix infinite there. Response is then not a number and stays
    // 0.
    bool Resonance = false;
    std::array<numeric::Complex, 6> Response{};  // ux, uy, uz, rx, ry, rz
};

struct FrequencyResponse {
    Outcome Result;  // Complete, Stopped (the points before Point kept), or a failure
    std::vector<FrequencyPoint> Points;
};

// The response of node at every frequency of hz. Progress(i) counts the frequencies.
// Never throws for a failure of the solution; a node that does not exist is BadSettings.
[[nodiscard]] FrequencyResponse SolveFrequencyResponse(const Model& model, int node,
                                                       const std::vector<double>& hz,
                                                       AnalysisCallbacks* callbacks = nullptr);

}  // namespace fem
