#pragma once
// The analysis engine's run-wide state and its top-level operations: the dynamic
// (Laplace-domain) solution, the static solution, the static element results and
// the element nodal-force histories. No Qt: progress, the event-loop yield and the
// stop request come in through AnalysisCallbacks and AnalysisState::StopRequested.
//
// The engine works in place on the model passed in (the program passes fem::FEM()):
// it writes the nodes' DispSpectrum, StaticDisp, StaticForce, the elements' static
// results and rebuilds their RotMatrix/RotMatrixT. Nothing else may change the model
// while a solution runs.
// Units mm, kgf, s; transform points s_k = Gamma + i 2 pi k / Te, k = 0 .. Nw/2;
// time instants t_j = j Te / Nw, j = 0 .. Nw - 1.
//
// Loads: the static solution loads every free dof with its LoadValue and holds every
// fixed dof at its FixedDisp. The impact (Laplace-domain) solution is the response to
// the "pf" step loads alone: "p" dofs are unloaded and "u" dofs held at zero.
//
// The global matrices are sparse (only the 6 x 6 blocks of connected nodes) and
// factorised by Eigen: the complex symmetric dynamic systems by SparseLU with an AMD
// ordering, the static system by SimplicialLDLT. The transform points are solved by a
// pool of worker threads, each with its own matrix, factorisation and work arrays.
//
// Aliasing correction (an option of the run, CorrectAliasing): the inversion returns the
// damped periodic image of a response, f(t) + e^(-gamma Te) f(t + Te) + ..., not f(t)
// alone. With the option the dynamic solution also solves a second line of transform
// points, Re s = Gamma + kAliasingShift / Te, into every node's DispSpectrum2; the
// histories are then returned corrected (the first image eliminated) together with the
// estimated aliasing error of the uncorrected histories (HistoryResult).
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/model.h"
#include "numeric/gauss.h"
#include "numeric/yield.h"

namespace fem {

// The second line of transform points of the aliasing correction lies kAliasingShift / Te
// to the right of the first: s'_k = (GammaTe + kAliasingShift) / Te + i 2 pi k / Te.
inline constexpr double kAliasingShift = 3.0;

// Transform points of one dynamic solution: Nw/2 + 1, twice that with the second line.
inline int DynamicPointCount(int Nw, bool secondLine) {
    return (secondLine ? 2 : 1) * (Nw / 2 + 1);
}

// Messages that end a solution; an empty message means success.
inline const char* const kUserStop = "User Stop";
inline const char* const kGaussError = "Gauss Error";

// Progress of a long computation. Both are called only on the thread that called the
// engine (never on a worker thread), so a caller on the user-interface thread may touch
// its widgets in them; a caller that runs the engine on a thread of its own must make
// them thread-safe towards its other threads.
// Yield(): at least every few milliseconds while a solution runs, for a caller that
// keeps an event loop alive. Progress(k): transform points 0 .. k are finished; k
// counts up by one from 0 to the last point, never skipping (in the dynamic solution
// to DynamicPointCount - 1: the first line's points, then the second line's). A stop
// requested inside Progress(k) keeps exactly the points 0 .. k.
class AnalysisCallbacks : public numeric::YieldHook {
  public:
    void Yield() override {}
    virtual void Progress(int /*k*/) {}
};

class GlobalPattern;  // analysis/global_matrix.h

// A flag set and read from several threads at once. Unlike std::atomic<bool> it can be
// copied with the state that holds it (the copy takes the value).
class AtomicFlag {
  public:
    AtomicFlag() = default;
    AtomicFlag(const AtomicFlag& other) : value_(other.value_.load()) {}
    AtomicFlag& operator=(const AtomicFlag& other) {
        value_ = other.value_.load();
        return *this;
    }
    AtomicFlag& operator=(bool value) {
        value_ = value;
        return *this;
    }
    operator bool() const { return value_.load(); }  // NOLINT: reads like the bool it was

