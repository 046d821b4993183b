#pragma once
// Time histories from an impact solution: the numerical inverse Laplace transform (a
// Hann-weighted Fourier series evaluated with the fast Fourier transform), the element
// end forces and the node displacements. Every function here reads the solution only:
// any number of threads may compute histories of one solution at once.
//
// Aliasing correction: the inversion returns the damped periodic image of a response,
// f(t) + e^(-gamma Te) f(t + Te) + ..., not f(t) alone. A solution that solved the
// second line of transform points (AnalysisSettings::CorrectAliasing) gives the
// histories corrected (the first image eliminated) together with the estimated aliasing
// error of the uncorrected ones.
#include <vector>

#include "analysis/impact.h"
#include "analysis/run_control.h"
#include "numeric/complex.h"
#include "numeric/matrix.h"

namespace fem {

// The tables of the inversion for one Nw, Te and GammaTe. Immutable once made.
class InverseTransform {
  public:
    // Raises numeric::ComputationFailure for settings that cannot be inverted.
    explicit InverseTransform(const AnalysisSettings& settings);

    [[nodiscard]] int Nw() const { return nw_; }
    // Whether the tables were made for the Nw, Te and GammaTe of settings.
    [[nodiscard]] bool Fits(const AnalysisSettings& settings) const {
        return settings.Nw == nw_ && settings.Te == te_ && settings.GammaTe == gammaTe_;
    }
    // f(t_j), j = 0 .. Nw - 1, into out from the spectrum F(s_k), k = 0 .. Nw/2, of line
    // 0 or 1. work holds at least Nw values (the caller's, so that threads share nothing).
    void Invert(const numeric::Complex* spectrum, int line, numeric::Complex* work,
                double* out) const;

