#include "shell/modeshape.h"

#include <algorithm>
#include <cmath>

#include "analysis/modes.h"
#include "model/model.h"
#include "view3d/sceneview.h"
#include "view3d/structure.h"

namespace shell {

std::vector<std::vector<std::array<double, 3>>> ModeShapeTranslations(
    const fem::Model& model, const fem::NaturalMode& mode) {
    std::vector<std::vector<std::array<double, 3>>> bars(model.Elements.size());
    for (int e = 0; e < model.ElementCount(); ++e) {
        const auto along = fem::ModeShapeAlongBar(model, mode, e, kModeShapePoints, true);
        auto& points = bars[static_cast<std::size_t>(e)];
        points.reserve(along.size());
        for (const auto& u : along) points.push_back({u[0], u[1], u[2]});
    }
    return bars;
}

namespace {

double LargestExtent(const fem::Model& model) {
    if (model.Nodes.empty()) return 0.0;
    double extent = 0.0;
    for (int k = 0; k < 3; ++k) {
        const auto [low, high] =
            std::minmax_element(model.Nodes.begin(), model.Nodes.end(),
                                [k](const fem::NodeRecord& a, const fem::NodeRecord& b) {
                                    return a.Coord[k] < b.Coord[k];
                                });
        extent = std::max(extent, high->Coord[k] - low->Coord[k]);
    }
    return extent;
}

double LargestTranslation(const std::vector<std::vector<std::array<double, 3>>>& bars) {
    double largest = 0.0;
    for (const auto& points : bars)
        for (const auto& u : points) largest = std::max(largest, std::hypot(u[0], u[1], u[2]));
    return largest;
}

}  // namespace

double DefaultModeMagnification(const fem::Model& model, const fem::NaturalMode& mode) {
    const double extent = LargestExtent(model);
    const double largest = LargestTranslation(ModeShapeTranslations(model, mode));
    if (!(extent > 0.0) || !(largest > 0.0) || !std::isfinite(extent / largest)) return 1.0;
    return 0.1 * extent / largest;
}

void DrawModeShape(view3d::SceneView& view, const fem::Model& model, const fem::NaturalMode& mode,
                   double magnification) {
    const auto bars = ModeShapeTranslations(model, mode);
    for (int e = 0; e < model.ElementCount(); ++e) {
        const fem::ElementRecord& el = model.Elements[static_cast<std::size_t>(e)];
        const fem::Vec3& first = model.Nodes.at(static_cast<std::size_t>(el.EndNode[0])).Coord;
        const auto& points = bars[static_cast<std::size_t>(e)];
        const int n = static_cast<int>(points.size());
        for (int i = 0; i < n; ++i) {
            // The point i / (n - 1) of the way along the bar, displaced.
            const double x = n > 1 ? el.Length * i / (n - 1) : 0.0;
            view3d::Vec3 p;
            for (int k = 0; k < 3; ++k)
                p[k] = first[k] + x * el.RotMatrix[0][k] + magnification * points[i][k];
            if (i == 0)
                view.AddDot(p);
            else
                view.AddLineTo(p, view3d::kDeformationColor, 1);
        }
    }
}

}  // namespace shell