  private:
    std::atomic<bool> value_{false};
};

// How the last dynamic solution was run, for reports.
struct SolverReport {
    std::string Solver;         // the sparse solvers, e.g. "Eigen SparseLU, AMD ordering ..."
    int Threads = 0;            // worker threads used
    double EstimatedBytes = 0;  // memory the run was estimated to need
    double AvailableBytes = 0;  // memory the machine had available at its start
};

// Run-wide analysis state (one instance, Analysis()).
struct AnalysisState {
    // Parameters stored by the last dynamic solution.
    int Nw = 512;           // number of time points: 256 .. 8192, a power of two
    double GammaTe = 5.0;   // gamma * Te as entered
    double Te = 0.001;      // time span of the response, s
    double Gamma = 5000.0;  // real part of every transform point, GammaTe / Te
    double Tau = 0.0;       // load rise time as a fraction of Te; set by the caller
    // Set by the stop button from any thread; every worker stops before its next point.
    AtomicFlag StopRequested;
    bool TablesReady = false;  // inverse-transform tables match the last dynamic solution
    // Set when the last dynamic solution completed at every transform point; false
    // before any analysis and after a stopped or failed one.
    bool DynamicComplete = false;
    // Model revisions the results belong to: of the last complete dynamic solution and
    // of the last successful static solution (0: none).
    std::uint64_t DynamicRevision = 0;
    std::uint64_t StaticRevision = 0;
    // Worker threads of the next dynamic solution; 0 means one per processor core.
    int Threads = 0;
    // Whether the next dynamic solution also solves the second line of transform points
    // (aliasing correction and error estimate); set by the caller.
    bool CorrectAliasing = false;
    // Whether the last dynamic solution solved the second line (DispSpectrum2 filled).
    bool AliasingCorrected = false;
    SolverReport LastRun;

    // Degree-of-freedom numbering of the last analysis.
    int DofCount = 0;
    int FreeDofCount = 0;
    std::vector<std::array<int, 6>> DofMap;     // equation number of (node, dof)
    std::vector<std::pair<int, int>> DofOwner;  // (node, dof) owning each equation
    // Sparsity of the free-dof block of the global matrices, made with the numbering.
    std::shared_ptr<const GlobalPattern> Pattern;

    // Inverse-transform tables.
    std::vector<numeric::Complex> FftWork;
    numeric::ComplexMatrix ForceSpectrum;   // component 0..11 x point 0..Nw/2
    numeric::ComplexMatrix ForceSpectrum2;  // the same on the second line
    std::vector<double> CosTable;
    std::vector<double> HannWeight;
    std::vector<double> ExpGrowth;   // e^(gamma t_j)
    std::vector<double> ExpGrowth2;  // e^(gamma2 t_j) of the second line
    double Scale = 0.0;              // Nw / Te of the present inversion

