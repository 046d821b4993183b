#pragma once
// The still shape of a natural mode in the three-dimensional view: every bar drawn as
// the exact solution of the bar at the mode's frequency through its end displacements
// (with the bar's own vibration between nodes at rest), magnified. Plain C++.
#include <array>
#include <vector>

namespace fem {
class Model;
struct NaturalMode;
}  // namespace fem
namespace view3d {
class SceneView;
}

namespace shell {

// Points along every bar at which the shape is drawn (20 segments, as the static
// deformation).
inline constexpr int kModeShapePoints = 21;

// The displacements ux, uy, uz (global axes, the mode's scaling) at kModeShapePoints
// points from the first node of each element to its second.
[[nodiscard]] std::vector<std::vector<std::array<double, 3>>> ModeShapeTranslations(
    const fem::Model& model, const fem::NaturalMode& mode);

// The magnification that draws the largest translation of the shape as a tenth of the
// structure's largest extent along x, y or z; 1 when the shape or the structure has
// no extent.
[[nodiscard]] double DefaultModeMagnification(const fem::Model& model,
                                              const fem::NaturalMode& mode);

// Draws the shape, magnified, over what the view holds (the structure, normally).
void DrawModeShape(view3d::SceneView& view, const fem::Model& model, const fem::NaturalMode& mode,
                   double magnification);

}  // namespace shell
