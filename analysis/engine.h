#pragma once
// The analysis engine's run-wide state and its top-level operations: the dynamic
// (Laplace-domain) solution, the static solution, the static element results and
// the element nodal-force histories. No Qt: progress, the event-loop yield and the
// stop request come in through AnalysisCallbacks and AnalysisState::StopRequested.
//
// The engine works in place on the model passed in (the program passes fem::FEM()):
// it writes the nodes' DispSpectrum, StaticDisp, StaticForce, the "pf" dofs' LoadC,
// the elements' static results and rebuilds their RotMatrix/RotMatrixT.
// Units mm, kgf, s; transform points s_k = Gamma + i 2 pi k / Te, k = 0 .. Nw/2;
// time instants t_j = j Te / Nw, j = 0 .. Nw - 1.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "model/model.h"
#include "numeric/gauss.h"
#include "numeric/yield.h"

namespace fem {

// Messages that end a solution; an empty message means success.
inline const char* const kUserStop = "User Stop";
inline const char* const kGaussError = "Gauss Error";

// Progress of a long computation. Yield() is called once per pivot row of every
// complex solution and once per transform point; Progress(k) after transform point k.
class AnalysisCallbacks : public numeric::YieldHook {
  public:
    void Yield() override {}
    virtual void Progress(int /*k*/) {}
};

// Run-wide analysis state (one instance, Analysis()).
struct AnalysisState {
    // Parameters stored by the last dynamic solution.
    int Nw = 512;                // number of time points: 256 .. 8192, a power of two
    double GammaTe = 5.0;        // gamma * Te as entered
    double Te = 0.001;           // time span of the response, s
    double Gamma = 5000.0;       // real part of every transform point, GammaTe / Te
    double Tau = 0.0;            // load rise time as a fraction of Te; set by the caller
    bool StopRequested = false;  // set by the stop button, polled between transform points
    bool TablesReady = false;    // inverse-transform tables match the last dynamic solution
    // Set when the last dynamic solution completed at every transform point; false
    // before any analysis and after a stopped or failed one.
    bool DynamicComplete = false;

    // Degree-of-freedom numbering of the last analysis.
    int DofCount = 0;
    int FreeDofCount = 0;
    std::vector<std::array<int, 6>> DofMap;     // equation number of (node, dof)
    std::vector<std::pair<int, int>> DofOwner;  // (node, dof) owning each equation
    numeric::RealMatrix KStat;
    numeric::ComplexMatrix KDyn;  // only entries with row <= column are filled and read

    // Inverse-transform tables.
    std::vector<numeric::Complex> FftWork;
    numeric::ComplexMatrix ForceSpectrum;  // component 0..11 x point 0..Nw/2
    std::vector<double> CosTable;
    std::vector<double> HannWeight;
    std::vector<double> ExpGrowth;
    double Scale = 0.0;  // Nw / Te of the present inversion

    // Work arrays, sized once per analysis (not per transform point).
    numeric::ComplexMatrix DynA;  // reduced dynamic system
    std::vector<numeric::Complex> DynB;
    std::vector<numeric::Complex> DynX;
    numeric::RealMatrix StatA;  // reduced static system
    std::vector<double> StatB;
    std::vector<double> StatX;
    numeric::SolverWork Work;
    numeric::ComplexMatrix ElemK;  // one element's 12 x 12 dynamic stiffness
    numeric::RealMatrix ElemKStat;
};

AnalysisState& Analysis();

// Numbers the degrees of freedom of model: free ones ("p...") upwards in node-then-dof
// order, fixed ones downwards from DofCount - 1; sizes KStat and KDyn (all zeros).
// Raises numeric::ComputationFailure when 6 x NodeCount exceeds 32767.
void NumberDofs(Model& model);

// Sets LoadC of every "pf" dof to LoadValue * F(s), F(s) = e^(-s Te/10) / (s (1 + s Tau Te)),
// the transform of a unit step delayed by Te/10 rising with time constant Tau Te.
void LoadAtPoint(Model& model, numeric::Complex s);

// Solves the Laplace-domain problem at every transform point with the numbering of the
// same analysis; fills every node's DispSpectrum (6 x Nw/2+1). Returns "", kUserStop
// (points after the stopped one keep their initial fill FixedDispC) or kGaussError.
[[nodiscard]] std::string SolveLaplace(Model& model, AnalysisCallbacks* callbacks = nullptr);

// Stores Nw, GammaTe, Te and Gamma, rebuilds every element's local axes, numbers the
// dofs and runs SolveLaplace. Tau is read from Analysis().Tau. A failure of the
// numbering (too many nodes) or an Nw that is not a power of two from 4 to 16384
// propagates as numeric::ComputationFailure.
[[nodiscard]] std::string RunDynamic(Model& model, int Nw, double GammaTe, double Te,
                                     AnalysisCallbacks* callbacks = nullptr);

// Static solution with the numbering of the same analysis: StaticDisp and StaticForce
// of every node. Returns "" or kGaussError (then unsolved dofs keep FixedDisp).
[[nodiscard]] std::string SolveStatic(Model& model);

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

// Builds FftWork, ForceSpectrum (zeroed), CosTable, HannWeight, ExpGrowth and Scale for
// the stored Nw, Te and GammaTe, and sets TablesReady.
void BuildTables();

// Inverts ForceSpectrum(c, 0 .. Nw/2) into out(c, 0 .. Nw-1) by the Hann-weighted Fourier
// series. The tables must be ready and out at least (c+1) x Nw.
void InvertSpectrum(int c, numeric::RealMatrix& out);

// Time histories of element's twelve end forces into out (12 x Nw): global components
// K u when globalFlag is 1; otherwise element components with the first node's six
// values negated (internal forces). Builds the tables on the first use after an
// analysis. Raises numeric::ComputationFailure when there is no complete dynamic result
// for the present model (message "no complete dynamic result: run the analysis again").
void ElementForceHistory(Model& model, int element, numeric::RealMatrix& out, int globalFlag,
                         AnalysisCallbacks* callbacks = nullptr);

// Time histories of node's six displacements into out (6 x Nw), by the same inverse
// transform from its DispSpectrum; the same refusal as ElementForceHistory.
void NodeDisplacementHistory(Model& model, int node, numeric::RealMatrix& out);

// The load rise time of the analysis form: a text that is not a number gives 0; a value
// below 0 or above 0.1 becomes 0.1.
double TauFromText(const std::string& text);
double ClampTau(double tau);

}  // namespace fem