    // Work arrays of the force histories and the static element results.
    numeric::ComplexMatrix ElemK;  // one element's 12 x 12 dynamic stiffness
    numeric::RealMatrix ElemKStat;
};

AnalysisState& Analysis();

// Numbers the degrees of freedom of model: free ones ("p...") upwards in node-then-dof
// order, fixed ones downwards from DofCount - 1; builds the sparsity pattern. Raises
// numeric::ComputationFailure when an element refers to a missing node or the pattern
// cannot be held.
void NumberDofs(Model& model);

// F(s) = e^(-s Te/10) / (s (1 + s Tau Te)), the transform of a unit step delayed by Te/10
// rising with time constant Tau Te.
numeric::Complex StepLoadTransform(numeric::Complex s, double Te, double Tau);

// Solves the Laplace-domain problem at every transform point with the numbering of the
// same analysis, on Analysis().Threads worker threads; fills every node's DispSpectrum
// (6 x Nw/2+1), and with Analysis().CorrectAliasing its DispSpectrum2 on the second line
// (else DispSpectrum2 is emptied). Returns "", kUserStop or kGaussError: the outcome of
// the lowest point (first line, then second) that did not complete; that point and all
// later ones keep their initial fill 0. Before allocating, estimates the memory of the
// run and raises numeric::ComputationFailure (kOverflow) with a message when it would
// not fit in the memory available.
[[nodiscard]] std::string SolveLaplace(Model& model, AnalysisCallbacks* callbacks = nullptr);

// Stores Nw, GammaTe, Te and Gamma, rebuilds every element's local axes, numbers the
// dofs and runs SolveLaplace. Tau is read from Analysis().Tau. A failure of the
// numbering, a run that would not fit in memory or an Nw that is not a power of two
// from 4 to 16384 propagates as numeric::ComputationFailure.
[[nodiscard]] std::string RunDynamic(Model& model, int Nw, double GammaTe, double Te,
                                     AnalysisCallbacks* callbacks = nullptr);

// Static solution with the numbering of the same analysis: StaticDisp and StaticForce
// of every node. Returns "" or kGaussError (then unsolved dofs keep FixedDisp).
[[nodiscard]] std::string SolveStatic(Model& model);

// Whether the dynamic (complete) or static results held now were computed for the
// present revision of model; a model changed since, or another model, gives false.
[[nodiscard]] bool DynamicResultsBelongTo(const Model& model);
[[nodiscard]] bool StaticResultsBelongTo(const Model& model);

// Static end forces (global and element components) and end displacements of element e.
void StaticElementResults(Model& model, int e);

// Messages of one whole analysis, as the analysis command shows them.
struct AnalysisMessages {
    std::string Dynamic;  // "", kUserStop or kGaussError
    std::string Static;   // "" or kGaussError
};

// The analysis command's order: Tau stored, RunDynamic, SolveStatic, then the static
// results of every element. Failures other than the two messages propagate.
AnalysisMessages RunAnalysis(Model& model, int Nw, double GammaTe, double Te, double Tau,
                             AnalysisCallbacks* callbacks = nullptr);

// Builds FftWork, ForceSpectrum and ForceSpectrum2 (zeroed), CosTable, HannWeight,
// ExpGrowth, ExpGrowth2 and Scale for the stored Nw, Te and GammaTe, and sets TablesReady.
void BuildTables();

// Inverts ForceSpectrum(c, 0 .. Nw/2) into out(c, 0 .. Nw-1) by the Hann-weighted Fourier
// series. The tables must be ready and out at least (c+1) x Nw.
void InvertSpectrum(int c, numeric::RealMatrix& out);

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

// Time histories of element's twelve end forces (12 x Nw): global components K u when
// globalFlag is 1; otherwise element components with the first node's six values negated
// (internal forces). Builds the tables on the first use after an analysis; leaves the
// first line's end-force spectra in ForceSpectrum. Raises numeric::ComputationFailure
// when there is no complete dynamic result ("no complete dynamic result: run the analysis
// again") or when it belongs to another revision of the structure ("the structure has
// changed since the last analysis: run the analysis again").
void ElementForceHistory(Model& model, int element, HistoryResult& out, int globalFlag,
                         AnalysisCallbacks* callbacks = nullptr);
// The same into out alone: the corrected histories when the analysis solved the second
// line, else the uncorrected ones.
void ElementForceHistory(Model& model, int element, numeric::RealMatrix& out, int globalFlag,
                         AnalysisCallbacks* callbacks = nullptr);

// Time histories of node's six displacements (6 x Nw), by the same inverse transform from
// its DispSpectrum (and DispSpectrum2); the same refusal as ElementForceHistory.
void NodeDisplacementHistory(Model& model, int node, HistoryResult& out);
// The same into out alone: corrected when the analysis solved the second line.
void NodeDisplacementHistory(Model& model, int node, numeric::RealMatrix& out);

// The load rise time of the analysis form: a text that is not a number gives 0; a value
// below 0 or above 0.1 becomes 0.1.
double TauFromText(const std::string& text);
double ClampTau(double tau);

}  // namespace fem
