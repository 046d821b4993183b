// Numerical inverse Laplace transform and the time histories made with it.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

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

// f(t_j) = growth(j) Re sum_k HannWeight(|k|) Scale F(s_k) e^(i 2 pi k j / Nw), with
// F(s_-k) = conj F(s_k): one inverse DFT of length Nw. growth is ExpGrowth for a spectrum
// on the first line, ExpGrowth2 on the second.
void InvertRow(AnalysisState& a, const Complex* spectrum, const std::vector<double>& growth,
               double* out) {
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
        const double v = growth[j] * w[j].re;
        CheckFinite(v, "InvertSpectrum");
        out[j] = v;
    }
}

// Aliasing and its correction. By Poisson's summation the Fourier series of the inversion
// sums e^(-gamma t) f(t) over its shifts by whole periods Te; multiplied by e^(gamma t)
// it gives, apart from the window's smoothing and with f = 0 before t = 0,
//   f_a(t) = f(t) + a f(t + Te) + a^2 f(t + 2 Te) + ...,        a = e^(-gamma Te).
// The second line, gamma2 = gamma + Delta / Te, sees the same images with b = a e^(-Delta).
// The first image cancels in
//   f_c = (b f_a - a f_b) / (b - a) = f_a - e,      e = (f_a - f_b) / (1 - e^(-Delta)),
// while image n keeps the coefficient (b a^n - a b^n) / (b - a) = -a b (a^(n-1) -
// b^(n-1)) / (a - b): what remains is
//   f_c - f = -a b [f(t + 2 Te) + (a + b) f(t + 3 Te) + (a^2 + a b + b^2) f(t + 4 Te) + ...],
// led by the second image times -e^(-(2 gamma Te + Delta)): 2.3E-6 of f(t + 2 Te) at
// gamma Te = 5, where the uncorrected history carries 6.7E-3 of f(t + Te). e = f_a - f_c
// estimates the aliasing error f_a - f = a f(t + Te) + a^2 f(t + 2 Te) + ... of the
// uncorrected history, wrong by the same remainder with the opposite sign.
//
// Delta (kAliasingShift) trades that remainder, falling as e^(-Delta), against what the
// combination amplifies besides the images. Rounding: an error of a transform-point
// solution or of the second inversion comes back grown by e^(gamma2 t), e^Delta times the
// first line's (1E-15 of the peak becomes 6E-11 at gamma Te 8 and Delta 3), and e scales
// the difference of the lines by 1 / (1 - e^(-Delta)) (1.6 at Delta 1, 1.05 at 3). The
// window weighs more: the Hann weight averages neighbouring instants of e^(-gamma t) f,
// so a smooth f comes back as about f (1 + (gamma Te / Nw)^2 / 4), and kinks and jumps
// are smoothed too; the two lines are smoothed differently and the combination raises
// that floor by 10 to 15 % per unit of Delta. Largest error of the tip displacement of a
// fixed-free bar under a step, against its exact wave solution, away from the jumps,
// relative to the peak, at Delta = 1, 2, 3, 4 (uncorrected in brackets):
//   gamma Te 5, Nw 512 (window-bound): 0.9E-4, 1.1E-4, 1.3E-4, 1.6E-4 (5.4E-3)
//   gamma Te 5, Nw 8192:               1.7E-5, 6.2E-6, 2.4E-6, 0.9E-6 (6.7E-3)
//   gamma Te 1, Nw 512:                5.6E-2, 2.0E-2, 7.1E-3, 2.6E-3 (0.38)
// Delta = 3 keeps the remainder near 1E-3 of the response or below from gamma Te 2 up,
// and costs at most a fifth more than Delta = 2 where the window's floor decides.
void CombineLines(int Nw, const double* first, const double* second, double* corrected,
                  double* error) {
    const double gain = 1.0 / (1.0 - std::exp(-kAliasingShift));
    for (int j = 0; j < Nw; ++j) {
        error[j] = (first[j] - second[j]) * gain;
        corrected[j] = first[j] - error[j];
    }
}

