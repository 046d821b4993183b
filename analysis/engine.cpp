#include "analysis/engine.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "analysis/element.h"
#include "analysis/engine_internal.h"
#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace fem {

using numeric::CheckFinite;
using numeric::Complex;
using numeric::ComputationFailure;

AnalysisState& Analysis() {
    static AnalysisState state;
    return state;
}

namespace detail {

Complex TransformPoint(const AnalysisState& a, int k) {
    return numeric::CMake(a.Gamma, k * numeric::TwoPi / a.Te);
}

void CheckNumbering(const Model& model) {
    const AnalysisState& a = Analysis();
    if (static_cast<int>(a.DofMap.size()) != model.NodeCount() ||
        a.DofCount != 6 * model.NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the degree-of-freedom numbering does not match the structure");
    for (const ElementRecord& e : model.Elements) CheckEndNodes(model, e);
}

void CheckEndNodes(const Model& model, const ElementRecord& e) {
    for (int n : e.EndNode)
        if (n < 0 || n >= model.NodeCount())
            throw ComputationFailure(
                numeric::kOutOfRange,
                "an element refers to node " + std::to_string(n) + ", which does not exist");
}

}  // namespace detail

namespace {

bool IsFree(const std::string& code) {
    return !code.empty() && code[0] == 'p';
}

// Equation number of element dof a (0..11) of element e.
inline int Equation(const AnalysisState& a, const ElementRecord& e, int dof) {
    return a.DofMap[e.EndNode[dof < 6 ? 0 : 1]][dof % 6];
}

}  // namespace

void NumberDofs(Model& model) {
    AnalysisState& a = Analysis();
    const int nodes = model.NodeCount();
    if (6L * nodes > 32767)
        throw ComputationFailure(numeric::kOverflow,
                                 "too many nodes for the analysis: " + std::to_string(nodes) +
                                     " nodes have more than 32767 degrees of freedom (at most "
                                     "5461 nodes)");
    a.DofCount = 0;
    a.FreeDofCount = 0;
    a.DofMap.clear();
    a.DofOwner.clear();
    try {
        const int dofs = 6 * nodes;
        a.DofMap.assign(nodes, std::array<int, 6>{});
        a.DofOwner.assign(dofs, std::pair<int, int>{0, 0});
        a.KDyn.Resize(dofs, dofs);
        a.KStat.Resize(dofs, dofs);
        a.DofCount = dofs;
    } catch (const std::bad_alloc&) {
        a.DofMap.clear();
        a.DofOwner.clear();
        a.KDyn.Resize(0, 0);
        a.KStat.Resize(0, 0);
        throw ComputationFailure(numeric::kOverflow,
                                 "not enough memory for the global matrices of " +
                                     std::to_string(6 * nodes) + " degrees of freedom");
    }
    int top = a.DofCount - 1;
    for (int i = 0; i < nodes; ++i)
        for (int j = 0; j < 6; ++j) {
            if (IsFree(model.Nodes[i].BcCode[j])) {
                a.DofMap[i][j] = a.FreeDofCount;
                a.DofOwner[a.FreeDofCount] = {i, j};
                ++a.FreeDofCount;
            } else {
                a.DofMap[i][j] = top;
                a.DofOwner[top] = {i, j};
                --top;
            }
        }
}

void LoadAtPoint(Model& model, Complex s) {
    const AnalysisState& a = Analysis();
    const Complex q = numeric::CAdd(Complex{1.0, 0.0}, numeric::CScale(a.Te * a.Tau, s));
    const Complex d = numeric::CExp(numeric::CScale(-0.1 * a.Te, s));
    const Complex F = numeric::CDiv(d, numeric::CMul(s, q));
    for (NodeRecord& n : model.Nodes)
        for (int j = 0; j < 6; ++j)
            if (n.BcCode[j] == "pf") n.LoadC[j] = numeric::CScale(n.LoadValue[j], F);
}

std::string SolveLaplace(Model& model, AnalysisCallbacks* callbacks) {
    AnalysisState& a = Analysis();
    a.DynamicComplete = false;
    a.TablesReady = false;
    try {
        detail::CheckNumbering(model);
        const int points = a.Nw / 2 + 1;
        for (NodeRecord& n : model.Nodes) {
            n.DispSpectrum.Resize(6, points);
            for (int j = 0; j < 6; ++j) {
                Complex* row = n.DispSpectrum.Row(j);
                for (int k = 0; k < points; ++k) row[k] = n.FixedDispC[j];
            }
        }
        a.StopRequested = false;

        const int free = a.FreeDofCount;
        const int dofs = a.DofCount;
        if (free == 0) throw ComputationFailure(numeric::kOutOfRange, "no free degree of freedom");
        a.DynA.Resize(free, free);
        a.DynB.assign(free, Complex{});
        a.DynX.assign(free, Complex{});
        a.ElemK.Resize(12, 12);
        // Fixed dofs whose prescribed displacement is not zero move the right side; the
        // others would only subtract zeros at every point.
        std::vector<int> prescribed;
        for (int c = free; c < dofs; ++c) {
            const auto [n, j] = a.DofOwner[c];
            const Complex& v = model.Nodes[n].FixedDispC[j];
            if (v.re != 0.0 || v.im != 0.0) prescribed.push_back(c);
        }

        for (int k = 0; k < points; ++k) {
            const Complex s = detail::TransformPoint(a, k);
            LoadAtPoint(model, s);

            for (int i = 0; i < dofs; ++i) {
                Complex* row = a.KDyn.Row(i);
                for (int j = i; j < dofs; ++j) row[j] = Complex{};
            }
            // Assembly of the upper triangle: the element matrices are symmetric, so
            // each global entry (ga <= gb) takes the element entry of the upper triangle.
            for (const ElementRecord& e : model.Elements) {
                ElemStiffDyn(s, e, a.ElemK);
                for (int p = 0; p < 12; ++p) {
                    const int ga = Equation(a, e, p);
                    for (int q = 0; q < 12; ++q) {
                        const int gb = Equation(a, e, q);
                        if (ga > gb) continue;
                        Complex& g = a.KDyn(ga, gb);
                        const Complex& v = p <= q ? a.ElemK(p, q) : a.ElemK(q, p);
                        g.re += v.re;
                        g.im += v.im;
                        if (!std::isfinite(g.re) || !std::isfinite(g.im)) {
                            CheckFinite(g.re, "dynamic assembly");
                            CheckFinite(g.im, "dynamic assembly");
                        }
                    }
                }
            }

            for (int r = 0; r < free; ++r) {
                const auto [n, j] = a.DofOwner[r];
                Complex b = model.Nodes[n].LoadC[j];
                for (int c : prescribed) {
                    const auto [nf, jf] = a.DofOwner[c];
                    b = numeric::CSub(b,
                                      numeric::CMul(a.KDyn(r, c), model.Nodes[nf].FixedDispC[jf]));
                }
                a.DynB[r] = b;
            }
            for (int i = 0; i < free; ++i) {
                Complex* row = a.DynA.Row(i);
                for (int j = 0; j < free; ++j) row[j] = i <= j ? a.KDyn(i, j) : a.KDyn(j, i);
            }
            numeric::GaussSolveComplex(free, a.DynA, a.DynB, a.DynX, callbacks, &a.Work);
            for (int r = 0; r < free; ++r) {
                const auto [n, j] = a.DofOwner[r];
                model.Nodes[n].DispSpectrum(j, k) = a.DynX[r];
            }

            if (callbacks) {
                callbacks->Progress(k);
                callbacks->Yield();
            }
            if (a.StopRequested) return kUserStop;
        }
    } catch (...) {
        return kGaussError;
    }
    a.DynamicComplete = true;
    return "";
}

std::string RunDynamic(Model& model, int Nw, double GammaTe, double Te,
                       AnalysisCallbacks* callbacks) {
    AnalysisState& a = Analysis();
    a.DynamicComplete = false;
    a.TablesReady = false;
    if (Nw < 4 || Nw > 16384 || (Nw & (Nw - 1)) != 0)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "the number of time points must be a power of two from 4 to "
                                 "16384, not " +
                                     std::to_string(Nw));
    a.Nw = Nw;
    a.GammaTe = GammaTe;
    a.Te = Te;
    a.Gamma = GammaTe / Te;
    for (ElementRecord& e : model.Elements) {
        BuildRotation(e.AxisCos, e.RotMatrix);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) e.RotMatrixT[i][j] = e.RotMatrix[j][i];
    }
    NumberDofs(model);
    return SolveLaplace(model, callbacks);
}

