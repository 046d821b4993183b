#pragma once
// The analysis engine's run-wide state and its top-level operations: the dynamic
// (Laplace-domain) solution, the static solution, the static element results and
// the element nodal-force histories. No Qt: progress, the event-loop yield and the
// stop request come in through AnalysisCallbacks and AnalysisState::StopRequested.
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
    int Nw = 512;           // number of time points: 256 .. 8192, a power of two
    double GammaTe = 5.0;   // gamma * Te as entered
    double Te = 0.001;      // time span of the response, s
    double Gamma = 5000.0;  // real part of every transform point, GammaTe / Te
    double Tau = 0.0;       // load rise time as a fraction of Te
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
    numeric::ComplexMatrix KDyn;

    // Inverse-transform tables.
    std::vector<numeric::Complex> FftWork;
    numeric::ComplexMatrix ForceSpectrum;  // component 0..11 x point 0..Nw/2
    std::vector<double> CosTable;
    std::vector<double> HannWeight;
    std::vector<double> ExpGrowth;
};

AnalysisState& Analysis();

}  // namespace fem
