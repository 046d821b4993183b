// Numerical inverse Laplace transform and the time histories made with it.
#include "analysis/histories.h"

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "analysis/damped_element.h"
#include "analysis/dynamic_loading.h"
#include "analysis/element.h"
#include "analysis/node_terms.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/fft.h"

namespace fem {

using numeric::CheckFinite;
using numeric::Complex;
using numeric::ComputationFailure;

namespace {

// Refuses to invert spectra that are missing or partial.
void CheckComplete(const ImpactSolution& solution) {
    if (!solution.Complete())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "no complete dynamic result: run the analysis again");
    if (!solution.AllPoints())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the solution holds only some of the transform points");
}

// Refuses a node whose spectra the solution does not hold.
void CheckHeld(const ImpactSolution& solution, int node) {
    if (!solution.HoldsNode(node))
        throw ComputationFailure(
            numeric::kOutOfRange,
            "the solution does not hold the spectra of node " + std::to_string(node));
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

// The rows 0 .. rows-1 of the spectra row(c, line) into out; the second line's when lines
// is 2.
template <class RowOf>
HistoryResult InvertHistories(const InverseTransform& inverse, int lines, int rows,
                              const RowOf& row) {
    const int Nw = inverse.Nw();
    std::vector<Complex> work(Nw);
    HistoryResult out;
    out.Uncorrected.Resize(rows, Nw);
    for (int c = 0; c < rows; ++c)
        inverse.Invert(row(c, 0), 0, work.data(), out.Uncorrected.Row(c));
    if (lines < 2) return out;
    out.Corrected.Resize(rows, Nw);
    out.EstimatedError.Resize(rows, Nw);
    std::vector<double> f2(Nw);
    for (int c = 0; c < rows; ++c) {
        inverse.Invert(row(c, 1), 1, work.data(), f2.data());
        CombineLines(Nw, out.Uncorrected.Row(c), f2.data(), out.Corrected.Row(c),
                     out.EstimatedError.Row(c));
    }
    return out;
}

// The element's twelve end forces at point k of line into out.
struct ElementForces {
    ElementForces(const ImpactSolution& solution, int element, ForceAxes axes)
        : solution_(solution),
          e_(solution.Structure().Elements[element]),
          damping_(solution.Structure().DampingOf(e_)),
          axes_(axes) {}

    void At(int k, int line, Complex* out) {
        const Complex s = solution_.Settings().TransformPoint(k, line);
        DampedStiffDyn(s, e_, damping_, work_, K_);
        Complex u[12];
        for (int c = 0; c < 12; ++c) u[c] = solution_.Spectrum(line, e_.EndNode[c / 6], c % 6)[k];
        if (axes_ == ForceAxes::Global) {
            numeric::MatVecComplex(12, out, K_, u);
            return;
        }
        Complex f[12];
        numeric::MatVecComplex(12, f, K_, u);
        RotateVector12(e_.RotMatrix, f, out);
    }

  private:
    const ImpactSolution& solution_;
    const ElementRecord& e_;
    RayleighCoefficients damping_;
    ForceAxes axes_;
    ElementWork work_;
    numeric::ComplexMatrix K_{12, 12};
};

void CheckTables(const ImpactSolution& solution, const InverseTransform& inverse) {
    if (!inverse.Fits(solution.Settings()))
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the inverse transform was made for other settings");
}

void CheckElement(const ImpactSolution& solution, int element) {
    if (element < 0 || element >= solution.Structure().ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(element) + " does not exist");
    for (const int node : solution.Structure().Elements[element].EndNode) CheckHeld(solution, node);
}

}  // namespace

InverseTransform::InverseTransform(const AnalysisSettings& settings)
    : nw_(settings.Nw), te_(settings.Te), gammaTe_(settings.GammaTe) {
    if (const std::string why = SettingsProblem(settings); !why.empty())
        throw ComputationFailure(numeric::kOutOfRange, why);
    const int Nw = nw_;
    const int half = static_cast<int>(std::lround(Nw / 2.0));
    numeric::BuildCosTable(Nw, cosTable_);
    hannWeight_.resize(half + 1);
    for (int k = 0; k <= half; ++k)
        hannWeight_[k] = (std::cos(numeric::TwoPi * k / Nw) + 1.0) * 0.5;
    growth_[0].resize(Nw);
    growth_[1].resize(Nw);
    for (int j = 0; j < Nw; ++j) {
        growth_[0][j] = std::exp(j * settings.GammaTe / Nw);
        growth_[1][j] = std::exp(j * (settings.GammaTe + kAliasingShift) / Nw);
        CheckFinite(growth_[0][j], "the inverse-transform tables");
        CheckFinite(growth_[1][j], "the inverse-transform tables");
    }
    scale_ = Nw / settings.Te;
    CheckFinite(scale_, "the inverse-transform tables");
}

// f(t_j) = growth(j) Re sum_k HannWeight(|k|) Scale F(s_k) e^(i 2 pi k j / Nw), with
// F(s_-k) = conj F(s_k): one inverse DFT of length Nw.
void InverseTransform::Invert(const Complex* spectrum, int line, Complex* w, double* out) const {
    const int Nw = nw_;
    const int half = Nw / 2;
    for (int k = 0; k <= half; ++k) {
        const double h = hannWeight_[k] * scale_;
        w[k] = Complex{h * spectrum[k].re, h * spectrum[k].im};
        if (k != 0 && k != half) w[Nw - k] = numeric::CConj(w[k]);
    }
    numeric::InverseDft(Nw, w, cosTable_);
    const std::vector<double>& growth = growth_[line];
    for (int j = 0; j < Nw; ++j) {
        const double v = growth[j] * w[j].re;
        CheckFinite(v, "the inverse transform");
        out[j] = v;
    }
}

HistoryResult InvertSpectra(const InverseTransform& inverse,
                            const std::vector<numeric::ComplexMatrix>& spectra) {
    const int lines = static_cast<int>(spectra.size());
    if (lines < 1 || lines > 2 || (lines == 2 && spectra[1].Rows() != spectra[0].Rows()))
        throw ComputationFailure(numeric::kOutOfRange, "spectra of one or two lines expected");
    for (const numeric::ComplexMatrix& m : spectra)
        if (m.Cols() != inverse.Nw() / 2 + 1)
            throw ComputationFailure(numeric::kOutOfRange,
                                     "the inverse transform was made for other settings");
    return InvertHistories(inverse, lines, spectra[0].Rows(),
                           [&](int c, int line) { return spectra[line].Row(c); });
}

numeric::ComplexMatrix ElementForceSpectrum(const ImpactSolution& solution, int element,
                                            ForceAxes axes, int line) {
    CheckElement(solution, element);
    if (line < 0 || line >= solution.Lines())
        throw ComputationFailure(numeric::kOutOfRange, "no such line of transform points");
    const int points = solution.PointsPerLine();
    numeric::ComplexMatrix spectrum(12, points);
    ElementForces forces(solution, element, axes);
    Complex f[12];
    for (int k = 0; k < points; ++k) {
        forces.At(k, line, f);
        for (int c = 0; c < 12; ++c) spectrum(c, k) = f[c];
    }
    return spectrum;
}

HistoryResult ElementForceHistory(const ImpactSolution& solution, int element, ForceAxes axes,
                                  AnalysisCallbacks* callbacks) {
    CheckElement(solution, element);
    CheckComplete(solution);
    return ElementForceHistory(solution, element, axes, InverseTransform(solution.Settings()),
                               callbacks);
}

HistoryResult ElementForceHistory(const ImpactSolution& solution, int element, ForceAxes axes,
                                  const InverseTransform& inverse, AnalysisCallbacks* callbacks) {
    CheckElement(solution, element);
    CheckComplete(solution);
    CheckTables(solution, inverse);
    const int Nw = inverse.Nw();
    const int lines = solution.Lines();
    const int points = solution.PointsPerLine();
    numeric::ComplexMatrix spectra[2];
    for (int line = 0; line < lines; ++line) spectra[line].Resize(12, points);
    ElementForces forces(solution, element, axes);
    Complex f[12];
    for (int k = 0; k < points; ++k) {
        if (callbacks) {
            callbacks->Progress(k);
            callbacks->Yield();
        }
        for (int line = 0; line < lines; ++line) {
            forces.At(k, line, f);
            for (int c = 0; c < 12; ++c) spectra[line](c, k) = f[c];
        }
    }
    HistoryResult out =
        InvertHistories(inverse, lines, 12, [&](int c, int line) { return spectra[line].Row(c); });
    if (axes == ForceAxes::Element)
        for (numeric::RealMatrix* m : {&out.Uncorrected, &out.Corrected, &out.EstimatedError}) {
            if (m->Empty()) continue;
            for (int c = 0; c < 6; ++c) {
                double* row = m->Row(c);
                for (int j = 0; j < Nw; ++j) row[j] = -row[j];
            }
        }
    return out;
}

HistoryResult NodeDisplacementHistory(const ImpactSolution& solution, int node,
                                      const InverseTransform& inverse) {
    if (node < 0 || node >= solution.Structure().NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckComplete(solution);
    CheckHeld(solution, node);
    CheckTables(solution, inverse);
    return InvertHistories(inverse, solution.Lines(), 6,
                           [&](int c, int line) { return solution.Spectrum(line, node, c); });
}

HistoryResult NodeDisplacementHistory(const ImpactSolution& solution, int node) {
    if (node < 0 || node >= solution.Structure().NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckComplete(solution);
    return NodeDisplacementHistory(solution, node, InverseTransform(solution.Settings()));
}

namespace {

const DroppedWeight& CheckImpact(const ImpactSolution& solution) {
    const std::optional<DroppedWeight>& impact = solution.Structure().Impact();
    if (!impact)
        throw ComputationFailure(numeric::kOutOfRange, "the structure has no dropped weight");
    CheckHeld(solution, impact->Node);
    return *impact;
}

}  // namespace

numeric::ComplexMatrix ImpactForceSpectrum(const ImpactSolution& solution, int line) {
    const DroppedWeight& d = CheckImpact(solution);
    if (line < 0 || line >= solution.Lines())
        throw ComputationFailure(numeric::kOutOfRange, "no such line of transform points");
    const double mass = d.Weight / kGravity;
    const Vec3& v = d.Velocity;
    const double speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const int points = solution.PointsPerLine();
    numeric::ComplexMatrix spectrum(3, points);
    for (int k = 0; k < points; ++k) {
        const Complex s = solution.Settings().TransformPoint(k, line);
        const Complex strike = StrikeTransform(s, solution.Settings().Te);
        const Complex step = numeric::CDiv(strike, s);
        const Complex s2 = numeric::CMul(s, s);
        for (int j = 0; j < 3; ++j) {
            const Complex u = solution.Spectrum(line, d.Node, j)[k];
            Complex f = numeric::CSub(numeric::CScale(mass * v[j], strike),
                                      numeric::CScale(mass, numeric::CMul(s2, u)));
            if (d.Gravity) f = numeric::CAdd(f, numeric::CScale(d.Weight * v[j] / speed, step));
            spectrum(j, k) = f;
        }
    }
    return spectrum;
}

HistoryResult ImpactForceHistory(const ImpactSolution& solution, const InverseTransform& inverse) {
    CheckImpact(solution);
    CheckComplete(solution);
    CheckTables(solution, inverse);
    numeric::ComplexMatrix spectra[2];
    for (int line = 0; line < solution.Lines(); ++line)
        spectra[line] = ImpactForceSpectrum(solution, line);
    return InvertHistories(inverse, solution.Lines(), 3,
                           [&](int c, int line) { return spectra[line].Row(c); });
}

HistoryResult ImpactForceHistory(const ImpactSolution& solution) {
    CheckImpact(solution);
    CheckComplete(solution);
    return ImpactForceHistory(solution, InverseTransform(solution.Settings()));
}

}  // namespace fem

namespace fem {

HistoryResult NodeResponseHistory(const ImpactSolution& solution, int node,
                                  ResponseQuantity quantity, GroundFrame frame,
                                  const InverseTransform& inverse) {
    const Model& model = solution.Structure();
    const bool relative = frame == GroundFrame::RelativeToGround && model.Ground();
    const std::array<double, 3> direction =
        relative ? GroundUnitDirection(*model.Ground()) : std::array<double, 3>{};
    if (quantity == ResponseQuantity::Displacement && !relative)
        return NodeDisplacementHistory(solution, node, inverse);
    if (node < 0 || node >= model.NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckComplete(solution);
    CheckHeld(solution, node);
    CheckTables(solution, inverse);
    const AnalysisSettings& settings = solution.Settings();
    const int points = solution.PointsPerLine();
    const int lines = solution.Lines();
    const int power = quantity == ResponseQuantity::Velocity       ? 1
                      : quantity == ResponseQuantity::Acceleration ? 2
                                                                   : 0;
    numeric::ComplexMatrix spectra[2];
    for (int line = 0; line < lines; ++line) {
        spectra[line].Resize(6, points);
        for (int k = 0; k < points; ++k) {
            const Complex s = settings.TransformPoint(k, line);
            const Complex ground = relative ? GroundDisplacement(model, settings.Te, s) : Complex{};
            for (int c = 0; c < 6; ++c) {
                Complex u = solution.Spectrum(line, node, c)[k];
                if (relative && c < 3) u = numeric::CSub(u, numeric::CScale(direction[c], ground));
                for (int p = 0; p < power; ++p) u = numeric::CMul(u, s);
                spectra[line](c, k) = u;
            }
        }
    }
    return InvertHistories(inverse, lines, 6,
                           [&](int c, int line) { return spectra[line].Row(c); });
}

HistoryResult NodeResponseHistory(const ImpactSolution& solution, int node,
                                  ResponseQuantity quantity, GroundFrame frame) {
    if (node < 0 || node >= solution.Structure().NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(node) + " does not exist");
    CheckComplete(solution);
    return NodeResponseHistory(solution, node, quantity, frame,
                               InverseTransform(solution.Settings()));
}

namespace {

// A free dof with a spring to the ground (a spring on a fixed dof does nothing).
bool OnSpring(const NodeRecord& n, int dof) {
    return n.BcCode[dof] != "u" && n.Springs[dof] != 0.0;
}

}  // namespace

std::vector<SupportDof> SupportDofs(const Model& model) {
    std::vector<bool> joined(model.NodeCount(), false);
    for (const ElementRecord& e : model.Elements)
        for (const int n : e.EndNode)
            if (n >= 0 && n < model.NodeCount()) joined[n] = true;
    std::vector<SupportDof> out;
    for (int n = 0; n < model.NodeCount(); ++n)
        for (int j = 0; j < 6; ++j)
            if (joined[n] && (model.Nodes[n].BcCode[j] == "u" || OnSpring(model.Nodes[n], j)))
                out.push_back({n, j});
    return out;
}

HistoryResult ReactionHistory(const ImpactSolution& solution, const std::vector<SupportDof>& dofs,
                              AnalysisCallbacks* callbacks) {
    CheckComplete(solution);
    const Model& model = solution.Structure();
    for (const SupportDof& d : dofs)
        if (d.Node < 0 || d.Node >= model.NodeCount() || d.Dof < 0 || d.Dof > 5 ||
            (model.Nodes[d.Node].BcCode[d.Dof] != "u" && !OnSpring(model.Nodes[d.Node], d.Dof)))
            throw ComputationFailure(numeric::kOutOfRange, "node " + std::to_string(d.Node) +
                                                               " has no support on dof " +
                                                               std::to_string(d.Dof));
    // The elements at the supports' nodes, and where each of their ends adds.
    struct End {
        int Element;
        int Side;
        int Row;  // first row of the node's six sums
    };
    std::vector<int> rowOfNode(model.NodeCount(), -1);
    int nodes = 0;
    for (const SupportDof& d : dofs)
        if (rowOfNode[d.Node] < 0) rowOfNode[d.Node] = 6 * nodes++;
    std::vector<End> ends;
    for (int k = 0; k < model.ElementCount(); ++k)
        for (int side = 0; side < 2; ++side) {
            const int n = model.Elements[k].EndNode[side];
            if (rowOfNode[n] >= 0) ends.push_back({k, side, rowOfNode[n]});
        }
    for (const End& end : ends) CheckElement(solution, end.Element);
    const InverseTransform inverse(solution.Settings());
    const int lines = solution.Lines();
    const int points = solution.PointsPerLine();
    std::vector<ElementForces> forces;
    forces.reserve(ends.size());
    for (const End& end : ends) forces.emplace_back(solution, end.Element, ForceAxes::Global);
    numeric::ComplexMatrix sums[2];
    for (int line = 0; line < lines; ++line) sums[line].Resize(std::max(1, 6 * nodes), points);
    Complex f[12];
    for (int k = 0; k < points; ++k) {
        if (callbacks) {
            callbacks->Progress(k);
            callbacks->Yield();
        }
        for (int line = 0; line < lines; ++line)
            for (size_t i = 0; i < ends.size(); ++i) {
                forces[i].At(k, line, f);
                for (int c = 0; c < 6; ++c) {
                    Complex& sum = sums[line](ends[i].Row + c, k);
                    sum = numeric::CAdd(sum, f[6 * ends[i].Side + c]);
                }
            }
    }
    // At a spring the reaction is the spring's force -k (1 + beta s) (U - U_ground), not
    // the end forces' sum.
    bool springs = false;
    for (const SupportDof& d : dofs)
        if (OnSpring(model.Nodes[d.Node], d.Dof)) {
            CheckHeld(solution, d.Node);
            springs = true;
        }
    if (springs) {
        const double beta = NodeDampingOf(model).Beta;
        const std::optional<GroundMotion>& ground = model.Ground();
        const std::array<double, 3> direction =
            ground ? GroundUnitDirection(*ground) : std::array<double, 3>{};
        for (int line = 0; line < lines; ++line)
            for (int k = 0; k < points; ++k) {
                const Complex s = solution.Settings().TransformPoint(k, line);
                const Complex spring{1.0 + beta * s.re, beta * s.im};
                const Complex ug =
                    ground ? GroundDisplacement(model, solution.Settings().Te, s) : Complex{};
                for (const SupportDof& d : dofs) {
                    const NodeRecord& n = model.Nodes[d.Node];
                    if (!OnSpring(n, d.Dof)) continue;
                    Complex u = solution.Spectrum(line, d.Node, d.Dof)[k];
                    if (d.Dof < 3) u = numeric::CSub(u, numeric::CScale(direction[d.Dof], ug));
                    sums[line](rowOfNode[d.Node] + d.Dof, k) =
                        numeric::CScale(-n.Springs[d.Dof], numeric::CMul(spring, u));
                }
            }
    }
    return InvertHistories(inverse, lines, static_cast<int>(dofs.size()), [&](int c, int line) {
        return sums[line].Row(rowOfNode[dofs[c].Node] + dofs[c].Dof);
    });
}

}  // namespace fem