std::string SolveStatic(Model& model) {
    AnalysisState& a = Analysis();
    for (NodeRecord& n : model.Nodes) {
        n.StaticDisp = n.FixedDisp;
        n.StaticForce = n.LoadValue;
    }
    a.StopRequested = false;
    try {
        detail::CheckNumbering(model);
        const int free = a.FreeDofCount;
        const int dofs = a.DofCount;
        a.KStat.Fill(0.0);
        for (const ElementRecord& e : model.Elements) {
            ElemStiffStat(e, a.ElemKStat);
            for (int p = 0; p < 12; ++p) {
                const int ga = Equation(a, e, p);
                for (int q = 0; q < 12; ++q) a.KStat(ga, Equation(a, e, q)) += a.ElemKStat(p, q);
            }
        }
        if (free == 0) throw ComputationFailure(numeric::kOutOfRange, "no free degree of freedom");
        a.StatA.Resize(free, free);
        a.StatB.assign(free, 0.0);
        a.StatX.assign(free, 0.0);
        for (int r = 0; r < free; ++r) {
            const auto [n, j] = a.DofOwner[r];
            double b = model.Nodes[n].StaticForce[j];
            for (int c = free; c < dofs; ++c) {
                const auto [nf, jf] = a.DofOwner[c];
                b -= model.Nodes[nf].StaticDisp[jf] * a.KStat(r, c);
            }
            CheckFinite(b, "SolveStatic");
            a.StatB[r] = b;
        }
        for (int i = 0; i < free; ++i)
            for (int j = 0; j < free; ++j) {
                CheckFinite(a.KStat(i, j), "SolveStatic");
                a.StatA(i, j) = a.KStat(i, j);
            }
        numeric::GaussSolveReal(free, a.StatA, a.StatB, a.StatX, &a.Work);
        for (int r = 0; r < free; ++r) {
            const auto [n, j] = a.DofOwner[r];
            model.Nodes[n].StaticDisp[j] = a.StatX[r];
        }
    } catch (...) {
        return kGaussError;
    }
    return "";
}

