#include "analysis/dynamic_loading.h"

#include <algorithm>
#include <string>

#include "analysis/damped_element.h"
#include "analysis/load_transform.h"
#include "numeric/failure.h"

namespace fem {

using numeric::Complex;
using numeric::ComputationFailure;

namespace {

const LoadHistory& NamedHistory(const Model& model, const std::string& name) {
    const auto found = model.Histories().find(name);
    if (found == model.Histories().end())
        throw ComputationFailure(numeric::kOutOfRange, "history \"" + name + "\" does not exist");
    return found->second;
}

}  // namespace

Complex GroundDisplacement(const Model& model, double Te, Complex s) {
    const std::optional<GroundMotion>& g = model.Ground();
    if (!g) return Complex{};
    const Complex h = HistoryTransform(NamedHistory(model, g->History), s, Te / 10.0);
    if (g->Quantity == GroundQuantity::Displacement) return h;
    return numeric::CDiv(h, numeric::CMul(s, s));
}

DynamicLoading::DynamicLoading(const Model& model, const DofNumbering& numbering,
                               const AnalysisSettings& settings)
    : model_(model), numbering_(numbering), te_(settings.Te), tau_(settings.Tau) {
    std::vector<std::string> names;
    for (int r = 0; r < numbering.FreeDofCount; ++r) {
        const auto [n, j] = numbering.DofOwner[r];
        const NodeRecord& node = model.Nodes[n];
        if (node.BcCode[j] != "pf") continue;
        Load load{r, node.LoadValue[j], -1};
        const std::string& name = node.History[j];
        if (!name.empty()) {
            const auto at = std::find(names.begin(), names.end(), name);
            load.History = static_cast<int>(at - names.begin());
            if (at == names.end()) {
                names.push_back(name);
                histories_.push_back(&NamedHistory(model, name));
            }
        }
        loads_.push_back(load);
    }
    strikes_ = StrikeLoads(model, numbering);
    const std::optional<GroundMotion>& g = model.Ground();
    if (!g) return;
    springBeta_ = NodeDampingOf(model).Beta;
    for (int n = 0; n < model.NodeCount(); ++n)
        for (int j = 0; j < 3; ++j) {
            const double k = model.Nodes[n].Springs[j] * GroundUnitDirection(*g)[j];
            if (k != 0.0 && numbering.IsFree(n, j))
                groundSprings_.push_back({numbering.DofMap[n][j], k});
        }
    (void)NamedHistory(model, g->History);
    direction_ = GroundUnitDirection(*g);
    std::vector<bool> touched(model.NodeCount(), false);
    for (const ElementRecord& e : model.Elements)
        for (const int n : e.EndNode) touched[n] = true;
    const std::array<double, 3> direction = GroundUnitDirection(*g);
    for (int n = 0; n < model.NodeCount(); ++n)
        for (int j = 0; j < 3; ++j)
            if (touched[n] && !numbering.IsFree(n, j) && direction[j] != 0.0)
                moved_.push_back({n, j, direction[j]});
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        for (const MovedDof& m : moved_)
            if (m.Node == e.EndNode[0] || m.Node == e.EndNode[1]) {
                movedElements_.push_back(k);
                break;
            }
    }
}

Complex DynamicLoading::Ground(Complex s) const {
    return GroundDisplacement(model_, te_, s);
}

void DynamicLoading::RightSide(Complex s, const std::vector<RayleighCoefficients>& damping,
                               ElementWork& work, numeric::ComplexMatrix& ke,
                               std::complex<double>* b) const {
    std::fill(b, b + numbering_.FreeDofCount, std::complex<double>{});
    // The loads without a history of their own keep the run's step transform as it was.
    const Complex step = StepLoadTransform(s, te_, tau_);
    std::vector<Complex> named(histories_.size());
    for (size_t h = 0; h < histories_.size(); ++h)
        named[h] = HistoryTransform(*histories_[h], s, te_ / 10.0);
    for (const Load& l : loads_) {
        const Complex load = numeric::CScale(l.Size, l.History < 0 ? step : named[l.History]);
        b[l.Equation] = std::complex<double>(load.re, load.im);
    }
    if (!strikes_.empty()) {
        const Complex impulse = StrikeTransform(s, te_);
        const Complex after = numeric::CDiv(impulse, s);
        for (const StrikeLoad& strike : strikes_) {
            const Complex load = numeric::CAdd(numeric::CScale(strike.Impulse, impulse),
                                               numeric::CScale(strike.Step, after));
            b[strike.Equation] += std::complex<double>(load.re, load.im);
        }
    }
    if (moved_.empty() && groundSprings_.empty()) return;
    const Complex ug = Ground(s);
    const std::complex<double> u(ug.re, ug.im);
    const std::complex<double> springFactor(1.0 + springBeta_ * s.re, springBeta_ * s.im);
    for (const GroundSpring& spring : groundSprings_)
        b[spring.Equation] += spring.Stiffness * springFactor * u;
    const int order = numbering_.FreeDofCount;
    for (const int k : movedElements_) {
        const ElementRecord& e = model_.Elements[k];
        if (damping.empty())
            ElemStiffDyn(s, e, work, ke);
        else
            DampedStiffDyn(s, e, damping[k], work, ke);
        for (int q = 0; q < 12; ++q) {
            const int node = e.EndNode[q / 6], dof = q % 6;
            if (dof >= 3 || numbering_.IsFree(node, dof)) continue;
            const double component = direction_[dof];
            if (component == 0.0) continue;
            for (int p = 0; p < 12; ++p) {
                const int row = numbering_.DofMap[e.EndNode[p / 6]][p % 6];
                if (row >= order) continue;
                const numeric::Complex& v = ke(p, q);
                b[row] -= std::complex<double>(v.re, v.im) * (component * u);
            }
        }
    }
}

}  // namespace fem
