#pragma once
// Drawing of the structure and its static deformation into the view, on behalf of
// the analysis panel: nodes with their numbers, loads as arrows, supports as marks,
// elements with their numbers and (on request) their local axes, and the static
// deformation magnified. Every node and element item is mirrored onto the panel's
// small picture. Plain C++: the panel hands in what it owns through PanelLink.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/model.h"
#include "platform/surface.h"
#include "view3d/sceneview.h"

namespace view3d {

// What the drawing reads of the analysis panel.
struct PanelLink {
    // The panel's small picture; every structure item is copied onto it. When null the
    // items are not mirrored and the sizes that depend on it use the view's picture.
    platform::Surface* SmallPicture = nullptr;
    double VectorSize = 25.0;  // load arrows are (scale width of SmallPicture) / VectorSize long
    bool ShowElementAxes = false;  // "要素座標軸": draw each element's local axes
    int ElementPenWidth = 3;       // draw width of the element lines
    // Refill the panel's node list with "0" .. count - 1 (select the first entry, enable
    // the list if not empty) and likewise its element list. The panel raises
    // its refilling flag around the refill so that the selection events do nothing.
    std::function<void(int count)> RefillNodeList;
    std::function<void(int count)> RefillElementList;
    // Makes the view window visible.
    std::function<void()> ShowViewWindow;