// The rows 0 .. rows-1 of first (and second, on the second line, when not null) into out.
void InvertHistories(AnalysisState& a, const numeric::ComplexMatrix& first,
                     const numeric::ComplexMatrix* second, int rows, HistoryResult& out) {
    const int Nw = a.Nw;
    out.Uncorrected.Resize(rows, Nw);
    for (int c = 0; c < rows; ++c) InvertRow(a, first.Row(c), a.ExpGrowth, out.Uncorrected.Row(c));
    if (!second) {
        out.Corrected = numeric::RealMatrix();
        out.EstimatedError = numeric::RealMatrix();
        return;
    }
    out.Corrected.Resize(rows, Nw);
    out.EstimatedError.Resize(rows, Nw);
    std::vector<double> f2(Nw);
    for (int c = 0; c < rows; ++c) {
        InvertRow(a, second->Row(c), a.ExpGrowth2, f2.data());
        CombineLines(Nw, out.Uncorrected.Row(c), f2.data(), out.Corrected.Row(c),
                     out.EstimatedError.Row(c));
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
    a.ForceSpectrum2.Resize(12, half + 1);
    numeric::BuildCosTable(Nw, a.CosTable);
    a.HannWeight.resize(half + 1);
    for (int k = 0; k <= half; ++k)
        a.HannWeight[k] = (std::cos(numeric::TwoPi * k / Nw) + 1.0) * 0.5;
    a.ExpGrowth.resize(Nw);
    a.ExpGrowth2.resize(Nw);
    for (int j = 0; j < Nw; ++j) {
        a.ExpGrowth[j] = std::exp(j * a.GammaTe / Nw);
        a.ExpGrowth2[j] = std::exp(j * (a.GammaTe + kAliasingShift) / Nw);
        CheckFinite(a.ExpGrowth[j], "BuildTables");
        CheckFinite(a.ExpGrowth2[j], "BuildTables");
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
    InvertRow(a, a.ForceSpectrum.Row(c), a.ExpGrowth, out.Row(c));
}

void ElementForceHistory(Model& model, int element, HistoryResult& out, int globalFlag,
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
    if (!a.TablesReady) BuildTables();
    const int lines = a.AliasingCorrected ? 2 : 1;

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
        for (int line = 0; line < lines; ++line) {
            const Complex s = detail::TransformPoint(a, k, line);
            ElemStiffDyn(s, e, a.ElemK);
            const numeric::ComplexMatrix& u1 = detail::LineSpectrum(n1, line);
            const numeric::ComplexMatrix& u2 = detail::LineSpectrum(n2, line);
            for (int j = 0; j < 6; ++j) {
                u[j] = u1(j, k);
                u[6 + j] = u2(j, k);
            }
            numeric::MatVecComplex(12, f, a.ElemK, u);
            const Complex* result = f;
            if (globalFlag != 1) {
                RotateVector12(e.RotMatrix, f, fl);
                result = fl;
            }
            numeric::ComplexMatrix& spectrum = line == 0 ? a.ForceSpectrum : a.ForceSpectrum2;
            for (int c = 0; c < 12; ++c) spectrum(c, k) = result[c];
        }
    }
    InvertHistories(a, a.ForceSpectrum, lines == 2 ? &a.ForceSpectrum2 : nullptr, 12, out);
    if (globalFlag == 0)
        for (numeric::RealMatrix* m : {&out.Uncorrected, &out.Corrected, &out.EstimatedError}) {
            if (m->Empty()) continue;
            for (int c = 0; c < 6; ++c) {
                double* row = m->Row(c);
                for (int j = 0; j < Nw; ++j) row[j] = -row[j];
            }
        }
}

void ElementForceHistory(Model& model, int element, numeric::RealMatrix& out, int globalFlag,
                         AnalysisCallbacks* callbacks) {
    HistoryResult histories;
    ElementForceHistory(model, element, histories, globalFlag, callbacks);
    out = std::move(histories.Corrected.Empty() ? histories.Uncorrected : histories.Corrected);
}

void NodeDisplacementHistory(Model& model, int node, HistoryResult& out) {
    if (node < 0 || node >= model.NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckDynamicResult(model);
    AnalysisState& a = Analysis();
    a.Scale = a.Nw / a.Te;
    if (!a.TablesReady) BuildTables();
    const NodeRecord& n = model.Nodes[node];
    InvertHistories(a, n.DispSpectrum, a.AliasingCorrected ? &n.DispSpectrum2 : nullptr, 6, out);
}

void NodeDisplacementHistory(Model& model, int node, numeric::RealMatrix& out) {
    HistoryResult histories;
    NodeDisplacementHistory(model, node, histories);
    out = std::move(histories.Corrected.Empty() ? histories.Uncorrected : histories.Corrected);
}

}  // namespace fem
