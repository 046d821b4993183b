#pragma once
// Helpers shared by the engine's source files; not part of its interface.
#include <memory>

#include "analysis/engine.h"

namespace fem::detail {

// s_k = (Gamma, k 2 pi / Te); the dynamic solution and the force histories use the
// same expression so that both see identical transform points.
numeric::Complex TransformPoint(const AnalysisState& a, int k);
// Point k of line 0 (the one above) or line 1, the second line of the aliasing correction
// at Re s = (GammaTe + kAliasingShift) / Te.
numeric::Complex TransformPoint(const AnalysisState& a, int k, int line);
// The node's spectrum on line 0 (DispSpectrum) or line 1 (DispSpectrum2).
inline numeric::ComplexMatrix& LineSpectrum(NodeRecord& n, int line) {
    return line == 0 ? n.DispSpectrum : n.DispSpectrum2;
}
inline const numeric::ComplexMatrix& LineSpectrum(const NodeRecord& n, int line) {
    return line == 0 ? n.DispSpectrum : n.DispSpectrum2;
}

// Raise numeric::ComputationFailure when the numbering of the last analysis does not
// belong to model, or when an element refers to a node that does not exist.
void CheckNumbering(const Model& model);
void CheckEndNodes(const Model& model, const ElementRecord& e);

// The sparsity pattern of the present numbering for model, made anew when the model has
// changed since it was made (elements added, moved or deleted).
std::shared_ptr<const GlobalPattern> PatternFor(const Model& model);

}  // namespace fem::detail
