#include "analysis/damped_element.h"

#include <complex>

namespace fem {

using numeric::Complex;

Complex EffectiveLaplaceVariable(Complex s, const RayleighCoefficients& d) {
    const std::complex<double> z(s.re, s.im);
    const std::complex<double> root = std::sqrt((z * z + d.Alpha * z) / (1.0 + d.Beta * z));
    return root.real() >= 0.0 ? Complex{root.real(), root.imag()}
                              : Complex{-root.real(), -root.imag()};
}

void DampedStiffDyn(Complex s, const ElementRecord& e, const RayleighCoefficients& d,
                    ElementWork& work, numeric::ComplexMatrix& K12) {
    if (d.None()) {
        ElemStiffDyn(s, e, work, K12);
        return;
    }
    ElemStiffDyn(EffectiveLaplaceVariable(s, d), e, work, K12);
    const Complex factor{1.0 + d.Beta * s.re, d.Beta * s.im};
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) K12(i, j) = numeric::CMul(K12(i, j), factor);
}

std::vector<RayleighCoefficients> ElementDampings(const Model& model) {
    std::vector<RayleighCoefficients> out;
    if (!model.Damped()) return out;
    out.reserve(model.Elements.size());
    for (const ElementRecord& e : model.Elements) out.push_back(model.DampingOf(e));
    return out;
}

}  // namespace fem
