#include "view3d/structure.h"

#include <algorithm>

#include "numeric/failure.h"

namespace view3d {
namespace {

// Target that mirrors the structure and gives the sizes of loads and supports.
platform::Surface& MirrorOrPic1(View3D& view, FormLink& form) {
    return form.Picture1 != nullptr ? *form.Picture1 : view.Pic1();
}

void Mirror(View3D& view, FormLink& form) {
    if (form.Picture1 != nullptr) view.AJustCopy(*form.Picture1);
}

Vec3 Midpoint(const Vec3& a, const Vec3& b) {
    return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
}

// Element numbers carry a leading blank, as non-negative numbers do in the lists.
std::string ElementLabel(int e) {
    return (e >= 0 ? " " : "") + std::to_string(e);
}

}  // namespace

int BDrawStruture(View3D& view, const fem::Model& model, FormLink& form) {
    double xmin = 10000.0, ymin = 10000.0;
    double xmax = -10000.0, ymax = -10000.0;
    for (const fem::NodeRecord& n : model.Nodes) {
        Vec3 p;
        if (!view.TransForm(p, n.Coord)) continue;  // behind the eye: not in the extent
        xmin = std::min(xmin, p[0]);
        xmax = std::max(xmax, p[0]);
        ymin = std::min(ymin, p[1]);
        ymax = std::max(ymax, p[1]);
    }
    view.ClearAll();
    view.SetScreen(xmin, xmax, ymin, ymax);

    if (form.Picture1 != nullptr) {
        platform::Surface& pic = *form.Picture1;
        const double f = (ymax - ymin > xmax - xmin) ? 2.0 * (ymax - ymin) : 2.0 * (xmax - xmin);
        // Only a real extent fits the square system; without nodes the scale stays.
        if (f > 0.0) pic.SetScale((xmin + xmax) / 2 - f / 2, (ymin + ymax) / 2 + f / 2, f, -f);
        pic.Clear();
    }
    DrawNodes(view, model, form);
    DrawElements(view, model, form);
    return 0;
}

void DrawNodes(View3D& view, const fem::Model& model, FormLink& form) {
    platform::Surface& target = MirrorOrPic1(view, form);
    for (int i = 0; i < model.NodeCount(); ++i) {
        const fem::NodeRecord& n = model.Nodes[i];
        view.DrwCircle3D(n.Coord, -0.005, kNodeColor);
        Mirror(view, form);
        view.DrwPrint3D(n.Coord, std::to_string(i), kNodeNumberColor, 11);
        Mirror(view, form);
        DrawNodeLoads(view, form, target, n.Coord, n.LoadValue);
        DrawSupports(view, form, target, n.Coord, n.BcCode);
    }
    if (form.RefillNodeList) form.RefillNodeList(model.NodeCount());
}

void DrawNodeLoads(View3D& view, FormLink& form, platform::Surface& target, const Vec3& point,
                   const std::array<double, 6>& loads) {
    const double len = target.ScaleWidth() / form.VectorSize;
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
            view.DrwVector(start, v, col);
            Mirror(view, form);
        }
    }
}

void DrawSupports(View3D& view, FormLink& form, platform::Surface& target, const Vec3& point,
                  const std::array<std::string, 6>& codes) {
    const double m = target.ScaleWidth() / 60.0;
    for (int k = 0; k < 3; ++k) {
        if (codes[k] != "u") continue;
        view.DrwMarks(3, point, k, m, 1, kFixedTranslationColor);
        Mirror(view, form);
    }
    for (int k = 0; k < 3; ++k) {
        if (codes[k + 3] != "u") continue;
        view.DrwMarks(2, point, k, m, 2, kFixedRotationColor);
        Mirror(view, form);
    }
}

void DrawElements(View3D& view, const fem::Model& model, FormLink& form) {
    for (int e = 0; e < model.ElementCount(); ++e) {
        const fem::ElementRecord& el = model.Elements[e];
        const Vec3& a = model.Nodes.at(el.EndNode[0]).Coord;
        const Vec3& b = model.Nodes.at(el.EndNode[1]).Coord;
        view.DrwLine03D(a, b, kElementColor, form.ElementPenWidth);
        Mirror(view, form);
        view.DrwPrint3D(Midpoint(a, b), ElementLabel(e), kElementNumberColor, 11);
        Mirror(view, form);
        if (form.Check3) DrawElementAxes(view, model, e);
    }
    if (form.RefillElementList) form.RefillElementList(model.ElementCount());
}

void DrawElementAxes(View3D& view, const fem::Model& model, int e) {
    static constexpr Color kAxisColor[3] = {platform::RGB(255, 0, 0), platform::RGB(0, 128, 0),
                                            platform::RGB(0, 0, 255)};
    const fem::ElementRecord& el = model.Elements.at(e);
    const double L = 0.03 * view.Pic1().ScaleWidth();
    const Vec3 M =
        Midpoint(model.Nodes.at(el.EndNode[0]).Coord, model.Nodes.at(el.EndNode[1]).Coord);
    for (int k = 0; k < 3; ++k) {
        // Local axis k in global components: row k of RotMatrix.
        const Vec3 end{M[0] + L * el.RotMatrix[k][0], M[1] + L * el.RotMatrix[k][1],
                       M[2] + L * el.RotMatrix[k][2]};
        view.DrwLine03D(M, end, kAxisColor[k], 1);
        if (k == 1) view.DrwPrint3D(end, "y", kAxisColor[1], 8);
    }
}

int DrawDeformationSimple(View3D& view, const fem::Model& model, double Amp) {
    for (const fem::ElementRecord& el : model.Elements) {
        Vec3 ends[2];
        for (int s = 0; s < 2; ++s) {
            const fem::NodeRecord& n = model.Nodes.at(el.EndNode[s]);
            for (int k = 0; k < 3; ++k) ends[s][k] = n.Coord[k] + Amp * n.StaticDisp[k];
        }
        view.DrwLine03D(ends[0], ends[1], kSimpleDeformationColor, 1);
    }
    return 0;
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

int DrawDeformation(View3D& view, const fem::Model& model, double Amp) {
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
                P[i] = N[i] + x * R[0][i] + Amp * g;
            }
            if (j == 0) {
                view.DrwPset3D(P);
            } else {
                view.DrwLine13D(P, kDeformationColor, 1);
            }
        }
    }
    return 0;
}

void ShowNewStructure(View3D& view, const fem::Model& model, FormLink& form) {
    view.TransMatDefault();
    BDrawStruture(view, model, form);
    if (form.ShowViewWindow) form.ShowViewWindow();
    if (form.NoResults || model.ElementCount() < 1) return;
    if (form.DeformationMode == 0) {
        DrawDeformation(view, model, form.Magnification);
    } else if (form.DeformationMode == 1) {
        DrawDeformationSimple(view, model, form.Magnification);
    }
}

}  // namespace view3d