  private:
    int nw_ = 0;
    double te_ = 0.0;
    double gammaTe_ = 0.0;
    double scale_ = 0.0;  // Nw / Te
    std::vector<double> cosTable_;
    std::vector<double> hannWeight_;
    std::vector<double> growth_[2];  // e^(gamma t_j) of each line
};

// The histories of one element or node (rows: components, columns: t_j). Without the
// second line only Uncorrected is filled. With it, Corrected = Uncorrected - EstimatedError:
// the first periodic image eliminated, leaving about e^(-(2 GammaTe + kAliasingShift))
// f(t + 2 Te); EstimatedError is the aliasing error of the uncorrected histories,
// about e^(-GammaTe) f(t + Te), at every t_j (unreliable within a few t_j of a jump of
// the response, where the window's smoothing differs between the two lines).
struct HistoryResult {
    numeric::RealMatrix Uncorrected;     // single-line histories, as without the correction
    numeric::RealMatrix Corrected;       // empty without the second line
    numeric::RealMatrix EstimatedError;  // empty without the second line
    // The histories to show: Corrected when there is a second line, else Uncorrected.
    [[nodiscard]] const numeric::RealMatrix& Best() const {
        return Corrected.Empty() ? Uncorrected : Corrected;
    }
};

// The histories of the rows of spectra, one matrix per line of transform points (rows x
// Nw/2+1 each, the same rows on every line): inverted, and with a second line corrected
// with its estimated error as the histories below.
[[nodiscard]] HistoryResult InvertSpectra(const InverseTransform& inverse,
                                          const std::vector<numeric::ComplexMatrix>& spectra);

// In which components element end forces are given.
enum class ForceAxes {
    Element,  // element components, the first node's six negated (internal forces)
    Global,   // global components, K u
};

// Time histories of the element's twelve end forces (12 x Nw). Progress(k) counts the
// transform points. Raises numeric::ComputationFailure when the solution is not complete
// ("no complete dynamic result: run the analysis again") or the element does not exist.
[[nodiscard]] HistoryResult ElementForceHistory(const ImpactSolution& solution, int element,
                                                ForceAxes axes,
                                                AnalysisCallbacks* callbacks = nullptr);
// The same with tables made once by the caller for several elements.
[[nodiscard]] HistoryResult ElementForceHistory(const ImpactSolution& solution, int element,
                                                ForceAxes axes, const InverseTransform& inverse,
                                                AnalysisCallbacks* callbacks = nullptr);
// The end-force spectra of the element (12 x Nw/2+1) on line 0 or 1, in the given axes
// (element components not negated).
[[nodiscard]] numeric::ComplexMatrix ElementForceSpectrum(const ImpactSolution& solution,
                                                          int element, ForceAxes axes, int line);

// Time histories of the node's six displacements (6 x Nw). The same refusals.
[[nodiscard]] HistoryResult NodeDisplacementHistory(const ImpactSolution& solution, int node);
// The same with tables made once by the caller for several nodes.
[[nodiscard]] HistoryResult NodeDisplacementHistory(const ImpactSolution& solution, int node,
                                                    const InverseTransform& inverse);

// Time histories of the force the dropped weight exerts on the node it strikes (3 x Nw,
// global x, y, z): F = -m a of the attached weight, m = W / g, with its own weight W
// along the velocity when it has Gravity. In the solution the weight rests at the node
// until the strike and the impulse m v at t = Te/10 sets it moving, so that -m s^2 U(s)
// holds -m v e^(-s Te/10), the jump of its velocity; in reality the weight had that
// velocity before, so the impulse is added back: F(s) = m v e^(-s Te/10) - m s^2 U(s)
// (+ W v/|v| e^(-s Te/10) / s), the transform of a force without an impulse. At the
// strike the force jumps (a member struck along its axis), or rises as 1 / sqrt(t -
// Te/10) (struck in bending: an integrable peak); the inversion's window smooths either
// over a few time steps. Where a support holds a translation of the struck node the
// impulse is the support's and shows as such: a peak of area m v_j a few steps wide.
// Raises numeric::ComputationFailure as the other histories do, and when the model has
// no dropped weight.
[[nodiscard]] HistoryResult ImpactForceHistory(const ImpactSolution& solution);
[[nodiscard]] HistoryResult ImpactForceHistory(const ImpactSolution& solution,
                                               const InverseTransform& inverse);
// Its spectra (3 x Nw/2+1) on line 0 or 1.
[[nodiscard]] numeric::ComplexMatrix ImpactForceSpectrum(const ImpactSolution& solution, int line);
// What a node history shows: the displacement U, the velocity s U or the acceleration
// s^2 U, inverted alike.
enum class ResponseQuantity { Displacement, Velocity, Acceleration };
// Displacements are absolute (the supports move with the ground); relative to the ground,
// the ground's motion along its direction is taken from the translations.
enum class GroundFrame { Absolute, RelativeToGround };

// The node's six histories of the quantity (6 x Nw). The refusals of
// NodeDisplacementHistory. The absolute displacement is NodeDisplacementHistory's, bit for
// bit.
[[nodiscard]] HistoryResult NodeResponseHistory(const ImpactSolution& solution, int node,
                                                ResponseQuantity quantity, GroundFrame frame);
[[nodiscard]] HistoryResult NodeResponseHistory(const ImpactSolution& solution, int node,
                                                ResponseQuantity quantity, GroundFrame frame,
                                                const InverseTransform& inverse);

// A supported dof of a node that an element joins: fixed ("u"), or free on a spring to
// the ground; its node and dof (0 .. 5).
struct SupportDof {
    int Node = 0;
    int Dof = 0;
};
// Every supported dof of the nodes that elements join, by node and then dof.
[[nodiscard]] std::vector<SupportDof> SupportDofs(const Model& model);

// The reaction histories of the supports (one row per entry of dofs, Nw columns), the
// force and moment the support exerts on the structure: at a fixed dof the sum of the
// end forces (global components, K u) of the elements at its node, at a spring the
// spring's force -k (1 + beta s) (U - U_ground). Progress(k) counts the transform points.
// Raises numeric::ComputationFailure as ElementForceHistory does, and for an entry that
// is neither a fixed dof nor a spring.
[[nodiscard]] HistoryResult ReactionHistory(const ImpactSolution& solution,
                                            const std::vector<SupportDof>& dofs,
                                            AnalysisCallbacks* callbacks = nullptr);

}  // namespace fem