void StaticElementResults(Model& model, int e) {
    if (e < 0 || e >= model.ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(e) + " does not exist");
    ElementRecord& el = model.Elements[e];
    detail::CheckEndNodes(model, el);
    AnalysisState& a = Analysis();
    ElemStiffStat(el, a.ElemKStat);
    double u[12];
    for (int side = 0; side < 2; ++side)
        for (int j = 0; j < 6; ++j) u[6 * side + j] = model.Nodes[el.EndNode[side]].StaticDisp[j];
    double f[12];
    numeric::MatVecReal(12, f, a.ElemKStat, u);
    for (int c = 0; c < 12; ++c) el.StaticEndForceGlobal[c] = f[c];
    RotateVector12(el.RotMatrix, f, el.StaticEndForceLocal.data());
    RotateVector12(el.RotMatrix, u, el.StaticEndDispLocal.data());
    for (int c = 0; c < 6; ++c) el.StaticEndForceLocal[c] = -el.StaticEndForceLocal[c];
}

AnalysisMessages RunAnalysis(Model& model, int Nw, double GammaTe, double Te, double Tau,
                             AnalysisCallbacks* callbacks) {
    Analysis().Tau = Tau;
    AnalysisMessages m;
    m.Dynamic = RunDynamic(model, Nw, GammaTe, Te, callbacks);
    m.Static = SolveStatic(model);
    for (int e = 0; e < model.ElementCount(); ++e) StaticElementResults(model, e);
    return m;
}

double ClampTau(double tau) {
    if (tau < 0.0 || tau > 0.1) return 0.1;
    return tau;
}

double TauFromText(const std::string& text) {
    double v = 0.0;
    if (!numeric::ParseNumber(text, v)) v = 0.0;  // not a number
    return ClampTau(v);
}

}  // namespace fem