    // Read by ShowNewStructure only.
    double Magnification = 100.0;  // the magnification box read as a double
    int DeformationMode = 0;       // 0 detailed, 1 simple, 2 none
    // The static displacements of every node (ux, uy, uz, rx, ry, rz), or null when no
    // static results belong to the model.
    const std::vector<std::array<double, 6>>* StaticDisplacements = nullptr;
};

// Coefficients of an element's static deflection in element axes, x from the first
// node: u = a0 + a1 x, v = b0 + b1 x + b2 x^2 + b3 x^3, w likewise with c.
struct Deflection {
    std::array<double, 2> a{};
    std::array<double, 4> b{};
    std::array<double, 4> c{};
};

// Colours of the drawing.
inline constexpr Color kNodeColor = platform::RGB(0, 0, 0);
inline constexpr Color kNodeNumberColor = platform::RGB(255, 0, 0);
inline constexpr Color kForceColor = platform::RGB(255, 0, 0);
inline constexpr Color kMomentColor = platform::RGB(100, 0, 255);
inline constexpr Color kFixedTranslationColor = platform::RGB(0, 0, 255);
inline constexpr Color kFixedRotationColor = platform::RGB(200, 0, 255);
inline constexpr Color kElementColor = platform::RGB(0, 0, 0);
inline constexpr Color kElementNumberColor = platform::RGB(0, 64, 0);
inline constexpr Color kSectionColor = platform::RGB(0, 128, 128);
inline constexpr Color kReleaseColor = platform::RGB(255, 128, 0);
inline constexpr Color kSpringColor = platform::RGB(0, 150, 0);
inline constexpr Color kRotarySpringColor = platform::RGB(0, 150, 150);
inline constexpr Color kMassColor = platform::RGB(90, 60, 30);
inline constexpr Color kDroppedWeightColor = platform::RGB(230, 0, 120);
inline constexpr Color kSimpleDeformationColor = platform::RGB(0, 0, 128);
inline constexpr Color kDeformationColor = platform::RGB(100, 0, 0);
// The moving structure of the animation, drawn 2 pixels wide.
inline constexpr Color kAnimationColor = platform::RGB(220, 0, 0);

// The whole structure, on a cleared view fitted to the node positions in the current
// view; the small picture gets a square user system around the same extent. Turns
// act about the centre of the nodes. Node and element numbers are hidden when there
// are more than kMaxNumbersShown of them, unless the user chose to show them. The
// view's StructureItems counts what this drew.
void DrawStructure(SceneView& view, const fem::Model& model, PanelLink& panel);
void DrawNodes(SceneView& view, const fem::Model& model, PanelLink& panel);
void DrawElements(SceneView& view, const fem::Model& model, PanelLink& panel);
// A small circle on element e just inside each end that releases an end force (a
// hinge), of radius kReleaseRadius times the picture's scale width; its centre stands
// ReleaseOffset from the end node along the member. DrawElements draws them.
inline constexpr double kReleaseRadius = 0.008;
void DrawReleases(SceneView& view, const fem::Model& model, int e);
double ReleaseOffset(const SceneView& view, const fem::ElementRecord& el);
// Local x, y, z of element e as short red, green and blue lines from its midpoint.
void DrawElementAxes(SceneView& view, const fem::Model& model, int e);
// The section of element e, when it has an orientation about the member, as a small
// figure across the member at its midpoint, in its local y-z plane: the outline of a
// rectangle, the outer and inner outlines of a box, the flanges and the web of an I, and
// for a general section a stroke along local z. Its larger side is as long as the strokes
// of DrawElementAxes; the other in proportion. DrawElements draws them unless the
// structure is large.
void DrawSectionMark(SceneView& view, const fem::Model& model, int e);
// The largest load of each kind in the structure (0: arrows of full length).
struct LoadSizes {
    double Force = 0.0;
    double Moment = 0.0;
};
// One arrow per non-zero load component, of full length (scale width of target) /
// VectorSize, at most maxLength when that is above 0, times its size over the largest of
// its kind (at least a fifth of full length).
void DrawNodeLoads(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                   const std::array<double, 6>& loads, double maxLength = 0.0,
                   const LoadSizes& largest = {});
// The name of the load history at the far end of each arrow of DrawNodeLoads whose "pf"
// load has one (a load with the run's step has none), in the arrow's colour.
void DrawLoadHistoryNames(SceneView& view, PanelLink& panel, platform::Surface& target,
                          const fem::NodeRecord& node, double maxLength = 0.0);
// A pyramid per fixed translation, a T per fixed rotation (code exactly "u"), of size
// (scale width of target) / 40, at most maxSize when that is above 0.
void DrawSupports(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                  const std::array<std::string, 6>& codes, double maxSize = 0.0);
// A zigzag per spring of the node (Springs above 0): a translational spring along the
// negative direction of its axis, as long as a support mark is large (size as
// DrawSupports) in kSpringColor; a rotational one along the same axis, half as wide again
// and in kRotarySpringColor. A node with a weight or a rotary inertia gets a disc of
// radius kMassRadius times the picture's scale width in kMassColor.
inline constexpr double kMassRadius = 0.007;
void DrawSpringsAndMass(SceneView& view, PanelLink& panel, platform::Surface& target,
                        const fem::NodeRecord& node, double maxSize = 0.0);
// The model's dropped weight, if any: an arrow along its velocity that ends on the node
// it strikes, twice as long as a load arrow (length as DrawNodeLoads), with a disc of
// radius kMassRadius at its tail, both in kDroppedWeightColor.
void DrawDroppedWeight(SceneView& view, const fem::Model& model, PanelLink& panel,
                       platform::Surface& target, double maxLength = 0.0);
// The median element length (0 without elements): symbols stay well inside an element.
double TypicalElementLength(const fem::Model& model);

// The magnification of the static deformation that draws the largest translation as a
// tenth of the structure's largest extent along x, y or z, rounded down to 1, 2 or 5
// times a power of ten; 1 when nothing moves or the structure has no extent.
double StaticMagnification(const fem::Model& model,
                           const std::vector<std::array<double, 6>>& displacements);

// Static deformation (displacements: one row of six per node) magnified `magnification`
// times, over what is drawn; not mirrored. Straight lines between the displaced nodes:
void DrawDeformationSimple(SceneView& view, const fem::Model& model,
                           const std::vector<std::array<double, 6>>& displacements,
                           double magnification);
// Each element as a curve of 20 segments interpolated from its end displacements.
// Raises numeric::ComputationFailure for an element of zero length.
void DrawDeformation(SceneView& view, const fem::Model& model,
                     const std::vector<std::array<double, 6>>& displacements, double magnification);

// The structure displaced by `displacements` (one row of six per node: ux, uy, uz,
// rx, ry, rz in global axes) magnified `magnification` times, over what is drawn:
// each element as a curve of 20 segments (detailed) or a straight line, by default in
// the colours of the static deformation. Meant to be called again and again with other
// displacements (after DiscardItemsFrom). Raises numeric::ComputationFailure for an
// element of zero length (detailed).
void DrawDisplacedStructure(SceneView& view, const fem::Model& model,
                            const std::vector<std::array<double, 6>>& displacements,
                            double magnification, bool detailed, Color color, int width);
inline void DrawDisplacedStructure(SceneView& view, const fem::Model& model,
                                   const std::vector<std::array<double, 6>>& displacements,
                                   double magnification, bool detailed) {
    DrawDisplacedStructure(view, model, displacements, magnification, detailed,
                           detailed ? kDeformationColor : kSimpleDeformationColor, 1);
}

// Deflection of element e from twelve end displacements in element axes (axial linear,
// lateral cubic through end values and slopes). Raises numeric::ComputationFailure for
// an element of zero length.
Deflection ElementDeflection(const fem::ElementRecord& e, const std::array<double, 12>& local);

// After a structure was read or built: default view, structure, view window shown,
// and the deformation of the chosen mode if results belong to the model.
void ShowNewStructure(SceneView& view, const fem::Model& model, PanelLink& panel);

}  // namespace view3d
