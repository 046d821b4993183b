#pragma once
// Natural frequencies and mode shapes of the frame, exact for Euler-Bernoulli bars with
// distributed mass: no mesh, one element per bar. No Qt.
//
// The count of natural frequencies below a trial circular frequency omega is
// J(omega) = J0(omega) + s{K(omega)} (Wittrick and Williams): s{K} is the number of
// negative pivots of the real symmetric free-dof dynamic stiffness K(omega) at
// s = i omega, and J0 the number of the bars' own clamped-clamped frequencies below omega.
// Every requested frequency is bracketed and refined on that count (bisection, and a
// safeguarded interpolation of log|det K| once the bracket holds that frequency alone and
// no bar's pole) to a relative width of 1E-12; repeated frequencies come out repeated.
// Near a bar's own clamped-clamped frequency (a pole of its dynamic stiffness: the modes
// of a free-free bar, the higher modes of a cantilever, symmetric frames) K(omega) would
// lose half the digits, so there the count is taken on the same frame with that bar
// divided at an inner node, which has no pole there: 1E-12 there too. The count's
// factorisation has no pivoting: where a mode keeps the dofs it eliminates last at rest
// (symmetric modes of symmetric frames, e.g. a free bar made of two equal halves) a
// leading part of K is singular with K and the count near that frequency holds only to a
// few 1E-9; there its pivots grow without bound, and the frequency is fixed instead from
// log|det K| by LU with partial pivoting at three points 1E-7 away. What is left is K's
// own rounding: a sway mode whose stiffness is 1E-5 of the bars' axial stiffness is
// determined by K in double precision to about 1E-11.
//
// The search runs in rounds: each round chooses its trial frequencies from the samples of
// the rounds before, and the workers evaluate them in any order. So the same structure
// gives the same frequencies and shapes to the bit on every run and for any number of
// threads.
//
// "u" dofs are held at zero, "p" and "pf" dofs are free; loads play no part. Springs to
// the ground and lumped masses of the nodes are in K(omega) (k - m omega^2 on the
// diagonal, no poles); so is the mass of a dropped weight, which stays attached after
// the strike: the frequencies are those the impact response vibrates at. A member with
// released end forces counts with its condensed stiffness (the derivation is at
// MemberCountBelow in modes.cpp). A free dof that nothing holds (a node that no element
// touches, a joint whose members all release a rotation with no support, spring or
// mass there) is refused as a mechanism with its node and dof, as the static and impact
// solutions refuse it; a mechanism of the structure with mass gives the frequency 0.
// Shapes: a member with releases has its own end displacements where it is released;
// its own vibrations between nodes at rest (InsideBars) are given only for the actions
// it does not release. Frequencies below ZeroFrequencyLimit()
// are reported as 0: below it rounding in K cannot tell a rigid motion from a vibration.
//
// Units mm, kgf, s; omega in rad/s, frequencies in Hz.
#include <array>
#include <string>
#include <vector>

#include "analysis/outcome.h"
#include "analysis/run_control.h"
#include "model/model.h"

