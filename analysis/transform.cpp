// Numerical inverse Laplace transform and the time histories made with it.
#include <cmath>
#include <string>

#include "analysis/element.h"
#include "analysis/engine.h"
#include "analysis/engine_internal.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/fft.h"

namespace fem {

using numeric::CheckFinite;
using numeric::Complex;
using numeric::ComputationFailure;

namespace {

void CheckLength(int Nw) {
    if (Nw < 4 || (Nw & (Nw - 1)) != 0)
        throw ComputationFailure(
            numeric::kOutOfRange,
            "the number of time points must be a power of two, not " + std::to_string(Nw));
}

// Refuses to invert spectra that are missing, partial or no longer belong to model.
void CheckDynamicResult(const Model& model) {
    if (!Analysis().DynamicComplete)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "no complete dynamic result: run the analysis again");
    if (!DynamicResultsBelongTo(model))
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the structure has changed since the last analysis: run the "
                                 "analysis again");
}

// f(t_j) = ExpGrowth(j) Re sum_k HannWeight(|k|) Scale F(s_k) e^(i 2 pi k j / Nw), with
// F(s_-k) = conj F(s_k): one inverse DFT of length Nw.
void InvertRow(AnalysisState& a, const Complex* spectrum, double* out) {
    const int Nw = a.Nw;
    const int half = Nw / 2;
    Complex* w = a.FftWork.data();
    for (int k = 0; k <= half; ++k) {
        const double h = a.HannWeight[k] * a.Scale;
        w[k] = Complex{h * spectrum[k].re, h * spectrum[k].im};
        if (k != 0 && k != half) w[Nw - k] = numeric::CConj(w[k]);
    }
    numeric::InverseDft(Nw, w, a.CosTable);
    for (int j = 0; j < Nw; ++j) {
        const double v = a.ExpGrowth[j] * w[j].re;
        CheckFinite(v, "InvertSpectrum");
        out[j] = v;
    }
}

}  // namespace

void BuildTables() {
    AnalysisState& a = Analysis();
    const int Nw = a.Nw;
    CheckLength(Nw);
    const int half = static_cast<int>(std::lround(Nw / 2.0));
    a.TablesReady = false;
    a.FftWork.assign(Nw, Complex{});
    a.ForceSpectrum.Resize(12, half + 1);
    numeric::BuildCosTable(Nw, a.CosTable);
    a.HannWeight.resize(half + 1);
    for (int k = 0; k <= half; ++k)
        a.HannWeight[k] = (std::cos(numeric::TwoPi * k / Nw) + 1.0) * 0.5;
    a.ExpGrowth.resize(Nw);
    for (int j = 0; j < Nw; ++j) {
        a.ExpGrowth[j] = std::exp(j * a.GammaTe / Nw);
        CheckFinite(a.ExpGrowth[j], "BuildTables");
    }
    a.Scale = Nw / a.Te;
    CheckFinite(a.Scale, "BuildTables");
    a.TablesReady = true;
}

void InvertSpectrum(int c, numeric::RealMatrix& out) {
    AnalysisState& a = Analysis();
    if (!a.TablesReady)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the inverse-transform tables are not built");
    if (c < 0 || c >= a.ForceSpectrum.Rows() || c >= out.Rows() || out.Cols() < a.Nw)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "InvertSpectrum: component outside the arrays");
    InvertRow(a, a.ForceSpectrum.Row(c), out.Row(c));
}

void ElementForceHistory(Model& model, int element, numeric::RealMatrix& out, int globalFlag,
                         AnalysisCallbacks* callbacks) {
    if (element < 0 || element >= model.ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(element) + " does not exist");
    CheckDynamicResult(model);
    const ElementRecord e = model.Elements[element];
    detail::CheckEndNodes(model, e);
    AnalysisState& a = Analysis();
    const int Nw = a.Nw;
    a.Scale = Nw / a.Te;
    out.Resize(12, Nw);
    if (!a.TablesReady) BuildTables();

    const NodeRecord& n1 = model.Nodes[e.EndNode[0]];
    const NodeRecord& n2 = model.Nodes[e.EndNode[1]];
    Complex u[12];
    Complex f[12];
    Complex fl[12];
    a.ElemK.Resize(12, 12);
    for (int k = 0; k <= Nw / 2; ++k) {
        if (callbacks) {
            callbacks->Progress(k);
            callbacks->Yield();
        }
        const Complex s = detail::TransformPoint(a, k);
        ElemStiffDyn(s, e, a.ElemK);
        for (int j = 0; j < 6; ++j) {
            u[j] = n1.DispSpectrum(j, k);
            u[6 + j] = n2.DispSpectrum(j, k);
        }
        numeric::MatVecComplex(12, f, a.ElemK, u);
        const Complex* result = f;
        if (globalFlag != 1) {
            RotateVector12(e.RotMatrix, f, fl);
            result = fl;
        }
        for (int c = 0; c < 12; ++c) a.ForceSpectrum(c, k) = result[c];
    }
    for (int c = 0; c < 12; ++c) InvertSpectrum(c, out);
    if (globalFlag == 0)
        for (int c = 0; c < 6; ++c) {
            double* row = out.Row(c);
            for (int j = 0; j < Nw; ++j) row[j] = -row[j];
        }
}

void NodeDisplacementHistory(Model& model, int node, numeric::RealMatrix& out) {
    if (node < 0 || node >= model.NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckDynamicResult(model);
    AnalysisState& a = Analysis();
    a.Scale = a.Nw / a.Te;
    out.Resize(6, a.Nw);
    if (!a.TablesReady) BuildTables();
    const NodeRecord& n = model.Nodes[node];
    for (int j = 0; j < 6; ++j) InvertRow(a, n.DispSpectrum.Row(j), out.Row(j));
}

}  // namespace fem
