#include "view3d/structure.h"

#include <algorithm>

#include "numeric/failure.h"

namespace view3d {
namespace {

// Target that mirrors the structure and gives the sizes of loads and supports.
platform::Surface& MirrorTarget(SceneView& view, PanelLink& panel) {
    return panel.SmallPicture != nullptr ? *panel.SmallPicture : view.Picture();
}

void Mirror(SceneView& view, PanelLink& panel) {
    if (panel.SmallPicture != nullptr) view.CopyCurrentItem(*panel.SmallPicture);
}

Vec3 Midpoint(const Vec3& a, const Vec3& b) {
    return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
}

// Element numbers carry a leading blank, as non-negative numbers do in the lists.
std::string ElementLabel(int e) {
    return (e >= 0 ? " " : "") + std::to_string(e);
}

}  // namespace

void DrawStructure(SceneView& view, const fem::Model& model, PanelLink& panel) {
    double xmin = 10000.0, ymin = 10000.0;
    double xmax = -10000.0, ymax = -10000.0;
    for (const fem::NodeRecord& n : model.Nodes) {
        Vec3 p;
        if (!view.Project(p, n.Coord)) continue;  // behind the eye: not in the extent
        xmin = std::min(xmin, p[0]);
        xmax = std::max(xmax, p[0]);
        ymin = std::min(ymin, p[1]);
        ymax = std::max(ymax, p[1]);
    }
    view.ClearAll();
    view.FitPicture(xmin, xmax, ymin, ymax);

    if (panel.SmallPicture != nullptr) {
        platform::Surface& pic = *panel.SmallPicture;
        const double f = (ymax - ymin > xmax - xmin) ? 2.0 * (ymax - ymin) : 2.0 * (xmax - xmin);
        // Only a real extent fits the square system; without nodes the scale stays.
        if (f > 0.0) pic.SetScale((xmin + xmax) / 2 - f / 2, (ymin + ymax) / 2 + f / 2, f, -f);
        pic.Clear();
    }
    DrawNodes(view, model, panel);
    DrawElements(view, model, panel);
}

void DrawNodes(SceneView& view, const fem::Model& model, PanelLink& panel) {
    platform::Surface& target = MirrorTarget(view, panel);
    for (int i = 0; i < model.NodeCount(); ++i) {
        const fem::NodeRecord& n = model.Nodes[i];
        view.AddCircle(n.Coord, -0.005, kNodeColor);
        Mirror(view, panel);
        view.AddText(n.Coord, std::to_string(i), kNodeNumberColor, 11);
        Mirror(view, panel);
        DrawNodeLoads(view, panel, target, n.Coord, n.LoadValue);
        DrawSupports(view, panel, target, n.Coord, n.BcCode);
    }
    if (panel.RefillNodeList) panel.RefillNodeList(model.NodeCount());
}

void DrawNodeLoads(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                   const std::array<double, 6>& loads) {
    const double len = target.ScaleWidth() / panel.VectorSize;
    for (int group = 0; group < 2; ++group) {  // forces, then moments
        const Color col = group == 0 ? kForceColor : kMomentColor;
        for (int k = 0; k < 3; ++k) {
            const double p = loads[3 * group + k];
            if (p == 0.0) continue;
            Vec3 v{0.0, 0.0, 0.0};
            v[k] = (p > 0.0 ? 1.0 : -1.0) * len;
            // A negative component points at the node and ends on it.
            Vec3 start = point;
            if (p < 0.0) start[k] = point[k] - v[k];
            view.AddVector(start, v, col);
            Mirror(view, panel);
        }
    }
}

void DrawSupports(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                  const std::array<std::string, 6>& codes) {
    const double m = target.ScaleWidth() / 60.0;
    for (int k = 0; k < 3; ++k) {
        if (codes[k] != "u") continue;
        view.AddMark(3, point, k, m, 1, kFixedTranslationColor);
        Mirror(view, panel);
    }
    for (int k = 0; k < 3; ++k) {
        if (codes[k + 3] != "u") continue;
        view.AddMark(2, point, k, m, 2, kFixedRotationColor);
        Mirror(view, panel);
    }
}

void DrawElements(SceneView& view, const fem::Model& model, PanelLink& panel) {
    for (int e = 0; e < model.ElementCount(); ++e) {
        const fem::ElementRecord& el = model.Elements[e];
        const Vec3& a = model.Nodes.at(el.EndNode[0]).Coord;
        const Vec3& b = model.Nodes.at(el.EndNode[1]).Coord;
        view.AddLine(a, b, kElementColor, panel.ElementPenWidth);
        Mirror(view, panel);
        view.AddText(Midpoint(a, b), ElementLabel(e), kElementNumberColor, 11);
        Mirror(view, panel);
        if (panel.ShowElementAxes) DrawElementAxes(view, model, e);
    }
    if (panel.RefillElementList) panel.RefillElementList(model.ElementCount());
}

void DrawElementAxes(SceneView& view, const fem::Model& model, int e) {
    static constexpr Color kAxisColor[3] = {platform::RGB(255, 0, 0), platform::RGB(0, 128, 0),
                                            platform::RGB(0, 0, 255)};
    const fem::ElementRecord& el = model.Elements.at(e);
    const double L = 0.03 * view.Picture().ScaleWidth();
    const Vec3 M =
        Midpoint(model.Nodes.at(el.EndNode[0]).Coord, model.Nodes.at(el.EndNode[1]).Coord);
    for (int k = 0; k < 3; ++k) {
        // Local axis k in global components: row k of RotMatrix.
        const Vec3 end{M[0] + L * el.RotMatrix[k][0], M[1] + L * el.RotMatrix[k][1],
                       M[2] + L * el.RotMatrix[k][2]};
        view.AddLine(M, end, kAxisColor[k], 1);
        if (k == 1) view.AddText(end, "y", kAxisColor[1], 8);
    }
}

void DrawDeformationSimple(SceneView& view, const fem::Model& model, double magnification) {
    for (const fem::ElementRecord& el : model.Elements) {
        Vec3 ends[2];
        for (int s = 0; s < 2; ++s) {
            const fem::NodeRecord& n = model.Nodes.at(el.EndNode[s]);
            for (int k = 0; k < 3; ++k) ends[s][k] = n.Coord[k] + magnification * n.StaticDisp[k];
        }
        view.AddLine(ends[0], ends[1], kSimpleDeformationColor, 1);
    }
}

Deflection ElementDeflection(const fem::ElementRecord& e) {
    const double L = e.Length;
    if (L == 0.0)
        throw numeric::ComputationFailure(numeric::kDivisionByZero, "element of zero length");
    const std::array<double, 12>& s = e.StaticEndDispLocal;
    // Cubic through values and slopes at both ends.
    auto cubic = [L](double v1, double p1, double v2, double p2, std::array<double, 4>& k) {
        k[0] = v1;
        k[1] = p1;
        k[2] = -3 * v1 / (L * L) - 2 * p1 / L + 3 * v2 / (L * L) - p2 / L;
        k[3] = 2 * v1 / (L * L * L) + p1 / (L * L) - 2 * v2 / (L * L * L) + p2 / (L * L);
    };
    Deflection d;
    d.a = {s[0], (s[6] - s[0]) / L};
    cubic(s[1], s[5], s[7], s[11], d.b);    // v' = theta z
    cubic(s[2], -s[4], s[8], -s[10], d.c);  // w' = -theta y
    return d;
}

void DrawDeformation(SceneView& view, const fem::Model& model, double magnification) {
    constexpr int kSegments = 20;
    for (const fem::ElementRecord& el : model.Elements) {
        const Deflection d = ElementDeflection(el);
        const double h = el.Length / kSegments;
        const Vec3& N = model.Nodes.at(el.EndNode[0]).Coord;
        const Mat3& R = el.RotMatrix;
        for (int j = 0; j <= kSegments; ++j) {
            const double x = j * h;
            const double local[3] = {d.a[0] + d.a[1] * x,
                                     d.b[0] + x * (d.b[1] + x * (d.b[2] + x * d.b[3])),
                                     d.c[0] + x * (d.c[1] + x * (d.c[2] + x * d.c[3]))};
            Vec3 P;
            for (int i = 0; i < 3; ++i) {
                // RotMatrixT * local: global components of the local displacement.
                const double g = el.RotMatrixT[i][0] * local[0] + el.RotMatrixT[i][1] * local[1] +
                                 el.RotMatrixT[i][2] * local[2];
                P[i] = N[i] + x * R[0][i] + magnification * g;
            }
            if (j == 0) {
                view.AddDot(P);
            } else {
                view.AddLineTo(P, kDeformationColor, 1);
            }
        }
    }
}

void ShowNewStructure(SceneView& view, const fem::Model& model, PanelLink& panel) {
    view.SetDefaultView();
    DrawStructure(view, model, panel);
    if (panel.ShowViewWindow) panel.ShowViewWindow();
    if (panel.NoResults || model.ElementCount() < 1) return;
    if (panel.DeformationMode == 0) {
        DrawDeformation(view, model, panel.Magnification);
    } else if (panel.DeformationMode == 1) {
        DrawDeformationSimple(view, model, panel.Magnification);
    }
}

}  // namespace view3d