namespace fem {

// Which natural frequencies to find: the lowest Count, or all below BelowHz, or (both
// given) the smaller of the two sets.
struct ModeRequest {
    int Count = 10;        // the lowest Count frequencies; 0: no limit by count
    double BelowHz = 0.0;  // > 0: only the frequencies below this, Hz
    bool Shapes = true;    // also the mode shapes
    int Threads = 0;       // worker threads; 0: one per processor core
};

// One of a bar's own modes between ends at rest, part of a natural mode whose nodes do
// not move (or move only through other parts of it).
struct BarVibration {
    int Element = 0;
    // 0 axial (along local x), 1 torsion (about local x), 2 bending with deflection along
    // local y, 3 bending with deflection along local z.
    int Action = 0;
    int Order = 1;           // its Order-th clamped-clamped mode
    double Amplitude = 0.0;  // its largest deflection (mm) or twist (rad) along the bar
};

struct NaturalMode {
    double Omega = 0.0;        // circular frequency, rad/s
    double FrequencyHz = 0.0;  // Omega / 2 pi
    // Displacements ux, uy, uz, rx, ry, rz of every node (fixed dofs 0), scaled so that
    // the largest component is +1; empty when no shapes were asked for or found. The
    // null vector of K(ShapeOmega) by inverse iteration (LU with partial pivoting); the
    // shapes of a repeated frequency are orthogonal over the free dofs (before scaling).
    std::vector<std::array<double, 6>> NodeDisp;
    // Where NodeDisp were found: Omega, or, within 1E-7 of a bar's own clamped frequency,
    // 1E-8 (relative) above Omega. At the pole itself the share of that bar's clamped
    // mode in the shape is 0 / 0 in K; 1E-8 away it is resolved to about 1E-8, and the
    // shape along the bar is taken at this same frequency. 0: Omega.
    double ShapeOmega = 0.0;
    // Bars vibrating between nodes at rest; with NodeDisp all zero the largest Amplitude
    // is 1.
    std::vector<BarVibration> InsideBars;
};

// The progress of a search: Found of Wanted frequencies are final (Wanted is -1 until
// known), Evaluations counts the factorisations so far, ShapesFound the mode shapes.
struct ModeProgress {
    int Found = 0;
    int Wanted = -1;
    int Evaluations = 0;
    int ShapesFound = 0;
};

// Called only on the thread that called SolveModes (analysis/run_control.h): Yield()
// every few milliseconds, Progress() whenever something above has changed. A stop request
// ends the search after the factorisations in hand.
class ModeCallbacks : public RunControl {
  public:
    virtual void Progress(const ModeProgress& /*progress*/) {}
};

struct ModeResult {
    Outcome Result;  // Detail says what failed
    // Lowest first. After a stop or a failure: the modes found so far without a gap
    // from the lowest, with the shapes computed by then.
    std::vector<NaturalMode> Modes;
    int Evaluations = 0;   // factorisations of K(omega) that counted frequencies
    int Threads = 0;       // worker threads used
    int FreeDofs = 0;      // order of K(omega)
    std::string Solver;    // the factorisations of K(omega), for reports
    double ZeroLimit = 0;  // ZeroFrequencyLimit of the model, rad/s
};

// Natural frequencies (and shapes) of model, which must not change while this runs.
// Workers each factorise their own K(omega); the calling thread only reports progress
// and watches the stop request. A window may call this on its user-interface thread with
// a Yield() that runs the event loop, or on a thread of its own with a copy of the model
// and callbacks that post to the window.
[[nodiscard]] ModeResult SolveModes(const Model& model, const ModeRequest& request,
                                    ModeCallbacks* callbacks = nullptr);

// Number of natural frequencies of model below omega (rad/s), J(omega), on the calling
// thread. Raises numeric::ComputationFailure when K(omega) cannot be factorised.
[[nodiscard]] int CountFrequenciesBelow(const Model& model, double omega);

// The circular frequency (rad/s) below which a frequency of model is reported as 0:
// 1E-6 of the fastest wave transit c / L over the bars.
[[nodiscard]] double ZeroFrequencyLimit(const Model& model);

// The displacements along element e in mode at points >= 2 points from the first node
// (x = 0) to the second (x = L), each ux, uy, uz, rx, ry, rz: from the mode's end
// displacements by the exact solution of the bar at ShapeOmega (or Omega), plus the
// bar's own vibration (InsideBars). In element components, or global ones when global
// is true. A mode without NodeDisp counts as one whose nodes do not move.
[[nodiscard]] std::vector<std::array<double, 6>> ModeShapeAlongBar(const Model& model,
                                                                   const NaturalMode& mode, int e,
                                                                   int points, bool global);

}  // namespace fem
